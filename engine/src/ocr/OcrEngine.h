// The Tesseract instances the engine keeps: one per language set, kept
// between pages because loading the language data is slow.
#pragma once

#include <string>

#include <tesseract/baseapi.h>

#include "xdwapi/xdwapi.h"

namespace xdw {

// The Tesseract language set for an OCR language field ("jpn+eng", "jpn",
// "eng"). Throws EngineError(XDW_E_INVALID_ARG) for any other value.
std::string TesseractLanguages(int32_t language);

// The folder the language data is read from.
std::string TessdataDir();
// Points the engine at another language data folder (empty: the default) and
// releases every loaded instance.
void SetTessdataDir(const std::string& dir);

// The instance for languages ("jpn+eng", "osd", ...), loaded on first use.
// Throws EngineError(XDW_E_NOT_INSTALLED) when the language data is missing,
// XDW_E_FAIL when Tesseract cannot load it.
tesseract::TessBaseAPI& TesseractFor(const std::string& languages);

// Keeps Tesseract's OpenMP threads from oversubscribing the cores; called
// before any recognition. Does nothing when the user set OMP_THREAD_LIMIT.
void LimitOcrThreads();

// Releases every loaded instance.
void ReleaseTesseract();

}  // namespace xdw
