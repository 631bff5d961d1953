// Main of every test program: a single-threaded apartment, as on Explorer's
// UI thread, with OLE (clipboard, drag and drop) available.
#include <gtest/gtest.h>
#include <ole2.h>

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    HRESULT hr = OleInitialize(nullptr);
    if (FAILED(hr)) {
        fprintf(stderr, "OleInitialize failed: %08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
