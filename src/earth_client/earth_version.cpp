// The version text that ends the Google Earth messages.
#include "earth_client/automation_call.h"
#include "earth_client/earth_client.h"
#include "earth_client/earth_texts.h"
#include "support/text_bounded.h"

namespace {

// Read when a version number cannot be read: no application type.
const int kAppTypeUnread = -1;

const wchar_t* AppTypeText(int appType)
{
    switch (appType) {
    case 0: return kEarthAppTypeEnterpriseClient;
    case 1: return kEarthAppTypePro;
    case 2: return kEarthAppTypePlus;
    case 5: return kEarthAppTypeFree;
    default: return kEarthAppTypeUnknown;
    }
}

}  // namespace

void FormatEarthVersion(IUnknown* application, wchar_t* buffer, size_t capacity)
{
    if (!buffer || capacity == 0)
        return;
    buffer[0] = L'\0';

    int major = 0;
    int minor = 0;
    int build = 0;
    int appType = kAppTypeUnread;
    ComRef<IDispatch> dispatch;
    if (SUCCEEDED(GetDispatch(application, dispatch.Put()))) {
        if (FAILED(ReadIntProperty(dispatch.Get(), L"VersionMajor", &major)))
            major = 0;
        if (FAILED(ReadIntProperty(dispatch.Get(), L"VersionMinor", &minor)))
            minor = 0;
        if (FAILED(ReadIntProperty(dispatch.Get(), L"VersionBuild", &build)))
            build = 0;
        if (FAILED(ReadIntProperty(dispatch.Get(), L"VersionAppType", &appType)))
            appType = kAppTypeUnread;
    }
    if (major > 0)
        FormatBoundedW(buffer, capacity, kEarthVersionFormat, AppTypeText(appType), major, minor, build);
}
