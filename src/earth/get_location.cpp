// "Get location from Google Earth": query, confirm, write.
#include "earth/get_location.h"

#include "notation/coord_notation.h"
#include "notation/position_line.h"
#include "earth_client/earth_client.h"
#include "earth_client/earth_texts.h"
#include "earth/earth_command_texts.h"
#include "support/geo_position.h"
#include "selection/image_selection.h"
#include "selection/photo_writes.h"
#include "support/code_page_text.h"
#include "support/message_box.h"
#include "support/text_bounded.h"

namespace {

const size_t kPositionLineCapacity = 64;
const size_t kConfirmationCapacity = 256;

// The position line in the ANSI code page of the narrow message box.
void ToMessageText(const wchar_t* text, char* buffer, int capacity)
{
    // A line that does not fit whole is left out.
    if (!WideToAnsi(text, -1, buffer, static_cast<size_t>(capacity)).complete)
        buffer[0] = '\0';
}

// Shows the position and the number of files; true when the user chose OK.
bool ConfirmPosition(const GeoPosition& position, int fileCount)
{
    wchar_t line[kPositionLineCapacity];
    FormatPositionLine(position, DecimalDegrees, TRUE, line,
                       kPositionLineCapacity);
    char narrowLine[kPositionLineCapacity * 2];
    ToMessageText(line, narrowLine, static_cast<int>(sizeof(narrowLine)));

    char text[kConfirmationCapacity];
    if (fileCount == 1)
        FormatBounded(text, kConfirmationCapacity, kGetLocationConfirmOne, narrowLine);
    else
        FormatBounded(text, kConfirmationCapacity, kGetLocationConfirmMany, narrowLine,
                      static_cast<long>(fileCount));
    return ShowMessage(nullptr, text, MB_OKCANCEL | MB_ICONINFORMATION | MB_SETFOREGROUND) == IDOK;
}

}  // namespace

HRESULT GetLocationFromEarth(const ImageSelection& selection)
{
    GeoPosition position;
    EarthViewReport report;
    HRESULT hr = GetEarthViewPoint(&position.latitude, &position.longitude, &position.altitude, &position.heading,
                                   &report);
    if (report.flags)
        ShowMessage(nullptr, report.text, report.flags);
    if (FAILED(hr)) {
        ShowMessage(nullptr, kEarthPositionFailedMessage, MB_SETFOREGROUND | MB_ICONERROR);
        return hr;
    }
    position.known = TRUE;

    int fileCount = selection.Count();
    if (fileCount <= 0 || !ConfirmPosition(position, fileCount))
        return E_FAIL;

    // Photos that cannot be opened, are read-only or cannot be written just
    // do not count.
    PhotoWrites writes = WritePositionsToPhotos(fileCount, [&](int i, const wchar_t** path, GeoPosition* each) {
        *path = selection.PathAt(i);
        *each = position;
        return true;
    });
    ShowWriteMessages(writes);
    return writes.written > 0 ? S_OK : E_FAIL;
}
