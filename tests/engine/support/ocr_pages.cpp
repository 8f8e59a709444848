// Kept apart from the other helpers: it calls the engine's C interface, which
// the tests of the internals do not link.
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

namespace xdwtest {

int OcrPages(const std::string& path, int language, bool rotateFirst) {
    XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    XDW_DOCUMENT_HANDLE doc = nullptr;
    int rc = XDW_OpenDocumentHandle(path.c_str(), &doc, &mode);
    if (rc < 0) return rc;
    XDW_DOCUMENT_INFO info{};
    info.size = sizeof(info);
    XDW_GetDocumentInformation(doc, &info);
    XDW_OCR_OPTION option{};
    option.size = sizeof(option);
    option.text_layer = 1;
    option.language = language;
    option.replace_layer = 1;
    option.keep_image = 1;
    for (int p = 1; p <= info.pages && rc == 0; ++p) {
        if (rotateFirst) rc = XDW_RotatePageAuto(doc, p, nullptr);
        if (rc == 0) rc = XDW_ApplyOcr(doc, p, 1, &option, nullptr);
    }
    const int saved = XDW_SaveDocument(doc, nullptr);
    XDW_CloseDocumentHandle(doc, nullptr);
    return rc != 0 ? rc : saved;
}

}  // namespace xdwtest
