// The view-centre point of the stand-in, in both forms Google Earth has
// delivered it: an IPointOnTerrainGE object and an array of doubles.
#include <new>

#include "standin_dispatch.h"
#include "standin_objects.h"

namespace standin {
namespace {

class CPointOnTerrainGE : public DualObject<IPointOnTerrainGE> {
public:
    CPointOnTerrainGE(double latitude, double longitude, double altitude)
        : DualObject<IPointOnTerrainGE>(IID_IPointOnTerrainGE),
          m_latitude(latitude), m_longitude(longitude), m_altitude(altitude) {}

    IFACEMETHODIMP get_Latitude(double* value) override { return Answer(L"Latitude", m_latitude, value); }
    IFACEMETHODIMP get_Longitude(double* value) override { return Answer(L"Longitude", m_longitude, value); }
    IFACEMETHODIMP get_Altitude(double* value) override { return Answer(L"Altitude", m_altitude, value); }

private:
    static HRESULT Answer(const wchar_t* member, double known, double* value)
    {
        if (!value)
            return E_POINTER;
        *value = 0.0;
        HRESULT hr = EnterMember(member);
        if (SUCCEEDED(hr))
            *value = known;
        return hr;
    }

    double m_latitude;
    double m_longitude;
    double m_altitude;
};

}  // namespace

HRESULT CreatePoint(double latitude, double longitude, double altitude, IPointOnTerrainGE** point)
{
    *point = nullptr;
    CPointOnTerrainGE* object = new (std::nothrow) CPointOnTerrainGE(latitude, longitude, altitude);
    HRESULT hr = object ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        hr = object->QueryInterface(IID_IPointOnTerrainGE, reinterpret_cast<void**>(point));
        object->Release();
    }
    return hr;
}

HRESULT CreatePointArray(double latitude, double longitude, double altitude, LONG count, SAFEARRAY** point)
{
    *point = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(count));
    if (!*point)
        return E_OUTOFMEMORY;
    const double values[3] = {latitude, longitude, altitude};
    HRESULT hr = S_OK;
    for (LONG i = 0; i < count && i < 3 && SUCCEEDED(hr); i++) {
        double value = values[i];
        hr = SafeArrayPutElement(*point, &i, &value);
    }
    if (FAILED(hr)) {
        SafeArrayDestroy(*point);
        *point = nullptr;
    }
    return hr;
}

}  // namespace standin
