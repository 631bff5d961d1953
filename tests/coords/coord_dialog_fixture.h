// What the coordinates dialog's tests share: the dialog opened on a thread of
// its own as from the context menu, over copies of real photos, with the
// user's settings and Google Earth's registration cleared before each test;
// photo positions written and read with the photo engine; the clipboard
// filled as another program would.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "support/geo_position.h"
#include "selection/image_selection.h"
#include "testlib/dialog_driver.h"
#include "testlib/temp_folder.h"

namespace vztest {

// A real photo that has no position.
extern const wchar_t kPhotoWithoutPosition[];

// Writes a position (degrees, metres) into a photo with the photo engine.
bool StorePhotoPosition(const std::wstring& path, double latitude, double longitude, double altitude,
                        double heading);
// The photo's position in degrees and metres; known false when it has none.
GeoPosition ReadPhotoPosition(const std::wstring& path);

// The coordinates setting as stored in the registry, "<no key>" or
// "<no binary value>" when it is not there.
std::string StoredSettingBytes();
void StoreSettingBytes(const std::string& bytes);

// Puts a text, or a picture alone, on the clipboard as another program would.
void PutTextOnClipboard(const std::wstring& text);
void PutPictureOnClipboard();

// Waits up to five seconds until the condition holds (clipboard notices
// arrive on the dialog's thread); true when it does.
template <class Condition>
bool WaitFor(Condition condition)
{
    for (int i = 0; i < 250; ++i) {
        if (condition())
            return true;
        Sleep(20);
    }
    return condition();
}

class CoordDialogTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A copy of a photo, added to the selection.
    std::wstring Photo(const std::wstring& name, const std::wstring& copyName);
    // A copy of a photo without position, with this position stored.
    std::wstring LocatedPhoto(const std::wstring& copyName, double latitude, double longitude, double altitude,
                              double heading);
    // Runs the command over the selection; the dialog with this caption.
    HWND Open(const std::wstring& caption);
    // Ends the dialog with Save! or Cancel and gives the command's result.
    HRESULT Finish(int button);
    // 1 to 3, the notation chosen in the list.
    int ChosenNotation();

    TempFolder m_folder;
    ImageSelection m_selection;
    std::unique_ptr<ModalThread> m_run;
    HWND m_dialog = nullptr;
};

}  // namespace vztest
