// The "Vantrelo Zerli" submenu as Explorer meets it through the built DLL:
// the items offered for each combination of Google Earth installed or not,
// photos located or not, files writable or not and a GPS track selected or
// not; verbs, help texts and validation in both character sets; invocation
// by verb and by offset; and the dispatch of the five commands, whose
// results the menu does not pass on.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "raw/raw_bytes.h"
#include "shellext/loaded_server.h"
#include "testlib/dialog_driver.h"
#include "testlib/earth_install.h"
#include "testlib/message_box_watcher.h"
#include "testlib/photos.h"
#include "testlib/shell_data_object.h"
#include "testlib/temp_folder.h"

namespace {

using shelltest::LoadedServer;

const wchar_t kLocatedPhoto[] = L"apple_iphone-4s_gps.jpg";
const wchar_t* const kUnlocatedPhotos[] = {
    L"canon_digital-ixus.jpg", L"canon_powershot-s40.jpg", L"olympus_d320l_noexif.jpg",
    L"nikon_d90_exif64k.jpg",  L"fujifilm_finepix40i.jpg", L"casio_ex-s1.jpg",
    L"nikon_e950.jpg",         L"olympus_c960.jpg",        L"canon_eos-rebel-t3i.jpg",
};

const wchar_t kShow[] = L"Show location in Google Earth";
const wchar_t kGet[] = L"Get location from Google Earth";
const wchar_t kEdit[] = L"Edit location manually";
const wchar_t kAbout[] = L"About Vantrelo Zerli";
const wchar_t kGeotag[] = L"Geotag from GPS track";
const wchar_t kGeotagHelp[] =
    L"Matches the selected image files' times against the selected GPS track and inserts the positions into them.";

// A track the geotagging command can read: one timed point.
const char kTrackGpx[] =
    "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
    "<trkpt lat=\"48.1\" lon=\"11.5\"><time>2024-05-01T10:00:00Z</time></trkpt></trkseg></trk></gpx>\n";

const wchar_t* const kVerbs[] = {L"", L"JpegToGe", L"GeToJpeg", L"DlgToJpeg", L"AboutZerli"};
const wchar_t* const kHelpTexts[] = {
    L"Vantrelo Zerli options for linking photos to locations.",
    L"Activates Google Earth and 'flies' to the selected image file's location.",
    L"Gets the current location from Google Earth and inserts it into the selected image file(s).",
    L"Lets you edit the selected image file's location coordinates.",
    L"Provides information about the Vantrelo Zerli tool.",
};

const UINT kFirst = 100;

struct MenuItem {
    std::wstring text;
    UINT id = 0;
    bool hasBitmap = false;
    HBITMAP bitmap = nullptr;
    HMENU submenu = nullptr;
};

MenuItem ItemAt(HMENU menu, int index)
{
    MenuItem item;
    wchar_t text[256] = L"";
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 256;
    if (GetMenuItemInfoW(menu, index, TRUE, &info)) {
        item.text = text;
        item.id = info.wID;
        item.hasBitmap = info.hbmpChecked != nullptr && info.hbmpUnchecked == info.hbmpChecked;
        item.bitmap = info.hbmpChecked;
        item.submenu = info.hSubMenu;
    }
    return item;
}

std::vector<std::wstring> Texts(HMENU menu)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        texts.push_back(ItemAt(menu, i).text);
    return texts;
}

class ContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsLoaded());
        vztest::UnregisterEarth();
    }

    void TearDown() override
    {
        ReleaseMenu();
        vztest::UnregisterEarth();
    }

    // What the host lets go of after a right-click: the menu and both objects.
    void ReleaseMenu()
    {
        if (hmenu)
            DestroyMenu(hmenu);
        if (menu)
            menu->Release();
        if (init)
            init->Release();
        hmenu = nullptr;
        menu = nullptr;
        init = nullptr;
    }

    // Google Earth counts as installed when its server path names a file.
    void InstallEarth() { ASSERT_TRUE(vztest::RegisterEarthServerPath(folder / L"earth-server.exe")); }

    void SetUpEarthFile() { vztest::WriteFileBytes(folder / L"earth-server.exe", "MZ"); }

    // A GPS track in the photos' folder.
    std::wstring Track(const wchar_t* name = L"walk.gpx")
    {
        std::wstring path = folder / name;
        EXPECT_TRUE(vztest::WriteFileBytes(path, kTrackGpx));
        return path;
    }

    std::wstring Copy(const wchar_t* name, bool readOnly = false)
    {
        std::wstring path = vztest::CopyPhoto(name, folder.Path());
        if (readOnly)
            vztest::SetReadOnly(path, true);
        return path;
    }

    // The shell's steps up to the menu object, for the given files.
    void Select(const std::vector<std::wstring>& paths)
    {
        init = server.NewShellExtInit();
        ASSERT_NE(nullptr, init);
        IDataObject* data = vztest::CreateShellDataObject(paths);
        ASSERT_NE(nullptr, data);
        ASSERT_EQ(S_OK, init->Initialize(nullptr, data, nullptr));
        data->Release();
        ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
        hmenu = CreatePopupMenu();
    }

    HRESULT Query(UINT last = kFirst + 50, UINT flags = CMF_NORMAL, UINT index = 0)
    {
        return menu->QueryContextMenu(hmenu, index, kFirst, last, flags);
    }

    // The texts of the submenu items after QueryContextMenu.
    std::vector<std::wstring> Offered()
    {
        EXPECT_EQ(5, Query());
        MenuItem top = ItemAt(hmenu, 0);
        EXPECT_EQ(L"Vantrelo Zerli", top.text);
        return top.submenu ? Texts(top.submenu) : std::vector<std::wstring>();
    }

    HRESULT Validate(UINT offset, bool wide = true)
    {
        return menu->GetCommandString(offset, wide ? GCS_VALIDATEW : GCS_VALIDATEA, nullptr, nullptr, 0);
    }

    HRESULT InvokeVerbW(const wchar_t* verb, HWND owner = nullptr)
    {
        char ansi[64] = "";
        WideCharToMultiByte(CP_ACP, 0, verb, -1, ansi, sizeof(ansi), nullptr, nullptr);
        CMINVOKECOMMANDINFOEX info = {};
        info.cbSize = sizeof(info);
        info.fMask = CMIC_MASK_UNICODE;
        info.hwnd = owner;
        info.lpVerb = ansi;
        info.lpVerbW = verb;
        return menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
    }

    HRESULT InvokeVerbA(const char* verb)
    {
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = verb;
        return menu->InvokeCommand(&info);
    }

    HRESULT InvokeOffset(UINT offset)
    {
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = MAKEINTRESOURCEA(offset);
        return menu->InvokeCommand(&info);
    }

    LoadedServer server;
    vztest::TempFolder folder;
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;
    HMENU hmenu = nullptr;
};

// --- What is offered ---------------------------------------------------------

TEST_F(ContextMenuTest, WithoutGoogleEarthOnlyEditAndAbout)
{
    Select({Copy(kLocatedPhoto), Copy(kUnlocatedPhotos[0])});
    EXPECT_EQ((std::vector<std::wstring>{kEdit, kAbout}), Offered());
    EXPECT_EQ(S_FALSE, Validate(1));
    EXPECT_EQ(S_FALSE, Validate(2));
    EXPECT_EQ(S_FALSE, Validate(2, false));
    EXPECT_EQ(S_OK, Validate(0));
    EXPECT_EQ(S_OK, Validate(3));
    EXPECT_EQ(S_OK, Validate(4, false));
}

TEST_F(ContextMenuTest, GoogleEarthButNoPositionOffersGetEditAbout)
{
    SetUpEarthFile();
    InstallEarth();
    Select({Copy(kUnlocatedPhotos[0]), Copy(kUnlocatedPhotos[2]), Copy(kUnlocatedPhotos[3])});
    EXPECT_EQ((std::vector<std::wstring>{kGet, kEdit, kAbout}), Offered());
    EXPECT_EQ(S_FALSE, Validate(1));
    EXPECT_EQ(S_OK, Validate(2));
}

TEST_F(ContextMenuTest, GoogleEarthAndOneOfTenLocatedOffersAllFourWithTheirIdentifiersAndBitmaps)
{
    SetUpEarthFile();
    InstallEarth();
    std::vector<std::wstring> paths;
    for (const wchar_t* name : kUnlocatedPhotos)
        paths.push_back(Copy(name));
    paths.insert(paths.begin() + 4, Copy(kLocatedPhoto));
    Select(paths);

    EXPECT_EQ((std::vector<std::wstring>{kShow, kGet, kEdit, kAbout}), Offered());
    MenuItem top = ItemAt(hmenu, 0);
    EXPECT_EQ(kFirst, top.id);
    EXPECT_TRUE(top.hasBitmap);
    for (int i = 0; i < 4; ++i) {
        MenuItem item = ItemAt(top.submenu, i);
        EXPECT_EQ(kFirst + 1 + i, item.id) << i;
        EXPECT_TRUE(item.hasBitmap) << i;
        EXPECT_EQ(nullptr, item.submenu);
    }
    EXPECT_EQ(S_OK, Validate(1));
    EXPECT_EQ(S_OK, Validate(2, false));
}

TEST_F(ContextMenuTest, AHeifPhotoAmongJpegPhotosIsScannedForItsPosition)
{
    SetUpEarthFile();
    InstallEarth();
    // The one located photo a HEIF photo, among JPEG and HEIF photos without
    // a position (one without Exif).
    Select({Copy(kUnlocatedPhotos[0]), Copy(L"noexif.heic"), Copy(L"stripped.heic"), Copy(L"located.heic")});
    EXPECT_EQ((std::vector<std::wstring>{kShow, kGet, kEdit, kAbout}), Offered());
}

