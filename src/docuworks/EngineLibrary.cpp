// docuworks::LoadEngine: binds libxdwapi.so.1 at run time. The library is
// looked for beside the executable (the build tree, a program folder), then
// in ../lib from there, then by name alone: the loader then searches the
// program's RUNPATH, which points an installed program at its private folder
// (/usr/lib/<triplet>/quilbex), and the system's library path. When it cannot
// be bound (missing, or lacking one of the calls) every call fails with
// XDW_E_NOT_INSTALLED and the information query gives an empty text, so the
// run reports that the engine is not installed instead of failing to start.
#include "docuworks/EngineLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace docuworks {

namespace {

constexpr const char* kLibraryName = "libxdwapi.so.1";

// The entry points of a bound library.
struct Calls {
#define QUILBEX_CALL_POINTER(name, ...) decltype(&XDW_##name) name = nullptr;
    QUILBEX_ENGINE_CALLS(QUILBEX_CALL_POINTER)
    QUILBEX_ENGINE_ADDITIONS(QUILBEX_CALL_POINTER)
    QUILBEX_ENGINE_REASON_FIELDS(QUILBEX_CALL_POINTER)
#undef QUILBEX_CALL_POINTER
};

template <typename Fn>
bool Bind(void* library, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(::dlsym(library, name));
    return fn != nullptr;
}

// Every call the program needs; the additions only where the library has them.
bool BindAll(void* library, Calls& calls) {
#define QUILBEX_BIND_CALL(name, ...) \
    if (!Bind(library, "XDW_" #name, calls.name)) return false;
    QUILBEX_ENGINE_CALLS(QUILBEX_BIND_CALL)
#undef QUILBEX_BIND_CALL
#define QUILBEX_BIND_ADDITION(name, ...) Bind(library, "XDW_" #name, calls.name);
    QUILBEX_ENGINE_ADDITIONS(QUILBEX_BIND_ADDITION)
    QUILBEX_ENGINE_REASON_FIELDS(QUILBEX_BIND_ADDITION)
#undef QUILBEX_BIND_ADDITION
    return true;
}

// Binds the first library that loads and has every call; the library stays
// loaded for the life of the process (the engine may still have work running
// when the program ends).
std::optional<Calls> LoadCalls(const std::vector<std::string>& candidates) {
    for (const auto& candidate : candidates) {
        void* library = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) continue;
        Calls calls;
        if (BindAll(library, calls)) return calls;
        ::dlclose(library);
    }
    return std::nullopt;
}

// What stands in for the calls of an engine that could not be bound: every
// call fails with XDW_E_NOT_INSTALLED, the information query gives an empty
// text and the reason says why.
template <typename Fn>
struct NotInstalled;
template <typename... Args>
struct NotInstalled<int (*)(Args...)> {
    static int Call(Args...) { return XDW_E_NOT_INSTALLED; }
};

int NoInformation(int, char* value, int size, void*) {
    if (value != nullptr && size > 0) value[0] = '\0';
    return XDW_E_NOT_INSTALLED;
}

int NotLoadedText(char* buffer, int size) {
    const std::string text = std::string(kLibraryName) + " cannot be loaded";
    if (buffer == nullptr || size <= 0) return 0;
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size) - 1);
    text.copy(buffer, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

Calls MissingCalls() {
    Calls calls;
#define QUILBEX_MISSING_CALL(name, ...) calls.name = &NotInstalled<decltype(calls.name)>::Call;
    QUILBEX_ENGINE_CALLS(QUILBEX_MISSING_CALL)
#undef QUILBEX_MISSING_CALL
    calls.GetInformation = &NoInformation;
    calls.GetLastErrorText = &NotLoadedText;
    return calls;
}

// A field as the seam hands it out: strings copied, a null one empty.
template <typename T, typename From>
T Field(From value) {
    if constexpr (std::is_same_v<T, std::string>) {
        return value != nullptr ? std::string(value) : std::string();
    } else {
        return static_cast<T>(value);
    }
}

std::vector<std::string> EngineCandidates() {
    std::vector<std::string> candidates;
    if (const std::string folder = ExecutableFolder(); !folder.empty()) {
        candidates.push_back(folder + kLibraryName);
        candidates.push_back(folder + "../lib/" + kLibraryName);
    }
    candidates.push_back(kLibraryName);
    return candidates;
}

// The seam over bound calls.
class LoadedEngine final : public Api {
public:
    explicit LoadedEngine(Calls calls) : c_(calls) {}

#define QUILBEX_FORWARD_CALL(name, params, args) \
    int name params override { return c_.name args; }
    QUILBEX_ENGINE_CALLS(QUILBEX_FORWARD_CALL)
#undef QUILBEX_FORWARD_CALL

#define QUILBEX_FORWARD_FIELD(name, type, field) \
    type name() override { return c_.name != nullptr ? Field<type>(c_.name()) : type{}; }
    QUILBEX_ENGINE_REASON_FIELDS(QUILBEX_FORWARD_FIELD)
#undef QUILBEX_FORWARD_FIELD

    std::string LastErrorText() override {
        if (c_.GetLastErrorText == nullptr) return {};
        // Room for the reason's fields, paths among them.
        char text[8192];
        const int length = c_.GetLastErrorText(text, sizeof text);
        return length > 0 ? std::string(text) : std::string();
    }
    int OcrProgress(XDW_DOCUMENT_HANDLE document, int page) override {
        return c_.GetOcrProgress != nullptr ? c_.GetOcrProgress(document, page) : -1;
    }
    void CancelOcr() override {
        if (c_.CancelOcr != nullptr) c_.CancelOcr(nullptr);
    }
    std::string EngineVersion() override {
        const char* version = c_.GetEngineVersion != nullptr ? c_.GetEngineVersion() : nullptr;
        return version != nullptr ? version : "";
    }

private:
    Calls c_;
};

}  // namespace

std::string ExecutableFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    const std::string exe(path, static_cast<std::size_t>(length));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::unique_ptr<Api> LoadEngineFrom(const std::vector<std::string>& candidates) {
    const std::optional<Calls> calls = LoadCalls(candidates);
    return std::make_unique<LoadedEngine>(calls ? *calls : MissingCalls());
}

std::unique_ptr<Api> LoadEngine() { return LoadEngineFrom(EngineCandidates()); }

}  // namespace docuworks
