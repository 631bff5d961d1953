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
    // Then builds the index of the points with an elevation, which the
    // matching needs: E_OUTOFMEMORY, the track emptied, when memory runs
    // out.
    HRESULT Finish();
    void Clear()
    {
        m_points.clear();
        m_elevated.clear();
    }

    size_t Count() const { return m_points.size(); }
    const TrackPoint& At(size_t index) const { return m_points[index]; }
    const TrackPoint* Points() const { return m_points.data(); }

    // The index of the nearest point with an elevation from start (itself
    // included) towards later points (step +1) or earlier ones (step -1);
    // -1 when there is none. A search in the index Finish built, so that
    // a track without elevations costs no scan.
    long NearestElevated(size_t start, int step) const;

private:
    std::vector<TrackPoint> m_points;
    std::vector<size_t> m_elevated;  // indices of the points with an elevation, ascending
};
