#include "selection/image_selection_reader.h"

#include "selection/drop_files_reader.h"
#include "selection/photo_file.h"
#include "selection/track_file.h"
#include "support/owners.h"

namespace {

// Appends the photo names of a locked CF_HDROP block and keeps its track
// when it names exactly one.
HRESULT AppendPhotoNames(const void* block, SIZE_T size, ImageSelection* selection)
{
    HRESULT hr = S_OK;
    int tracks = 0;
    DropFilesReader names(block, size);
    wchar_t name[MAX_PATH];
    while (SUCCEEDED(hr) && names.Next(name, MAX_PATH)) {
        if (IsPhotoFile(name)) {
            hr = selection->Append(name);
        } else if (IsGpxFile(name)) {
            // The first track is kept; a second one leaves none, for the
            // photos cannot be matched against two tracks at once.
            ++tracks;
            if (tracks <= 2)
                hr = selection->SetTrackPath(tracks == 1 ? name : nullptr);
        }
    }
    return hr;
}

}  // namespace

HRESULT ReadImageSelection(IDataObject* dataObject, ImageSelection* selection)
{
    if (!dataObject || !selection)
        return E_INVALIDARG;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    HRESULT hr = dataObject->GetData(&format, &medium);
    if (FAILED(hr))
        return hr;

    // The new list replaces the old one even when it cannot be read: the old
    // names are not what the user selected now.
    selection->Clear();
    {
        GlobalMemoryLock block(medium.tymed == TYMED_HGLOBAL ? medium.hGlobal : nullptr);
        hr = block.Data() ? AppendPhotoNames(block.Data(), block.Size(), selection) : E_FAIL;
    }
    ReleaseStgMedium(&medium);

    // A track without a photo makes no selection either.
    if (SUCCEEDED(hr) && selection->Count() == 0)
        hr = E_FAIL;
    if (FAILED(hr))
        selection->Clear();
    return hr;
}
