// The stand-in's automation objects, made by free functions.
#pragma once
#include <windows.h>

#include "earth_standin.h"  // generated from earth_standin.idl for this flavour

namespace standin {

// The application object; what the class factory hands out.
HRESULT CreateApplication(REFIID riid, void** ppv);
// A camera whose azimuth is read from the settings at each call.
HRESULT CreateCamera(ICameraInfoGE** camera);
// A point on the terrain with fixed values (degrees, degrees, metres).
HRESULT CreatePoint(double latitude, double longitude, double altitude, IPointOnTerrainGE** point);
// The point at the view centre as an array of doubles: latitude, longitude,
// altitude (count values; fewer than 3 make a short, faulty answer).
HRESULT CreatePointArray(double latitude, double longitude, double altitude, LONG count, SAFEARRAY** point);

}  // namespace standin
