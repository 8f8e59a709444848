#include "FakeEngine.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace quilbex::testing {

void FakeEngine::Record(const std::string& name, const std::string& arguments) {
    calls.push_back(name + "(" + arguments + ")");
    if (onCall) onCall(name);
    // A copy: the hook may make the engine record further calls, which can move `calls`.
    if (onCallRecorded) onCallRecorded(std::string(calls.back()));
    const auto reason = reasons.find(name);
    lastError_ = reason == reasons.end() ? EngineReason{} : reason->second;
    if (name == throwIn) throw std::runtime_error("engine fault");
}

std::string FakeEngine::Name(XDW_CREATE_HANDLE handle) const {
    if (handle == nullptr) return "null";
    return handle == createHandle ? "create" : "other";
}

std::string FakeEngine::Name(XDW_DOCUMENT_HANDLE handle) const {
    if (handle == nullptr) return "null";
    return handle == documentHandle ? "doc" : "other";
}

int FakeEngine::GetInformation(int index, char* value, int size) {
    Record("GetInformation", std::to_string(index) + "," + std::to_string(size));
    ++informationCalls;
    if (throwOnInformation) throwOnInformation();
    if (index == XDW_GI_PRINT_SOURCE_KIND && !printSourceKind) return XDW_E_INVALID_ARG;
    const std::string& item = index == XDW_GI_PRINT_SANDBOX       ? sandboxMissing
                              : index == XDW_GI_PRINT_SOURCE_KIND ? *printSourceKind
                              : index == XDW_GI_SOURCE_REPAIRED   ? sourceRepair
                                                                  : defaultFolder;
    const std::size_t n = std::min(item.size(), static_cast<std::size_t>(size));
    std::memcpy(value, item.data(), n);
    if (n < static_cast<std::size_t>(size)) value[n] = '\0';
    return static_cast<int>(n);
}

int FakeEngine::CreateXdwFromImagePdfFile(const std::string& input, const std::string& output) {
    Record("CreateXdwFromImagePdfFile", input + "," + output);
    if (onDirectConversion) onDirectConversion();
    return imagePdfResult.value_or(pdfResult);
}

int FakeEngine::CreateXdwFromImageFile(const std::string& input, const std::string& output,
                                       const XDW_CREATE_OPTION& option) {
    Record("CreateXdwFromImageFile", input + "," + output);
    createOptions.push_back(option);
    return imagePdfResult.value_or(imageResult);
}

int FakeEngine::BeginCreationFromAppFile(const std::string& input, const std::string& output,
                                         int attachOriginal, XDW_CREATE_HANDLE* handle) {
    Record("BeginCreationFromAppFile", input + "," + output + "," + std::to_string(attachOriginal));
    ++beginCalls;
    if (beginResult >= 0) *handle = createHandle;
    return beginResult;
}

int FakeEngine::GetStatusCreationFromAppFile(XDW_CREATE_HANDLE handle,
                                             XDW_CREATION_STATUS* status) {
    Record("GetStatusCreationFromAppFile", Name(handle));
    statusSizes.push_back(status->size);
    Phase next{statusPhase};
    if (!phases.empty()) {
        next = phases.front();
        if (phases.size() > 1) phases.pop_front();
    }
    status->phase = next.phase;
    status->total_pages = next.totalPages;
    status->page = next.page;
    return 0;
}

int FakeEngine::CancelCreationFromAppFile(XDW_CREATE_HANDLE handle) {
    Record("CancelCreationFromAppFile", Name(handle));
    ++cancelCalls;
    return cancelResult;
}

int FakeEngine::EndCreationFromAppFile(XDW_CREATE_HANDLE handle) {
    Record("EndCreationFromAppFile", Name(handle));
    return 0;
}

int FakeEngine::OpenDocumentHandle(const std::string& path, XDW_DOCUMENT_HANDLE* handle,
                                   const XDW_OPEN_MODE& mode) {
    Record("OpenDocumentHandle", path);
    openModes.push_back(mode);
    if (openResult >= 0) *handle = documentHandle;
    return openResult;
}

int FakeEngine::GetDocumentInformation(XDW_DOCUMENT_HANDLE handle, XDW_DOCUMENT_INFO* info) {
    Record("GetDocumentInformation", Name(handle));
    infoSizes.push_back(info->size);
    info->pages = pages;
    return 0;
}

int FakeEngine::RotatePageAuto(XDW_DOCUMENT_HANDLE handle, int page) {
    Record("RotatePageAuto", Name(handle) + "," + std::to_string(page));
    if (const auto it = rotateErrors.find(page); it != rotateErrors.end())
        throw std::runtime_error(it->second);
    const auto it = rotateResults.find(page);
    return it == rotateResults.end() ? 0 : it->second;
}

int FakeEngine::ApplyOcr(XDW_DOCUMENT_HANDLE handle, int page, int engine,
                         const XDW_OCR_OPTION& option) {
    Record("ApplyOcr", Name(handle) + "," + std::to_string(page) + "," + std::to_string(engine));
    ocrOptions.push_back(option);
    ocrPages.push_back(page);
    if (onOcr) onOcr(page);
    if (const auto it = ocrErrors.find(page); it != ocrErrors.end())
        throw std::runtime_error(it->second);
    const auto it = ocrResults.find(page);
    return it == ocrResults.end() ? 0 : it->second;
}

int FakeEngine::SaveDocument(XDW_DOCUMENT_HANDLE handle) {
    Record("SaveDocument", Name(handle));
    ++saveCalls;
    return saveResult;
}

int FakeEngine::CloseDocumentHandle(XDW_DOCUMENT_HANDLE handle) {
    Record("CloseDocumentHandle", Name(handle));
    ++closeCalls;
    return 0;
}

int FakeEngine::Finalize() {
    Record("Finalize", "");
    ++finalizeCalls;
    return 0;
}

std::vector<std::string> FakeEngine::Calls(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& call : calls) {
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
}

}  // namespace quilbex::testing
