// IApplicationGE of the stand-in: answers from the settings, records the
// calls and their arguments.
#include <new>

#include "standin_dispatch.h"
#include "standin_objects.h"
#include "standin_settings.h"

namespace standin {
namespace {

const DISPID kDispidGetPointOnTerrain = 2;

// A double argument of an IDispatch call (arguments arrive last first).
double ArgumentAsDouble(DISPPARAMS* params, UINT position)
{
    if (!params || position >= params->cArgs)
        return -1.0;
    VARIANT value;
    VariantInit(&value);
    double number = -1.0;
    if (SUCCEEDED(VariantChangeType(&value, &params->rgvarg[params->cArgs - 1 - position], 0, VT_R8)))
        number = V_R8(&value);
    VariantClear(&value);
    return number;
}

class CApplicationGE : public DualObject<IApplicationGE> {
public:
    CApplicationGE() : DualObject<IApplicationGE>(IID_IApplicationGE) {}

    IFACEMETHODIMP GetCamera(BOOL considerTerrain, ICameraInfoGE** camera) override
    {
        if (!camera)
            return E_POINTER;
        *camera = nullptr;
        WriteDword(kLastConsiderTerrain, static_cast<DWORD>(considerTerrain));
        HRESULT hr = EnterMember(L"GetCamera");
        if (SUCCEEDED(hr))
            hr = CreateCamera(camera);
        return hr;
    }

#ifdef POINT_AS_OBJECT
    IFACEMETHODIMP GetPointOnTerrainFromScreenCoords(double screenX, double screenY,
                                                     IPointOnTerrainGE** point) override
    {
        if (!point)
            return E_POINTER;
        *point = nullptr;
        HRESULT hr = EnterPointCall(screenX, screenY);
        if (SUCCEEDED(hr))
            hr = CreatePoint(ReadNumber(kLatitude, 0.0), ReadNumber(kLongitude, 0.0),
                             ReadNumber(kAltitude, 0.0), point);
        return hr;
    }
#else
    IFACEMETHODIMP GetPointOnTerrainFromScreenCoords(double screenX, double screenY, SAFEARRAY** point) override
    {
        if (!point)
            return E_POINTER;
        *point = nullptr;
        HRESULT hr = EnterPointCall(screenX, screenY);
        if (SUCCEEDED(hr))
            hr = CreatePointArray(ReadNumber(kLatitude, 0.0), ReadNumber(kLongitude, 0.0),
                                  ReadNumber(kAltitude, 0.0), 3, point);
        return hr;
    }
#endif

    IFACEMETHODIMP get_VersionMajor(int* value) override { return AnswerInt(L"VersionMajor", kVersionMajor, 4, value); }
    IFACEMETHODIMP get_VersionMinor(int* value) override { return AnswerInt(L"VersionMinor", kVersionMinor, 3, value); }
    IFACEMETHODIMP get_VersionBuild(int* value) override { return AnswerInt(L"VersionBuild", kVersionBuild, 7284, value); }
    IFACEMETHODIMP get_VersionAppType(AppTypeGE* value) override
    {
        if (!value)
            return E_POINTER;
        int number = 0;
        HRESULT hr = AnswerInt(L"VersionAppType", kVersionAppType, PlusGE, &number);
        *value = static_cast<AppTypeGE>(number);
        return hr;
    }
    IFACEMETHODIMP IsInitialized(BOOL* value) override
    {
        if (!value)
            return E_POINTER;
        *value = FALSE;
        HRESULT hr = EnterMember(L"IsInitialized");
        if (SUCCEEDED(hr))
            *value = ReadDword(kInitialized, 1) != 0;
        return hr;
    }
    IFACEMETHODIMP get_ElevationExaggeration(double* value) override
    {
        if (!value)
            return E_POINTER;
        *value = 0.0;
        HRESULT hr = EnterMember(L"ElevationExaggeration");
        if (SUCCEEDED(hr))
            *value = ReadNumber(kExaggeration, 1.0);
        return hr;
    }
    IFACEMETHODIMP put_ElevationExaggeration(double value) override
    {
        HRESULT hr = EnterMember(L"ElevationExaggeration");
        if (SUCCEEDED(hr))
            WriteNumber(kExaggeration, value);
        return hr;
    }

protected:
    // Faulty answers of GetPointOnTerrainFromScreenCoords that its
    // declaration does not allow, chosen by the PointAnswer setting.
    HRESULT AnswerInvoke(DISPID id, WORD, DISPPARAMS* params, VARIANT* result) override
    {
        std::wstring answer = ReadText(kPointAnswer);
        if (id != kDispidGetPointOnTerrain || answer.empty())
            return S_FALSE;
        HRESULT hr = EnterPointCall(ArgumentAsDouble(params, 0), ArgumentAsDouble(params, 1));
        if (FAILED(hr))
            return hr;
        if (!result)
            return S_OK;
        VariantInit(result);
        double latitude = ReadNumber(kLatitude, 0.0);
        double longitude = ReadNumber(kLongitude, 0.0);
        double altitude = ReadNumber(kAltitude, 0.0);
#ifdef POINT_AS_OBJECT
        bool asArray = answer == kPointAnswerSwapped || answer == kPointAnswerShort;
#else
        bool asArray = answer == kPointAnswerShort;
#endif
        if (asArray) {
            SAFEARRAY* point = nullptr;
            hr = CreatePointArray(latitude, longitude, altitude, answer == kPointAnswerShort ? 2 : 3, &point);
            if (SUCCEEDED(hr)) {
                V_VT(result) = VT_ARRAY | VT_R8;
                V_ARRAY(result) = point;
            }
        } else if (answer == kPointAnswerSwapped) {
            IPointOnTerrainGE* point = nullptr;
            hr = CreatePoint(latitude, longitude, altitude, &point);
            if (SUCCEEDED(hr)) {
                V_VT(result) = VT_DISPATCH;
                V_DISPATCH(result) = point;
            }
        } else if (answer == kPointAnswerText) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocString(L"52.5 13.4 34");
        } else if (answer == kPointAnswerNull) {
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = nullptr;
        }
        return hr;
    }

private:
    static HRESULT EnterPointCall(double screenX, double screenY)
    {
        WriteNumber(kLastScreenX, screenX);
        WriteNumber(kLastScreenY, screenY);
        return EnterMember(L"GetPointOnTerrainFromScreenCoords");
    }

    static HRESULT AnswerInt(const wchar_t* member, const wchar_t* setting, int fallback, int* value)
    {
        if (!value)
            return E_POINTER;
        *value = 0;
        HRESULT hr = EnterMember(member);
        if (SUCCEEDED(hr))
            *value = static_cast<int>(ReadDword(setting, static_cast<DWORD>(fallback)));
        return hr;
    }
};

}  // namespace

HRESULT CreateApplication(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    CApplicationGE* object = new (std::nothrow) CApplicationGE();
    HRESULT hr = object ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        hr = object->QueryInterface(riid, ppv);
        object->Release();
    }
    return hr;
}

}  // namespace standin
