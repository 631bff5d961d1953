// The coordinates dialog as the user sees it: opened on a thread of its own
// as from the context menu, read and changed through window messages, with
// the message-box watcher answering its boxes; the photos are copies.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>

#include "coords/coord_dialog.h"
#include "coords/coord_dialog_fixture.h"
#include "coords/coord_dialog_resources.h"
#include "notation/settings.h"
#include "exif/exif_block.h"
#include "exif/raw_sidecar.h"
#include "raw/raw_bytes.h"
#include "testlib/message_box_watcher.h"
#include "testlib/photos.h"

namespace {

using vztest::Click;
using vztest::CoordDialogTest;
using vztest::IsItemChecked;
using vztest::IsItemEnabled;
using vztest::IsItemShown;
using vztest::ItemText;
using vztest::kPhotoWithoutPosition;
using vztest::ReadPhotoPosition;
using vztest::StoredSettingBytes;
using vztest::TypeText;

TEST_F(CoordDialogTest, TitleNamesTheOnePhotoOrCountsThePhotos)
{
    CoordinatesDialogState state;
    ImageSelection one;
    one.Append(L"D:\\Pics\\a.jpg");
    PrepareCoordinatesDialog(&state, nullptr, &one);
    EXPECT_STREQ(state.title, L"Vantrelo Zerli: Coordinates for 'a.jpg'");
    EXPECT_FALSE(state.position.known);  // the file is not there

    ImageSelection three;
    three.Append(L"a.jpg");
    three.Append(L"b.jpg");
    three.Append(L"c.jpg");
    PrepareCoordinatesDialog(&state, nullptr, &three);
    EXPECT_STREQ(state.title, L"Vantrelo Zerli: Coordinates for 3 files");
}

TEST_F(CoordDialogTest, APhotoWithLatitudeButNoLongitudeOpensClearedWithZeros)
{
    std::wstring path = LocatedPhoto(L"half.jpg", 48.5, 11.25, 0.0, 0.0);
    {
        ExifBlock block;
        block.Open(path.c_str());
        ASSERT_NE(block.Root(), nullptr);
        ASSERT_EQ(block.Root()->RemoveEntry(GpsIfd, kTagGpsLongitude), S_OK);
        ASSERT_EQ(block.Root()->RemoveEntry(GpsIfd, kTagGpsLongitudeRef), S_OK);
        ASSERT_EQ(block.WriteToFile(), S_OK);
    }
    CoordinatesDialogState state;
    PrepareCoordinatesDialog(&state, nullptr, &m_selection);
    EXPECT_FALSE(state.position.known);
    // Ticking "Position is known" and saving must not write this latitude
    // with a longitude of 0.
    EXPECT_EQ(state.position.latitude, 0.0);
    EXPECT_EQ(state.position.longitude, 0.0);
}

TEST_F(CoordDialogTest, OnePhotoWithPositionOpensWithItShownInDecimalDegrees)
{
    LocatedPhoto(L"located.jpg", 48.5, -11.25, 519.9, 45.0);
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'located.jpg'"), nullptr);

    EXPECT_EQ(ChosenNotation(), 1);
    EXPECT_TRUE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"48.500000");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DEGREES), L"-11.250000");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), L"519");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_HEADING), L"45");
    // Decimal fields shown and enabled; the other notations and the
    // hemisphere buttons hidden.
    for (int id : {IDC_COORD_LAT_DEGREES, IDC_COORD_LON_DEGREES, IDC_COORD_ALTITUDE, IDC_COORD_HEADING,
                   IDC_COORD_NOTATION}) {
        EXPECT_TRUE(IsItemShown(m_dialog, id)) << id;
        EXPECT_TRUE(IsItemEnabled(m_dialog, id)) << id;
    }
    for (int id : {IDC_COORD_LAT_DM_DEG, IDC_COORD_LAT_DMS_SEC, IDC_COORD_NORTH, IDC_COORD_WEST, IDC_COORD_LAT_FRAME})
        EXPECT_FALSE(IsItemShown(m_dialog, id)) << id;
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDCANCEL));
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDC_COORD_FROM_EARTH));  // Google Earth is not installed

    EXPECT_FALSE(vztest::SaveWindowImage(m_dialog, L"coordinates-dialog-decimal-degrees.bmp").empty());
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

