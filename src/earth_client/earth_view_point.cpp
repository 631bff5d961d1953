// The view point of a running Google Earth, with the messages that tell the
// user why there is none.
#include "earth_client/automation_call.h"
#include "earth_client/earth_client.h"
#include "earth_client/earth_texts.h"
#include "support/geo_position.h"
#include "support/text_bounded.h"

namespace {

const size_t kVersionCapacity = 64;
const size_t kMessageCapacity = 512;
// Headings below this (radians) are negative: Google Earth gives -180 .. 180 degrees.
const double kNegativeHeading = -1e-8;
const double kTwoPi = 6.283185307179586;

void ClearOutput(double* value)
{
    if (value)
        *value = 0.0;
}

// Whether Google Earth has finished starting (IsInitialized).
HRESULT ReadInitialized(IUnknown* application, bool* initialized)
{
    *initialized = false;
    ComRef<IDispatch> dispatch;
    HRESULT hr = GetDispatch(application, dispatch.Put());
    VariantValue answer;
    if (SUCCEEDED(hr))
        hr = InvokeByName(dispatch.Get(), L"IsInitialized", DISPATCH_METHOD, nullptr, 0, answer.Put());
    VariantValue flag;
    if (SUCCEEDED(hr))
        hr = VariantChangeType(flag.Put(), &answer.Get(), 0, VT_BOOL);
    if (SUCCEEDED(hr))
        *initialized = V_BOOL(&flag.Get()) != VARIANT_FALSE;
    return hr;
}

// The terrain exaggeration; failures are the caller's to ignore.
HRESULT ReadExaggeration(IUnknown* application, double* exaggeration)
{
    ComRef<IDispatch> dispatch;
    HRESULT hr = GetDispatch(application, dispatch.Put());
    if (SUCCEEDED(hr))
        hr = ReadDoubleProperty(dispatch.Get(), L"ElevationExaggeration", exaggeration);
    return hr;
}

// The waiting or the call-failed message, with the failing HRESULT.
void ShowEarthWarning(bool reportedInitialized, HRESULT hr, const wchar_t* version)
{
    char text[kMessageCapacity];
    FormatBounded(text, kMessageCapacity, reportedInitialized ? kEarthCallFailedMessage : kEarthWaitMessage,
                  static_cast<unsigned long>(hr), version);
    MessageBoxA(nullptr, text, kEarthMessageTitle, MB_SETFOREGROUND | MB_ICONWARNING);
}

void ShowTerrainNotice(const wchar_t* version)
{
    char text[kMessageCapacity];
    FormatBounded(text, kMessageCapacity, kEarthTerrainMessage, version);
    MessageBoxA(nullptr, text, kEarthMessageTitle, MB_SETFOREGROUND | MB_ICONINFORMATION);
}

}  // namespace

HRESULT GetEarthViewPoint(double* latitude, double* longitude, double* altitude, double* heading)
{
    ClearOutput(latitude);
    ClearOutput(longitude);
    ClearOutput(altitude);
    ClearOutput(heading);
    if (!latitude || !longitude)
        return E_INVALIDARG;

    wchar_t version[kVersionCapacity] = L"";
    bool reportedInitialized = false;
    ComRef<IUnknown> application;
    HRESULT hr = CoCreateInstance(CLSID_ApplicationGE, nullptr, CLSCTX_SERVER, IID_IApplicationGE,
                                  application.PutVoid());
    if (SUCCEEDED(hr)) {
        FormatEarthVersion(application.Get(), version, kVersionCapacity);
        bool initialized = false;
        hr = ReadInitialized(application.Get(), &initialized);
        if (SUCCEEDED(hr) && !initialized)
            hr = E_PENDING;
        reportedInitialized = SUCCEEDED(hr);
    }
    if (SUCCEEDED(hr))
        hr = QueryPointOnTerrain(application.Get(), latitude, longitude, altitude, heading);
    if (SUCCEEDED(hr) && heading && *heading < kNegativeHeading)
        *heading += kTwoPi;

    double exaggeration = -1.0;
    HRESULT hrExaggeration = E_FAIL;
    if (SUCCEEDED(hr))
        hrExaggeration = ReadExaggeration(application.Get(), &exaggeration);
    application.Reset();

    if (FAILED(hr))
        ShowEarthWarning(reportedInitialized, hr, version);
    else if (SUCCEEDED(hrExaggeration) && exaggeration == 0.0)
        ShowTerrainNotice(version);
    return SUCCEEDED(hr) ? S_OK : hr;
}
