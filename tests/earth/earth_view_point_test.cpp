// GetEarthViewPoint against the Google Earth stand-in in both of its
// flavours: the view centre and heading it hands out, and the messages it
// shows (exact texts and flags) when Google Earth is missing, still starting
// or failing, or when its terrain exaggeration is 0.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "earth_client/earth_client.h"
#include "earth/earth_standin.h"
#include "testlib/earth_install.h"
#include "testlib/message_box_watcher.h"

namespace {

using vztest::EarthPointForm;
using vztest::EarthStandIn;
using vztest::MessageBoxRecord;
using vztest::MessageBoxWatcher;

const double kRadiansPerDegree = 0.017453292519943295;
const double kPi = 3.141592653589793;
const UINT kWarningFlags = MB_SETFOREGROUND | MB_ICONWARNING;          // 0x10030
const UINT kInformationFlags = MB_SETFOREGROUND | MB_ICONINFORMATION;  // 0x10040

const wchar_t kVersionText[] = L"\n\n(Google Earth Plus v.4.3.7284)";

std::wstring WaitingText(const wchar_t* code, const wchar_t* version)
{
    return std::wstring(L"Please wait for Google Earth to get initialized.\n"
                        L"Then navigate to the desired location, and call this function again!\n"
                        L"(Error code: ") + code + L")" + version;
}

std::wstring CallFailedText(const wchar_t* code, const wchar_t* version)
{
    return std::wstring(L"Google Earth function call failed!\n(Error code: ") + code +
           L")\nPlease check if you are using an older version and consider to update the Google Earth "
           L"software!\nBefore installing Google Earth, please make sure you are logged in with "
           L"administrator rights!" + version;
}

struct ViewPoint {
    HRESULT hr = E_UNEXPECTED;
    double latitude = -1.0;
    double longitude = -1.0;
    double altitude = -1.0;
    double heading = -1.0;
};

// One query with all four outputs; afterwards every object of Google Earth
// must have been released, which ends the stand-in's process.
ViewPoint Query()
{
    ViewPoint point;
    point.hr = GetEarthViewPoint(&point.latitude, &point.longitude, &point.altitude, &point.heading);
    EXPECT_TRUE(EarthStandIn::WaitUntilStopped()) << "Google Earth's objects were not all released";
    return point;
}

void ExpectBox(const MessageBoxRecord& box, const std::wstring& text, UINT flags)
{
    EXPECT_TRUE(box.intercepted);
    EXPECT_FALSE(box.wide) << "the Google Earth messages are shown with MessageBoxA";
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(L"Vantrelo Zerli", box.title);
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(flags, box.flags);
    EXPECT_TRUE(box.shown) << "the box returned " << box.result << " without being seen on the screen";
}

class EarthViewPoint : public testing::TestWithParam<EarthPointForm> {
protected:
    EarthViewPoint() : m_standIn(GetParam()) {}
    void SetUp() override { ASSERT_EQ(S_OK, m_standIn.Registered()); }

