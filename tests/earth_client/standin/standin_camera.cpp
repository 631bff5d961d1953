// ICameraInfoGE of the stand-in: only the azimuth means something.
#include <new>

#include "standin_dispatch.h"
#include "standin_objects.h"
#include "standin_settings.h"

namespace standin {
namespace {

class CCameraInfoGE : public DualObject<ICameraInfoGE> {
public:
    CCameraInfoGE() : DualObject<ICameraInfoGE>(IID_ICameraInfoGE) {}

    IFACEMETHODIMP get_FocusPointLatitude(double* value) override { return Answer(L"FocusPointLatitude", kLatitude, value); }
    IFACEMETHODIMP get_FocusPointLongitude(double* value) override { return Answer(L"FocusPointLongitude", kLongitude, value); }
    IFACEMETHODIMP get_Range(double* value) override { return Answer(L"Range", nullptr, value); }
    IFACEMETHODIMP get_Tilt(double* value) override { return Answer(L"Tilt", nullptr, value); }
    IFACEMETHODIMP get_Azimuth(double* value) override { return Answer(L"Azimuth", kAzimuth, value); }

private:
    HRESULT Answer(const wchar_t* member, const wchar_t* setting, double* value)
    {
        if (!value)
            return E_POINTER;
        *value = 0.0;
        HRESULT hr = EnterMember(member);
        if (SUCCEEDED(hr) && setting)
            *value = ReadNumber(setting, 0.0);
        return hr;
    }
};

}  // namespace

HRESULT CreateCamera(ICameraInfoGE** camera)
{
    *camera = nullptr;
    CCameraInfoGE* object = new (std::nothrow) CCameraInfoGE();
    HRESULT hr = object ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        hr = object->QueryInterface(IID_ICameraInfoGE, reinterpret_cast<void**>(camera));
        object->Release();
    }
    return hr;
}

}  // namespace standin
