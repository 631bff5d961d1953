#include "earth/show_location.h"

#include <shellapi.h>
#include <oleauto.h>

#include "earth/earth_command_texts.h"
#include "replacement/file_access.h"
#include "kml/kml_document.h"
#include "kml/kml_files.h"
#include "kml/xml_serializer.h"
#include "support/message_box.h"
#include "support/owners.h"
#include "support/text_bounded.h"

namespace {

// The shell's results up to this value are errors.
const INT_PTR kLastShellError = 32;

void ShowError(const char* message)
{
    ShowMessage(nullptr, message, kShowLocationMessageFlags);
}

// Frees a BSTR when it goes.
class OwnedBstr {
public:
    OwnedBstr() {}
    ~OwnedBstr() { SysFreeString(m_text); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    BSTR* Receive() { return &m_text; }
    BSTR Get() const { return m_text; }

private:
    BSTR m_text = nullptr;
};

// Serialises the document with the byte-order mark into the open file. S_OK
// only when the whole text was written.
HRESULT WriteDocument(HANDLE file, const XmlDocument* document)
{
    OwnedBstr text;
    HRESULT hr = SerializeDocument(document, text.Receive(), true);
    // A document without a root gives no text: nothing worth opening.
    if (hr != S_OK || text.Get() == nullptr)
        hr = E_FAIL;
    if (SUCCEEDED(hr)) {
        UINT bytes = SysStringByteLen(text.Get());
        if (!WriteAt(file, reinterpret_cast<const uint8_t*>(text.Get()), 0, bytes))
            hr = E_FAIL;
    }
    return hr;
}

}  // namespace

HRESULT WriteKmlFile(const wchar_t* path, const XmlDocument* document)
{
    HANDLE created = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return E_FAIL;
    HRESULT hr = S_OK;
    {
        KernelHandle file(created);
        hr = WriteDocument(file.Get(), document);
    }
    if (FAILED(hr))
        DeleteFileW(path);
    return hr;
}

HRESULT ShowLocationInEarth(const ImageSelection& selection)
{
    DeleteOldKmlFiles();
    wchar_t path[kKmlPathCapacity];
    HRESULT hr = MakeKmlFileName(path);
    if (FAILED(hr))
        return hr;
    // The previews of raw files are written beside the KML file.
    XmlDocumentHolder document(BuildKmlDocument(selection, path));

    hr = WriteKmlFile(path, document.get());
    if (FAILED(hr)) {
        ShowError(kKmlCreateFailedMessage);
        return E_FAIL;
    }

    INT_PTR launched = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL));
    if (launched <= kLastShellError) {
        char message[kShowLocationMessageCapacity];
        FormatBounded(message, sizeof(message), kEarthLaunchFailedFormat, static_cast<int>(launched));
        ShowError(message);
        return E_FAIL;
    }
    return S_OK;
}
