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

void GpsTrack::Finish()
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
}
