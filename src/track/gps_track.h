// GpsTrack: the timed points of a GPS track, in time order, as the track
// reader leaves them and the matching reads them.
#pragma once
#include <cstddef>
#include <vector>

#include "support/platform.h"

struct TrackPoint {
    double time = 0.0;       // seconds since 1970-01-01 00:00:00 UTC, fractions kept
    double latitude = 0.0;   // degrees, north positive, -90 .. 90
    double longitude = 0.0;  // degrees, east positive, -180 .. 180
    double elevation = 0.0;  // metres; meaningful only when hasElevation
    bool hasElevation = false;
};

class GpsTrack {
public:
    // Appends a point in file order. E_OUTOFMEMORY when memory runs out
    // (the track is then as it was).
    HRESULT Add(const TrackPoint& point);
    // Sorts the points by time; of points with the same time only the last
    // one added stays (a logger that repeats a second corrects itself).
    void Finish();
    void Clear() { m_points.clear(); }

    size_t Count() const { return m_points.size(); }
    const TrackPoint& At(size_t index) const { return m_points[index]; }
    const TrackPoint* Points() const { return m_points.data(); }

private:
    std::vector<TrackPoint> m_points;
};
