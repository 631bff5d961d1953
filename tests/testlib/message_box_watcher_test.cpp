// The message-box watcher: boxes shown through the import table are recorded
// with their exact arguments and answered with the chosen button; boxes that
// bypass it are still answered; other dialogs are left alone.
#include <gtest/gtest.h>
#include <windows.h>
#include <initializer_list>
#include <thread>
#include <vector>

#include "testlib/message_box_watcher.h"

namespace {

using vztest::MessageBoxRecord;
using vztest::MessageBoxWatcher;

TEST(MessageBoxWatcher, RecordsTheCallAndPressesTheDefaultButton)
{
    MessageBoxWatcher boxes;
    int result = MessageBoxW(nullptr, L"First line\nsecond line", L"Watcher title",
                             MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    EXPECT_EQ(IDOK, result);
    ASSERT_EQ(1u, boxes.Count());
    MessageBoxRecord box = boxes[0];
    EXPECT_TRUE(box.intercepted);
    EXPECT_TRUE(box.wide);
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(L"Watcher title", box.title);
    EXPECT_EQ(L"First line\nsecond line", box.text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND), box.flags);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(L"Watcher title", box.shownTitle);
    EXPECT_EQ(L"First line\nsecond line", box.shownText);
    EXPECT_EQ(IDOK, box.pressed);
    EXPECT_EQ(IDOK, box.result);
    EXPECT_EQ(GetCurrentThreadId(), box.threadId);
}

TEST(MessageBoxWatcher, AnswersWithQueuedButtonsThenTheDefault)
{
    MessageBoxWatcher boxes(IDYES);
    boxes.QueueAnswer(IDNO);
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "Overwrite?", "Narrow", MB_YESNO | MB_ICONWARNING));
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, "Overwrite?", "Narrow", MB_YESNO | MB_ICONWARNING));
    boxes.SetAnswer(IDCANCEL);
    EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "Go on?", "Narrow", MB_OKCANCEL));

    std::vector<MessageBoxRecord> records = boxes.Boxes();
    ASSERT_EQ(3u, records.size());
    EXPECT_FALSE(records[0].wide);
    EXPECT_EQ(L"Overwrite?", records[0].text);
    EXPECT_EQ(L"Narrow", records[0].title);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING), records[0].flags);
    EXPECT_EQ(IDNO, records[0].pressed);
    EXPECT_EQ(IDYES, records[1].pressed);
    EXPECT_EQ(IDCANCEL, records[2].result);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), records[2].flags);

    boxes.Clear();
    EXPECT_EQ(0u, boxes.Count());
}

TEST(MessageBoxWatcher, FallsBackToAButtonTheBoxHas)
{
    MessageBoxWatcher boxes(IDRETRY);
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, L"Only OK", L"Fallback", MB_OK | MB_ICONERROR));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(IDOK, boxes[0].pressed);
}

TEST(MessageBoxWatcher, AnswersBoxesShownFromOtherThreadsAndBypassingTheImports)
{
    MessageBoxWatcher boxes;
    // The real function, called without the import table: the box is seen
    // only on the screen.
    typedef int(WINAPI * MessageBoxWFn)(HWND, LPCWSTR, LPCWSTR, UINT);
    MessageBoxWFn direct =
        reinterpret_cast<MessageBoxWFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "MessageBoxW")));
    int result = 0;
    std::thread other([&] { result = direct(nullptr, L"Behind the back", L"Direct", MB_OK); });
    other.join();
    EXPECT_EQ(IDOK, result);
    ASSERT_TRUE(boxes.WaitForCount(1, 2000));
    MessageBoxRecord box = boxes[0];
    EXPECT_FALSE(box.intercepted);
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(L"Direct", box.title);
    EXPECT_EQ(L"Behind the back", box.text);
    EXPECT_EQ(0u, box.flags);
}

// An in-memory dialog template: a header, then items on DWORD boundaries.
class TemplateBuilder {
public:
    TemplateBuilder(DWORD style, WORD items, short cx, short cy)
    {
        DLGTEMPLATE header = {style, 0, items, 0, 0, cx, cy};
        Add(&header, sizeof(header));
        Words({0, 0, 0});  // no menu, default class, no title
    }
    void Item(DWORD style, short y, short cx, short cy, WORD id, WORD atom)
    {
        Align();
        DLGITEMTEMPLATE item = {style | WS_CHILD | WS_VISIBLE, 0, 4, y, cx, cy, id};
        Add(&item, sizeof(item));
        Words({0xFFFF, atom, 0, 0});  // class atom, no title, no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void Add(const void* data, size_t size)
    {
        const WORD* words = static_cast<const WORD*>(data);
        m_words.insert(m_words.end(), words, words + size / 2);
    }
    void Words(std::initializer_list<WORD> words) { m_words.insert(m_words.end(), words); }
    void Align()
    {
        if (m_words.size() % 2 != 0)
            m_words.push_back(0);
    }
    std::vector<WORD> m_words;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(MessageBoxWatcher, LeavesOtherDialogsAlone)
{
    MessageBoxWatcher boxes;
    // An edit field, a text static with id 0xFFFF and an OK button: not a
    // message box.
    TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME, 3, 100, 60);
    t.Item(WS_BORDER, 2, 80, 12, 100, 0x0081);
    t.Item(0, 16, 80, 10, 0xFFFF, 0x0082);
    t.Item(BS_DEFPUSHBUTTON, 30, 40, 14, IDOK, 0x0080);
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.Get(), nullptr, PlainDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    // Several rounds of the watcher's polling while the dialog is on screen.
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 200) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(5);
    }
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(0u, boxes.Count());
    DestroyWindow(dialog);
}

}  // namespace
