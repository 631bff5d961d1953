// The place of a GPS track at a moment: linear interpolation between the
// two points around it when they are at most kMaxTrackGapSeconds apart,
// otherwise the nearest point when it is at most kMaxTrackGapSeconds away
// (also before the first and after the last point), otherwise nothing.
// These are the defaults dedicated geotaggers document (ExifTool's
// GeoMaxIntSecs and GeoMaxExtSecs), so that results can be compared.
#pragma once
#include "support/geo_position.h"
#include "track/gps_track.h"

const double kMaxTrackGapSeconds = 1800.0;

enum class TrackMatch {
    Interpolated,  // between two points close enough in time
    Nearest,       // the position of the nearest point
    TooFar,        // no point near enough: no position
};

// The position (radians and metres, as GeoPosition holds them) of the track
// at utcSeconds, known when the result is not TooFar:
// - latitude and longitude interpolated linearly between the two points
//   (across the 180th meridian the short way);
// - the altitude interpolated between the nearest points around with an
//   elevation, each within kMaxTrackGapSeconds of its neighbour of the
//   moment; for the nearest point its own elevation, else that of the
//   nearest point with one within kMaxTrackGapSeconds of it (into the track
//   before its start and after its end). *hasAltitude tells whether there
//   was one; without one the altitude is 0 and means nothing.
// A track tells nothing of where a camera looked, so the heading is 0.
// An empty track gives TooFar. The track is one finished (GpsTrack::Finish):
// a match costs a few searches, whatever the track's length.
TrackMatch MatchTrack(const GpsTrack& track, double utcSeconds, GeoPosition* position, bool* hasAltitude);
