#include "ocr/TesseractPool.h"

#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

#include "Error.h"
#include "WorkLimit.h"

namespace xdw {

namespace {

// Keyed by folder and language set.
using InstanceMap =
    std::map<std::pair<std::string, std::string>, std::unique_ptr<tesseract::TessBaseAPI>>;

InstanceMap& Instances() {
    thread_local InstanceMap instances;
    return instances;
}

// The shared instances, and the lock their users hold.
std::mutex sharedLock;
InstanceMap sharedInstances;

}  // namespace

void RequireLanguageData(const std::string& dir, const std::string& languages) {
    std::istringstream parts(languages);
    std::string lang;
    while (std::getline(parts, lang, '+')) {
        std::error_code ec;
        const auto file = std::filesystem::path(dir) / (lang + ".traineddata");
        if (!std::filesystem::is_regular_file(file, ec))
            Bad(XDW_REASON_MISSING_PART, "language data missing: " + file.string(), file.string());
    }
}

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

std::string TesseractVerticalLanguages(int32_t language) {
    switch (language) {
        case XDW_OCR_LANGUAGE_AUTO:
        case XDW_OCR_LANGUAGE_JAPANESE:
            return "jpn_vert";
        case XDW_OCR_LANGUAGE_ENGLISH:
            return "";
        default:
            throw EngineError(XDW_E_INVALID_ARG, "unknown OCR language");
    }
}

void LimitOcrThreads() {
    static const bool userLimits = std::getenv("OMP_THREAD_LIMIT") != nullptr;
    if (userLimits) return;  // the user's choice stands
    // The OpenMP runtime reads its environment once, when it is loaded, which
    // happens with Tesseract and so before any code of ours runs; setting the
    // variable now would only race with threads reading the environment (the
    // child processes get it in their own copy). Tesseract asks for explicit thread
    // counts on its parallel loops, so the only run-time knob that caps them
    // is the number of active parallel levels: none means every loop runs on
    // the calling thread. The runtime keeps it per thread, so every thread
    // that recognises sets it.
    thread_local bool done = false;
    if (done) return;
    done = true;
    using SetLevels = void (*)(int);
    if (auto set = reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
        set(0);
}

namespace {

// An instance for languages read from dir, loaded now on the calling thread.
std::unique_ptr<tesseract::TessBaseAPI> LoadHere(const std::string& languages,
                                                 const std::string& dir) {
    // Some of Tesseract's parameters are process-wide (debug_file among them),
    // and recognising threads each make their own instances: instances are
    // made one at a time, and the process-wide setting is written only once,
    // before any instance can read it.
    static std::mutex creation;
    static bool quiet = false;
    std::lock_guard lock(creation);
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    const auto mode = languages == "osd" ? tesseract::OEM_TESSERACT_ONLY : tesseract::OEM_LSTM_ONLY;
    if (api->Init(dir.c_str(), languages.c_str(), mode) != 0)
        throw EngineError(XDW_E_NOT_INSTALLED, "cannot load language data " + languages);
    if (!quiet) {
        api->SetVariable("debug_file", "/dev/null");  // no chatter on the caller's stderr
        quiet = true;
    }
    return api;
}

// A load on a thread of its own, as the page that waits for it and the
// thread share it.
struct Loading {
    std::mutex lock;
    std::condition_variable over;
    bool done = false;
    bool abandoned = false;
    std::unique_ptr<tesseract::TessBaseAPI> api;
    std::exception_ptr error;
    int64_t cpuMs = 0;
};

// The loads a cancelled page left behind, still running. The process ends
// only once they are over (Tesseract's own statics, which they use, go with
// it), unless it ends without its destructors (_exit), as the program does
// after a stop. Made at the first load left behind, after Tesseract's
// statics, so it goes before them.
class LoadsLeftBehind {
public:
    static LoadsLeftBehind& Get() {
        static LoadsLeftBehind loads;
        return loads;
    }
    void Add() {
        std::lock_guard lock(lock_);
        ++running_;
    }
    void Done() {
        std::lock_guard lock(lock_);
        --running_;
        over_.notify_all();
    }
    ~LoadsLeftBehind() {
        std::unique_lock lock(lock_);
        over_.wait(lock, [this] { return running_ == 0; });
    }

private:
    std::mutex lock_;
    std::condition_variable over_;
    int running_ = 0;
};

// How often a page waiting for a load asks whether it is cancelled.
constexpr auto kLoadCancelPoll = std::chrono::milliseconds(20);

// An instance for languages read from dir. Loading the language data cannot
// be cut short (0.15 s of processor time, seconds on a busy machine): a page's
// load runs on a thread of its own while the page asks its cancel, and a
// cancelled page leaves it behind and stops at once (the instance is
// dropped when the load is over). The load's time goes to the page's account.
std::unique_ptr<tesseract::TessBaseAPI> Load(const std::string& languages, const std::string& dir) {
    RequireLanguageData(dir, languages);
    LimitOcrThreads();
    const WorkLimit* limit = CurrentWorkLimit();
    if (limit == nullptr) return LoadHere(languages, dir);
    auto loading = std::make_shared<Loading>();
    try {
        std::thread([loading, languages, dir] {
            std::unique_ptr<tesseract::TessBaseAPI> api;
            std::exception_ptr error;
            try {
                api = LoadHere(languages, dir);
            } catch (...) {
                error = std::current_exception();
            }
            std::unique_lock lock(loading->lock);
            loading->done = true;
            if (loading->abandoned) {
                lock.unlock();
                if (api) api->End();
                api.reset();
                LoadsLeftBehind::Get().Done();
                return;
            }
            loading->api = std::move(api);
            loading->error = error;
            loading->cpuMs = ThreadCpuMs();
            loading->over.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return LoadHere(languages, dir);  // no thread to spare: loaded here
    }
    std::unique_lock lock(loading->lock);
    while (!loading->over.wait_for(lock, kLoadCancelPoll, [&] { return loading->done; })) {
        if (!limit->Cancelled()) continue;
        LoadsLeftBehind::Get().Add();
        loading->abandoned = true;
        lock.unlock();
        limit->Check();
    }
    limit->Add(loading->cpuMs);
    if (loading->error) std::rethrow_exception(loading->error);
    return std::move(loading->api);
}

void Release(InstanceMap& instances) {
    for (auto& [languages, api] : instances) api->End();
    instances.clear();
}

}  // namespace

tesseract::TessBaseAPI& TesseractFor(const std::string& languages, const std::string& dir) {
    auto& instances = Instances();
    const auto key = std::make_pair(dir, languages);
    if (auto it = instances.find(key); it != instances.end()) return *it->second;
    auto api = Load(languages, dir);
    auto& slot = instances[key];
    slot = std::move(api);
    return *slot;
}

SharedTesseract SharedTesseractFor(const std::string& languages, const std::string& dir) {
    SharedTesseract shared{std::unique_lock(sharedLock)};
    // The calling thread's recognition runs on that thread alone, whatever
    // instance it uses.
    LimitOcrThreads();
    auto& slot = sharedInstances[std::make_pair(dir, languages)];
    if (!slot) slot = Load(languages, dir);
    shared.api = slot.get();
    return shared;
}

void ReleaseTesseract() { Release(Instances()); }

void ReleaseSharedTesseract() {
    std::lock_guard lock(sharedLock);
    Release(sharedInstances);
}

}  // namespace xdw
