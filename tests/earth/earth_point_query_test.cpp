// QueryPointOnTerrain and FormatEarthVersion on one application object of
// the Google Earth stand-in, whose answers change between calls: answers
// that contradict the member's declaration, failures passed through, and
// the version text for each application type.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "earth_client/earth_client.h"
#include "earth/earth_standin.h"
#include "testlib/message_box_watcher.h"

namespace {

using vztest::EarthPointForm;
using vztest::EarthStandIn;

const double kRadiansPerDegree = 0.017453292519943295;

class EarthApplication : public testing::TestWithParam<EarthPointForm> {
protected:
    EarthApplication() : m_standIn(GetParam()) {}
    void SetUp() override
    {
        ASSERT_EQ(S_OK, m_standIn.Registered());
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ApplicationGE, nullptr, CLSCTX_SERVER, IID_IApplicationGE,
                                         reinterpret_cast<void**>(&m_application)));
    }
    void TearDown() override
    {
        if (m_application)
            m_application->Release();
        EXPECT_TRUE(EarthStandIn::WaitUntilStopped()) << "Google Earth's objects were not all released";
        EXPECT_EQ(0u, m_boxes.Count()) << "these operations show no messages";
    }

    HRESULT QueryPoint()
    {
        m_latitude = m_longitude = m_altitude = m_heading = -1.0;
        return QueryPointOnTerrain(m_application, &m_latitude, &m_longitude, &m_altitude, &m_heading);
    }

    std::wstring Version(size_t capacity = 64)
    {
        wchar_t buffer[80];
        wmemset(buffer, L'#', 80);
        FormatEarthVersion(m_application, buffer, capacity);
        return buffer;
    }

    EarthStandIn m_standIn;
    vztest::MessageBoxWatcher m_boxes;
    IUnknown* m_application = nullptr;
    double m_latitude = -1.0;
    double m_longitude = -1.0;
    double m_altitude = -1.0;
    double m_heading = -1.0;
};

TEST_P(EarthApplication, ReadsTheViewAnewAtEveryCall)
{
    m_standIn.SetView(59.3325472, 18.0649417, 29.0);
    m_standIn.SetAzimuth(104.737);
    ASSERT_EQ(S_OK, QueryPoint());
    EXPECT_DOUBLE_EQ(59.3325472 * kRadiansPerDegree, m_latitude);
    EXPECT_DOUBLE_EQ(18.0649417 * kRadiansPerDegree, m_longitude);
    EXPECT_DOUBLE_EQ(29.0, m_altitude);
    EXPECT_DOUBLE_EQ(104.737 * kRadiansPerDegree, m_heading);

    // No normalisation here: that is GetEarthViewPoint's.
    m_standIn.SetView(40.4469722, -3.7247528, 639.588);
    m_standIn.SetAzimuth(-90.0);
    ASSERT_EQ(S_OK, QueryPoint());
    EXPECT_DOUBLE_EQ(-3.7247528 * kRadiansPerDegree, m_longitude);
    EXPECT_DOUBLE_EQ(-90.0 * kRadiansPerDegree, m_heading);
}

TEST_P(EarthApplication, AnswersOfAnotherTypeThanDeclaredAreEFail)
{
    for (const wchar_t* answer : {L"swapped", L"text", L"empty", L"null"}) {
        m_standIn.SetPointAnswer(answer);
        EXPECT_EQ(E_FAIL, QueryPoint()) << answer;
        EXPECT_EQ(0.0, m_heading) << answer;
    }
    m_standIn.SetPointAnswer(L"");
    EXPECT_EQ(S_OK, QueryPoint());
}

TEST_P(EarthApplication, FailuresOfGoogleEarthArePassedOnUnchanged)
{
    m_standIn.FailMembers(L"GetPointOnTerrainFromScreenCoords", static_cast<HRESULT>(0x800401a0));
    EXPECT_EQ(static_cast<HRESULT>(0x800401a0), QueryPoint());
    m_standIn.FailMembers(L"Azimuth", static_cast<HRESULT>(0x800401a1));
    EXPECT_EQ(static_cast<HRESULT>(0x800401a1), QueryPoint());
    EXPECT_DOUBLE_EQ(52.5 * kRadiansPerDegree, m_latitude) << "the point was read before the heading failed";
    m_standIn.FailMembers(L"GetCamera", static_cast<HRESULT>(0x800401a2));
    EXPECT_EQ(E_FAIL, QueryPoint());
}

