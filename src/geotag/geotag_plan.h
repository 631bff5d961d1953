// GeotagPlan: the photos (JPEG, HEIF and raw files) of one "Geotag from GPS
// track" command with the time each was taken and the place the track gives it under the user's
// settings; the dialog shows it, and Write puts it into the photos.
#pragma once
#include <string>
#include <vector>

#include "exif/raw_sidecar.h"
#include "support/geo_position.h"
#include "support/work_progress.h"
#include "track/gps_track.h"
#include "track/photo_time.h"
#include "track/track_match.h"

// What the user sets in the dialog.
struct GeotagSettings {
    // The camera's offset to UTC, east positive, for photos that do not
    // record the offset of their time (OffsetTimeOriginal and its siblings).
    int offsetMinutes = 0;
    // Seconds added to the camera's time to give the true time (a clock
    // that was 90 s behind needs +90).
    int clockCorrectionSeconds = 0;
    // Whether the track's position replaces one a photo already has (often
    // a phone's own, better than a track's); off, such a photo keeps it.
    bool replacePositions = false;
};

// Why a photo gets the position it gets, or none.
enum class GeotagOutcome {
    Interpolated,   // between two track points
    Nearest,        // a track point near enough
    TooFar,         // no track point within 30 minutes of its time
    NoTime,         // the photo has no readable date and time
    NotAPhoto,      // the file cannot be read as the photo its name says
    InUse,          // another program holds the file open
};

struct GeotagPhoto {
    std::wstring path;
    PhotoTime time;
    std::wstring target;     // the file written: a shortcut's target, else path
    bool readOnly = false;   // the target's read-only attribute, judged at Load
    bool hasPosition = false;  // the photo carries a position already, judged at Load
    bool keepsPosition = false;  // it has one and the settings matched keep it
    GeotagOutcome outcome = GeotagOutcome::NoTime;
    double utcSeconds = 0;   // the moment matched (when the photo has a time)
    GeoPosition position;    // known for Interpolated and Nearest; heading 0
    bool hasAltitude = false;  // the track gives the position an altitude
};

class GeotagPlan {
public:
    // Reads the time of each photo (one block, opened photo by photo).
    // progress (optional) is told the photos done of all before each photo;
    // when it says to stop, the result is VZ_E_CANCELLED. S_OK;
    // E_OUTOFMEMORY or VZ_E_CANCELLED with the plan empty.
    HRESULT Load(const wchar_t* const* paths, int count, WorkProgress* progress = nullptr);
    // Matches every photo with a time against the track under settings.
    void Match(const GpsTrack& track, const GeotagSettings& settings);
    // The offset to preset in the dialog: the first photo's own offset,
    // else the computer's time zone at the wall time of the first photo
    // with a time (else now), in minutes east of UTC.
    int DefaultOffsetMinutes() const;

    // Writes into each photo that gets a fix (GetsFix) and is not
    // read-only what the track knows: latitude and longitude, the altitude
    // when the track has one (an earlier one is removed otherwise) and the
    // UTC date and time the photo was matched at; the photo's directions
    // stay as they are.
    // *written counts the photos rewritten, *readOnly those skipped for
    // their attribute, *failed (optional) those whose writing failed; the
    // rest of FixCount were not reached. *changed (optional) receives the
    // targets of the photos that another program changed while they were
    // written (counted as failed, and left as that program made them), in
    // the order of the plan. Several photos are written at once
    // (RunPhotoWrites). progress (optional) is told the photos begun of all
    // before each photo; when it says to stop, no photo after is begun, the
    // ones begun are finished (each old or new), and the result is
    // VZ_E_CANCELLED. Else S_OK when at least one photo was written, else
    // E_FAIL.
    // *refused (optional) receives the sidecars of raw files refused as no
    // well-formed XMP (counted as failed), in no particular order.
    HRESULT Write(int* written, int* readOnly, WorkProgress* progress = nullptr, int* failed = nullptr,
                  std::vector<std::wstring>* changed = nullptr,
                  std::vector<SidecarOutcome>* refused = nullptr) const;

    size_t Count() const { return m_photos.size(); }
    const GeotagPhoto& At(size_t index) const { return m_photos[index]; }
    // The number of photos Write is to store a fix into, read-only ones
    // included.
    int FixCount() const;
    // The photos that keep a position of their own, and those the track
    // gives none (no time, no point near enough, no photo to read).
    int KeptCount() const;
    int UnlocatedCount() const;

private:
    std::vector<GeotagPhoto> m_photos;
};

// Whether Write is to store the track's fix into the photo: the track
// locates it, and it keeps no position of its own.
inline bool GetsFix(const GeotagPhoto& photo)
{
    return photo.position.known && !photo.keepsPosition;
}

// The offset to UTC of a time zone (null: the computer's), in minutes east,
// at the given local wall time (on the track time scale): the standard or
// daylight bias in force at that time of that day.
int ZoneOffsetMinutesAt(const TIME_ZONE_INFORMATION* zone, double wallSeconds);
int ComputerOffsetMinutesAt(double wallSeconds);
