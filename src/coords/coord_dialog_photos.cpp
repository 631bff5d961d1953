// The photos of the coordinates dialog: the title and the position shown at
// the start, and writing the position into the photos at the end.
#include <cwchar>

#include "coords/coord_dialog.h"
#include "coords/coord_dialog_resources.h"
#include "exif/exif_block.h"
#include "exif/photo_writer.h"
#include "selection/file_access.h"
#include "selection/image_selection.h"
#include "support/file_extension.h"
#include "support/text_bounded.h"

namespace {

const size_t kTitleCapacity = 128;

}  // namespace

void PrepareCoordinatesDialog(CoordinatesDialogState* state, HWND owner, const ImageSelection* selection)
{
    *state = CoordinatesDialogState();
    state->owner = owner;
    state->selection = selection;

    int count = selection != nullptr ? selection->Count() : 0;
    const wchar_t* onlyPath = count == 1 ? selection->PathAt(0) : nullptr;
    wchar_t subject[kTitleCapacity];
    if (onlyPath != nullptr)
        FormatBoundedW(subject, kTitleCapacity, VZ_COORD_TITLE_ONE, FileNamePart(onlyPath));
    else
        FormatBoundedW(subject, kTitleCapacity, VZ_COORD_TITLE_MANY, count);
    FormatBoundedW(state->title, kTitleCapacity, VZ_COORD_TITLE, subject);

    if (onlyPath != nullptr) {
        // Read into a position of its own: a read that fails halfway (a
        // latitude without a longitude) has set some numbers already, and
        // the dialog must show none of them.
        ExifBlock block;
        block.Open(onlyPath);
        GeoPosition read;
        if (SUCCEEDED(block.ReadPosition(&read.latitude, &read.longitude, &read.altitude, &read.heading))) {
            read.known = TRUE;
            state->position = read;
        }
    }
}

HRESULT SavePositionToPhotos(const CoordinatesDialogState& state)
{
    HRESULT result = E_FAIL;
    int count = state.selection != nullptr ? state.selection->Count() : 0;
    for (int i = 0; i < count; ++i) {
        const wchar_t* path = state.selection->PathAt(i);
        if (path == nullptr || IsFileReadOnly(path))
            continue;
        if (SUCCEEDED(WritePositionToPhoto(path, state.position)))
            result = S_OK;
    }
    if (FAILED(result))
        MessageBoxA(nullptr, VZ_COORD_NOTHING_WRITTEN, VZ_COORD_CAPTION, MB_ICONERROR);
    return result;
}