// Raw files, alone or among JPEG and HEIF photos: a raw file is located by
// its sidecar, else by the position the camera stored in it; a raw name on
// other content is no photo.
TEST_F(ContextMenuTest, RawFilesAreLocatedByTheirSidecarElseByThemselves)
{
    SetUpEarthFile();
    InstallEarth();
    const Bytes unlocated = BuildDng("2024:05:01 12:30:00", nullptr, false, true);
    const Bytes located = BuildDng("2024:05:01 12:30:00", nullptr, true, false);
    const std::string sidecar =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
        "exif:GPSLatitude=\"48,51.498N\" exif:GPSLongitude=\"2,17.67W\"/></rdf:RDF></x:xmpmeta>";
    auto write = [&](const wchar_t* name, const Bytes& bytes) {
        std::wstring path = folder / name;
        EXPECT_TRUE(vztest::WriteFileBytes(path, std::string(bytes.begin(), bytes.end())));
        return path;
    };
    const std::wstring plain = write(L"plain.dng", unlocated);
    const std::wstring own = write(L"own.DNG", located);
    const std::wstring besideSidecar = write(L"tagged.dng", unlocated);
    ASSERT_TRUE(vztest::WriteFileBytes(folder / L"tagged.xmp", sidecar));
    const std::wstring jpegNamedRaw = vztest::CopyPhoto(kLocatedPhoto, folder.Path(), L"located.NEF");
    struct Row {
        std::vector<std::wstring> paths;
        bool located;
    };
    const Row rows[] = {
        {{plain}, false},
        {{plain, own}, true},
        {{besideSidecar}, true},
        {{Copy(kUnlocatedPhotos[0]), Copy(L"stripped.heic"), plain, besideSidecar}, true},
        {{jpegNamedRaw, plain}, false},
    };
    for (const Row& row : rows) {
        Select(row.paths);
        EXPECT_EQ(row.located ? (std::vector<std::wstring>{kShow, kGet, kEdit, kAbout})
                              : (std::vector<std::wstring>{kGet, kEdit, kAbout}),
                  Offered())
            << row.paths.size();
        ReleaseMenu();
    }
}

TEST_F(ContextMenuTest, AHeifNameOnJpegDataIsNoLocatedPhoto)
{
    SetUpEarthFile();
    InstallEarth();
    Select({Copy(kUnlocatedPhotos[0]), vztest::CopyPhoto(kLocatedPhoto, folder.Path(), L"located.HEIC")});
    EXPECT_EQ((std::vector<std::wstring>{kGet, kEdit, kAbout}), Offered());
}

TEST_F(ContextMenuTest, AHundredMenusShowTheSameFiveBitmapsWhichGoWithTheDll)
{
    SetUpEarthFile();
    InstallEarth();
    std::wstring photo = Copy(kLocatedPhoto);

    // Each right-click makes new objects and a new menu, as Explorer does.
    std::vector<HBITMAP> first;
    for (int round = 0; round < 100; ++round) {
        ReleaseMenu();
        Select({photo});
        ASSERT_EQ(4u, Offered().size());
        MenuItem top = ItemAt(hmenu, 0);
        std::vector<HBITMAP> bitmaps{top.bitmap};
        for (int i = 0; i < 4; ++i)
            bitmaps.push_back(ItemAt(top.submenu, i).bitmap);
        if (round == 0) {
            first = bitmaps;
            for (HBITMAP bitmap : first)
                ASSERT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(bitmap)));
        }
        ASSERT_EQ(first, bitmaps) << "menu " << round;
    }

    ReleaseMenu();
    ASSERT_EQ(S_OK, server.CanUnloadNow());
    server.Unload();
    ASSERT_EQ(nullptr, GetModuleHandleW(L"VantreloZerli.dll")) << "the DLL was unloaded";
    for (HBITMAP bitmap : first)
        EXPECT_EQ(0u, GetObjectType(bitmap)) << "bitmap deleted at unload";
}

TEST_F(ContextMenuTest, ReadOnlyFilesStillOfferGetButInvokingItOnlyShowsTheWriteAccessMessage)
{
    SetUpEarthFile();
    InstallEarth();
    std::wstring a = Copy(kLocatedPhoto, true);
    std::wstring b = Copy(kUnlocatedPhotos[0], true);
    std::string before = vztest::ReadFileBytes(a);
    Select({a, b});
    EXPECT_EQ((std::vector<std::wstring>{kShow, kGet, kEdit, kAbout}), Offered());

    vztest::MessageBoxWatcher boxes(IDOK);
    HWND owner = GetDesktopWindow();
    EXPECT_EQ(S_OK, InvokeVerbW(L"GeToJpeg", owner));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_TRUE(boxes[0].wide);
    EXPECT_EQ(owner, boxes[0].owner);
    EXPECT_EQ(L"Vantrelo Zerli", boxes[0].title);
    EXPECT_EQ(L"There is no file selected with write access allowed\n- can't insert GPS data!", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), boxes[0].flags);
    EXPECT_EQ(before, vztest::ReadFileBytes(a));
}

