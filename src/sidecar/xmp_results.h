// Why a sidecar is refused: the results of the XMP sidecar editor that say
// more than a plain failure, and the reason given with them.
#pragma once
#include <cstdint>
#include <string>

#include "support/platform.h"

// Not well-formed XML: a syntax error, a tag left open, a cut-off file,
// bytes that are no UTF-8, an undeclared entity or namespace prefix.
const HRESULT VZ_E_SIDECAR_MALFORMED = static_cast<HRESULT>(0x80040B01L);
// A document type declaration (and with it any entity declaration): XMP
// has none, and a DTD is how XML turns hostile (entity expansion, outside
// files).
const HRESULT VZ_E_SIDECAR_DTD = static_cast<HRESULT>(0x80040B02L);
// Elements nested deeper than kMaxSidecarDepth.
const HRESULT VZ_E_SIDECAR_TOO_DEEP = static_cast<HRESULT>(0x80040B03L);
// More than kMaxSidecarBytes, or more namespaces declared at once than
// kMaxSidecarNamespaces.
const HRESULT VZ_E_SIDECAR_TOO_LARGE = static_cast<HRESULT>(0x80040B04L);
// Well-formed XML, but no XMP: no x:xmpmeta holding an rdf:RDF (nor an
// rdf:RDF of its own as the root).
const HRESULT VZ_E_SIDECAR_NOT_XMP = static_cast<HRESULT>(0x80040B05L);
// Text that is not UTF-8: UTF-16 or UTF-32 (with or without a byte-order
// mark) or another encoding declared.
const HRESULT VZ_E_SIDECAR_ENCODING = static_cast<HRESULT>(0x80040B06L);

// The limits of a sidecar that is read.
const size_t kMaxSidecarBytes = 4 * 1024 * 1024;
const int kMaxSidecarDepth = 64;
const size_t kMaxSidecarNamespaces = 256;

// What was wrong with a refused sidecar: the reason in words and where the
// reading stopped (line and column count from 1, columns in bytes; 0 when
// the whole file is meant).
struct SidecarProblem {
    std::string reason;
    uint32_t line = 0;
    uint32_t column = 0;
};

// The reason with its place, for a message: "... (line 3, column 7)".
// S_OK or E_OUTOFMEMORY.
HRESULT DescribeSidecarProblem(const SidecarProblem& problem, std::string* text);
