// "Get location from Google Earth" on copies of real photos, with the
// Google Earth stand-in delivering the view: the confirmation texts, what
// OK and Cancel do to the files, read-only photos, and the two messages when
// Google Earth fails. (ExifTool's reading of the written photos is checked
// by check_get_location.py.)
#include <gtest/gtest.h>
#include <windows.h>
#include <cmath>
#include <string>
#include <vector>

#include "earth_client/earth_standin.h"
#include "earth/get_location.h"
#include "exif/exif_block.h"
#include "selection/image_selection.h"
#include "testlib/message_box_watcher.h"
#include "testlib/photos.h"
#include "testlib/temp_folder.h"

namespace {

using vztest::EarthPointForm;
using vztest::EarthStandIn;
using vztest::MessageBoxRecord;
using vztest::MessageBoxWatcher;

const double kRadiansPerDegree = 0.017453292519943295;
const UINT kConfirmFlags = MB_OKCANCEL | MB_ICONINFORMATION | MB_SETFOREGROUND;  // 0x10041
// Seconds are stored in hundredths: 0.005" is about 1.4e-6 degrees.
const double kStoredAngleTolerance = 1.5e-6 * kRadiansPerDegree;

// Photos without a position, with one, and of both byte orders.
const wchar_t* const kPhotos[] = {L"unlocated.jpg", L"located.jpg",
                                  L"southern.jpg", L"thumbnail.jpg"};

std::wstring OneFileText(const std::wstring& line)
{
    return L"The Google Earth client's current position is\n" + line +
           L".\n\nCoordinates will be assigned to the image file.";
}

std::wstring ManyFilesText(const std::wstring& line, int count)
{
    return L"The Google Earth client's current position is\n" + line +
           L".\n\nCoordinates will be assigned to " + std::to_wstring(count) + L" image files.";
}

struct StoredPosition {
    HRESULT hr = E_UNEXPECTED;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
    double heading = 0.0;
};

StoredPosition ReadStored(const std::wstring& path)
{
    StoredPosition stored;
    ExifBlock block;
    block.Open(path.c_str());
    stored.hr = block.ReadPosition(&stored.latitude, &stored.longitude, &stored.altitude, &stored.heading);
    return stored;
}

void ExpectConfirmation(const MessageBoxRecord& box, const std::wstring& text)
{
    EXPECT_TRUE(box.intercepted);
    EXPECT_FALSE(box.wide);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(L"Vantrelo Zerli", box.title);
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(kConfirmFlags, box.flags);
}

class GetLocation : public testing::Test {
protected:
    GetLocation() : m_standIn(EarthPointForm::Object) {}

    void SetUp() override
    {
        ASSERT_EQ(S_OK, m_standIn.Registered());
        // Munich, as the one-line text of the notations shows it.
        m_standIn.SetView(48.137154, 11.575382, 519.7);
        m_standIn.SetAzimuth(45.6);
    }

    // Copies the photos into the test's folder and selects them.
    void Select(std::initializer_list<const wchar_t*> names)
    {
        for (const wchar_t* name : names) {
            std::wstring copy = vztest::CopyPhoto(name, m_folder.Path());
            ASSERT_FALSE(copy.empty()) << "copy of " << name;
            m_paths.push_back(copy);
            m_originals.push_back(vztest::ReadFileBytes(copy));
            ASSERT_EQ(S_OK, m_selection.Append(copy.c_str()));
        }
    }

    HRESULT Run()
    {
        HRESULT hr = GetLocationFromEarth(m_selection);
        EXPECT_TRUE(EarthStandIn::WaitUntilStopped()) << "Google Earth's objects were not all released";
        return hr;
    }

    void ExpectUnchanged(size_t index)
    {
        EXPECT_TRUE(vztest::ReadFileBytes(m_paths[index]) == m_originals[index])
            << "changed: " << std::string(m_paths[index].begin(), m_paths[index].end());
    }

    void ExpectMunich(size_t index, double headingDegrees)
    {
        StoredPosition stored = ReadStored(m_paths[index]);
        ASSERT_EQ(S_OK, stored.hr) << index;
        EXPECT_NEAR(48.137154 * kRadiansPerDegree, stored.latitude, kStoredAngleTolerance) << index;
        EXPECT_NEAR(11.575382 * kRadiansPerDegree, stored.longitude, kStoredAngleTolerance) << index;
        EXPECT_NEAR(519.7, stored.altitude, 0.01) << index;
        // The photo keeps the heading in whole degrees.
        EXPECT_NEAR(std::floor(headingDegrees + 0.5) * kRadiansPerDegree, stored.heading, 1e-9) << index;
    }

