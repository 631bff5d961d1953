// Why a sidecar was refused, in the words a message shows after the
// sidecar's name.
#pragma once

const char kSidecarTooLarge[] = "it is larger than 4 MiB";
const char kSidecarTooManyNamespaces[] = "it declares more than 256 namespaces at once";
const char kSidecarTooDeep[] = "its elements are nested more than 64 deep";
const char kSidecarUtf16[] = "it is UTF-16 or UTF-32 text; only UTF-8 sidecars are read";
const char kSidecarOtherEncoding[] = "it declares an encoding other than UTF-8";
const char kSidecarNotUtf8[] = "it holds bytes that are not UTF-8 text";
const char kSidecarBadCharacter[] = "it holds a character that XML does not allow";
const char kSidecarDtd[] = "it holds a document type declaration (DTD), which XMP never has";
const char kSidecarNoRoot[] = "it holds no XML element";
const char kSidecarTextOutsideRoot[] = "it holds text or markup after its XML document";
const char kSidecarCutOff[] = "it ends in the middle of its XML (cut off?)";
const char kSidecarBadComment[] = "it holds a malformed XML comment";
const char kSidecarBadInstruction[] = "it holds a malformed processing instruction";
const char kSidecarBadMarkup[] = "it holds malformed XML markup";
const char kSidecarBadText[] = "it holds \"]]>\" in text, which XML does not allow";
const char kSidecarBadAttribute[] = "it holds a malformed XML attribute";
const char kSidecarRepeatedAttribute[] = "an element repeats an attribute";
const char kSidecarBadReference[] = "it holds an undeclared entity or a malformed character reference";
const char kSidecarBadName[] = "it holds a malformed element or attribute name";
const char kSidecarBadNamespace[] = "it holds a malformed namespace declaration";
const char kSidecarUnboundPrefix[] = "it uses a namespace prefix that is not declared";
const char kSidecarMismatchedTag[] = "an end tag does not match its start tag";
const char kSidecarNotXmp[] = "it is XML but no XMP (no x:xmpmeta with an rdf:RDF in it)";

// A sidecar on disk that could not be read or written.
const char kSidecarIsFolder[] = "it is a folder, not a file";
const char kSidecarCannotOpen[] = "it cannot be opened (another program may hold it, or it may not be read)";
const char kSidecarCannotRead[] = "it cannot be read";
const char kSidecarCannotWrite[] =
    "it cannot be written (it may be read-only, held by another program, or in a folder that takes no new file)";
const char kSidecarChangedMeanwhile[] = "another program changed it meanwhile; it is left as that program made it";
const char kSidecarCreatedMeanwhile[] = "another program created it meanwhile; it is left as that program made it";
const char kSidecarNotFlushed[] =
    "it was written, but the system did not confirm that it is on the disk";
