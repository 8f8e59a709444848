// The Tesseract instances the engine keeps: one per language set and thread,
// kept between pages because loading the language data is slow. An instance
// is only ever used by the thread that loaded it, but for the shared ones,
// which threads take turns with.
#pragma once

#include <mutex>
#include <string>

#include <tesseract/baseapi.h>

#include "xdwapi/xdwapi.h"

namespace xdw {

// The Tesseract language set for an OCR language field ("jpn+eng", "jpn",
// "eng"). Throws EngineError(XDW_E_INVALID_ARG) for any other value.
std::string TesseractLanguages(int32_t language);
// The set that reads text written top to bottom for that field ("jpn_vert"),
// or "" when the language has no vertical writing.
std::string TesseractVerticalLanguages(int32_t language);

// The folder the language data is read from unless a call names another.
constexpr const char* kDefaultTessdata = "/usr/share/tesseract-ocr/5/tessdata";

// Throws EngineError(XDW_E_NOT_INSTALLED) when a language of languages
// ("jpn+eng", "osd", ...) has no data in dir.
void RequireLanguageData(const std::string& dir, const std::string& languages);

// The calling thread's instance for languages ("jpn+eng", "osd", ...) read
// from dir, loaded on first use. Throws EngineError(XDW_E_NOT_INSTALLED) when
// the language data is missing or Tesseract cannot load it.
tesseract::TessBaseAPI& TesseractFor(const std::string& languages, const std::string& dir);

// The process's one instance for languages read from dir, for short work
// every thread may need now and then (the orientation check): rather than
// each loading its own, threads take turns with it, holding lock while they
// use api. Throws as TesseractFor.
struct SharedTesseract {
    std::unique_lock<std::mutex> lock;
    tesseract::TessBaseAPI* api = nullptr;
};
SharedTesseract SharedTesseractFor(const std::string& languages, const std::string& dir);

// Keeps Tesseract's OpenMP threads from oversubscribing the cores; called on
// each thread before its first recognition. Does nothing when the user set
// OMP_THREAD_LIMIT.
void LimitOcrThreads();

// Releases every instance the calling thread loaded.
void ReleaseTesseract();
// Releases the shared instances.
void ReleaseSharedTesseract();

}  // namespace xdw