    EarthStandIn m_standIn;
    vztest::TempFolder m_folder;
    ImageSelection m_selection;
    std::vector<std::wstring> m_paths;
    std::vector<std::string> m_originals;
};

TEST_F(GetLocation, OnePhotoIsConfirmedWithItsOwnTextAndWrittenOnOk)
{
    Select({kPhotos[0]});
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, Run());
    ASSERT_EQ(1u, boxes.Count()) << "no message after the writing";
    ExpectConfirmation(boxes[0], OneFileText(L"48.137154\u00b0 / 11.575382\u00b0 / 519 m / -> 046\u00b0"));
    ExpectMunich(0, 45.6);
}

TEST_F(GetLocation, SeveralPhotosAreCountedInTheTextAndAllWritten)
{
    Select({kPhotos[0], kPhotos[1], kPhotos[2], kPhotos[3]});
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, Run());
    ASSERT_EQ(1u, boxes.Count());
    ExpectConfirmation(boxes[0], ManyFilesText(L"48.137154\u00b0 / 11.575382\u00b0 / 519 m / -> 046\u00b0", 4));
    for (size_t i = 0; i < m_paths.size(); i++)
        ExpectMunich(i, 45.6);
}

TEST_F(GetLocation, CancelLeavesEveryFileByteForByte)
{
    Select({kPhotos[0], kPhotos[1]});
    MessageBoxWatcher boxes(IDCANCEL);
    EXPECT_EQ(E_FAIL, Run());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(IDCANCEL, boxes[0].result);
    ExpectUnchanged(0);
    ExpectUnchanged(1);
}

TEST_F(GetLocation, AReadOnlyPhotoIsSkippedAndTheOthersWritten)
{
    Select({kPhotos[0], kPhotos[1], kPhotos[3]});
    ASSERT_TRUE(vztest::SetReadOnly(m_paths[1], true));
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, Run());
    ASSERT_EQ(1u, boxes.Count()) << "no message for the skipped photo";
    // The text counts every selected file, writable or not.
    ExpectConfirmation(boxes[0], ManyFilesText(L"48.137154\u00b0 / 11.575382\u00b0 / 519 m / -> 046\u00b0", 3));
    ExpectMunich(0, 45.6);
    ExpectUnchanged(1);
    ExpectMunich(2, 45.6);
    vztest::SetReadOnly(m_paths[1], false);
}

TEST_F(GetLocation, NothingWrittenIsEFailWithoutAFurtherMessage)
{
    Select({kPhotos[0], kPhotos[1]});
    ASSERT_TRUE(vztest::SetReadOnly(m_paths[0], true));
    ASSERT_TRUE(vztest::SetReadOnly(m_paths[1], true));
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(E_FAIL, Run());
    EXPECT_EQ(1u, boxes.Count());
    ExpectUnchanged(0);
    ExpectUnchanged(1);
    vztest::SetReadOnly(m_paths[0], false);
    vztest::SetReadOnly(m_paths[1], false);
}

TEST_F(GetLocation, AFileThatIsNoPhotoDoesNotCount)
{
    Select({kPhotos[0]});
    std::wstring text = m_folder / L"notes.jpg";
    ASSERT_TRUE(vztest::WriteFileBytes(text, "not a photo"));
    ASSERT_EQ(S_OK, m_selection.Append(text.c_str()));
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, Run());
    ExpectMunich(0, 45.6);
    EXPECT_EQ("not a photo", vztest::ReadFileBytes(text));
}

TEST_F(GetLocation, AHeadingOfMinus90ArrivesAs270)
{
    Select({kPhotos[1]});
    m_standIn.SetAzimuth(-90.0);
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, Run());
    ASSERT_EQ(1u, boxes.Count());
    ExpectConfirmation(boxes[0], OneFileText(L"48.137154\u00b0 / 11.575382\u00b0 / 519 m / -> 270\u00b0"));
    ExpectMunich(0, 270.0);
}

