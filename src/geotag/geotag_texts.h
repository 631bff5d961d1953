// Texts of the command "Geotag from GPS track": its dialog, its photo list
// and its messages.
#pragma once

#include "product_identity.h"

const wchar_t kGeotagTitle[] = VZ_PRODUCT_NAME_W L": Geotag from GPS track '%ls'";
const wchar_t kGeotagTrackLine[] = L"GPS track '%ls': %u point%ls from %ls to %ls UTC";
const wchar_t kGeotagTrackIncompleteLine[] =
    L"GPS track '%ls' (incomplete: the file ends in the middle): %u point%ls from %ls to %ls UTC";

// The progress window while the track and the photos are read, and while
// the photos are written.
const wchar_t kGeotagProgressTitle[] = VZ_PRODUCT_NAME_W L": Geotag from GPS track";
const wchar_t kGeotagReadingText[] = L"Reading the GPS track '%ls'...";
const wchar_t kGeotagReadingPhotosText[] = L"Reading the times of the photos...";
const wchar_t kGeotagWritingText[] = L"Writing the positions into the photos...";

// The columns of the photo list.
const wchar_t kGeotagColumnPhoto[] = L"Photo";
const wchar_t kGeotagColumnTaken[] = L"Taken";
const wchar_t kGeotagColumnPosition[] = L"Position";

// A position with the track's altitude.
const wchar_t kGeotagWithAltitude[] = L"%ls / %.0f m";
// What a photo gets, when not a position.
const wchar_t kGeotagNoTime[] = L"none: no time in the photo";
const wchar_t kGeotagTooFar[] = L"none: more than 30 minutes from the track";
const wchar_t kGeotagNotAPhoto[] = L"none: not a JPEG photo";
const wchar_t kGeotagNotAHeifPhoto[] = L"none: not a HEIF photo";  // for a HEIF file's name
const wchar_t kGeotagNotARawFile[] = L"none: not a %hs raw file";  // for a raw file's name: its format
const wchar_t kGeotagInUse[] = L"none: in use by another program";
const wchar_t kGeotagReadOnly[] = L"read-only, skipped: %ls";
const wchar_t kGeotagKeepsOwn[] = L"keeps its own position";
// The camera's time of a photo that records its own offset to UTC.
const wchar_t kGeotagOwnOffset[] = L"%ls %ls";

// The line under the list.
const wchar_t kGeotagSummaryLine[] = L"%d of %d photo%ls will get a position.";
const wchar_t kGeotagSummaryKeepsOne[] = L" %d photo keeps its own position.";
const wchar_t kGeotagSummaryKeeps[] = L" %d photos keep their own positions.";
const wchar_t kGeotagSummarySkips[] = L" %d read-only photo%ls will be skipped.";
const wchar_t kGeotagClockInvalid[] = L"The clock correction must be a whole number of seconds from -864000 to 864000.";

// Messages.
const wchar_t kGeotagTrackRefused[] =
    L"The GPS track \"%ls\" cannot be used: it is not a GPX file this tool can read, or it holds no track "
    L"point with a time.";
const wchar_t kGeotagTrackNotRead[] = L"The GPS track \"%ls\" cannot be read (error 0x%08lX).";
const wchar_t kGeotagTrackMalformed[] =
    L"The GPS track \"%ls\" cannot be used: it is not well-formed XML (error at line %u, column %u).";
const wchar_t kGeotagPhotosNotRead[] = L"The times of the photos cannot be read (error 0x%08lX).";
const wchar_t kGeotagWritten[] = L"%d of %d photo%ls geotagged.";
const wchar_t kGeotagSkipped[] = L"\n%d read-only photo%ls skipped.";
const wchar_t kGeotagFailed[] = L"\n%d photo%ls could not be written.";
const wchar_t kGeotagCancelled[] = L"\nCancelled: %d photo%ls not geotagged.";
const wchar_t kGeotagReportKeptOne[] = L"\n%d photo kept its own position.";
const wchar_t kGeotagReportKept[] = L"\n%d photos kept their own positions.";
const wchar_t kGeotagReportUnlocated[] =
    L"\n%d photo%ls no position from the track (no time, or no point near enough).";
// Raw files whose XMP sidecar was refused (among those that could not be
// written): a line, then the sidecar's name and why, a line each.
const wchar_t kGeotagSidecarsRefused[] =
    L"\nThese XMP sidecars were left as they are, and their raw files not geotagged:";
const wchar_t kGeotagSidecarRefused[] = L"\n    %ls: %hs";

// Setting the clock from a photo of the GPS's screen.
const wchar_t kGpsClockTitle[] = VZ_PRODUCT_NAME_W L": Set clock from photo of GPS";
const wchar_t kGpsClockPhotoLine[] =
    L"'%ls' was taken at %ls by the camera's clock (%ls). What time does the GPS in it show?";
const wchar_t kGpsClockPickPhoto[] = L"Pick the photo of the GPS's screen in the list first.";
const wchar_t kGpsClockNoTime[] = L"The photo \"%ls\" has no time of the camera: pick a photo that has one.";
const wchar_t kGpsClockBadTime[] =
    L"The time the GPS shows must be written as 2024-05-01 14:03:22, or as 14:03:22 on the photo's day.";
const wchar_t kGpsClockBadZone[] =
    L"The zone the GPS shows must be UTC or an offset from UTC-12:00 to UTC+14:00, such as UTC+02:00.";
const wchar_t kGpsClockTooFar[] =
    L"That time is more than ten days from the photo's: check the date the GPS shows.";
const wchar_t kGpsClockConfirmLarge[] =
    L"The time the GPS shows is %ls %ls the camera's: the clock correction would be %d s. More than 12 hours "
    L"is more than a camera's clock is usually off; check the date and the zone the GPS shows.\n\n"
    L"Set the clock anyway?";
const wchar_t kGpsClockLater[] = L"later than";
const wchar_t kGpsClockEarlier[] = L"earlier than";
// The length of a correction in the question above.
const wchar_t kGpsClockLength[] = L"%ld day%ls, %ld hour%ls and %ld minute%ls";
