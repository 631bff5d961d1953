// The camera's clock set from a photo of a GPS receiver's screen: people
// photograph their logger's or phone's clock to line the camera up with the
// track. The user reads off that photo the time the screen shows and the
// zone it shows it in; the clock correction is what makes that photo's
// moment the time shown.
#pragma once
#include <cstddef>

// A time read off a GPS screen, in the zone the screen shows.
struct ShownTime {
    double seconds = 0;    // the date and time, or the time of day alone, on the track time scale
    bool hasDate = false;  // false: a time of day, on the photo's day
};

// "2024-05-01 14:03:22" (or with "T" between date and time), or
// "14:03:22" alone; white space around allowed. False, *time untouched,
// for anything else or a field out of range.
bool ParseShownTime(const wchar_t* text, ShownTime* time);

// A zone as the dialog lists it or a user types it: "UTC+02:00",
// "+02:00", "+2", "-0330", "UTC" (white space around, "UTC" or "GMT" in
// any case), from UTC-12:00 to UTC+14:00. False, *minutes untouched, for
// anything else.
bool ParseShownZone(const wchar_t* text, int* minutes);

// The clock correction, in whole seconds, that makes the photo taken at
// the time shown in the zone shown. cameraUtcSeconds is the photo's camera
// time converted to UTC with its offset, before any correction. A time of
// day alone is taken on the day that brings it nearest to the photo's
// moment. False, *correction untouched, when the correction would exceed
// ten days either way.
bool ClockCorrectionFromShownTime(double cameraUtcSeconds, const ShownTime& shown, int zoneMinutes,
                                  int* correction);

// A clock correction past this asks to be confirmed: more than half a day
// is a date or a zone misread, not a camera's clock.
const int kLargeClockCorrectionSeconds = 12 * 3600;

// The length of a correction in whole days, hours and minutes (to the
// nearest minute, without sign): "1 day, 0 hours and 2 minutes".
void FormatCorrectionLength(int seconds, wchar_t* buffer, size_t capacity);
