// Where a track was at a moment: interpolation, the nearest point, the
// 30-minute limits, the altitude and the direction of travel.
#include <gtest/gtest.h>

#include <initializer_list>

#include "track/track_match.h"

namespace {

const double kT0 = 1714557600.0;  // 2024-05-01 10:00:00 UTC

TrackPoint Point(double seconds, double latitude, double longitude)
{
    TrackPoint point;
    point.time = kT0 + seconds;
    point.latitude = latitude;
    point.longitude = longitude;
    return point;
}

TrackPoint Point(double seconds, double latitude, double longitude, double elevation)
{
    TrackPoint point = Point(seconds, latitude, longitude);
    point.elevation = elevation;
    point.hasElevation = true;
    return point;
}

GpsTrack MakeTrack(std::initializer_list<TrackPoint> points)
{
    GpsTrack track;
    for (const TrackPoint& point : points)
        EXPECT_EQ(S_OK, track.Add(point));
    track.Finish();
    return track;
}

struct Found {
    TrackMatch match;
    double latitude, longitude, altitude, heading;  // degrees and metres
};

Found At(const GpsTrack& track, double seconds)
{
    GeoPosition position;
    TrackMatch match = MatchTrack(track, kT0 + seconds, &position);
    EXPECT_EQ(match != TrackMatch::TooFar, position.known != FALSE);
    return {match, position.latitude * kDegreesPerRadian, position.longitude * kDegreesPerRadian, position.altitude,
            position.heading * kDegreesPerRadian};
}

}  // namespace

TEST(TrackMatching, PointsCloseInTimeAreJoinedLinearly)
{
    GpsTrack track = MakeTrack({Point(0, 48.0, 11.0, 500), Point(600, 48.2, 11.4, 520), Point(1200, 48.2, 11.4, 540)});
    Found middle = At(track, 150);
    EXPECT_EQ(TrackMatch::Interpolated, middle.match);
    EXPECT_NEAR(48.05, middle.latitude, 1e-12);
    EXPECT_NEAR(11.1, middle.longitude, 1e-12);
    EXPECT_NEAR(505, middle.altitude, 1e-9);
    // On a point exactly, and on the last one.
    EXPECT_NEAR(48.2, At(track, 600).latitude, 1e-12);
    EXPECT_NEAR(540, At(track, 1200).altitude, 1e-9);
    // Standing still: the direction of travel is 0.
    EXPECT_EQ(0.0, At(track, 900).heading);
}

TEST(TrackMatching, GapsOverThirtyMinutesTakeTheNearerPointWithinThirtyMinutes)
{
    // Exactly 30 minutes apart: still joined.
    GpsTrack joined = MakeTrack({Point(0, 10, 20), Point(1800, 11, 20)});
    EXPECT_EQ(TrackMatch::Interpolated, At(joined, 900).match);
    EXPECT_NEAR(10.5, At(joined, 900).latitude, 1e-12);

    GpsTrack gap = MakeTrack({Point(0, 10, 20), Point(3000, 11, 21)});
    Found early = At(gap, 1000);
    EXPECT_EQ(TrackMatch::Nearest, early.match);
    EXPECT_EQ(10.0, early.latitude);
    Found late = At(gap, 2300);
    EXPECT_EQ(TrackMatch::Nearest, late.match);
    EXPECT_EQ(11.0, late.latitude);
    // Halfway the later point is taken.
    EXPECT_EQ(11.0, At(gap, 1500).latitude);
    // Within 30 minutes of neither.
    GpsTrack wide = MakeTrack({Point(0, 10, 20), Point(3700, 11, 21)});
    EXPECT_EQ(TrackMatch::TooFar, At(wide, 1850).match);
    EXPECT_EQ(TrackMatch::Nearest, At(wide, 1800).match);
}

