// The COM server's objects as a shell host meets them through the exported
// DllGetClassObject: reference counts, the pairing of the initialisation
// object and the menu object in both directions, refusals, and when the DLL
// may be unloaded.
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>
#include <shlobj.h>

#include <thread>
#include <vector>

#include "shellext/loaded_server.h"
#include "testlib/shell_data_object.h"
#include "testlib/photos.h"
#include "testlib/temp_folder.h"

namespace {

using shelltest::LoadedServer;
using shelltest::RefCount;

class ComLifetime : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsLoaded());
        ASSERT_EQ(S_OK, server.CanUnloadNow()) << "objects left over from an earlier test";
    }
    void TearDown() override { EXPECT_EQ(S_OK, server.CanUnloadNow()) << "an object or a lock is left"; }

    LoadedServer server;
};

const IID kIidDataObject = IID_IDataObject;

TEST_F(ComLifetime, ClassObjectOnlyForTheOwnClassAndFactoryInterfaces)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, server.GetClassObject(CLSID_ShellLink, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);

    // Any interface other than IUnknown and IClassFactory: the factory is
    // made and destroyed at once.
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, server.GetClassObject(shelltest::kExtensionClsid, IID_IContextMenu, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(S_OK, server.CanUnloadNow());

    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, server.GetClassObject(shelltest::kExtensionClsid, IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    EXPECT_EQ(0u, unknown->Release());
}

TEST_F(ComLifetime, FactoryCountsAndKeepsTheServerLoaded)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, server.GetClassObject(shelltest::kExtensionClsid, IID_IClassFactory,
                                          reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(1u, RefCount(factory));
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());

    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(factory), unknown);
    EXPECT_EQ(1u, unknown->Release());

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IShellExtInit, &out));
    EXPECT_EQ(nullptr, out);

    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_OK, server.CanUnloadNow());
}

TEST_F(ComLifetime, FactoryRefusesAggregationAndOtherInterfaces)
{
    IClassFactory* factory = server.Factory();
    ASSERT_NE(nullptr, factory);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory, IID_IShellExtInit, &out));
    EXPECT_EQ(nullptr, out);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, kIidDataObject, &out));
    EXPECT_EQ(nullptr, out);
    factory->Release();
}

TEST_F(ComLifetime, LockServerHoldsTheServerUntilUnlocked)
{
    IClassFactory* factory = server.Factory();
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory->Release();
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());

    factory = server.Factory();
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_EQ(S_FALSE, server.CanUnloadNow()) << "one lock is still held";

    factory = server.Factory();
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
}

TEST_F(ComLifetime, InitObjectMakesOneMenuObjectAndIsKeptAliveByIt)
{
    IShellExtInit* init = server.NewShellExtInit();
    ASSERT_NE(nullptr, init);
    EXPECT_EQ(1u, RefCount(init));

    IContextMenu* first = nullptr;
    IContextMenu* second = nullptr;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&first)));
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&second)));
    EXPECT_EQ(first, second);
    EXPECT_EQ(2u, RefCount(init)) << "the caller's reference and the menu's";
    EXPECT_EQ(2u, RefCount(first)) << "one per hand-out";

    // The menu answers IShellExtInit with its partner, and the pair does not
    // share one COM identity.
    IShellExtInit* partner = nullptr;
    ASSERT_EQ(S_OK, first->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&partner)));
    EXPECT_EQ(init, partner);
    partner->Release();
    IUnknown* initIdentity = nullptr;
    IUnknown* menuIdentity = nullptr;
    init->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&initIdentity));
    first->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&menuIdentity));
    EXPECT_NE(initIdentity, menuIdentity);
    initIdentity->Release();
    menuIdentity->Release();

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, init->QueryInterface(kIidDataObject, &out));
    EXPECT_EQ(nullptr, out);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, first->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);

    // The host lets go of the initialisation object first; the menu keeps it.
    EXPECT_EQ(1u, init->Release());
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    second->Release();
    EXPECT_EQ(0u, first->Release());
}

TEST_F(ComLifetime, MenuObjectFromTheFactoryGetsAPartnerOnRequest)
{
    IClassFactory* factory = server.Factory();
    ASSERT_NE(nullptr, factory);
    IContextMenu* menu = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    factory->Release();
    EXPECT_EQ(1u, RefCount(menu));

    // Without a partner the menu cannot work, but it answers verbs.
    HMENU hmenu = CreatePopupMenu();
    EXPECT_EQ(E_FAIL, menu->QueryContextMenu(hmenu, 0, 1, 100, CMF_NORMAL));
    EXPECT_EQ(0, GetMenuItemCount(hmenu));
    wchar_t verb[16] = L"";
    EXPECT_EQ(S_OK, menu->GetCommandString(4, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(verb), 16));
    EXPECT_STREQ(L"AboutZerli", verb);

    IShellExtInit* init = nullptr;
    ASSERT_EQ(S_OK, menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)));
    EXPECT_EQ(2u, RefCount(init)) << "the menu's own reference and the caller's";
    IContextMenu* again = nullptr;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(menu, again);
    again->Release();

    // Now paired, the menu works once the partner holds a selection.
    vztest::TempFolder folder;
    std::wstring photo = vztest::CopyPhoto(L"unlocated.jpg", folder.Path());
    IDataObject* data = vztest::CreateShellDataObject({photo});
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(S_OK, init->Initialize(nullptr, data, nullptr));
    data->Release();
    EXPECT_EQ(5, menu->QueryContextMenu(hmenu, 0, 1, 100, CMF_NORMAL));
    DestroyMenu(hmenu);

    // Released in the other order: the caller's partner reference first.
    EXPECT_EQ(1u, init->Release());
    EXPECT_EQ(0u, menu->Release());
}

TEST_F(ComLifetime, ReleasedMenuObjectIsReplacedNotReached)
{
    IShellExtInit* init = server.NewShellExtInit();
    ASSERT_NE(nullptr, init);
    vztest::TempFolder folder;
    std::wstring photo = vztest::CopyPhoto(L"unlocated.jpg", folder.Path());
    IDataObject* data = vztest::CreateShellDataObject({photo});
    ASSERT_NE(nullptr, data);
    ASSERT_EQ(S_OK, init->Initialize(nullptr, data, nullptr));
    data->Release();

    IContextMenu* menu = nullptr;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    EXPECT_EQ(0u, menu->Release());
    EXPECT_EQ(1u, RefCount(init)) << "the dead menu's reference was given back";

    // A later request makes a fresh menu object that works.
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    EXPECT_EQ(1u, RefCount(menu));
    EXPECT_EQ(2u, RefCount(init));
    HMENU hmenu = CreatePopupMenu();
    EXPECT_EQ(5, menu->QueryContextMenu(hmenu, 0, 1, 100, CMF_NORMAL));
    EXPECT_EQ(1, GetMenuItemCount(hmenu));
    DestroyMenu(hmenu);
    menu->Release();
    EXPECT_EQ(0u, init->Release());
}

TEST_F(ComLifetime, CountsStayExactWhenManyThreadsCreateAndLock)
{
    // The shell may use the extension from several apartment threads at
    // once; the module's counts must not lose a change.
    const int kThreads = 4;
    const int kRounds = 3000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this] {
            for (int i = 0; i < kRounds; ++i) {
                IClassFactory* factory = server.Factory();
                if (!factory)
                    continue;
                factory->LockServer(TRUE);
                IUnknown* object = nullptr;
                if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&object))))
                    object->Release();
                factory->LockServer(FALSE);
                factory->Release();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(S_OK, server.CanUnloadNow());
}

}  // namespace