TEST_F(CoordDialogTest, HeifPhotosOpenWithTheirPositionAndSaveWritesThem)
{
    // ExifTool placed these two at 45.5 N, 73.25 W, 12.5 m; the second
    // keeps its Exif in the meta box (idat).
    for (const wchar_t* name : {L"placed.heic", L"idat.heic"}) {
        m_selection.Clear();
        std::wstring path = Photo(name, name);
        ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for '" + std::wstring(name) + L"'"), nullptr);
        EXPECT_TRUE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"45.500000");
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DEGREES), L"-73.250000");
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), L"12");
        EXPECT_EQ(ItemText(m_dialog, IDC_COORD_SOURCE), L"");
        TypeText(m_dialog, IDC_COORD_LAT_DEGREES, L"-33.856784");
        EXPECT_EQ(Finish(IDOK), S_OK);
        GeoPosition saved = ReadPhotoPosition(path);
        EXPECT_NEAR(saved.latitude, -33.856784, 1e-6);
        EXPECT_NEAR(saved.longitude, -73.25, 1e-6);
    }
}

// A raw file opens with its sidecar's position, else the camera's, and the
// dialog says which; Save! writes the sidecar, the raw file stays as it
// was; a sidecar that is no XMP is named with the reason and left alone.
TEST_F(CoordDialogTest, RawFilesShowWhereTheirPositionComesFromAndSaveWritesTheSidecar)
{
    const Bytes dng = BuildDng("2024:05:01 12:30:00", nullptr, true, true);
    const std::string raw(dng.begin(), dng.end());
    const std::wstring path = m_folder / L"dune.NEF";
    const std::wstring sidecar = m_folder / L"dune.xmp";
    ASSERT_TRUE(vztest::WriteFileBytes(path, raw));
    // A DNG's content under a NEF name is still a TIFF-based raw file.
    ASSERT_EQ(m_selection.Append(path.c_str()), S_OK);
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'dune.NEF'"), nullptr);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"48.858300");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), L"35");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_SOURCE), L"Position from the raw file");
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);

    ASSERT_TRUE(vztest::WriteFileBytes(
        sidecar, "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                 "<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
                 "exif:GPSLatitude=\"10,30.0N\" exif:GPSLongitude=\"20,15.0W\"/></rdf:RDF></x:xmpmeta>"));
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'dune.NEF'"), nullptr);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"10.500000");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DEGREES), L"-20.250000");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), L"0");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_SOURCE), L"Position from the XMP sidecar");
    EXPECT_TRUE(IsItemShown(m_dialog, IDC_COORD_SOURCE));
    EXPECT_FALSE(vztest::SaveWindowImage(m_dialog, L"coordinates-dialog-raw-sidecar.bmp").empty());
    TypeText(m_dialog, IDC_COORD_LAT_DEGREES, L"-33.856784");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_SOURCE), L"");  // no longer what was read
    EXPECT_EQ(Finish(IDOK), S_OK);
    SidecarPosition saved;
    ASSERT_EQ(ReadRawSidecarPosition(path.c_str(), &saved), S_OK);
    EXPECT_NEAR(saved.place.latitude * 57.29577951308232, -33.856784, 1e-6);
    EXPECT_NEAR(saved.place.longitude * 57.29577951308232, -20.25, 1e-6);
    EXPECT_EQ(vztest::ReadFileBytes(path), raw);

    const std::string broken = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">";
    ASSERT_TRUE(vztest::WriteFileBytes(sidecar, broken));
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'dune.NEF'"), nullptr);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_SOURCE), L"Position from the raw file");
    TypeText(m_dialog, IDC_COORD_LAT_DEGREES, L"10");
    vztest::PostClick(m_dialog, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(1));
    ASSERT_TRUE(m_run->Join());
    EXPECT_EQ(static_cast<HRESULT>(m_run->Result()), E_FAIL);
    EXPECT_EQ(boxes[0].text.find(L"The XMP sidecar \"" + sidecar + L"\" was left as it is"), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(L"(cut off?)"), std::wstring::npos) << boxes[0].text;
    EXPECT_EQ(vztest::ReadFileBytes(sidecar), broken);
    EXPECT_EQ(vztest::ReadFileBytes(path), raw);
}

