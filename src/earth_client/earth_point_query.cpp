// The point on the terrain at the centre of Google Earth's view, and the
// camera's heading. Older Google Earth versions answer the point as an
// array of doubles, newer ones as a point object; the member's declared
// return type, found in its type description, tells which.
#include "earth_client/automation_call.h"
#include "earth_client/earth_client.h"
#include "support/geo_position.h"

namespace {

const wchar_t kPointMember[] = L"GetPointOnTerrainFromScreenCoords";
// A walk over more function descriptions than this is taken as broken.
const UINT kMaxFunctionDescriptions = 4096;

void ClearOutput(double* value)
{
    if (value)
        *value = 0.0;
}

// The declared return type of the member with the given dispatch id (the
// first description whose memid matches); E_FAIL when the walk ends first.
HRESULT FindDeclaredReturnType(ITypeInfo* typeInfo, DISPID id, VARTYPE* returnType)
{
    HRESULT hr = E_FAIL;
    for (UINT index = 0; index < kMaxFunctionDescriptions; index++) {
        FUNCDESC* description = nullptr;
        if (FAILED(typeInfo->GetFuncDesc(index, &description)) || !description)
            break;
        bool match = description->memid == id;
        if (match)
            *returnType = description->elemdescFunc.tdesc.vt;
        typeInfo->ReleaseFuncDesc(description);
        if (match) {
            hr = S_OK;
            break;
        }
    }
    return hr;
}

// Looks up the point member and how it is declared to return the point.
HRESULT FindPointMember(IUnknown* application, DISPID* id, VARTYPE* returnType)
{
    ComRef<IDispatch> dispatch;
    HRESULT hr = GetDispatch(application, dispatch.Put());
    if (SUCCEEDED(hr))
        hr = LookUpMember(dispatch.Get(), kPointMember, id);
    ComRef<ITypeInfo> typeInfo;
    if (SUCCEEDED(hr))
        hr = dispatch->GetTypeInfo(0, LOCALE_SYSTEM_DEFAULT, typeInfo.Put());
    if (SUCCEEDED(hr) && !typeInfo.Get())
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = FindDeclaredReturnType(typeInfo.Get(), *id, returnType);
    return hr;
}

// One element of an array answer.
HRESULT ReadArrayElement(SAFEARRAY* values, LONG index, double* value)
{
    double element = 0.0;
    HRESULT hr = SafeArrayGetElement(values, &index, &element);
    if (SUCCEEDED(hr))
        *value = element;
    return hr;
}

// An array answer: latitude, longitude and altitude in degrees, degrees, metres.
HRESULT ReadPointArray(const VARIANT& answer, double* latitude, double* longitude, double* altitude)
{
    // Only a one-dimensional array of doubles is what the member declares;
    // its elements are read with bounds checks.
    SAFEARRAY* values = V_VT(&answer) == (VT_ARRAY | VT_R8) ? V_ARRAY(&answer) : nullptr;
    HRESULT hr = S_OK;
    if (!values || SafeArrayGetDim(values) != 1 || SafeArrayGetElemsize(values) != sizeof(double))
        hr = E_FAIL;
    double degrees = 0.0;
    if (SUCCEEDED(hr))
        hr = ReadArrayElement(values, 0, &degrees);
    if (SUCCEEDED(hr)) {
        *latitude = degrees * kRadiansPerDegree;
        hr = ReadArrayElement(values, 1, &degrees);
    }
    if (SUCCEEDED(hr)) {
        *longitude = degrees * kRadiansPerDegree;
        if (altitude)
            hr = ReadArrayElement(values, 2, altitude);
    }
    return hr;
}

// An object answer with the properties Latitude, Longitude, Altitude.
HRESULT ReadPointObject(const VARIANT& answer, double* latitude, double* longitude, double* altitude)
{
    ComRef<IDispatch> point;
    HRESULT hr = DispatchFromAnswer(answer, point.Put());
    double degrees = 0.0;
    if (SUCCEEDED(hr))
        hr = ReadDoubleProperty(point.Get(), L"Latitude", &degrees);
    if (SUCCEEDED(hr)) {
        *latitude = degrees * kRadiansPerDegree;
        hr = ReadDoubleProperty(point.Get(), L"Longitude", &degrees);
    }
    if (SUCCEEDED(hr)) {
        *longitude = degrees * kRadiansPerDegree;
        if (altitude)
            hr = ReadDoubleProperty(point.Get(), L"Altitude", altitude);
    }
    return hr;
}

// The camera's azimuth in radians, as Google Earth gives it (-pi .. pi).
HRESULT ReadCameraHeading(IDispatch* application, double* heading)
{
    VARIANT considerTerrain;
    VariantInit(&considerTerrain);
    V_VT(&considerTerrain) = VT_I4;
    V_I4(&considerTerrain) = FALSE;
    VariantValue answer;
    HRESULT hr = InvokeByName(application, L"GetCamera", DISPATCH_METHOD, &considerTerrain, 1, answer.Put());
    ComRef<IDispatch> camera;
    if (FAILED(hr) || FAILED(DispatchFromAnswer(answer.Get(), camera.Put())))
        hr = E_FAIL;
    double degrees = 0.0;
    if (SUCCEEDED(hr))
        hr = ReadDoubleProperty(camera.Get(), L"Azimuth", &degrees);
    if (SUCCEEDED(hr))
        *heading = degrees * kRadiansPerDegree;
    return hr;
}

}  // namespace

HRESULT QueryPointOnTerrain(IUnknown* application, double* latitude, double* longitude, double* altitude,
                            double* heading)
{
    ClearOutput(latitude);
    ClearOutput(longitude);
    ClearOutput(altitude);
    ClearOutput(heading);
    if (!application || !latitude || !longitude)
        return E_INVALIDARG;

    DISPID pointId = DISPID_UNKNOWN;
    VARTYPE returnType = VT_EMPTY;
    HRESULT hr = FindPointMember(application, &pointId, &returnType);

    ComRef<IDispatch> dispatch;
    if (SUCCEEDED(hr))
        hr = GetDispatch(application, dispatch.Put());
    VariantValue answer;
    if (SUCCEEDED(hr)) {
        // The centre of the view in Google Earth's normalised screen coordinates.
        VARIANT centre[2];
        VariantInit(&centre[0]);
        VariantInit(&centre[1]);
        V_VT(&centre[0]) = VT_R8;
        V_R8(&centre[0]) = 0.0;
        V_VT(&centre[1]) = VT_R8;
        V_R8(&centre[1]) = 0.0;
        hr = InvokeMember(dispatch.Get(), pointId, DISPATCH_METHOD, centre, 2, answer.Put());
    }
    if (SUCCEEDED(hr)) {
        if (returnType == VT_SAFEARRAY)
            hr = ReadPointArray(answer.Get(), latitude, longitude, altitude);
        else if (returnType == VT_PTR)
            hr = ReadPointObject(answer.Get(), latitude, longitude, altitude);
        else
            hr = E_FAIL;
    }
    answer.Clear();  // the array or the point object goes before the camera is asked for
    if (SUCCEEDED(hr) && heading)
        hr = ReadCameraHeading(dispatch.Get(), heading);
    return SUCCEEDED(hr) ? S_OK : hr;
}
