// A raw file's sidecars on disk: found by listing the raw file's folder,
// read whole within the editor's limit, and written through the photo
// file's crash-safe replacement, as photos are.
#include "exif/raw_sidecar.h"

#include <windows.h>

#include <new>
#include <vector>

#include "raw/raw_formats.h"
#include "replacement/file_access.h"
#include "replacement/photo_replacement.h"
#include "replacement/replacement_name.h"
#include "replacement/replacement_recovery.h"
#include "replacement/write_results.h"
#include "sidecar/sidecar_names.h"
#include "sidecar/sidecar_texts.h"
#include "support/owners.h"

namespace {

bool IsRawName(const std::wstring& name)
{
    return FindRawFormat(name.c_str()) != nullptr;
}

struct FolderEntry {
    std::wstring name;
    DWORD attributes = 0;
};

// The raw file's folder as far as its sidecars go: the raw file's name as
// the folder spells it and the names that begin with its base name and a
// dot (every sidecar of it, and every raw file that shares its base name).
struct RawFolder {
    std::wstring folder;  // with its final separator
    std::wstring rawName;
    std::vector<FolderEntry> entries;
    bool rawFound = false;
};

std::wstring BaseOf(const std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

// Lists the names "<base>.*" of the folder: one listing, however large the
// folder is. The raw file may be named by its short name; its long name is
// what the sidecars follow.
HRESULT ListRawFolder(const std::wstring& folder, const std::wstring& rawName, RawFolder* listed)
{
    listed->folder = folder;
    listed->rawName = rawName;
    listed->entries.clear();
    listed->rawFound = false;
    WIN32_FIND_DATAW found;
    FindHandle find(ListFolder(ExtendedLengthPath(folder + BaseOf(rawName) + L".*").c_str(), &found));
    if (!find.IsValid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? S_OK : HRESULT_FROM_WIN32(error);
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            (SameFileName(name, rawName) || (found.cAlternateFileName[0] &&
                                             SameFileName(found.cAlternateFileName, rawName)))) {
            listed->rawName = name;
            listed->rawFound = true;
        }
        listed->entries.push_back(FolderEntry{name, found.dwFileAttributes});
    } while (FindNextFileW(find.Get(), &found));
    const DWORD error = GetLastError();
    return error == ERROR_NO_MORE_FILES ? S_OK : HRESULT_FROM_WIN32(error);
}

// The raw file's folder and the names of its sidecars.
HRESULT FindRawSidecars(const wchar_t* rawPath, RawFolder* listed, SidecarNames* names)
{
    if (!rawPath || !rawPath[0])
        return E_INVALIDARG;
    const std::wstring full = FullPathOf(rawPath);
    const std::wstring folder = FolderOfPath(full);
    if (full.empty() || folder.size() == full.size())
        return E_INVALIDARG;
    const std::wstring spelled = full.substr(folder.size());
    HRESULT hr = ListRawFolder(folder, spelled, listed);
    // Named by its short name: its long name starts another base name.
    if (SUCCEEDED(hr) && listed->rawFound && BaseOf(listed->rawName) != BaseOf(spelled))
        hr = ListRawFolder(folder, listed->rawName, listed);
    if (SUCCEEDED(hr) && !listed->rawFound)
        hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::vector<std::wstring> folderNames;
    if (SUCCEEDED(hr)) {
        folderNames.reserve(listed->entries.size());
        for (const FolderEntry& entry : listed->entries)
            folderNames.push_back(entry.name);
        hr = FindSidecarNames(listed->rawName, folderNames, IsRawName, names);
    }
    return hr;
}

bool IsFolder(const RawFolder& listed, const std::wstring& name)
{
    for (const FolderEntry& entry : listed.entries) {
        if (entry.name == name)
            return (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    return false;
}

void Refuse(SidecarOutcome* outcome, const std::wstring& path, const char* reason)
{
    if (!outcome)
        return;
    outcome->sidecarPath = path;
    outcome->problem = SidecarProblem();
    outcome->problem.reason = reason;
}

// Names the sidecar a failure concerns, with the editor's reason, else the
// one a refusal already gave, else fallback.
void NameFailure(SidecarOutcome* outcome, const std::wstring& path, const SidecarProblem& problem,
                 const char* fallback)
{
    if (!outcome)
        return;
    if (!problem.reason.empty())
        outcome->problem = problem;
    else if (outcome->sidecarPath != path || outcome->problem.reason.empty())
        outcome->problem.reason = fallback;
    outcome->sidecarPath = path;
}

// Reads the whole of an open sidecar, refusing one over the editor's limit
// before reading it.
HRESULT ReadSidecarText(HANDLE file, std::string* text, SidecarProblem* problem)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0)
        return E_FAIL;
    if (static_cast<uint64_t>(size.QuadPart) > kMaxSidecarBytes) {
        problem->reason = kSidecarTooLarge;
        return VZ_E_SIDECAR_TOO_LARGE;
    }
    const uint32_t length = static_cast<uint32_t>(size.QuadPart);
    text->resize(length);
    uint32_t done = 0;
    while (done < length) {
        uint32_t got = 0;
        if (!ReadAt(file, reinterpret_cast<uint8_t*>(&(*text)[done]), done, length - done, &got) || got == 0)
            return E_FAIL;
        done += got;
    }
    return S_OK;
}

// Opens a sidecar of the listing: a folder under a sidecar's name, or a
// file that cannot be opened, is refused with the reason.
HRESULT OpenSidecar(const RawFolder& listed, const std::wstring& name, DWORD access, DWORD share,
                    KernelHandle* file, std::wstring* path, SidecarOutcome* outcome)
{
    *path = listed.folder + name;
    if (IsFolder(listed, name)) {
        Refuse(outcome, *path, kSidecarIsFolder);
        return VZ_E_SIDECAR_IS_FOLDER;
    }
    file->Reset(CreateFileW(ExtendedLengthPath(*path).c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file->IsValid())
        return S_OK;
    const DWORD error = GetLastError();
    Refuse(outcome, *path, (access & GENERIC_WRITE) ? kSidecarCannotWrite : kSidecarCannotOpen);
    return error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY ? E_OUTOFMEMORY : E_FAIL;
}

const char* WriteFailureReason(HRESULT hr)
{
    if (hr == VZ_E_PHOTO_CHANGED)
        return kSidecarChangedMeanwhile;
    if (hr == VZ_E_RENAME_NOT_FLUSHED)
        return kSidecarNotFlushed;
    return kSidecarCannotWrite;
}

// What the writes of one sidecar need between its reading and its write.
struct SidecarWrite {
    std::wstring spelled;  // as the folder's listing spells it, for messages
    std::wstring path;     // as the disk spells it, for the rename
    KernelHandle file;  // open, shared with nobody, until the write
    std::string text;   // the new sidecar
};

HRESULT PrepareSidecarWrite(const RawFolder& listed, const std::wstring& name, const SidecarPosition& position,
                            SidecarWrite* write, bool* changed, SidecarOutcome* outcome)
{
    std::wstring& spelled = write->spelled;
    // Opened for writing and replacing although only read, as a photo is:
    // a read-only sidecar, or one the user may not delete, is refused
    // before anything is made; nobody else may open it until its new
    // version has taken its place.
    HRESULT hr = OpenSidecar(listed, name, GENERIC_READ | GENERIC_WRITE | DELETE, 0, &write->file, &spelled,
                             outcome);
    if (FAILED(hr))
        return hr;
    std::string old;
    SidecarProblem problem;
    hr = ReadSidecarText(write->file.Get(), &old, &problem);
    if (SUCCEEDED(hr)) {
        hr = position.place.known ? StoreSidecarPosition(old, position, &write->text, &problem)
                                  : RemoveSidecarPosition(old, &write->text, &problem);
    }
    if (FAILED(hr)) {
        if (hr != E_INVALIDARG)
            NameFailure(outcome, spelled, problem, kSidecarCannotRead);
        return hr;
    }
    *changed = write->text != old;
    write->path = PathOnDisk(write->file.Get(), spelled.c_str());
    return write->path.empty() ? E_FAIL : S_OK;
}

HRESULT CreateNewSidecar(const std::wstring& path, const SidecarPosition& position, SidecarOutcome* outcome)
{
    std::string text;
    HRESULT hr = CreateSidecar(position, &text);
    if (hr != S_OK)
        return hr;
    if (outcome) {
        outcome->sidecarPath = path;
        outcome->problem = SidecarProblem();
    }
    // Written whole and flushed under a name of its own, then renamed to
    // the sidecar's name in a rename that replaces nothing: a sidecar that
    // another program made meanwhile is left as it made it.
    PhotoReplacement replacement;
    hr = replacement.BeginNew(path.c_str());
    if (SUCCEEDED(hr))
        hr = replacement.Append(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    KernelHandle none;
    if (SUCCEEDED(hr))
        hr = replacement.Commit(none);
    if (FAILED(hr) && outcome)
        outcome->problem.reason = hr == VZ_E_PHOTO_CHANGED ? kSidecarCreatedMeanwhile : WriteFailureReason(hr);
    return hr;
}

}  // namespace

HRESULT ReadRawSidecarPosition(const wchar_t* rawPath, SidecarPosition* position, SidecarOutcome* outcome)
{
    if (!position)
        return E_POINTER;
    *position = SidecarPosition();
    if (outcome)
        *outcome = SidecarOutcome();
    try {
        RawFolder listed;
        SidecarNames names;
        HRESULT hr = FindRawSidecars(rawPath, &listed, &names);
        if (FAILED(hr))
            return hr;
        for (const std::wstring& name : names.existing) {
            KernelHandle file;
            std::wstring path;
            // Others may go on reading and writing it: this is only a look.
            hr = OpenSidecar(listed, name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             &file, &path, outcome);
            std::string text;
            SidecarProblem problem;
            if (SUCCEEDED(hr))
                hr = ReadSidecarText(file.Get(), &text, &problem);
            SidecarPosition read;
            if (SUCCEEDED(hr))
                hr = ReadSidecarPosition(text, &read, &problem);
            if (FAILED(hr)) {
                NameFailure(outcome, path, problem, kSidecarCannotRead);
                return hr;
            }
            if (hr == S_OK) {
                *position = read;
                if (outcome)
                    outcome->sidecarPath = path;
                return S_OK;
            }
        }
        return S_FALSE;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WriteRawSidecarPosition(const wchar_t* rawPath, const SidecarPosition& position,
                                ReplacementRecovery* recovery, SidecarOutcome* outcome)
{
    if (outcome)
        *outcome = SidecarOutcome();
    try {
        const std::wstring folder = rawPath ? FolderOfPath(FullPathOf(rawPath)) : std::wstring();
        if (folder.empty())
            return E_INVALIDARG;
        // What a writer that was killed left in this folder, before this one
        // looks at the sidecars (a sidecar put back counts) and adds its own.
        if (recovery)
            recovery->RecoverOnce(folder);
        else
            RecoverReplacements(folder);
        RawFolder listed;
        SidecarNames names;
        HRESULT hr = FindRawSidecars(rawPath, &listed, &names);
        if (FAILED(hr))
            return hr;
        if (names.existing.empty())
            return position.place.known ? CreateNewSidecar(listed.folder + names.create, position, outcome) : S_FALSE;

        // Every sidecar is read and edited before any is written: a refusal
        // of one leaves all of them as they were.
        std::vector<SidecarWrite> writes(names.existing.size());
        std::vector<bool> changed(names.existing.size(), false);
        for (size_t i = 0; i < names.existing.size(); ++i) {
            bool differs = false;
            hr = PrepareSidecarWrite(listed, names.existing[i], position, &writes[i], &differs, outcome);
            if (FAILED(hr))
                return hr;
            changed[i] = differs;
        }
        hr = S_FALSE;
        for (size_t i = 0; i < writes.size(); ++i) {
            if (!changed[i]) {
                writes[i].file.Reset();
                continue;
            }
            PhotoReplacement replacement;
            HRESULT one = replacement.Begin(writes[i].path.c_str(), writes[i].file.Get());
            if (SUCCEEDED(one))
                one = replacement.Append(reinterpret_cast<const uint8_t*>(writes[i].text.data()),
                                         static_cast<uint32_t>(writes[i].text.size()));
            if (SUCCEEDED(one))
                one = replacement.Commit(writes[i].file);
            writes[i].file.Reset();
            if (one == VZ_E_RENAME_NOT_FLUSHED) {
                // Written, but not known to be durable: said once all are.
                if (hr != VZ_E_RENAME_NOT_FLUSHED)
                    NameFailure(outcome, writes[i].spelled, SidecarProblem(), WriteFailureReason(one));
                hr = one;
            } else if (FAILED(one)) {
                // The sidecars after it are closed unwritten as they go.
                NameFailure(outcome, writes[i].spelled, SidecarProblem(), WriteFailureReason(one));
                return one;
            } else if (hr == S_FALSE) {
                hr = S_OK;
            }
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ListRawSidecars(const wchar_t* rawPath, std::vector<RawSidecarFile>* sidecars)
{
    if (!sidecars)
        return E_POINTER;
    try {
        sidecars->clear();
        RawFolder listed;
        SidecarNames names;
        HRESULT hr = FindRawSidecars(rawPath, &listed, &names);
        if (FAILED(hr))
            return hr;
        for (const std::wstring& name : names.existing) {
            DWORD attributes = 0;
            for (const FolderEntry& entry : listed.entries) {
                if (entry.name == name)
                    attributes = entry.attributes;
            }
            sidecars->push_back(RawSidecarFile{listed.folder + name, attributes});
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        sidecars->clear();
        return E_OUTOFMEMORY;
    }
}