TEST_F(CoordDialogTest, PhotoWithoutPositionAndSeveralPhotosOpenClearedWithFieldsDisabled)
{
    Photo(kPhotoWithoutPosition, L"plain.jpg");
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'plain.jpg'"), nullptr);
    EXPECT_FALSE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"0.000000");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_ALTITUDE), L"0");
    for (int id : {IDC_COORD_LAT_DEGREES, IDC_COORD_LON_DEGREES, IDC_COORD_ALTITUDE, IDC_COORD_HEADING,
                   IDC_COORD_NOTATION, IDC_COORD_LAT_LABEL})
        EXPECT_FALSE(IsItemEnabled(m_dialog, id)) << id;
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDC_COORD_KNOWN));
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDC_COORD_ABOUT));
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);

    LocatedPhoto(L"second.jpg", 10.0, 20.0, 0.0, 0.0);
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 2 files"), nullptr);
    EXPECT_FALSE(IsItemChecked(m_dialog, IDC_COORD_KNOWN));
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"0.000000");
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDC_COORD_LAT_DEGREES));

    // Ticking "Position is known" enables the fields (and Save!).
    Click(m_dialog, IDC_COORD_KNOWN);
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDC_COORD_LAT_DEGREES));
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDC_COORD_NOTATION));
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

TEST_F(CoordDialogTest, ChangingTheNotationConvertsTheShownValuesWithoutEnablingSave)
{
    LocatedPhoto(L"located.jpg", 48.5, -11.25, 0.0, 0.0);
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'located.jpg'"), nullptr);

    vztest::ChooseListItem(m_dialog, IDC_COORD_NOTATION, 1);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DM_DEG), L"48");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DM_MIN), L"30.0000");
    EXPECT_TRUE(IsItemChecked(m_dialog, IDC_COORD_NORTH));
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DM_DEG), L"11");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DM_MIN), L"15.0000");
    EXPECT_TRUE(IsItemChecked(m_dialog, IDC_COORD_WEST));
    EXPECT_FALSE(IsItemShown(m_dialog, IDC_COORD_LAT_DEGREES));
    EXPECT_TRUE(IsItemShown(m_dialog, IDC_COORD_NORTH));
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));
    // The close-up stored the notation that was shown before it.
    EXPECT_EQ(StoredSettingBytes(), std::string("\x01\x00\x00\x00", 4));
    EXPECT_FALSE(vztest::SaveWindowImage(m_dialog, L"coordinates-dialog-degrees-minutes.bmp").empty());

    vztest::ChooseListItem(m_dialog, IDC_COORD_NOTATION, 2);
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DMS_DEG), L"48");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DMS_MIN), L"30");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DMS_SEC), L"0.00");
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LON_DMS_MIN), L"15");
    EXPECT_FALSE(IsItemShown(m_dialog, IDC_COORD_LAT_DM_MIN));
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));
    EXPECT_EQ(StoredSettingBytes(), std::string("\x02\x00\x00\x00", 4));
    EXPECT_FALSE(vztest::SaveWindowImage(m_dialog, L"coordinates-dialog-degrees-minutes-seconds.bmp").empty());

    // Save! reads the notation shown and stores it.
    TypeText(m_dialog, IDC_COORD_LAT_DMS_SEC, L"30");
    EXPECT_EQ(Finish(IDOK), S_OK);
    EXPECT_EQ(StoredSettingBytes(), std::string("\x03\x00\x00\x00", 4));
    EXPECT_NEAR(ReadPhotoPosition(m_folder / L"located.jpg").latitude, 48.5 + 30.0 / 3600.0, 1e-6);
}