TEST(TrackMatching, BeforeAndAfterTheTrackOnlyWithinThirtyMinutes)
{
    GpsTrack track = MakeTrack({Point(0, 10, 20, 100), Point(60, 10.001, 20)});
    Found before = At(track, -1800);
    EXPECT_EQ(TrackMatch::Nearest, before.match);
    EXPECT_EQ(10.0, before.latitude);
    EXPECT_EQ(100.0, before.altitude);
    EXPECT_NEAR(0.0, before.heading, 1e-9);  // heading north along the first leg
    EXPECT_EQ(TrackMatch::TooFar, At(track, -1800.5).match);
    Found after = At(track, 60 + 1800);
    EXPECT_EQ(TrackMatch::Nearest, after.match);
    EXPECT_EQ(100.0, after.altitude);  // the last point has none: the one before
    EXPECT_EQ(TrackMatch::TooFar, At(track, 60 + 1801).match);

    GpsTrack single = MakeTrack({Point(0, -33.9, 151.2)});
    Found alone = At(single, 100);
    EXPECT_EQ(TrackMatch::Nearest, alone.match);
    EXPECT_EQ(0.0, alone.heading);
    EXPECT_EQ(TrackMatch::Interpolated, At(single, 0).match);

    EXPECT_EQ(TrackMatch::TooFar, At(GpsTrack(), 0).match);
}

TEST(TrackMatching, TheHundredEightiethMeridianIsCrossedTheShortWay)
{
    GpsTrack east = MakeTrack({Point(0, -17, 179.5), Point(100, -17, -179.5)});
    EXPECT_NEAR(179.9, At(east, 40).longitude, 1e-9);
    EXPECT_NEAR(-179.9, At(east, 60).longitude, 1e-9);
    EXPECT_NEAR(90.0, At(east, 40).heading, 0.2);  // eastward
    GpsTrack west = MakeTrack({Point(0, -17, -179.5), Point(100, -17, 179.5)});
    EXPECT_NEAR(-179.9, At(west, 40).longitude, 1e-9);
    EXPECT_NEAR(270.0, At(west, 40).heading, 0.2);  // westward
}

TEST(TrackMatching, AltitudeComesFromTheNearestPointsWithAnElevation)
{
    // The two points around the moment have none; their neighbours do.
    GpsTrack track = MakeTrack({Point(0, 1, 1, 100), Point(100, 1, 1), Point(200, 1, 1), Point(300, 1, 1, 400)});
    EXPECT_NEAR(250, At(track, 150).altitude, 1e-9);
    // A neighbour more than 30 minutes from its point is not used: no altitude.
    GpsTrack distant = MakeTrack({Point(0, 1, 1, 100), Point(2000, 1, 1), Point(2100, 1, 1), Point(2200, 1, 1, 300)});
    Found between = At(distant, 2050);
    EXPECT_EQ(TrackMatch::Interpolated, between.match);
    EXPECT_EQ(0.0, between.altitude);

    // The nearest point without an elevation: the nearest point with one
    // within 30 minutes of it, into the track at its ends.
    GpsTrack ends = MakeTrack({Point(0, 1, 1), Point(600, 1, 1, 50), Point(5000, 1, 1, 70), Point(5600, 1, 1),
                               Point(9000, 1, 1, 10), Point(9100, 1, 1, 30), Point(9400, 1, 1)});
    EXPECT_EQ(50.0, At(ends, -300).altitude);
    EXPECT_EQ(70.0, At(ends, 5800).altitude);  // across the gap after 5600
    EXPECT_EQ(30.0, At(ends, 9500).altitude);
}

TEST(TrackMatching, PointsOfOneTimeKeepTheLastOneRead)
{
    GpsTrack track;
    EXPECT_EQ(S_OK, track.Add(Point(100, 5, 5)));
    EXPECT_EQ(S_OK, track.Add(Point(0, 1, 1)));
    EXPECT_EQ(S_OK, track.Add(Point(100, 6, 6)));
    track.Finish();
    ASSERT_EQ(2u, track.Count());
    EXPECT_EQ(kT0, track.At(0).time);
    EXPECT_EQ(6.0, track.At(1).latitude);
}
