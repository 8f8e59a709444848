// The character set of a text file, found from its bytes, and its text as
// UTF-8 for LibreOffice, which would otherwise guess and print mojibake.
#pragma once

#include <string>

namespace xdw {

// "UTF-8" (with or without a byte-order mark; plain ASCII too), "UTF-16LE"
// or "UTF-16BE" (with their mark, or without it when the zero bytes tell),
// else what uchardet finds (ISO-2022-JP, CP932, EUC-JP, GB18030, BIG5,
// WINDOWS-1252, ...) when every byte converts; "" when nothing fits or the
// text holds control characters text files do not (binary data).
std::string DetectTextCharset(const std::string& bytes);

// The text in UTF-8 without a byte-order mark. charset as detected; throws
// EngineError(XDW_E_CANNOT_READ) when the bytes do not fit it.
std::string TextAsUtf8(const std::string& bytes, const std::string& charset);

}  // namespace xdw
