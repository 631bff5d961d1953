// The texts of the geotagging dialog: offsets to UTC, the camera's times,
// the clock correction typed by the user, and what each photo gets.
#pragma once
#include <cstddef>
#include <cstdint>

#include "geotag/geotag_plan.h"

// The offsets the dialog offers: UTC-12:00 to UTC+14:00 in quarter hours.
const int kMinListedOffsetMinutes = -12 * 60;
const int kMaxListedOffsetMinutes = 14 * 60;
const int kListedOffsetStepMinutes = 15;

// The bounds of the clock correction, ten days either way.
const int kMaxClockCorrectionSeconds = 864000;

// Room for every text below, terminator included.
const size_t kGeotagTextCapacity = 160;

// "UTC+02:00", "UTC-03:30", "UTC+00:00" (minutes east of UTC).
void FormatUtcOffset(int offsetMinutes, wchar_t* buffer, size_t capacity);
// The listed offset nearest to offsetMinutes; an offset outside the list
// gives its nearer end.
int NearestListedOffset(int offsetMinutes);

// "2024-05-01 14:03:22": a time on the track time scale (seconds since
// 1970-01-01 00:00:00), its fraction dropped; "?" outside the years 1 to 9999.
void FormatTrackTime(double seconds, wchar_t* buffer, size_t capacity);

// Reads the clock correction as the user typed it: an optional sign and
// digits, white space around allowed, within kMaxClockCorrectionSeconds
// either way; an empty text is no correction. False, and *seconds
// untouched, for anything else.
bool ParseClockCorrection(const wchar_t* text, int* seconds);

// The "Taken" column of a photo: its camera time, with its own offset to
// UTC when it records one; empty without a time.
void FormatPhotoTaken(const GeotagPhoto& photo, wchar_t* buffer, size_t capacity);
// The "Position" column of a photo: its position in the given notation
// (with the altitude when the track gives one), or why it gets none; a
// read-only photo says that it is skipped, and a photo that keeps its own
// position says so.
void FormatPhotoPlace(const GeotagPhoto& photo, uint32_t notation, wchar_t* buffer, size_t capacity);

// The line under the list: how many photos will get a position, how many
// keep their own, and how many read-only ones writing skips.
void FormatGeotagSummary(const GeotagPlan& plan, wchar_t* buffer, size_t capacity);

// Whether writing stores a position into the photo.
inline bool WillBeWritten(const GeotagPhoto& photo)
{
    return GetsFix(photo) && !photo.readOnly;
}
