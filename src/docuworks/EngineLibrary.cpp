// docuworks::LoadEngine: binds libxdwapi.so.1 at run time. The library is
// looked for beside the executable, then in ../lib from there, then in the
// system's library path. When it cannot be bound (missing, or lacking one of
// the calls) every call fails with XDW_E_NOT_INSTALLED and the information
// query gives an empty text, so the run reports that the engine is not
// installed instead of failing to start.
#include "docuworks/EngineLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace docuworks {

namespace {

constexpr const char* kLibraryName = "libxdwapi.so.1";

// The entry points of a bound library.
struct Calls {
    decltype(&XDW_GetInformation) GetInformation = nullptr;
    decltype(&XDW_CreateXdwFromImagePdfFile) CreateXdwFromImagePdfFile = nullptr;
    decltype(&XDW_CreateXdwFromImageFile) CreateXdwFromImageFile = nullptr;
    decltype(&XDW_BeginCreationFromAppFile) BeginCreationFromAppFile = nullptr;
    decltype(&XDW_GetStatusCreationFromAppFile) GetStatusCreationFromAppFile = nullptr;
    decltype(&XDW_CancelCreationFromAppFile) CancelCreationFromAppFile = nullptr;
    decltype(&XDW_EndCreationFromAppFile) EndCreationFromAppFile = nullptr;
    decltype(&XDW_OpenDocumentHandle) OpenDocumentHandle = nullptr;
    decltype(&XDW_GetDocumentInformation) GetDocumentInformation = nullptr;
    decltype(&XDW_RotatePageAuto) RotatePageAuto = nullptr;
    decltype(&XDW_ApplyOcr) ApplyOcr = nullptr;
    decltype(&XDW_SaveDocument) SaveDocument = nullptr;
    decltype(&XDW_CloseDocumentHandle) CloseDocumentHandle = nullptr;
    decltype(&XDW_Finalize) Finalize = nullptr;
    // Later additions, absent from older engines.
    decltype(&XDW_GetLastErrorText) GetLastErrorText = nullptr;
    decltype(&XDW_GetEngineVersion) GetEngineVersion = nullptr;
};

template <typename Fn>
bool Bind(void* library, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(::dlsym(library, name));
    return fn != nullptr;
}

bool BindAll(void* library, Calls& calls) {
    return Bind(library, "XDW_GetInformation", calls.GetInformation) &&
           Bind(library, "XDW_CreateXdwFromImagePdfFile", calls.CreateXdwFromImagePdfFile) &&
           Bind(library, "XDW_CreateXdwFromImageFile", calls.CreateXdwFromImageFile) &&
           Bind(library, "XDW_BeginCreationFromAppFile", calls.BeginCreationFromAppFile) &&
           Bind(library, "XDW_GetStatusCreationFromAppFile", calls.GetStatusCreationFromAppFile) &&
           Bind(library, "XDW_CancelCreationFromAppFile", calls.CancelCreationFromAppFile) &&
           Bind(library, "XDW_EndCreationFromAppFile", calls.EndCreationFromAppFile) &&
           Bind(library, "XDW_OpenDocumentHandle", calls.OpenDocumentHandle) &&
           Bind(library, "XDW_GetDocumentInformation", calls.GetDocumentInformation) &&
           Bind(library, "XDW_RotatePageAuto", calls.RotatePageAuto) &&
           Bind(library, "XDW_ApplyOcr", calls.ApplyOcr) &&
           Bind(library, "XDW_SaveDocument", calls.SaveDocument) &&
           Bind(library, "XDW_CloseDocumentHandle", calls.CloseDocumentHandle) &&
           Bind(library, "XDW_Finalize", calls.Finalize);
}

// Binds the first library that loads and has every call; the library stays
// loaded for the life of the process (the engine may still have work running
// when the program ends).
std::optional<Calls> LoadCalls(const std::vector<std::string>& candidates) {
    for (const auto& candidate : candidates) {
        void* library = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) continue;
        Calls calls;
        if (BindAll(library, calls)) {
            Bind(library, "XDW_GetLastErrorText", calls.GetLastErrorText);
            Bind(library, "XDW_GetEngineVersion", calls.GetEngineVersion);
            return calls;
        }
        ::dlclose(library);
    }
    return std::nullopt;
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

class LoadedEngine final : public Api {
public:
    explicit LoadedEngine(Calls calls) : c_(calls) {}

