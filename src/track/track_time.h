// The times of tracks and photos as seconds on one scale: seconds since
// 1970-01-01 00:00:00 of a proleptic Gregorian calendar without leap
// seconds. A GPX time is UTC on that scale; a photo's Exif date and time is
// the camera's wall clock, which becomes UTC once its offset is subtracted.
#pragma once
#include <cstddef>

// Seconds of 00:00:00 on the given day (month 1..12, day 1..31); the
// arithmetic is exact for years 1 .. 9999.
double CivilDaySeconds(int year, int month, int day);

// A moment as calendar date and time of day, to the whole second.
struct CivilTime {
    int year, month, day;
    int hour, minute, second;
};
// The calendar date and time of the whole second that holds seconds (the
// inverse of CivilDaySeconds plus the time of day). False for a moment
// outside the years 1 .. 9999, and for an infinity or a NaN.
bool CivilTimeOf(double seconds, CivilTime* time);

// An XML Schema dateTime as GPX writes it: "YYYY-MM-DDThh:mm:ss", optional
// fractional seconds, then "Z", an offset "+hh:mm" / "-hh:mm", or nothing
// (read as UTC). Leading and trailing white space is allowed. False, and
// *utcSeconds untouched, for anything else or a field out of range.
bool ParseTrackTime(const wchar_t* text, double* utcSeconds);

// An Exif date and time "YYYY:MM:DD hh:mm:ss" (length bytes, a terminating
// zero not needed). False for blanks, zeros and fields out of range.
bool ParseExifDateTime(const char* text, size_t length, double* wallSeconds);

// An Exif offset to UTC "+hh:mm" or "-hh:mm" (OffsetTimeOriginal), within
// -14:00 .. +14:00. False otherwise.
bool ParseExifUtcOffset(const char* text, size_t length, int* offsetMinutes);
