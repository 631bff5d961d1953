#include "track/gps_track.h"

#include <algorithm>
#include <new>

HRESULT GpsTrack::Add(const TrackPoint& point)
{
    try {
        m_points.push_back(point);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT GpsTrack::Finish()
{
    // Stable, so that among points of one time the last one read comes last
    // and is the one kept.
    std::stable_sort(m_points.begin(), m_points.end(),
                     [](const TrackPoint& a, const TrackPoint& b) { return a.time < b.time; });
    size_t kept = 0;
    for (size_t i = 0; i < m_points.size(); ++i) {
        if (kept > 0 && m_points[kept - 1].time == m_points[i].time)
            m_points[kept - 1] = m_points[i];
        else
            m_points[kept++] = m_points[i];
    }
    m_points.resize(kept);
    m_elevated.clear();
    try {
        for (size_t i = 0; i < m_points.size(); ++i) {
            if (m_points[i].hasElevation)
                m_elevated.push_back(i);
        }
    } catch (const std::bad_alloc&) {
        Clear();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

long GpsTrack::NearestElevated(size_t start, int step) const
{
    // The first elevated index at or after start; the one before it is the
    // last at or before start.
    auto at = std::lower_bound(m_elevated.begin(), m_elevated.end(), start);
    if (step > 0)
        return at == m_elevated.end() ? -1 : static_cast<long>(*at);
    if (at != m_elevated.end() && *at == start)
        return static_cast<long>(start);
    return at == m_elevated.begin() ? -1 : static_cast<long>(*(at - 1));
}