    int GetInformation(int index, char* value, int size) override {
        return c_.GetInformation(index, value, size, nullptr);
    }
    int CreateXdwFromImagePdfFile(const std::string& input, const std::string& output) override {
        return c_.CreateXdwFromImagePdfFile(input.c_str(), output.c_str(), nullptr);
    }
    int CreateXdwFromImageFile(const std::string& input, const std::string& output,
                               const XDW_CREATE_OPTION& option) override {
        return c_.CreateXdwFromImageFile(input.c_str(), output.c_str(), &option);
    }
    int BeginCreationFromAppFile(const std::string& input, const std::string& output,
                                 int attachOriginal, XDW_CREATE_HANDLE* handle) override {
        return c_.BeginCreationFromAppFile(input.c_str(), output.c_str(), attachOriginal, handle,
                                           nullptr);
    }
    int GetStatusCreationFromAppFile(XDW_CREATE_HANDLE handle,
                                     XDW_CREATION_STATUS* status) override {
        return c_.GetStatusCreationFromAppFile(handle, status);
    }
    int CancelCreationFromAppFile(XDW_CREATE_HANDLE handle) override {
        return c_.CancelCreationFromAppFile(handle, nullptr);
    }
    int EndCreationFromAppFile(XDW_CREATE_HANDLE handle) override {
        return c_.EndCreationFromAppFile(handle, nullptr);
    }
    int OpenDocumentHandle(const std::string& path, XDW_DOCUMENT_HANDLE* handle,
                           const XDW_OPEN_MODE& mode) override {
        return c_.OpenDocumentHandle(path.c_str(), handle, &mode);
    }
    int GetDocumentInformation(XDW_DOCUMENT_HANDLE handle, XDW_DOCUMENT_INFO* info) override {
        return c_.GetDocumentInformation(handle, info);
    }
    int RotatePageAuto(XDW_DOCUMENT_HANDLE handle, int page) override {
        return c_.RotatePageAuto(handle, page, nullptr);
    }
    int ApplyOcr(XDW_DOCUMENT_HANDLE handle, int page, int engine,
                 const XDW_OCR_OPTION& option) override {
        return c_.ApplyOcr(handle, page, engine, &option, nullptr);
    }
    int SaveDocument(XDW_DOCUMENT_HANDLE handle) override {
        return c_.SaveDocument(handle, nullptr);
    }
    int CloseDocumentHandle(XDW_DOCUMENT_HANDLE handle) override {
        return c_.CloseDocumentHandle(handle, nullptr);
    }
    int Finalize() override { return c_.Finalize(nullptr); }
    std::string LastErrorText() override {
        if (c_.GetLastErrorText == nullptr) return {};
        char text[512];
        const int length = c_.GetLastErrorText(text, sizeof text);
        return length > 0 ? std::string(text) : std::string();
    }
    std::string EngineVersion() override {
        const char* version = c_.GetEngineVersion != nullptr ? c_.GetEngineVersion() : nullptr;
        return version != nullptr ? version : "";
    }

private:
    Calls c_;
};

// Stands in for an engine that could not be bound.
class MissingEngine final : public Api {
public:
    int GetInformation(int, char* value, int size) override {
        if (value != nullptr && size > 0) value[0] = '\0';
        return XDW_E_NOT_INSTALLED;
    }
    int CreateXdwFromImagePdfFile(const std::string&, const std::string&) override {
        return XDW_E_NOT_INSTALLED;
    }
    int CreateXdwFromImageFile(const std::string&, const std::string&,
                               const XDW_CREATE_OPTION&) override {
        return XDW_E_NOT_INSTALLED;
    }
    int BeginCreationFromAppFile(const std::string&, const std::string&, int,
                                 XDW_CREATE_HANDLE*) override {
        return XDW_E_NOT_INSTALLED;
    }
    int GetStatusCreationFromAppFile(XDW_CREATE_HANDLE, XDW_CREATION_STATUS*) override {
        return XDW_E_NOT_INSTALLED;
    }
    int CancelCreationFromAppFile(XDW_CREATE_HANDLE) override { return XDW_E_NOT_INSTALLED; }
    int EndCreationFromAppFile(XDW_CREATE_HANDLE) override { return XDW_E_NOT_INSTALLED; }
    int OpenDocumentHandle(const std::string&, XDW_DOCUMENT_HANDLE*,
                           const XDW_OPEN_MODE&) override {
        return XDW_E_NOT_INSTALLED;
    }
    int GetDocumentInformation(XDW_DOCUMENT_HANDLE, XDW_DOCUMENT_INFO*) override {
        return XDW_E_NOT_INSTALLED;
    }
    int RotatePageAuto(XDW_DOCUMENT_HANDLE, int) override { return XDW_E_NOT_INSTALLED; }
    int ApplyOcr(XDW_DOCUMENT_HANDLE, int, int, const XDW_OCR_OPTION&) override {
        return XDW_E_NOT_INSTALLED;
    }
    int SaveDocument(XDW_DOCUMENT_HANDLE) override { return XDW_E_NOT_INSTALLED; }
    int CloseDocumentHandle(XDW_DOCUMENT_HANDLE) override { return XDW_E_NOT_INSTALLED; }
    int Finalize() override { return XDW_E_NOT_INSTALLED; }
    std::string LastErrorText() override { return "libxdwapi.so.1 cannot be loaded"; }
    std::string EngineVersion() override { return {}; }
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
    if (std::optional<Calls> calls = LoadCalls(candidates))
        return std::make_unique<LoadedEngine>(*calls);
    return std::make_unique<MissingEngine>();
}

std::unique_ptr<Api> LoadEngine() { return LoadEngineFrom(EngineCandidates()); }

}  // namespace docuworks
