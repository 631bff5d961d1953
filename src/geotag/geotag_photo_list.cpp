#include "geotag/geotag_photo_list.h"

#include <commctrl.h>
#include <cwchar>

#include "geotag/geotag_texts.h"
#include "geotag/geotag_format.h"
#include "support/file_extension.h"

namespace {

// Shares of the list's width, in percent, before the columns fit their
// texts, and the most the name and the time may take then; the position
// takes the rest.
const int kPhotoShare = 24;
const int kTakenShare = 29;
const int kMaxFittedShare = 34;

// The width the list's columns share: its client area less a vertical
// scroll bar.
int ColumnsWidth(HWND list)
{
    RECT client = {};
    GetClientRect(list, &client);
    return client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
}

// Fits a column to its texts and its title, within a share of width.
int FitColumn(HWND list, int column, int width)
{
    SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), LVSCW_AUTOSIZE_USEHEADER);
    int fitted = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    int most = width * kMaxFittedShare / 100;
    if (fitted > most) {
        fitted = most;
        SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), fitted);
    }
    return fitted;
}

void AddColumn(HWND list, int index, const wchar_t* title, int width)
{
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = width;
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void SetCellText(HWND list, int row, int column, const wchar_t* text)
{
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void SetUpPhotoList(HWND list)
{
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP,
                 LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    int width = ColumnsWidth(list);
    int photo = width * kPhotoShare / 100;
    int taken = width * kTakenShare / 100;
    AddColumn(list, kColumnPhoto, kGeotagColumnPhoto, photo);
    AddColumn(list, kColumnTaken, kGeotagColumnTaken, taken);
    AddColumn(list, kColumnPosition, kGeotagColumnPosition, width - photo - taken);
}

HRESULT FillPhotoList(HWND list, const GeotagPlan& plan)
{
    int count = static_cast<int>(plan.Count());
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    for (int row = 0; row < count; ++row) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(FileNamePart(plan.At(static_cast<size_t>(row)).path.c_str()));
        item.lParam = row;
        if (SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) != row)
            return E_OUTOFMEMORY;
    }
    return S_OK;
}

void UpdatePhotoList(HWND list, const GeotagPlan& plan, uint32_t notation)
{
    wchar_t text[kGeotagTextCapacity];
    int count = static_cast<int>(plan.Count());
    for (int row = 0; row < count; ++row) {
        const GeotagPhoto& photo = plan.At(static_cast<size_t>(row));
        FormatPhotoTaken(photo, text, kGeotagTextCapacity);
        SetCellText(list, row, kColumnTaken, text);
        FormatPhotoPlace(photo, notation, text, kGeotagTextCapacity);
        SetCellText(list, row, kColumnPosition, text);
    }
}

void FitPhotoListColumns(HWND list)
{
    int width = ColumnsWidth(list);
    int photo = FitColumn(list, kColumnPhoto, width);
    int taken = FitColumn(list, kColumnTaken, width);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, kColumnPosition, width - photo - taken);
}