// A raw file is never written, so its own attribute does not count: its
// sidecar's does.
TEST_F(ContextMenuTest, ARawFileWhoseSidecarIsReadOnlyOnlyShowsTheWriteAccessMessage)
{
    SetUpEarthFile();
    InstallEarth();
    const Bytes dng = BuildDng("2024:05:01 12:30:00", nullptr, true, false);
    const std::string raw(dng.begin(), dng.end());
    const std::wstring path = folder / L"locked.dng";
    ASSERT_TRUE(vztest::WriteFileBytes(path, raw));
    ASSERT_TRUE(vztest::WriteFileBytes(folder / L"locked.dng.xmp", "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>"));
    ASSERT_TRUE(vztest::SetReadOnly(folder / L"locked.dng.xmp", true));
    Select({path});
    vztest::MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, InvokeVerbW(L"GeToJpeg", GetDesktopWindow()));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"There is no file selected with write access allowed\n- can't insert GPS data!", boxes[0].text);
    EXPECT_EQ(raw, vztest::ReadFileBytes(path));
}

TEST_F(ContextMenuTest, TheSelectionIsJudgedOnceForTheMenuObjectsLife)
{
    Select({Copy(kLocatedPhoto)});
    EXPECT_EQ((std::vector<std::wstring>{kEdit, kAbout}), Offered());
    // Google Earth installed meanwhile: this menu object keeps its judgement.
    SetUpEarthFile();
    InstallEarth();
    EXPECT_EQ(S_FALSE, Validate(1));
    EXPECT_EQ(S_FALSE, Validate(2));
}

// --- A GPS track in the selection --------------------------------------------

// The submenu as the host sees it: QueryContextMenu's result and each item's
// text, identifier and bitmap.
struct MenuShape {
    HRESULT result = E_FAIL;
    std::vector<std::wstring> texts;
    std::vector<UINT> ids;
    std::vector<HBITMAP> bitmaps;
    bool operator==(const MenuShape& other) const
    {
        return result == other.result && texts == other.texts && ids == other.ids && bitmaps == other.bitmaps;
    }
};

TEST_F(ContextMenuTest, WithoutATrackOrWithTwoTracksTheMenuIsAsBeforeAndKnowsNoGeotagging)
{
    SetUpEarthFile();
    InstallEarth();
    std::wstring photo = Copy(kLocatedPhoto);
    std::wstring one = Track(L"one.gpx");
    std::wstring two = Track(L"two.GPX");
    auto shape = [this] {
        MenuShape shape;
        shape.result = Query();
        MenuItem top = ItemAt(hmenu, 0);
        shape.texts.push_back(top.text);
        shape.ids.push_back(top.id);
        shape.bitmaps.push_back(top.bitmap);
        for (int i = 0; top.submenu && i < GetMenuItemCount(top.submenu); ++i) {
            MenuItem item = ItemAt(top.submenu, i);
            shape.texts.push_back(item.text);
            shape.ids.push_back(item.id);
            shape.bitmaps.push_back(item.bitmap);
        }
        return shape;
    };
    Select({photo});
    MenuShape plain = shape();
    EXPECT_EQ(5, plain.result);
    EXPECT_EQ((std::vector<std::wstring>{L"Vantrelo Zerli", kShow, kGet, kEdit, kAbout}), plain.texts);
    EXPECT_EQ((std::vector<UINT>{kFirst, kFirst + 1, kFirst + 2, kFirst + 3, kFirst + 4}), plain.ids);

    ReleaseMenu();
    Select({photo, one, two});
    EXPECT_EQ(plain, shape());
    vztest::MessageBoxWatcher boxes;
    wchar_t text[128] = L"";
    EXPECT_EQ(E_FAIL, menu->GetCommandString(5, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(text), 128));
    EXPECT_EQ(E_FAIL, menu->GetCommandString(5, GCS_HELPTEXTA, nullptr, reinterpret_cast<LPSTR>(text), 128));
    EXPECT_EQ(E_FAIL, Validate(5));
    // Invoked all the same, the command is unknown and does nothing.
    EXPECT_EQ(E_INVALIDARG, InvokeVerbW(L"GpxToJpeg"));
    EXPECT_EQ(E_INVALIDARG, InvokeVerbA("gpxtojpeg"));
    EXPECT_EQ(E_INVALIDARG, InvokeOffset(5));
    Sleep(300);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ContextMenuTest, WithOneTrackGeotaggingFollowsEditWithTheSixthIdentifierAndItsOwnBitmap)
{
    Select({Copy(kUnlocatedPhotos[0]), Track(), Copy(kLocatedPhoto)});
    EXPECT_EQ(6, Query());
    MenuItem top = ItemAt(hmenu, 0);
    ASSERT_NE(nullptr, top.submenu);
    EXPECT_EQ((std::vector<std::wstring>{kEdit, kGeotag, kAbout}), Texts(top.submenu));
    MenuItem edit = ItemAt(top.submenu, 0);
    MenuItem geotag = ItemAt(top.submenu, 1);
    MenuItem about = ItemAt(top.submenu, 2);
    EXPECT_EQ(kFirst + 3, edit.id);
    EXPECT_EQ(kFirst + 5, geotag.id);
    EXPECT_EQ(kFirst + 4, about.id);
    EXPECT_TRUE(geotag.hasBitmap);
    EXPECT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(geotag.bitmap)));
    for (HBITMAP other : {top.bitmap, edit.bitmap, about.bitmap})
        EXPECT_NE(other, geotag.bitmap);
    EXPECT_EQ(S_OK, Validate(5));
    EXPECT_EQ(S_OK, Validate(5, false));

    wchar_t wide[128] = L"x";
    char ansi[128] = "x";
    EXPECT_EQ(S_OK, menu->GetCommandString(5, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(wide), 128));
    EXPECT_STREQ(L"GpxToJpeg", wide);
    EXPECT_EQ(S_OK, menu->GetCommandString(5, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(wide), 128));
    EXPECT_STREQ(kGeotagHelp, wide);
    EXPECT_EQ(S_OK, menu->GetCommandString(5, GCS_VERBA, nullptr, ansi, 128));
    EXPECT_STREQ("GpxToJpeg", ansi);
    char expected[128];
    WideCharToMultiByte(CP_ACP, 0, kGeotagHelp, -1, expected, 128, nullptr, nullptr);
    EXPECT_EQ(S_OK, menu->GetCommandString(5, GCS_HELPTEXTA, nullptr, ansi, 128));
    EXPECT_STREQ(expected, ansi);
}

