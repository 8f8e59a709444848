// Writing documents so that nothing half-written is ever seen at the target.
#pragma once

#include <cstdint>
#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

// Throws EngineError(XDW_E_FILE_EXISTS) when target exists, and the code for
// a folder that is missing or cannot be written.
void CheckTargetFree(const std::string& target);

// Writes pdf to a temporary file in the target's folder, flushes it and moves
// it into place. With replace false an existing target is never overwritten
// (XDW_E_FILE_EXISTS); with replace true the target is replaced atomically.
// On any failure the temporary file is removed and the target is untouched.
// A new document gets its document information (StampNewDocument).
void CommitPdf(QPDF& pdf, const std::string& target, bool replace);

// As CommitPdf, for a file's bytes as they are.
void CommitBytes(const std::string& data, const std::string& target, bool replace);

// Stream data providers run inside the writer, which wraps whatever they
// throw. A provider that fails records its result code here first so that
// CommitPdf fails with it (and never keeps the output).
void NoteWriteFailure(int32_t code);

}  // namespace xdw