    EarthStandIn m_standIn;
    MessageBoxWatcher m_boxes;
};

TEST_P(EarthViewPoint, GivesTheViewCentreInRadiansWithoutAMessage)
{
    m_standIn.SetView(52.5, 13.4, 34.25);
    ViewPoint point = Query();
    ASSERT_EQ(S_OK, point.hr);
    EXPECT_DOUBLE_EQ(52.5 * kRadiansPerDegree, point.latitude);
    EXPECT_NEAR(0.916298, point.latitude, 1e-6);
    EXPECT_DOUBLE_EQ(13.4 * kRadiansPerDegree, point.longitude);
    EXPECT_NEAR(0.233874, point.longitude, 1e-6);
    EXPECT_DOUBLE_EQ(34.25, point.altitude);
    EXPECT_EQ(0.0, point.heading);
    EXPECT_EQ(0u, m_boxes.Count());

    // Asked for the centre of the view, and for the camera without terrain.
    EXPECT_EQ(0.0, m_standIn.LastScreenX());
    EXPECT_EQ(0.0, m_standIn.LastScreenY());
    EXPECT_EQ(static_cast<DWORD>(FALSE), m_standIn.LastConsiderTerrain());
}

TEST_P(EarthViewPoint, SouthernAndWesternViewsKeepTheirSigns)
{
    m_standIn.SetView(-33.856784, -70.5, -12.0);
    ViewPoint point = Query();
    ASSERT_EQ(S_OK, point.hr);
    EXPECT_DOUBLE_EQ(-33.856784 * kRadiansPerDegree, point.latitude);
    EXPECT_DOUBLE_EQ(-70.5 * kRadiansPerDegree, point.longitude);
    EXPECT_DOUBLE_EQ(-12.0, point.altitude);
}

TEST_P(EarthViewPoint, HeadingsAreNormalisedToAFullTurn)
{
    struct Case {
        double azimuth;
        double heading;
    } cases[] = {{-90.0, 3.0 * kPi / 2.0}, {0.0, 0.0}, {180.0, kPi}, {-180.0, kPi}, {45.6, 45.6 * kRadiansPerDegree}};
    for (const Case& c : cases) {
        m_standIn.SetAzimuth(c.azimuth);
        ViewPoint point = Query();
        ASSERT_EQ(S_OK, point.hr) << "azimuth " << c.azimuth;
        EXPECT_NEAR(c.heading, point.heading, 1e-12) << "azimuth " << c.azimuth;
    }
    m_standIn.SetAzimuth(-90.0);
    EXPECT_NEAR(4.712389, Query().heading, 1e-6);
}

TEST_P(EarthViewPoint, AltitudeAndHeadingMayBeLeftOut)
{
    double latitude = -1.0;
    double longitude = -1.0;
    ASSERT_EQ(S_OK, GetEarthViewPoint(&latitude, &longitude, nullptr, nullptr));
    EXPECT_TRUE(EarthStandIn::WaitUntilStopped());
    EXPECT_DOUBLE_EQ(52.5 * kRadiansPerDegree, latitude);
    EXPECT_DOUBLE_EQ(13.4 * kRadiansPerDegree, longitude);
    EXPECT_EQ(std::wstring::npos, m_standIn.Calls().find(L"GetCamera")) << m_standIn.Calls();
    EXPECT_EQ(std::wstring::npos, m_standIn.Calls().find(L"Altitude")) << m_standIn.Calls();

    EXPECT_EQ(E_INVALIDARG, GetEarthViewPoint(&latitude, nullptr, nullptr, nullptr));
    EXPECT_EQ(0.0, latitude);
    EXPECT_EQ(0u, m_boxes.Count());
}

TEST_P(EarthViewPoint, AGoogleEarthStillStartingGetsTheWaitingMessage)
{
    m_standIn.SetInitialized(false);
    ViewPoint point = Query();
    EXPECT_EQ(E_PENDING, point.hr);
    EXPECT_EQ(0.0, point.latitude);
    EXPECT_EQ(0.0, point.longitude);
    EXPECT_EQ(0.0, point.altitude);
    EXPECT_EQ(0.0, point.heading);
    ASSERT_EQ(1u, m_boxes.Count());
    ExpectBox(m_boxes[0], WaitingText(L"8000000a", kVersionText), kWarningFlags);
    EXPECT_EQ(std::wstring::npos, m_standIn.Calls().find(L"GetPointOnTerrain")) << m_standIn.Calls();
}

TEST_P(EarthViewPoint, AFailingIsInitializedGetsTheWaitingMessageWithItsCode)
{
    m_standIn.FailMembers(L"IsInitialized", static_cast<HRESULT>(0x80041234));
    m_standIn.SetVersion(6, 2, 2, 5);
    ViewPoint point = Query();
    EXPECT_EQ(static_cast<HRESULT>(0x80041234), point.hr);
    ASSERT_EQ(1u, m_boxes.Count());
    ExpectBox(m_boxes[0], WaitingText(L"80041234", L"\n\n(Google Earth Free v.6.2.2)"), kWarningFlags);
}

TEST_P(EarthViewPoint, AFailingPointCallGetsTheCallFailedMessageWithGoogleEarthsCode)
{
    m_standIn.FailMembers(L"GetPointOnTerrainFromScreenCoords", static_cast<HRESULT>(0x80041001));
    ViewPoint point = Query();
    EXPECT_EQ(static_cast<HRESULT>(0x80041001), point.hr);
    ASSERT_EQ(1u, m_boxes.Count());
    ExpectBox(m_boxes[0], CallFailedText(L"80041001", kVersionText), kWarningFlags);
}

TEST_P(EarthViewPoint, AFailingCameraGetsTheCallFailedMessageWithEFail)
{
    m_standIn.FailMembers(L"GetCamera", static_cast<HRESULT>(0x80041002));
    ViewPoint point = Query();
    EXPECT_EQ(E_FAIL, point.hr);
    ASSERT_EQ(1u, m_boxes.Count());
    ExpectBox(m_boxes[0], CallFailedText(L"80004005", kVersionText), kWarningFlags);
}

TEST_P(EarthViewPoint, AFailingAzimuthIsAFailureNotAHeadingOfZero)
{
    m_standIn.SetAzimuth(90.0);
    m_standIn.FailMembers(L"Azimuth", static_cast<HRESULT>(0x80041003));
    ViewPoint point = Query();
    EXPECT_EQ(static_cast<HRESULT>(0x80041003), point.hr);
    ASSERT_EQ(1u, m_boxes.Count());
    ExpectBox(m_boxes[0], CallFailedText(L"80041003", kVersionText), kWarningFlags);
}

TEST_P(EarthViewPoint, ATerrainExaggerationOfZeroIsNotedAndTheValuesStillReturned)
{
    m_standIn.SetExaggeration(0.0);
    m_standIn.SetView(47.354184, 10.1913155, 1252.0);
    ViewPoint point = Query();
    ASSERT_EQ(S_OK, point.hr);
    EXPECT_DOUBLE_EQ(47.354184 * kRadiansPerDegree, point.latitude);
    EXPECT_DOUBLE_EQ(1252.0, point.altitude);
    ASSERT_EQ(1u, m_boxes.Count());
    ExpectBox(m_boxes[0],
              std::wstring(L"Google Earth terrain exaggeration is set to 0.\n"
                           L"Thus, the altitude value received is not valid!") + kVersionText,
              kInformationFlags);
}

TEST_P(EarthViewPoint, AnUnreadableExaggerationIsNoReasonForAMessage)
{
    m_standIn.FailMembers(L"ElevationExaggeration", E_FAIL);
    ViewPoint point = Query();
    EXPECT_EQ(S_OK, point.hr);
    EXPECT_EQ(0u, m_boxes.Count());
    m_standIn.FailMembers(L"", E_FAIL);
    m_standIn.SetExaggeration(0.5);
    EXPECT_EQ(S_OK, Query().hr);
    EXPECT_EQ(0u, m_boxes.Count());
}

TEST_P(EarthViewPoint, AnAnswerContradictingTheDeclarationIsACallFailure)
{
    m_standIn.SetPointAnswer(L"swapped");
    ViewPoint point = Query();
    EXPECT_EQ(E_FAIL, point.hr);
    ASSERT_EQ(1u, m_boxes.Count());
    ExpectBox(m_boxes[0], CallFailedText(L"80004005", kVersionText), kWarningFlags);
}

INSTANTIATE_TEST_SUITE_P(BothDeclarations, EarthViewPoint,
                         testing::Values(EarthPointForm::Array, EarthPointForm::Object),
                         [](const testing::TestParamInfo<EarthPointForm>& info) {
                             return info.param == EarthPointForm::Array ? "PointAsArray" : "PointAsObject";
                         });

// Both ways of declaring the point give the same numbers for the same view.
TEST(EarthViewPointForms, ArrayAndObjectGiveTheSameView)
{
    ViewPoint answers[2];
    const EarthPointForm forms[2] = {EarthPointForm::Array, EarthPointForm::Object};
    for (int i = 0; i < 2; i++) {
        EarthStandIn standIn(forms[i]);
        ASSERT_EQ(S_OK, standIn.Registered());
        standIn.SetView(-0.3713, 36.0564167, 1834.5);
        standIn.SetAzimuth(-45.0);
        answers[i] = Query();
        ASSERT_EQ(S_OK, answers[i].hr);
    }
    EXPECT_EQ(answers[0].latitude, answers[1].latitude);
    EXPECT_EQ(answers[0].longitude, answers[1].longitude);
    EXPECT_EQ(answers[0].altitude, answers[1].altitude);
    EXPECT_EQ(answers[0].heading, answers[1].heading);
    EXPECT_DOUBLE_EQ(-0.3713 * kRadiansPerDegree, answers[0].latitude);
    EXPECT_DOUBLE_EQ(1834.5, answers[0].altitude);
}

// Without any Google Earth the creation's own code is shown, with no version.
TEST(EarthViewPointMissing, NoRegisteredGoogleEarthGetsTheWaitingMessageWithTheCreationCode)
{
    ASSERT_TRUE(vztest::UnregisterEarth());
    MessageBoxWatcher boxes;
    ViewPoint point;
    point.hr = GetEarthViewPoint(&point.latitude, &point.longitude, &point.altitude, &point.heading);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, point.hr);
    EXPECT_EQ(0.0, point.latitude);
    EXPECT_EQ(0.0, point.heading);
    ASSERT_EQ(1u, boxes.Count());
    ExpectBox(boxes[0], WaitingText(L"80040154", L""), kWarningFlags);
}

}  // namespace
