// Tiny owners for the handles the product acquires: each releases what it
// holds when it goes, so that whatever a function acquires it also releases
// on every path, without clean-up code at each return. None can be copied.
#pragma once
#include <windows.h>

// Holds one interface pointer and releases it when it goes.
template <class Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* Get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    // Releases what is held and gives the place for a new pointer.
    Interface** Put()
    {
        Reset();
        return &m_pointer;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset()
    {
        if (m_pointer) {
            m_pointer->Release();
            m_pointer = nullptr;
        }
    }

private:
    Interface* m_pointer = nullptr;
};

// Closes a kernel handle (a file, an event, a process) when it goes. Both
// null and INVALID_HANDLE_VALUE mean that there is none: the system's calls
// report failure with one or the other.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~KernelHandle() { Reset(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    void Reset(HANDLE handle = nullptr)
    {
        if (IsValid())
            CloseHandle(m_handle);
        m_handle = handle;
    }
    // Gives up the handle without closing it.
    HANDLE Release()
    {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    HANDLE m_handle;
};

// Ends a FindFirstFile search when it goes.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : m_handle(handle) {}
    ~FindHandle()
    {
        if (IsValid())
            FindClose(m_handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// Closes an open registry key when it goes.
class RegKeyHandle {
public:
    RegKeyHandle() = default;
    ~RegKeyHandle() { Reset(); }
    RegKeyHandle(const RegKeyHandle&) = delete;
    RegKeyHandle& operator=(const RegKeyHandle&) = delete;

    HKEY Get() const { return m_key; }
    // Closes what is held and gives the place for a newly opened key.
    HKEY* Put()
    {
        Reset();
        return &m_key;
    }
    void Reset(HKEY key = nullptr)
    {
        if (m_key != nullptr)
            RegCloseKey(m_key);
        m_key = key;
    }

private:
    HKEY m_key = nullptr;
};

// Locks a global memory block for as long as it lives. Data() is null when
// the lock failed (or there was no block).
class GlobalMemoryLock {
public:
    explicit GlobalMemoryLock(HGLOBAL block)
        : m_block(block), m_data(block != nullptr ? GlobalLock(block) : nullptr)
    {
    }
    ~GlobalMemoryLock()
    {
        if (m_data != nullptr)
            GlobalUnlock(m_block);
    }
    GlobalMemoryLock(const GlobalMemoryLock&) = delete;
    GlobalMemoryLock& operator=(const GlobalMemoryLock&) = delete;

    const void* Data() const { return m_data; }
    SIZE_T Size() const { return m_data != nullptr ? GlobalSize(m_block) : 0; }

private:
    HGLOBAL m_block;
    void* m_data;
};

// Keeps the clipboard open for as long as it lives; IsOpen() is false when
// another window holds it.
class ClipboardOpen {
public:
    explicit ClipboardOpen(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~ClipboardOpen()
    {
        if (m_open)
            CloseClipboard();
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;

    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

// Deletes a GDI object (a font, a bitmap, a brush) when it goes, unless it
// was handed on with Detach.
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : m_handle(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return m_handle; }
    void Reset(Handle handle = nullptr)
    {
        if (m_handle != nullptr)
            DeleteObject(m_handle);
        m_handle = handle;
    }
    // Gives up the object: whoever takes it deletes it.
    Handle Detach()
    {
        Handle handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    Handle m_handle = nullptr;
};

// Frees a library loaded at run time when it goes.
class LoadedLibrary {
public:
    explicit LoadedLibrary(HMODULE module = nullptr) : m_module(module) {}
    ~LoadedLibrary()
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};