TEST_F(ContextMenuTest, ARangeWithoutRoomForTheSixthIdentifierLeavesOnlyGeotaggingOut)
{
    Select({Copy(kLocatedPhoto), Track()});
    EXPECT_EQ(E_FAIL, Query(kFirst + 3));
    EXPECT_EQ(5, Query(kFirst + 4));
    MenuItem top = ItemAt(hmenu, 0);
    EXPECT_EQ(kFirst, top.id);
    EXPECT_EQ((std::vector<std::wstring>{kEdit, kAbout}), Texts(top.submenu));
    DestroyMenu(hmenu);
    hmenu = CreatePopupMenu();
    EXPECT_EQ(6, Query(kFirst + 5));
    EXPECT_EQ((std::vector<std::wstring>{kEdit, kGeotag, kAbout}), Texts(ItemAt(hmenu, 0).submenu));
}

TEST_F(ContextMenuTest, WithATrackTheMenuBitmapsStayTheSameAndGoWithTheDll)
{
    std::wstring photo = Copy(kLocatedPhoto);
    std::wstring track = Track();
    std::vector<HBITMAP> first;
    for (int round = 0; round < 5; ++round) {
        ReleaseMenu();
        Select({photo, track});
        ASSERT_EQ(6, Query());
        MenuItem top = ItemAt(hmenu, 0);
        std::vector<HBITMAP> bitmaps{top.bitmap};
        for (int i = 0; i < GetMenuItemCount(top.submenu); ++i)
            bitmaps.push_back(ItemAt(top.submenu, i).bitmap);
        if (round == 0)
            first = bitmaps;
        ASSERT_EQ(first, bitmaps) << "menu " << round;
    }
    ASSERT_EQ(4u, first.size());
    ReleaseMenu();
    ASSERT_EQ(S_OK, server.CanUnloadNow());
    server.Unload();
    for (HBITMAP bitmap : first)
        EXPECT_EQ(0u, GetObjectType(bitmap)) << "bitmap deleted at unload";
}

// --- The identifier range and the flags -------------------------------------

TEST_F(ContextMenuTest, FiveIdentifiersAreEnoughAndFewerAreRefused)
{
    Select({Copy(kLocatedPhoto)});
    EXPECT_EQ(E_FAIL, Query(kFirst + 3));
    EXPECT_EQ(0, GetMenuItemCount(hmenu));
    // idCmdLast is inclusive: first .. first + 4 holds the five identifiers.
    EXPECT_EQ(5, Query(kFirst + 4));
    EXPECT_EQ(1, GetMenuItemCount(hmenu));
    DestroyMenu(hmenu);
    hmenu = CreatePopupMenu();
    EXPECT_EQ(5, Query(kFirst + 5));
    EXPECT_EQ(1, GetMenuItemCount(hmenu));
}

TEST_F(ContextMenuTest, DefaultOnlyAddsNothing)
{
    Select({Copy(kLocatedPhoto)});
    EXPECT_EQ(E_FAIL, Query(kFirst + 50, CMF_DEFAULTONLY));
    EXPECT_EQ(0, GetMenuItemCount(hmenu));
}

