#include "testlib/shell_data_object.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <new>

#include "shell_driver/shell_selection.h"

namespace vztest {

IDataObject* CreateShellDataObject(const std::vector<std::wstring>& paths)
{
    IDataObject* data = nullptr;
    return SUCCEEDED(shell_driver::CreateShellSelection(paths, &data)) ? data : nullptr;
}

namespace {

// Serves one HGLOBAL as CF_HDROP, or nothing.
class DropFilesDataObject : public IDataObject {
public:
    explicit DropFilesDataObject(std::string bytes) : m_bytes(std::move(bytes)) {}

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        static const QITAB qit[] = {QITABENT(DropFilesDataObject, IDataObject), {nullptr, 0}};
        return QISearch(this, qit, riid, ppv);
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        LONG cRef = InterlockedDecrement(&m_cRef);
        if (cRef == 0)
            delete this;
        return cRef;
    }

    IFACEMETHODIMP GetData(FORMATETC* fmt, STGMEDIUM* medium) override
    {
        HRESULT hr = QueryGetData(fmt);
        if (FAILED(hr))
            return hr;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, m_bytes.size());
        if (!h)
            return E_OUTOFMEMORY;
        memcpy(GlobalLock(h), m_bytes.data(), m_bytes.size());
        GlobalUnlock(h);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = h;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    IFACEMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    IFACEMETHODIMP QueryGetData(FORMATETC* fmt) override
    {
        if (m_bytes.empty() || !fmt || fmt->cfFormat != CF_HDROP || !(fmt->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        return S_OK;
    }
    IFACEMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    IFACEMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    IFACEMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    IFACEMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    IFACEMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    virtual ~DropFilesDataObject() = default;
    LONG m_cRef = 1;
    std::string m_bytes;
};

std::string BuildDropFiles(const std::vector<std::wstring>& paths, bool wide)
{
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = wide;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::wstring& path : paths) {
        if (wide) {
            bytes.append(reinterpret_cast<const char*>(path.c_str()), (path.size() + 1) * sizeof(wchar_t));
        } else {
            int n = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
            std::string ansi(n, '\0');
            WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, &ansi[0], n, nullptr, nullptr);
            bytes += ansi;  // includes its terminating NUL
        }
    }
    bytes.append(wide ? 2 : 1, '\0');
    return bytes;
}

}  // namespace

IDataObject* CreateDropFilesDataObject(const std::vector<std::wstring>& paths, bool wide)
{
    return new DropFilesDataObject(BuildDropFiles(paths, wide));
}

IDataObject* CreateRawDropFilesDataObject(const std::string& block)
{
    return new DropFilesDataObject(block);
}

IDataObject* CreateEmptyDataObject()
{
    return new DropFilesDataObject(std::string());
}

}  // namespace vztest
