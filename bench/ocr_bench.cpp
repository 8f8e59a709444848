// Times the engine's OCR page by page, through the C calls only:
//   ocr_bench INPUT.pdf WORK.xdw LANGUAGE [rotate|rotate-only]
// copies INPUT to WORK, opens it, runs XDW_ApplyOcr on every page (after
// XDW_RotatePageAuto with "rotate", as AutoRotate does; only that with
// "rotate-only"), saves.
// Prints one line per page ("page N SECONDS") and "total SECONDS" (open to
// save, the language data loading included).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "xdwapi/xdwapi.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string how = argc == 5 ? argv[4] : "";
    const bool rotate = how == "rotate" || how == "rotate-only";
    const bool read = how != "rotate-only";
    if (argc != 4 && !rotate) {
        std::fprintf(stderr, "usage: %s INPUT.pdf WORK.xdw LANGUAGE [rotate|rotate-only]\n",
                     argv[0]);
        return 2;
    }
    std::filesystem::copy_file(argv[1], argv[2], std::filesystem::copy_options::overwrite_existing);
    const auto start = std::chrono::steady_clock::now();
    XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    XDW_DOCUMENT_HANDLE doc = nullptr;
    int rc = XDW_OpenDocumentHandle(argv[2], &doc, &mode);
    if (rc < 0) {
        std::fprintf(stderr, "open failed: %d\n", rc);
        return 1;
    }
    XDW_DOCUMENT_INFO info{};
    info.size = sizeof(info);
    XDW_GetDocumentInformation(doc, &info);
    XDW_OCR_OPTION option{};
    option.size = sizeof(option);
    option.text_layer = 1;
    option.language = std::atoi(argv[3]);
    option.replace_layer = 1;
    option.keep_image = 1;
    int failures = 0;
    for (int page = 1; page <= info.pages; ++page) {
        const auto pageStart = std::chrono::steady_clock::now();
        rc = rotate ? XDW_RotatePageAuto(doc, page, nullptr) : 0;
        if (rc == 0 && read) rc = XDW_ApplyOcr(doc, page, 1, &option, nullptr);
        std::printf("page %d %.3f%s\n", page, Since(pageStart), rc == 0 ? "" : " failed");
        failures += rc != 0;
    }
    rc = XDW_SaveDocument(doc, nullptr);
    XDW_CloseDocumentHandle(doc, nullptr);
    std::printf("total %.3f\n", Since(start));
    XDW_Finalize(nullptr);
    return failures == 0 && rc >= 0 ? 0 : 1;
}