TEST_F(ContextMenuTest, DefaultOnlyAndTooSmallRangesReadNoPhoto)
{
    SetUpEarthFile();
    InstallEarth();
    std::wstring photo = Copy(kLocatedPhoto);
    Select({photo});
    // Held open without sharing: a read during these queries would fail and
    // leave the photo counted as unlocated for the menu object's life.
    HANDLE held = CreateFileW(photo.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(E_FAIL, Query(kFirst + 50, CMF_DEFAULTONLY));
    EXPECT_EQ(E_FAIL, Query(kFirst + 3));
    // A range that ends before it starts has no room at all.
    EXPECT_EQ(E_FAIL, Query(kFirst - 1));
    CloseHandle(held);
    EXPECT_EQ(0, GetMenuItemCount(hmenu));
    EXPECT_EQ((std::vector<std::wstring>{kShow, kGet, kEdit, kAbout}), Offered());
}

TEST_F(ContextMenuTest, TheSubmenuGoesWhereTheHostSays)
{
    Select({Copy(kLocatedPhoto)});
    AppendMenuW(hmenu, MF_STRING, 1, L"Open");
    AppendMenuW(hmenu, MF_STRING, 2, L"Print");
    EXPECT_EQ(5, Query(kFirst + 50, CMF_NORMAL, 1));
    EXPECT_EQ((std::vector<std::wstring>{L"Open", L"Vantrelo Zerli", L"Print"}), Texts(hmenu));
}

// --- Verbs and help texts ---------------------------------------------------

TEST_F(ContextMenuTest, VerbsAndHelpTextsInBothCharacterSets)
{
    Select({Copy(kLocatedPhoto)});
    for (UINT offset = 0; offset < 5; ++offset) {
        wchar_t wide[128] = L"x";
        char ansi[128] = "x";
        EXPECT_EQ(S_OK, menu->GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(wide), 128));
        EXPECT_STREQ(kVerbs[offset], wide);
        EXPECT_EQ(S_OK, menu->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(wide), 128));
        EXPECT_STREQ(kHelpTexts[offset], wide);

        char expected[128];
        WideCharToMultiByte(CP_ACP, 0, kVerbs[offset], -1, expected, 128, nullptr, nullptr);
        EXPECT_EQ(S_OK, menu->GetCommandString(offset, GCS_VERBA, nullptr, ansi, 128));
        EXPECT_STREQ(expected, ansi);
        WideCharToMultiByte(CP_ACP, 0, kHelpTexts[offset], -1, expected, 128, nullptr, nullptr);
        EXPECT_EQ(S_OK, menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, ansi, 128));
        EXPECT_STREQ(expected, ansi);
    }
}

TEST_F(ContextMenuTest, LongTextsAreCutToTheBufferAndAZeroBufferIsLeftAlone)
{
    Select({Copy(kLocatedPhoto)});
    wchar_t wide[12];
    wmemset(wide, L'#', 12);
    EXPECT_EQ(S_OK, menu->GetCommandString(4, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(wide), 10));
    EXPECT_STREQ(L"Provides ", wide);
    EXPECT_EQ(L'#', wide[10]);

    char ansi[12];
    memset(ansi, '#', sizeof(ansi));
    EXPECT_EQ(S_OK, menu->GetCommandString(1, GCS_VERBA, nullptr, ansi, 5));
    EXPECT_STREQ("Jpeg", ansi);
    EXPECT_EQ('#', ansi[5]);

    memset(ansi, '#', sizeof(ansi));
    EXPECT_EQ(S_OK, menu->GetCommandString(2, GCS_HELPTEXTA, nullptr, ansi, 0));
    EXPECT_EQ('#', ansi[0]);
}

TEST_F(ContextMenuTest, UnknownOffsetsAndRequestsFail)
{
    Select({Copy(kLocatedPhoto)});
    wchar_t text[64] = L"";
    EXPECT_EQ(E_FAIL, menu->GetCommandString(5, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(text), 64));
    EXPECT_EQ(E_FAIL, menu->GetCommandString(5, GCS_VALIDATEW, nullptr, nullptr, 0));
    EXPECT_EQ(E_FAIL, menu->GetCommandString(static_cast<UINT_PTR>(-1), GCS_HELPTEXTA, nullptr,
                                             reinterpret_cast<LPSTR>(text), 64));
    EXPECT_EQ(E_FAIL, menu->GetCommandString(1, 3, nullptr, reinterpret_cast<LPSTR>(text), 64));
    EXPECT_EQ(E_FAIL, menu->GetCommandString(1, 7, nullptr, reinterpret_cast<LPSTR>(text), 64));
    EXPECT_EQ(E_FAIL, menu->GetCommandString(1, GCS_VERBICONW, nullptr, reinterpret_cast<LPSTR>(text), 64));
}

// --- Invocation -------------------------------------------------------------