TEST_F(CoordDialogTest, EveryUserChangeEnablesSave)
{
    LocatedPhoto(L"located.jpg", 48.5, 11.25, 0.0, 0.0);
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'located.jpg'"), nullptr);
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));
    TypeText(m_dialog, IDC_COORD_HEADING, L"7");
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);

    // A hemisphere button.
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'located.jpg'"), nullptr);
    vztest::ChooseListItem(m_dialog, IDC_COORD_NOTATION, 1);
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDOK));
    Click(m_dialog, IDC_COORD_SOUTH);
    EXPECT_TRUE(IsItemEnabled(m_dialog, IDOK));
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
}

TEST_F(CoordDialogTest, SaveWritesEveryWritablePhotoAndSkipsReadOnlyOnes)
{
    std::wstring first = Photo(kPhotoWithoutPosition, L"first.jpg");
    std::wstring locked = LocatedPhoto(L"locked.jpg", 1.0, 2.0, 3.0, 4.0);
    std::wstring last = Photo(L"located.jpg", L"last.jpg");
    ASSERT_TRUE(vztest::SetReadOnly(locked, true));
    std::string lockedBytes = vztest::ReadFileBytes(locked);
    vztest::MessageBoxWatcher boxes;

    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 3 files"), nullptr);
    Click(m_dialog, IDC_COORD_KNOWN);
    TypeText(m_dialog, IDC_COORD_LAT_DEGREES, L"-33.856784");
    TypeText(m_dialog, IDC_COORD_LON_DEGREES, L"151.215297");
    TypeText(m_dialog, IDC_COORD_ALTITUDE, L"12.7");
    TypeText(m_dialog, IDC_COORD_HEADING, L"400");
    EXPECT_EQ(Finish(IDOK), S_OK);
    EXPECT_EQ(boxes.Count(), 0u);

    for (const std::wstring& path : {first, last}) {
        GeoPosition position = ReadPhotoPosition(path);
        EXPECT_TRUE(position.known);
        EXPECT_NEAR(position.latitude, -33.856784, 2e-6);
        EXPECT_NEAR(position.longitude, 151.215297, 2e-6);
        EXPECT_DOUBLE_EQ(position.altitude, 12.0);   // 12.7 typed: whole metres
        EXPECT_NEAR(position.heading, 40.0, 1e-9);   // 400 typed: 40 degrees
    }
    EXPECT_EQ(vztest::ReadFileBytes(locked), lockedBytes);
    vztest::SetReadOnly(locked, false);
}

TEST_F(CoordDialogTest, ClearingPositionIsKnownRemovesThePosition)
{
    std::wstring path = LocatedPhoto(L"located.jpg", 48.5, 11.25, 0.0, 0.0);
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'located.jpg'"), nullptr);
    Click(m_dialog, IDC_COORD_KNOWN);
    EXPECT_FALSE(IsItemEnabled(m_dialog, IDC_COORD_LAT_DEGREES));
    EXPECT_EQ(Finish(IDOK), S_OK);
    EXPECT_FALSE(ReadPhotoPosition(path).known);
}

TEST_F(CoordDialogTest, CancelWritesNothing)
{
    std::wstring path = LocatedPhoto(L"located.jpg", 48.5, 11.25, 0.0, 0.0);
    std::string before = vztest::ReadFileBytes(path);
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'located.jpg'"), nullptr);
    TypeText(m_dialog, IDC_COORD_LAT_DEGREES, L"10");
    EXPECT_EQ(Finish(IDCANCEL), E_FAIL);
    EXPECT_EQ(vztest::ReadFileBytes(path), before);
    EXPECT_EQ(StoredSettingBytes(), "<no key>");
}

