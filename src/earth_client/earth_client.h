// The client of Google Earth's automation server: whether Google Earth is
// installed, and the point on the terrain at the centre of a running Google
// Earth's view with the camera's heading. Every call into Google Earth goes
// through IDispatch by member name (earth/automation_call.h); no object of
// Google Earth is kept between calls.
#pragma once
#include <windows.h>
#include <cstddef>

// Google Earth's application class and its interface IApplicationGE.
extern const CLSID CLSID_ApplicationGE;
extern const IID IID_IApplicationGE;

// True when HKEY_CLASSES_ROOT\CLSID\{CLSID_ApplicationGE}\LocalServer32
// holds a REG_SZ naming a file or folder that exists. The value is used as
// stored (quotes or arguments are not stripped); a value that does not fit
// 260 bytes counts as not installed.
bool IsEarthInstalled();

// Asks a running Google Earth (started by COM when registered but not
// running) for the point on the terrain at the centre of its view:
// latitude and longitude in radians, altitude in metres, heading in radians
// in [0, 2pi). latitude and longitude are required; altitude and heading may
// be null. All given outputs are 0 first; on failure they keep what was set
// before it. Shows the warning for a failure (and returns its HRESULT:
// E_PENDING for a Google Earth that is not yet initialised) and the notice
// for a terrain exaggeration of 0 (and returns S_OK).
HRESULT GetEarthViewPoint(double* latitude, double* longitude, double* altitude, double* heading);

// The inner step of GetEarthViewPoint on an application object, without
// messages and without the normalisation of the heading.
HRESULT QueryPointOnTerrain(IUnknown* application, double* latitude, double* longitude, double* altitude,
                            double* heading);

// "\n\n(Google Earth Plus v.4.3.7284)" for the application object, or the
// empty text when its major version is not above 0; cut to capacity - 1
// characters.
void FormatEarthVersion(IUnknown* application, wchar_t* buffer, size_t capacity);