TEST_F(ContextMenuTest, VerbsMatchInAnyCaseAndOnlyTheFourCommands)
{
    Select({Copy(kLocatedPhoto)});
    vztest::MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(E_INVALIDARG, InvokeVerbW(L""));
    EXPECT_EQ(E_INVALIDARG, InvokeVerbW(L"Vantrelo Zerli"));
    EXPECT_EQ(E_INVALIDARG, InvokeVerbA("JpegToGeX"));
    // An ANSI verb is taken in 31 characters at most.
    EXPECT_EQ(E_INVALIDARG, InvokeVerbA("AboutZerli                              AboutZerli"));
    EXPECT_EQ(0u, boxes.Count());

    // Offset 2 without write access shows its message: a cheap witness that
    // the verb reached the dispatch.
    std::wstring readOnly = Copy(kUnlocatedPhotos[0], true);
    init->Release();
    init = nullptr;
    menu->Release();
    menu = nullptr;
    Select({readOnly});
    EXPECT_EQ(S_OK, InvokeVerbW(L"gEtOjPeG"));
    EXPECT_EQ(S_OK, InvokeVerbA("GETOJPEG"));
    EXPECT_EQ(S_OK, InvokeOffset(2));
    EXPECT_EQ(3u, boxes.Count());
}

TEST_F(ContextMenuTest, OffsetsWithoutACommandDoNothing)
{
    Select({Copy(kLocatedPhoto)});
    vztest::MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, InvokeOffset(0));
    EXPECT_EQ(S_OK, InvokeOffset(7));
    Sleep(300);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ContextMenuTest, StructureSizeDecidesTheCharacterSet)
{
    Select({Copy(kUnlocatedPhotos[0], true)});
    vztest::MessageBoxWatcher boxes(IDOK);

    CMINVOKECOMMANDINFOEX info = {};
    info.lpVerb = "GeToJpeg";
    info.lpVerbW = L"bogus";
    info.cbSize = sizeof(CMINVOKECOMMANDINFOEX);
    // Without CMIC_MASK_UNICODE the ANSI verb counts, whatever lpVerbW holds.
    EXPECT_EQ(S_OK, menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)));
    EXPECT_EQ(1u, boxes.Count());
    info.fMask = CMIC_MASK_UNICODE;
    EXPECT_EQ(E_INVALIDARG, menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)));

    info.cbSize = sizeof(CMINVOKECOMMANDINFO) + 4;
    EXPECT_EQ(E_INVALIDARG, menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)));
    info.cbSize = 0;
    EXPECT_EQ(E_INVALIDARG, menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)));
    EXPECT_EQ(1u, boxes.Count());
}

TEST_F(ContextMenuTest, WithoutAPartnerTheMenuRefusesButStillNamesItsVerbs)
{
    IClassFactory* factory = server.Factory();
    ASSERT_NE(nullptr, factory);
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    factory->Release();
    hmenu = CreatePopupMenu();
    EXPECT_EQ(E_FAIL, Query());
    EXPECT_EQ(E_FAIL, Validate(3));
    EXPECT_EQ(E_FAIL, InvokeOffset(4));
    wchar_t help[128] = L"";
    EXPECT_EQ(S_OK, menu->GetCommandString(3, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(help), 128));
    EXPECT_STREQ(kHelpTexts[3], help);
}

// --- Dispatch to the commands -----------------------------------------------

// Runs one invocation on a thread of its own, as the shell's thread would
// run it, so that the test can answer the modal windows it opens.
class Invocation {
public:
    Invocation(IContextMenu* menu, const wchar_t* verb)
        : m_thread([menu, verb] {
              CMINVOKECOMMANDINFOEX info = {};
              char ansi[32] = "";
              WideCharToMultiByte(CP_ACP, 0, verb, -1, ansi, sizeof(ansi), nullptr, nullptr);
              info.cbSize = sizeof(info);
              info.fMask = CMIC_MASK_UNICODE;
              info.lpVerb = ansi;
              info.lpVerbW = verb;
              return static_cast<INT_PTR>(menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)));
          })
    {
    }
    DWORD ThreadId() const { return m_thread.ThreadId(); }
    HRESULT Result()
    {
        EXPECT_TRUE(m_thread.Join(30000));
        return static_cast<HRESULT>(m_thread.Result());
    }

private:
    vztest::ModalThread m_thread;
};

TEST_F(ContextMenuTest, ShowLocationRunsAndItsFailureIsNotPassedOn)
{
    SetUpEarthFile();
    InstallEarth();
    Select({Copy(kLocatedPhoto)});
    EXPECT_EQ(S_OK, Validate(1));
    // No program is registered for KML files in the test prefix: the command
    // writes its file and reports that it could not open it.
    vztest::MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, InvokeVerbW(L"jpegtoge"));
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(L"Couldn't launch Google Earth client!\n(Error code: 31)", boxes[0].text);
}

TEST_F(ContextMenuTest, AboutRunsTheAboutBox)
{
    Select({Copy(kLocatedPhoto)});
    Invocation run(menu, L"ABOUTZERLI");
    HWND about = vztest::WaitForDialog(run.ThreadId(), L"About Vantrelo Zerli");
    ASSERT_NE(nullptr, about);
    vztest::SaveWindowImage(about, L"menu-about-box.bmp");
    vztest::PostClick(about, IDOK);
    EXPECT_EQ(S_OK, run.Result());
}