TEST_P(EarthApplication, OutputsAreClearedAndBadArgumentsRefused)
{
    double latitude = -1.0;
    double altitude = -1.0;
    EXPECT_EQ(E_INVALIDARG, QueryPointOnTerrain(m_application, &latitude, nullptr, &altitude, nullptr));
    EXPECT_EQ(0.0, latitude);
    EXPECT_EQ(0.0, altitude);
    EXPECT_EQ(E_INVALIDARG, QueryPointOnTerrain(nullptr, &latitude, &altitude, nullptr, nullptr));
}

TEST_P(EarthApplication, VersionTextNamesTheApplicationType)
{
    struct Case {
        int appType;
        const wchar_t* name;
    } cases[] = {{0, L"EnterpriseClient"}, {1, L"Pro"}, {2, L"Plus"}, {5, L"Free"},
                 {3, L"Unknown Type"}, {4, L"Unknown Type"}, {6, L"Unknown Type"}, {-1, L"Unknown Type"}};
    for (const Case& c : cases) {
        m_standIn.SetVersion(4, 3, 7284, c.appType);
        EXPECT_EQ(std::wstring(L"\n\n(Google Earth ") + c.name + L" v.4.3.7284)", Version()) << c.appType;
    }
}

TEST_P(EarthApplication, VersionTextIsEmptyWithoutAMajorVersion)
{
    m_standIn.SetVersion(0, 3, 7284, 2);
    EXPECT_EQ(L"", Version());
    m_standIn.SetVersion(-7, 3, 7284, 2);
    EXPECT_EQ(L"", Version());
    m_standIn.SetVersion(7, 1, 8244, 5);
    m_standIn.FailMembers(L"VersionMajor", E_FAIL);
    EXPECT_EQ(L"", Version());
    // Unreadable minor, build and type: 0, 0 and an unknown type.
    m_standIn.FailMembers(L"VersionMinor;VersionBuild;VersionAppType", E_FAIL);
    EXPECT_EQ(L"\n\n(Google Earth Unknown Type v.7.0.0)", Version());
}

TEST_P(EarthApplication, VersionTextIsCutToTheBuffer)
{
    m_standIn.SetVersion(2147483647, -2147483647, 2147483647, 0);
    std::wstring whole = L"\n\n(Google Earth EnterpriseClient v.2147483647.-2147483647.2147483647)";
    ASSERT_GT(whole.size(), 63u);
    EXPECT_EQ(whole.substr(0, 63), Version(64));
    EXPECT_EQ(L"\n\n(Google", Version(10));
    EXPECT_EQ(L"", Version(1));
    FormatEarthVersion(nullptr, nullptr, 64);  // nothing to write into: no effect
    wchar_t untouched[2] = {L'#', L'\0'};
    FormatEarthVersion(m_application, untouched, 0);
    EXPECT_EQ(L'#', untouched[0]);
}

INSTANTIATE_TEST_SUITE_P(BothDeclarations, EarthApplication,
                         testing::Values(EarthPointForm::Array, EarthPointForm::Object),
                         [](const testing::TestParamInfo<EarthPointForm>& info) {
                             return info.param == EarthPointForm::Array ? "PointAsArray" : "PointAsObject";
                         });

// An array shorter than latitude, longitude and altitude is read within its bounds.
TEST(EarthApplicationArray, AShortArrayFailsWithoutReadingBeyondIt)
{
    EarthStandIn standIn(EarthPointForm::Array);
    ASSERT_EQ(S_OK, standIn.Registered());
    standIn.SetPointAnswer(L"short");
    IUnknown* application = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ApplicationGE, nullptr, CLSCTX_SERVER, IID_IApplicationGE,
                                     reinterpret_cast<void**>(&application)));
    double latitude = -1.0;
    double longitude = -1.0;
    double altitude = -1.0;
    EXPECT_EQ(DISP_E_BADINDEX, QueryPointOnTerrain(application, &latitude, &longitude, &altitude, nullptr));
    EXPECT_DOUBLE_EQ(13.4 * kRadiansPerDegree, longitude);
    // Without the altitude, two elements are all that is read.
    EXPECT_EQ(S_OK, QueryPointOnTerrain(application, &latitude, &longitude, nullptr, nullptr));
    application->Release();
    EXPECT_TRUE(EarthStandIn::WaitUntilStopped());
}

}  // namespace
