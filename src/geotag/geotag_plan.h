// GeotagPlan: the photos of one "Geotag from GPS track" command with the
// time each was taken and the place the track gives it under the user's
// settings; the dialog shows it, and Write puts it into the photos.
#pragma once
#include <string>
#include <vector>

#include "support/geo_position.h"
#include "track/gps_track.h"
#include "track/photo_time.h"
#include "track/track_match.h"

// What the user sets in the dialog.
struct GeotagSettings {
    // The camera's offset to UTC, east positive, for photos that do not
    // record their own (OffsetTimeOriginal).
    int offsetMinutes = 0;
    // Seconds added to the camera's time to give the true time (a clock
    // that was 90 s behind needs +90).
    int clockCorrectionSeconds = 0;
};

// Why a photo gets the position it gets, or none.
enum class GeotagOutcome {
    Interpolated,   // between two track points
    Nearest,        // a track point near enough
    TooFar,         // no track point within 30 minutes of its time
    NoTime,         // the photo has no readable date and time
    NotAPhoto,      // the file cannot be read as a JPEG photo
};

struct GeotagPhoto {
    std::wstring path;
    PhotoTime time;
    bool readOnly = false;   // the read-only attribute, judged at Load
    GeotagOutcome outcome = GeotagOutcome::NoTime;
    double utcSeconds = 0;   // the moment matched (when the photo has a time)
    GeoPosition position;    // known for Interpolated and Nearest
};

class GeotagPlan {
public:
    // Reads the time of each photo (one block, opened photo by photo).
    // S_OK; E_OUTOFMEMORY with the plan empty.
    HRESULT Load(const wchar_t* const* paths, int count);
    // Matches every photo with a time against the track under settings.
    void Match(const GpsTrack& track, const GeotagSettings& settings);
    // The offset to preset in the dialog: the first photo's own
    // OffsetTimeOriginal, else the computer's time zone on the date of the
    // first photo with a time (else today's), in minutes east of UTC.
    int DefaultOffsetMinutes() const;

    // Writes each located photo that is not read-only through the per-photo
    // sequence of the commands that store positions. *written counts the
    // photos rewritten, *readOnly those skipped for their attribute.
    // S_OK when at least one photo was written, else E_FAIL.
    HRESULT Write(int* written, int* readOnly) const;

    size_t Count() const { return m_photos.size(); }
    const GeotagPhoto& At(size_t index) const { return m_photos[index]; }
    // The number of photos Match located.
    int LocatedCount() const;

private:
    std::vector<GeotagPhoto> m_photos;
};

// The computer's offset to UTC, in minutes east, at the given local wall
// time (on the track time scale): the time zone's standard or daylight bias
// on that date.
int ComputerOffsetMinutesAt(double wallSeconds);
