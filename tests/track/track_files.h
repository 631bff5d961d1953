// Files the track and geotagging tests make in their temporary folders:
// copies of a real photo with chosen Exif times, and GPX tracks; and a
// progress that notes what slow work reports.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/work_progress.h"

namespace vztest {

// A copy of a real photo without a position whose only time is the given
// DateTimeOriginal ("2024:05:01 12:30:00"; null: none), with
// OffsetTimeOriginal when offset is given ("+02:00") and IFD0's DateTime
// when dateTime is given; a HEIF photo when name ends in ".heic". Empty on
// failure.
std::wstring PhotoTakenAt(const std::wstring& folder, const std::wstring& name, const wchar_t* dateTimeOriginal,
                          const wchar_t* offset = nullptr, const wchar_t* dateTime = nullptr);

// The Exif times of a photo made by PhotoWithTimes (null: absent).
struct PhotoTimes {
    const wchar_t* original = nullptr;   // DateTimeOriginal
    const wchar_t* digitized = nullptr;  // DateTimeDigitized
    const wchar_t* dateTime = nullptr;   // IFD0's DateTime
    const wchar_t* offsetOriginal = nullptr;
    const wchar_t* offsetDigitized = nullptr;
    const wchar_t* offset = nullptr;     // OffsetTime
};
// A copy of the same photo with these times and no others.
std::wstring PhotoWithTimes(const std::wstring& folder, const std::wstring& name, const PhotoTimes& times);

// A GPX document whose DTD declares entities that each expand to the one
// before ten times: a billion laughs when expanded.
std::string BillionLaughsGpx();

// The walk every geotagging test matches against: 61 track points, one a
// minute from 2024-05-01 10:00:00 to 11:00:00 UTC; point i lies at latitude
// 48 + i/1000, longitude 11 + i/1000 and elevation 500 + i metres.
std::string WalkTrackGpx();
// A long track: points a second apart from 2024-05-01 00:00:00 UTC (at
// most 30 days of them), about 100 bytes each.
std::string LongTrackGpx(int points);
// Notes what work reports (done and the last total) and tells it to stop
// at the given report (0: never).
class ProgressNotes final : public WorkProgress {
public:
    explicit ProgressNotes(size_t stopAt = 0) : m_stopAt(stopAt) {}
    bool Continue(uint64_t done, uint64_t total) override
    {
        this->done.push_back(done);
        this->total = total;
        return this->done.size() != m_stopAt;
    }
    std::vector<uint64_t> done;
    uint64_t total = 0;

private:
    size_t m_stopAt;
};

// Where the walk is at minute (0 .. 60), in degrees and metres.
double WalkLatitudeAt(double minute);
double WalkLongitudeAt(double minute);
double WalkElevationAt(double minute);

}  // namespace vztest
