#include "ocr/OcrEngine.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "Error.h"

namespace xdw {

namespace {

constexpr const char* kDefaultTessdata = "/usr/share/tesseract-ocr/5/tessdata";

std::string& TessdataOverride() {
    static std::string dir;
    return dir;
}

std::map<std::string, std::unique_ptr<tesseract::TessBaseAPI>>& Instances() {
    static std::map<std::string, std::unique_ptr<tesseract::TessBaseAPI>> instances;
    return instances;
}

void RequireLanguageData(const std::string& dir, const std::string& languages) {
    std::istringstream parts(languages);
    std::string lang;
    while (std::getline(parts, lang, '+')) {
        std::error_code ec;
        const auto file = std::filesystem::path(dir) / (lang + ".traineddata");
        if (!std::filesystem::is_regular_file(file, ec))
            throw EngineError(XDW_E_NOT_INSTALLED, "language data missing: " + file.string());
    }
}

}  // namespace

std::string TesseractLanguages(int32_t language) {
    switch (language) {
        case XDW_OCR_LANGUAGE_AUTO:
            return "jpn+eng";
        case XDW_OCR_LANGUAGE_JAPANESE:
            return "jpn";
        case XDW_OCR_LANGUAGE_ENGLISH:
            return "eng";
        default:
            throw EngineError(XDW_E_INVALID_ARG, "unknown OCR language");
    }
}

std::string TessdataDir() {
    return TessdataOverride().empty() ? kDefaultTessdata : TessdataOverride();
}

void SetTessdataDir(const std::string& dir) {
    ReleaseTesseract();
    TessdataOverride() = dir;
}

void LimitOcrThreads() {
    static bool done = false;
    if (done) return;
    done = true;
    if (std::getenv("OMP_THREAD_LIMIT") != nullptr) return;  // the user's choice stands
    // The OpenMP runtime reads its environment once, when it is loaded, which
    // happens with Tesseract and so before any code of ours runs; setting the
    // variable now would only race with threads reading the environment (the
    // child processes get it in their own copy). Tesseract asks for explicit thread
    // counts on its parallel loops, so the only run-time knob that caps them
    // is the number of active parallel levels: none means every loop runs on
    // the calling thread.
    using SetLevels = void (*)(int);
    if (auto set = reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
        set(0);
}

tesseract::TessBaseAPI& TesseractFor(const std::string& languages) {
    auto& instances = Instances();
    if (auto it = instances.find(languages); it != instances.end()) return *it->second;

    const std::string dir = TessdataDir();
    RequireLanguageData(dir, languages);
    LimitOcrThreads();
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    const auto mode = languages == "osd" ? tesseract::OEM_TESSERACT_ONLY : tesseract::OEM_LSTM_ONLY;
    if (api->Init(dir.c_str(), languages.c_str(), mode) != 0)
        throw EngineError(XDW_E_NOT_INSTALLED, "cannot load language data " + languages);
    api->SetVariable("debug_file", "/dev/null");  // no chatter on the caller's stderr
    auto& slot = instances[languages];
    slot = std::move(api);
    return *slot;
}

void ReleaseTesseract() {
    for (auto& [languages, api] : Instances()) api->End();
    Instances().clear();
}

}  // namespace xdw
