// Reading clipboard text: ANSI text converted, cut to the buffer, no text.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <new>
#include <string>

#include "support/clipboard_text.h"
#include "testlib/clipboard_viewer.h"
#include "testlib/test_window.h"

namespace {

// The largest array the product asked for with new (std::nothrow) while
// g_watchArrays was set: the clipboard reader allocates its work buffers
// that way.
bool g_watchArrays = false;
size_t g_largestArray = 0;

}  // namespace

void* operator new[](size_t size, const std::nothrow_t& tag) noexcept
{
    if (g_watchArrays && size > g_largestArray)
        g_largestArray = size;
    return operator new(size, tag);
}

namespace {

// Puts a CF_TEXT block of exactly these bytes on the clipboard.
void PutAnsiBlock(HWND owner, const std::string& bytes)
{
    ASSERT_TRUE(vztest::OpenClipboardPatiently(owner));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    ASSERT_NE(nullptr, block);
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    EXPECT_NE(nullptr, SetClipboardData(CF_TEXT, block));
    CloseClipboard();
}

void PutNothing(HWND owner)
{
    ASSERT_TRUE(vztest::OpenClipboardPatiently(owner));
    EmptyClipboard();
    CloseClipboard();
}

class ClipboardText : public testing::Test {
protected:
    ClipboardText() : m_window(WS_POPUP, 0, 0, 10, 10) {}
    ~ClipboardText() override { PutNothing(m_window.Handle()); }
    HWND Window() const { return m_window.Handle(); }

private:
    vztest::TestWindow m_window;
};

TEST_F(ClipboardText, ReadsAnsiTextIntoTheBuffer)
{
    PutAnsiBlock(Window(), std::string("48.137154, 11.575382\0", 21));
    wchar_t buffer[64];
    ASSERT_TRUE(ReadClipboardText(Window(), buffer, 64));
    EXPECT_STREQ(L"48.137154, 11.575382", buffer);

    // The degree sign of the ANSI code page arrives as U+00B0.
    PutAnsiBlock(Window(), std::string("48\xb0 N\0", 6));
    ASSERT_TRUE(ReadClipboardText(Window(), buffer, 64));
    EXPECT_STREQ(L"48\u00b0 N", buffer);
}

TEST_F(ClipboardText, LongTextIsCutToCapacityMinusOne)
{
    std::string text(100, 'a');
    text += '\0';
    PutAnsiBlock(Window(), text);
    wchar_t buffer[64];
    ASSERT_TRUE(ReadClipboardText(Window(), buffer, 64));
    EXPECT_EQ(std::wstring(63, L'a'), buffer);

    PutAnsiBlock(Window(), std::string(64, 'b') + '\0');
    ASSERT_TRUE(ReadClipboardText(Window(), buffer, 64));
    EXPECT_EQ(std::wstring(63, L'b'), buffer);

    PutAnsiBlock(Window(), std::string(63, 'c') + '\0');
    ASSERT_TRUE(ReadClipboardText(Window(), buffer, 64));
    EXPECT_EQ(std::wstring(63, L'c'), buffer);
}

TEST_F(ClipboardText, HugeTextIsReadFromABoundedPrefix)
{
    // Eight megabytes of text: only what the buffer can hold is converted.
    std::string text = "48.137154, 11.575382 ";
    text.resize(8 << 20, 'x');
    PutAnsiBlock(Window(), text + '\0');
    wchar_t buffer[64];
    g_largestArray = 0;
    g_watchArrays = true;
    BOOL read = ReadClipboardText(Window(), buffer, 64);
    g_watchArrays = false;
    ASSERT_TRUE(read);
    EXPECT_EQ(L"48.137154, 11.575382 " + std::wstring(63 - 21, L'x'), buffer);
    EXPECT_LE(g_largestArray, 4096u);
}

TEST_F(ClipboardText, UnterminatedBlockIsReadWithinItsSize)
{
    // Other programs' data is not trusted to be terminated. (Wine itself
    // puts a terminator into the block's last byte.)
    PutAnsiBlock(Window(), "12.5, 7");
    wchar_t buffer[64];
    ASSERT_TRUE(ReadClipboardText(Window(), buffer, 64));
    std::wstring text(buffer);
    EXPECT_GE(text.size(), 6u);
    EXPECT_EQ(0u, std::wstring(L"12.5, 7").find(text)) << testing::PrintToString(text);
}

TEST_F(ClipboardText, NoTextGivesAnEmptyBufferAndTrue)
{
    PutNothing(Window());
    wchar_t buffer[8] = L"old";
    EXPECT_TRUE(ReadClipboardText(Window(), buffer, 8));
    EXPECT_STREQ(L"", buffer);
}

// A thread of its own: opens the clipboard with a window of its own, says
// so through the event, holds it open for 40 ms; 0 when it had it open.
DWORD WINAPI HoldClipboardOpen(void* event)
{
    vztest::TestWindow other(WS_POPUP, 0, 0, 10, 10);
    const bool open = vztest::OpenClipboardPatiently(other.Handle());
    SetEvent(event);
    Sleep(40);
    if (open)
        CloseClipboard();
    return open ? 0 : 1;
}

// Another window that holds the clipboard open for a moment (as clipboard
// managers do) delays the read, and does not fail it.
TEST_F(ClipboardText, AClipboardHeldOpenForAMomentIsWaitedFor)
{
    PutAnsiBlock(Window(), std::string("1, 2\0", 5));
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, opened);
    HANDLE holder = CreateThread(nullptr, 0, HoldClipboardOpen, opened, 0, nullptr);
    ASSERT_NE(nullptr, holder);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened, 10000));
    wchar_t buffer[16];
    EXPECT_TRUE(ReadClipboardText(Window(), buffer, 16));
    EXPECT_STREQ(L"1, 2", buffer);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holder, 10000));
    DWORD held = 1;
    EXPECT_TRUE(GetExitCodeThread(holder, &held) && held == 0) << "the other window had the clipboard open";
    CloseHandle(holder);
    CloseHandle(opened);
}

TEST_F(ClipboardText, CapacityZeroFailsAndLeavesTheBuffer)
{
    PutAnsiBlock(Window(), std::string("1, 2\0", 5));
    wchar_t buffer[8] = L"old";
    EXPECT_FALSE(ReadClipboardText(Window(), buffer, 0));
    EXPECT_FALSE(ReadClipboardText(Window(), buffer, -1));
    EXPECT_STREQ(L"old", buffer);
    EXPECT_TRUE(ReadClipboardText(Window(), buffer, 1));
    EXPECT_STREQ(L"", buffer);
}

}  // namespace
