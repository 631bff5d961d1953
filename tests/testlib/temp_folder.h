// A folder of its own for one test, under the user's temporary folder,
// removed with everything in it when the object goes.
#pragma once
#include <string>
#include <vector>

namespace vztest {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    // Path of a file or folder inside, joined with a backslash.
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// Removes a file or folder tree; read-only files are made writable first.
void RemoveTree(const std::wstring& path);

// Whole-file helpers for tests.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool SetReadOnly(const std::wstring& path, bool readOnly);
// The sorted names in a folder that match a wildcard pattern ("." and ".." left out).
std::vector<std::wstring> NamesIn(const std::wstring& folder, const std::wstring& pattern = L"*");

// The Windows form (Z:\...) of a path of the Linux host, for files outside the prefix.
std::wstring HostPathToWindows(const std::string& unixPath);

}  // namespace vztest
