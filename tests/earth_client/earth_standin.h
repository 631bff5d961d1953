// The test side of the Google Earth stand-in (tests/earth_client/standin): registers
// one of its two flavours as CLSID_ApplicationGE in the test prefix and sets
// what it answers. Its answers are read by the stand-in at every call.
#pragma once
#include <windows.h>
#include <string>

namespace vztest {

// "CLSID\{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}\LocalServer32" below
// HKEY_CLASSES_ROOT (Google Earth's application class).
extern const wchar_t kEarthLocalServerKey[];

// How GetPointOnTerrainFromScreenCoords is declared to return the point.
enum class EarthPointForm { Array, Object };

class EarthStandIn {
public:
    // Registers the flavour (class with its LocalServer32 path, type library)
    // and sets the default answers: initialised, version 4.3.7284 Plus, view
    // centre 52.5 N 13.4 E at 34 m, azimuth 0, exaggeration 1, no failures.
    explicit EarthStandIn(EarthPointForm form);
    // Waits for the server to end, then removes registration and answers.
    ~EarthStandIn();
    EarthStandIn(const EarthStandIn&) = delete;
    EarthStandIn& operator=(const EarthStandIn&) = delete;

    // Result of the registration done by the constructor.
    HRESULT Registered() const { return m_registered; }
    static std::wstring ServerPath(EarthPointForm form);

    void SetInitialized(bool initialized);
    void SetView(double latitudeDegrees, double longitudeDegrees, double altitudeMetres);
    void SetAzimuth(double degrees);
    void SetExaggeration(double exaggeration);
    void SetVersion(int major, int minor, int build, int appType);
    // The members (names separated by ';') fail with hr.
    void FailMembers(const std::wstring& members, HRESULT hr);
    // One of standin::kPointAnswer... (standin_settings.h); empty: as declared.
    void SetPointAnswer(const std::wstring& answer);

    // The members called so far, "Name;Name;...", and the arguments last passed.
    std::wstring Calls() const;
    void ClearCalls();
    double LastScreenX() const;
    double LastScreenY() const;
    DWORD LastConsiderTerrain() const;
    // Server processes started since the constructor.
    DWORD ServerStarts() const;

    // Waits until no stand-in process runs (all its objects were released).
    static bool WaitUntilStopped(DWORD timeoutMs = 15000);

private:
    HRESULT m_registered = E_FAIL;
    GUID m_libid = GUID_NULL;
    WORD m_majorVersion = 0;
    WORD m_minorVersion = 0;
};

}  // namespace vztest