TEST_F(ContextMenuTest, EditLocationRunsTheCoordinatesDialogAndCancellingIsNotPassedOn)
{
    std::wstring photo = Copy(kUnlocatedPhotos[0]);
    std::string before = vztest::ReadFileBytes(photo);
    Select({photo});
    Invocation run(menu, L"dlgtojpeg");
    HWND dialog = vztest::WaitForDialog(run.ThreadId(), L"Vantrelo Zerli: Coordinates for 'canon_digital-ixus.jpg'");
    ASSERT_NE(nullptr, dialog);
    vztest::SaveWindowImage(dialog, L"menu-coordinates-dialog.bmp");
    vztest::PostClick(dialog, IDCANCEL);
    EXPECT_EQ(S_OK, run.Result());
    EXPECT_EQ(before, vztest::ReadFileBytes(photo));
}

TEST_F(ContextMenuTest, GeotaggingRunsItsDialogByVerbOrOffsetAndCancellingIsNotPassedOn)
{
    std::wstring photo = Copy(kUnlocatedPhotos[0]);
    const std::string before = vztest::ReadFileBytes(photo);
    Select({photo, Track()});
    ASSERT_EQ(6, Query());
    const wchar_t caption[] = L"Vantrelo Zerli: Geotag from GPS track 'walk.gpx'";
    {
        Invocation run(menu, L"GPXTOJPEG");
        HWND dialog = vztest::WaitForDialog(run.ThreadId(), caption);
        ASSERT_NE(nullptr, dialog);
        vztest::PostClick(dialog, IDCANCEL);
        EXPECT_EQ(S_OK, run.Result());
    }
    {
        vztest::ModalThread run([this] { return static_cast<INT_PTR>(InvokeOffset(5)); });
        HWND dialog = vztest::WaitForDialog(run.ThreadId(), caption);
        ASSERT_NE(nullptr, dialog);
        vztest::PostClick(dialog, IDCANCEL);
        ASSERT_TRUE(run.Join(30000));
        EXPECT_EQ(S_OK, static_cast<HRESULT>(run.Result()));
    }
    EXPECT_EQ(before, vztest::ReadFileBytes(photo));
}

// The host lets go of the menu and its partner while the geotagging dialog
// is open (a modal loop pumps the host's messages): the object, its
// selection and the DLL stay until InvokeCommand has returned.
TEST_F(ContextMenuTest, TheHostsLastReleaseDuringACommandKeepsObjectAndDllUntilItReturns)
{
    std::wstring photo = Copy(kUnlocatedPhotos[0]);
    const std::string before = vztest::ReadFileBytes(photo);
    Select({photo, Track()});
    ASSERT_EQ(6, Query());
    Invocation run(menu, L"GpxToJpeg");
    HWND dialog = vztest::WaitForDialog(run.ThreadId(), L"Vantrelo Zerli: Geotag from GPS track 'walk.gpx'");
    ASSERT_NE(nullptr, dialog);
    ReleaseMenu();
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    SendMessageW(dialog, WM_NULL, 0, 0);  // the dialog's loop has run on meanwhile
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    vztest::PostClick(dialog, IDCANCEL);
    EXPECT_EQ(S_OK, run.Result());
    EXPECT_EQ(S_OK, server.CanUnloadNow());
    EXPECT_EQ(before, vztest::ReadFileBytes(photo));
}

TEST_F(ContextMenuTest, GeotaggingFromATrackThatCannotBeUsedOnlyShowsItsMessage)
{
    std::wstring photo = Copy(kUnlocatedPhotos[0]);
    const std::string before = vztest::ReadFileBytes(photo);
    std::wstring track = folder / L"walk.gpx";
    ASSERT_TRUE(vztest::WriteFileBytes(track, "<gpx><trk>"));
    Select({photo, track});
    vztest::MessageBoxWatcher boxes(IDOK);
    HWND owner = GetDesktopWindow();
    EXPECT_EQ(S_OK, InvokeVerbW(L"GpxToJpeg", owner));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(owner, boxes[0].owner);
    EXPECT_EQ(0u, boxes[0].text.find(L"The GPS track \"walk.gpx\" cannot be used")) << boxes[0].text;
    EXPECT_EQ(before, vztest::ReadFileBytes(photo));
}

TEST_F(ContextMenuTest, GetLocationRunsWhenAFileMayBeWrittenAndItsFailureIsNotPassedOn)
{
    SetUpEarthFile();
    InstallEarth();
    std::wstring photo = Copy(kUnlocatedPhotos[0]);
    std::string before = vztest::ReadFileBytes(photo);
    Select({photo});
    // The registered Google Earth cannot be started: the command warns and
    // gives up; the menu still reports success.
    vztest::MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(S_OK, InvokeVerbW(L"GeToJpeg"));
    ASSERT_GE(boxes.Count(), 2u);
    EXPECT_EQ(0u, boxes[0].text.find(L"Please wait for Google Earth to get initialized.")) << boxes[0].text;
    EXPECT_EQ(L"Couldn't get the current position from the Google Earth client!", boxes[boxes.Count() - 1].text);
    EXPECT_EQ(before, vztest::ReadFileBytes(photo));
}

}  // namespace
