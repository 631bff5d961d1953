#include "track/track_match.h"

#include <cmath>

namespace {

// Linear interpolation written as dedicated geotaggers write it, so that
// the same inputs give the same last bit.
double Between(double v0, double v1, double f)
{
    return v1 * f + v0 * (1 - f);
}

// Longitudes more than 180 degrees apart are joined across the 180th
// meridian: the smaller one is taken 360 degrees further first.
double LongitudeBetween(double v0, double v1, double f)
{
    if (std::fabs(v1 - v0) <= 180.0)
        return Between(v0, v1, f);
    if (v0 < v1)
        v0 += 360.0;
    else
        v1 += 360.0;
    double value = Between(v0, v1, f);
    return value >= 180.0 ? value - 360.0 : value;
}

// The index of the nearest point from start in direction step (+1 or -1)
// that has an elevation and lies at most kMaxTrackGapSeconds from the point
// at start; start itself included. -1 when there is none.
long FindElevation(const GpsTrack& track, long start, long step)
{
    long found = track.NearestElevated(static_cast<size_t>(start), static_cast<int>(step));
    if (found < 0 || std::fabs(track.At(static_cast<size_t>(found)).time - track.At(static_cast<size_t>(start)).time) >
                         kMaxTrackGapSeconds)
        return -1;
    return found;
}

// The position of the point at index. Its altitude is its own elevation;
// without one, that of the nearest point with one within
// kMaxTrackGapSeconds, looked for into the track (step +1 or -1) or, with
// step 0, on both sides (across a gap only one side can be that near);
// false without any.
bool SetFromPoint(const GpsTrack& track, long index, long step, GeoPosition* position)
{
    const TrackPoint* points = track.Points();
    const TrackPoint& point = points[index];
    position->latitude = point.latitude * kRadiansPerDegree;
    position->longitude = point.longitude * kRadiansPerDegree;
    long before = step <= 0 ? FindElevation(track, index, -1) : -1;
    long after = step >= 0 ? FindElevation(track, index, +1) : -1;
    long chosen = before;
    if (after >= 0 && (before < 0 || points[after].time - point.time < point.time - points[before].time))
        chosen = after;
    position->altitude = chosen >= 0 ? points[chosen].elevation : 0.0;
    return chosen >= 0;
}

}  // namespace

TrackMatch MatchTrack(const GpsTrack& track, double utcSeconds, GeoPosition* position, bool* hasAltitude)
{
    *position = GeoPosition();
    *hasAltitude = false;
    long count = static_cast<long>(track.Count());
    if (count == 0 || !std::isfinite(utcSeconds))
        return TrackMatch::TooFar;
    const TrackPoint* points = track.Points();
    const TrackPoint& first = points[0];
    const TrackPoint& last = points[count - 1];

    // Before the first and after the last point: that point, when near.
    if (utcSeconds < first.time || utcSeconds > last.time) {
        bool before = utcSeconds < first.time;
        const TrackPoint& end = before ? first : last;
        if (std::fabs(utcSeconds - end.time) > kMaxTrackGapSeconds)
            return TrackMatch::TooFar;
        *hasAltitude = SetFromPoint(track, before ? 0 : count - 1, before ? +1 : -1, position);
        position->known = TRUE;
        return TrackMatch::Nearest;
    }

    // The two points around the moment: time[i0] <= moment <= time[i1].
    long i0 = 0;
    long i1 = count - 1;
    while (i1 > i0 + 1) {
        long middle = i0 + (i1 - i0) / 2;
        if (utcSeconds < points[middle].time)
            i1 = middle;
        else
            i0 = middle;
    }
    const TrackPoint& p0 = points[i0];
    const TrackPoint& p1 = points[i1];
    position->known = TRUE;

    if (p1.time - p0.time > kMaxTrackGapSeconds) {
        // Too far apart to join: the nearer one (the later on a tie).
        long nearest = utcSeconds - p0.time < p1.time - utcSeconds ? i0 : i1;
        if (std::fabs(utcSeconds - points[nearest].time) > kMaxTrackGapSeconds) {
            *position = GeoPosition();
            return TrackMatch::TooFar;
        }
        *hasAltitude = SetFromPoint(track, nearest, 0, position);
        return TrackMatch::Nearest;
    }

    double f = p1.time == p0.time ? 0.0 : (utcSeconds - p0.time) / (p1.time - p0.time);
    position->latitude = Between(p0.latitude, p1.latitude, f) * kRadiansPerDegree;
    position->longitude = LongitudeBetween(p0.longitude, p1.longitude, f) * kRadiansPerDegree;

    // The altitude from the nearest points with an elevation on either side,
    // each within reach of its neighbour of the moment.
    long e0 = FindElevation(track, i0, -1);
    long e1 = FindElevation(track, i1, +1);
    if (e0 >= 0 && e1 >= 0) {
        const TrackPoint& a = points[e0];
        const TrackPoint& b = points[e1];
        double fe = b.time == a.time ? 0.0 : (utcSeconds - a.time) / (b.time - a.time);
        position->altitude = Between(a.elevation, b.elevation, fe);
        *hasAltitude = true;
    }
    return TrackMatch::Interpolated;
}
