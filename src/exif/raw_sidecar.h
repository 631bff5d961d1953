// The position of a camera raw file, kept in its XMP sidecars: the raw file
// itself is only read, never written. Which sidecars belong to a raw file
// is the rule of sidecar/sidecar_names.h, applied to the names its folder
// holds now.
#pragma once
#include <string>
#include <vector>

#include "sidecar/sidecar_position.h"
#include "sidecar/xmp_results.h"
#include "support/platform.h"

class ReplacementRecovery;

// A sidecar's name is taken by a folder: refused, nothing read or written.
const HRESULT VZ_E_SIDECAR_IS_FOLDER = static_cast<HRESULT>(0x80040B10L);

// What a read or a write of a raw file's sidecars met, for the message of
// the command that asked.
struct SidecarOutcome {
    // The sidecar the result concerns: the one read or refused, or the one
    // created; empty when the result concerns no sidecar.
    std::wstring sidecarPath;
    // Why the sidecar was refused or not written: the editor's reason for the
    // refusals of xmp_results.h, a reason of sidecar_texts.h otherwise.
    SidecarProblem problem;
};

// Reads the position of the raw file at rawPath from its sidecars (the
// first existing one, in the folder's order, that has a position). S_OK
// with position->place.known TRUE; S_FALSE when it has no sidecar or none
// holds a position; a refusal of xmp_results.h for a sidecar that cannot be
// read as XMP (outcome names it; one over kMaxSidecarBytes is refused before
// it is read); VZ_E_SIDECAR_IS_FOLDER; E_FAIL when a sidecar cannot be
// opened or read (outcome names it); the system's error as an HRESULT when
// the folder cannot be listed or holds no raw file of that name;
// E_OUTOFMEMORY. The sidecars are read shared: their programs may go on.
HRESULT ReadRawSidecarPosition(const wchar_t* rawPath, SidecarPosition* position,
                               SidecarOutcome* outcome = nullptr);

// Stores position into every existing sidecar of the raw file at rawPath,
// or, where none exists, into a new one named by the rule; removes the
// position from every existing sidecar when position.place.known is FALSE
// (and creates none). Each sidecar is written through the photo file's
// crash-safe replacement: its name holds the old or the complete new
// sidecar at every instant. The raw file is never opened for writing.
// A new sidecar is written whole and flushed under a name of its own and
// renamed to its name in a rename that replaces nothing.
// S_OK once every sidecar is durable; S_FALSE when there was nothing to do
// (no sidecar to remove a position from, or every one already as it would
// be written); the results of ExifBlock::WriteToFile for a sidecar that is
// read-only, cannot be written or was changed by another program meanwhile
// (VZ_E_PHOTO_CHANGED, also for a sidecar that another program created
// while ours was written: it is left as that program made it), and
// VZ_E_RENAME_NOT_FLUSHED; a refusal of xmp_results.h or
// VZ_E_SIDECAR_IS_FOLDER for a sidecar that cannot be edited. Every
// existing sidecar is read and edited before any is written, so that a
// refusal of one leaves all as they were; outcome names the sidecar a
// failure concerns. E_INVALIDARG for a position that cannot be stored.
// recovery: that of the command's write loop, as for ExifBlock::WriteToFile.
HRESULT WriteRawSidecarPosition(const wchar_t* rawPath, const SidecarPosition& position,
                                ReplacementRecovery* recovery = nullptr, SidecarOutcome* outcome = nullptr);

// An existing sidecar of a raw file, as the folder's listing gives it.
struct RawSidecarFile {
    std::wstring path;
    DWORD attributes = 0;  // FILE_ATTRIBUTE_READONLY, _DIRECTORY, ...
};

// The existing sidecars of the raw file at rawPath, in the folder's order,
// from the one listing of its base name's files that the reads and writes
// make too. S_OK (with none when it has none); the system's error as an
// HRESULT when the folder cannot be listed or holds no raw file of that
// name; E_OUTOFMEMORY.
HRESULT ListRawSidecars(const wchar_t* rawPath, std::vector<RawSidecarFile>* sidecars);