TEST_F(GetLocation, AFailingGoogleEarthShowsItsWarningThenTheCommandsError)
{
    Select({kPhotos[0], kPhotos[1]});
    m_standIn.SetInitialized(false);
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(E_PENDING, Run());
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ(static_cast<UINT>(MB_SETFOREGROUND | MB_ICONWARNING), boxes[0].flags);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"(Error code: 8000000a)")) << boxes[0].text;
    EXPECT_EQ(L"Couldn't get the current position from the Google Earth client!", boxes[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_SETFOREGROUND | MB_ICONERROR), boxes[1].flags);
    EXPECT_EQ(L"Vantrelo Zerli", boxes[1].title);
    EXPECT_FALSE(boxes[1].wide);
    EXPECT_EQ(nullptr, boxes[1].owner);
    ExpectUnchanged(0);
    ExpectUnchanged(1);

    m_standIn.SetInitialized(true);
    m_standIn.FailMembers(L"GetCamera", static_cast<HRESULT>(0x80041002));
    boxes.Clear();
    EXPECT_EQ(E_FAIL, Run());
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ(0u, boxes[0].text.find(L"Google Earth function call failed!")) << boxes[0].text;
    EXPECT_EQ(L"Couldn't get the current position from the Google Earth client!", boxes[1].text);
    ExpectUnchanged(0);
    ExpectUnchanged(1);
}

TEST_F(GetLocation, ATerrainExaggerationOfZeroIsNotedBeforeTheConfirmation)
{
    Select({kPhotos[0]});
    m_standIn.SetExaggeration(0.0);
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, Run());
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ(0u, boxes[0].text.find(L"Google Earth terrain exaggeration is set to 0.")) << boxes[0].text;
    ExpectConfirmation(boxes[1], OneFileText(L"48.137154\u00b0 / 11.575382\u00b0 / 519 m / -> 046\u00b0"));
    ExpectMunich(0, 45.6);
}

TEST_F(GetLocation, AnEmptySelectionAsksGoogleEarthButConfirmsNothing)
{
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(E_FAIL, Run());
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_NE(std::wstring::npos, m_standIn.Calls().find(L"GetPointOnTerrainFromScreenCoords"));
}

TEST_F(GetLocation, TheSamePhotoSelectedTwiceIsWrittenTwiceToTheSameBytes)
{
    Select({kPhotos[2]});
    ASSERT_EQ(S_OK, m_selection.Append(m_paths[0].c_str()));
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, Run());
    ASSERT_EQ(1u, boxes.Count());
    ExpectConfirmation(boxes[0], ManyFilesText(L"48.137154\u00b0 / 11.575382\u00b0 / 519 m / -> 046\u00b0", 2));
    ExpectMunich(0, 45.6);
    std::string twice = vztest::ReadFileBytes(m_paths[0]);
    // A third write of the same position gives the same file.
    ImageSelection once;
    ASSERT_EQ(S_OK, once.Append(m_paths[0].c_str()));
    EXPECT_EQ(S_OK, GetLocationFromEarth(once));
    EXPECT_TRUE(EarthStandIn::WaitUntilStopped());
    EXPECT_TRUE(twice == vztest::ReadFileBytes(m_paths[0]));
}

// The array-declaring Google Earth delivers the same confirmation.
TEST(GetLocationArray, AnOlderGoogleEarthGivesTheSameConfirmation)
{
    EarthStandIn standIn(EarthPointForm::Array);
    ASSERT_EQ(S_OK, standIn.Registered());
    standIn.SetView(-33.856784, 151.215297, 3.0);
    standIn.SetAzimuth(180.0);
    vztest::TempFolder folder;
    std::wstring copy = vztest::CopyPhoto(kPhotos[3], folder.Path());
    ImageSelection selection;
    ASSERT_EQ(S_OK, selection.Append(copy.c_str()));
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, GetLocationFromEarth(selection));
    EXPECT_TRUE(EarthStandIn::WaitUntilStopped());
    ASSERT_EQ(1u, boxes.Count());
    ExpectConfirmation(boxes[0], OneFileText(L"-33.856784\u00b0 / 151.215297\u00b0 / 3 m / -> 180\u00b0"));
    StoredPosition stored = ReadStored(copy);
    ASSERT_EQ(S_OK, stored.hr);
    EXPECT_NEAR(-33.856784 * kRadiansPerDegree, stored.latitude, kStoredAngleTolerance);
    EXPECT_NEAR(151.215297 * kRadiansPerDegree, stored.longitude, kStoredAngleTolerance);
    EXPECT_NEAR(3.0, stored.altitude, 0.01);
    EXPECT_NEAR(180.0 * kRadiansPerDegree, stored.heading, 0.01 * kRadiansPerDegree);
}

}  // namespace