TEST_F(CoordDialogTest, NothingWritableShowsTheWriteAccessMessage)
{
    std::wstring path = LocatedPhoto(L"locked.jpg", 48.5, 11.25, 0.0, 0.0);
    ASSERT_TRUE(vztest::SetReadOnly(path, true));
    vztest::MessageBoxWatcher boxes;
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'locked.jpg'"), nullptr);
    TypeText(m_dialog, IDC_COORD_LAT_DEGREES, L"10");
    vztest::PostClick(m_dialog, IDOK);
    ASSERT_TRUE(boxes.WaitForCount(1));
    ASSERT_TRUE(m_run->Join());
    EXPECT_EQ(static_cast<HRESULT>(m_run->Result()), E_FAIL);
    EXPECT_EQ(boxes[0].title, L"Vantrelo Zerli");
    EXPECT_EQ(boxes[0].text, L"There is no file selected with write access allowed\n- can't insert GPS data!");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_NEAR(ReadPhotoPosition(path).latitude, 48.5, 1e-6);
    vztest::SetReadOnly(path, false);
}

TEST_F(CoordDialogTest, AnOwnerWindowThatIsGoneWritesNothing)
{
    std::wstring plain = Photo(kPhotoWithoutPosition, L"plain.jpg");
    std::wstring located = LocatedPhoto(L"located.jpg", 48.5, 11.25, 0.0, 0.0);
    const std::string plainBytes = vztest::ReadFileBytes(plain);
    const std::string locatedBytes = vztest::ReadFileBytes(located);
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ASSERT_TRUE(DestroyWindow(gone));
    vztest::MessageBoxWatcher boxes;

    // The dialog cannot be shown over a window that no longer exists
    // (DialogBoxParamW gives 0 then, as "Save!" does).
    EXPECT_TRUE(FAILED(RunCoordinatesDialog(gone, &m_selection)));
    EXPECT_EQ(vztest::ReadFileBytes(plain), plainBytes);
    EXPECT_EQ(vztest::ReadFileBytes(located), locatedBytes);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(CoordDialogTest, StoredNotationOutsideTheThreeOpensDecimalDegreesAndSavesOne)
{
    vztest::StoreSettingBytes(std::string("\x07\x01\x00\x00", 4));
    LoadSettings();
    LocatedPhoto(L"located.jpg", 48.5, 11.25, 0.0, 0.0);
    ASSERT_NE(Open(L"Vantrelo Zerli: Coordinates for 'located.jpg'"), nullptr);
    EXPECT_EQ(ChosenNotation(), 1);
    EXPECT_TRUE(IsItemShown(m_dialog, IDC_COORD_LAT_DEGREES));
    EXPECT_EQ(ItemText(m_dialog, IDC_COORD_LAT_DEGREES), L"48.500000");
    TypeText(m_dialog, IDC_COORD_ALTITUDE, L"5");
    EXPECT_EQ(Finish(IDOK), S_OK);
    // Bits 8 to 31 are kept.
    EXPECT_EQ(StoredSettingBytes(), std::string("\x01\x01\x00\x00", 4));
    EXPECT_NEAR(ReadPhotoPosition(m_folder / L"located.jpg").latitude, 48.5, 1e-6);
}

TEST_F(CoordDialogTest, PositionThatCannotBeStoredIsNeitherWrittenNorCounted)
{
    std::wstring path = Photo(kPhotoWithoutPosition, L"plain.jpg");
    std::string before = vztest::ReadFileBytes(path);
    vztest::MessageBoxWatcher boxes;
    CoordinatesDialogState state;
    PrepareCoordinatesDialog(&state, nullptr, &m_selection);
    state.position.known = TRUE;
    state.position.altitude = NAN;
    EXPECT_EQ(SavePositionToPhotos(state), E_FAIL);
    EXPECT_EQ(vztest::ReadFileBytes(path), before);
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(boxes[0].text, L"There is no file selected with write access allowed\n- can't insert GPS data!");
}

}  // namespace
