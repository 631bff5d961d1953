// The photos of the coordinates dialog: the title and the position shown at
// the start, and writing the position into the photos at the end.
#include <cwchar>
#include <memory>
#include <new>

#include "coords/coord_dialog.h"
#include "coords/coord_dialog_texts.h"
#include "exif/photo_reader.h"
#include "selection/image_selection.h"
#include "selection/photo_writes.h"
#include "selection/selection_texts.h"
#include "support/file_extension.h"
#include "support/message_box.h"
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
        FormatBoundedW(subject, kTitleCapacity, kCoordTitleOne, FileNamePart(onlyPath));
    else
        FormatBoundedW(subject, kTitleCapacity, kCoordTitleMany, count);
    FormatBoundedW(state->title, kTitleCapacity, kCoordTitle, subject);

    if (onlyPath != nullptr) {
        // A position that cannot be read whole shows none of its numbers.
        std::unique_ptr<PhotoReader> photo(new (std::nothrow) PhotoReader());
        if (photo) {
            photo->Open(onlyPath);
            photo->ReadPosition(&state->position);
            const PositionSource source = photo->Source();
            state->source = source == PositionSource::Sidecar   ? kCoordSourceSidecar
                            : source == PositionSource::RawFile ? kCoordSourceRawFile
                                                                : nullptr;
        }
    }
}

HRESULT SavePositionToPhotos(const CoordinatesDialogState& state)
{
    // A position that is not known removes the photos' positions.
    int count = state.selection != nullptr ? state.selection->Count() : 0;
    PhotoWrites writes = WritePositionsToPhotos(count, [&](int i, const wchar_t** path, GeoPosition* position) {
        *path = state.selection->PathAt(i);
        *position = state.position;
        return true;
    });
    ShowWriteMessages(writes);
    HRESULT result = writes.written > 0 ? S_OK : E_FAIL;
    // A photo another program changed, a refused sidecar, has had its own
    // message.
    if (FAILED(result) && writes.changed == 0 && writes.refusedSidecars.empty())
        ShowMessage(nullptr, kNoWritableFileMessage, MB_ICONERROR);
    return result;
}
