// Dialog and combo box helpers on real controls.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/dialog_items.h"
#include "testlib/test_window.h"

namespace {

using vztest::TestWindow;

const int kTemplateId = 4242;
const int kMissingTemplateId = 4343;

class ComboBox : public testing::Test {
protected:
    ComboBox()
        : m_owner(WS_POPUP, 0, 0, 300, 200),
          m_combo(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 10, 150, 100, m_owner.Handle(),
                  L"COMBOBOX", 1401)
    {
    }
    HWND Combo() const { return m_combo.Handle(); }

private:
    TestWindow m_owner;
    TestWindow m_combo;
};

TEST_F(ComboBox, ItemsCarryTheirDataAndAreSelectedByIt)
{
    EXPECT_EQ(0, ComboAddItem(Combo(), L"+-DDD.dddddd\u00b0", 1));
    EXPECT_EQ(1, ComboAddItem(Combo(), L"DDD\u00b0 MM.mmmm'", 2));
    EXPECT_EQ(2, ComboAddItem(Combo(), nullptr, 3));

    DWORD data = 99;
    EXPECT_FALSE(ComboGetSelectedData(Combo(), &data));
    EXPECT_EQ(0u, data);

    ComboSelectByData(Combo(), 2);
    EXPECT_EQ(1, SendMessageW(Combo(), CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(ComboGetSelectedData(Combo(), &data));
    EXPECT_EQ(2u, data);

    // The item added without a text has an empty one.
    EXPECT_EQ(0, SendMessageW(Combo(), CB_GETLBTEXTLEN, 2, 0));

    // No item with the data: nothing is selected.
    ComboSelectByData(Combo(), 7);
    EXPECT_EQ(CB_ERR, SendMessageW(Combo(), CB_GETCURSEL, 0, 0));
    EXPECT_FALSE(ComboGetSelectedData(Combo(), &data));
    EXPECT_EQ(0u, data);
}

TEST_F(ComboBox, FirstItemWithTheDataWins)
{
    ComboAddItem(Combo(), L"a", 5);
    ComboAddItem(Combo(), L"b", 6);
    ComboAddItem(Combo(), L"c", 6);
    ComboSelectByData(Combo(), 6);
    EXPECT_EQ(1, SendMessageW(Combo(), CB_GETCURSEL, 0, 0));
    DWORD data = 0;
    ComboAddItem(Combo(), L"big", 0xFFFFFFFFu);
    ComboSelectByData(Combo(), 0xFFFFFFFFu);
    EXPECT_TRUE(ComboGetSelectedData(Combo(), &data));
    EXPECT_EQ(0xFFFFFFFFu, data);
}

TEST(DialogItems, EnableShowAndFont)
{
    TestWindow dialog(WS_POPUP | WS_VISIBLE, 0, 0, 300, 200);
    TestWindow shown(WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, dialog.Handle(), L"EDIT", 1410);
    TestWindow hidden(WS_CHILD, 0, 30, 50, 20, dialog.Handle(), L"EDIT", 1411);

    EXPECT_TRUE(IsDlgItemVisible(dialog.Handle(), 1410));
    EXPECT_FALSE(IsDlgItemVisible(dialog.Handle(), 1411));
    EXPECT_FALSE(IsDlgItemVisible(dialog.Handle(), 9999));

    EnableDlgItem(dialog.Handle(), 1410, FALSE);
    EXPECT_FALSE(IsWindowEnabled(shown.Handle()));
    EnableDlgItem(dialog.Handle(), 1410, TRUE);
    EXPECT_TRUE(IsWindowEnabled(shown.Handle()));

    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    SetDlgItemFont(dialog.Handle(), 1411, font);
    EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageW(hidden.Handle(), WM_GETFONT, 0, 0)));
}

INT_PTR CALLBACK EndAtOnce(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // The template's edit field is there; the parameter is the result.
        EndDialog(dialog, GetDlgItem(dialog, 100) != nullptr ? lParam : -2);
        return TRUE;
    }
    return FALSE;
}

TEST(DialogItems, ShowDialogBoxRunsTheTemplateWithItsParameter)
{
    HINSTANCE module = GetModuleHandleW(nullptr);
    EXPECT_EQ(77, ShowDialogBox(module, kTemplateId, nullptr, EndAtOnce, 77));
    EXPECT_EQ(-1, ShowDialogBox(module, kMissingTemplateId, nullptr, EndAtOnce, 77));
}

}  // namespace
