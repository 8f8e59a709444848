// What finding a document's kind and a bill's keys costs once its pages are
// read, and what it finds: for each document given (a converted document,
// its pages read by OCR), its first pages' text is read (the page's own
// text and the layer alike) and the keys looked for in it, as saving does.
//   bills_bench DOC...
// Prints "path pages milliseconds-per-page kind date amount counterparty"
// (tab-separated, "-" for a key not found).
//   bills_bench --read DOC...
// Reads each document's pages again by OCR (nothing is saved) and prints the
// same line for the text saving looks in (unsure words as U+FFFD), then that
// text, its pages ended by form feeds: to tell a misreading from a key not
// found.
//   bills_bench --ocr DOC...
// As --read, but each document is then saved as the program saves it (its
// keys written), so that one reading gives both the keys and their text.
//   bills_bench --find TEXT...
// The same line for text files such as --read prints (pages ended by form
// feeds, read by OCR).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "label/DocumentKeys.h"
#include "ocr/DocumentOcr.h"
#include "pdf/Document.h"
#include "pdf/DocumentLabel.h"
#include "xdwapi/xdwapi.h"

namespace {

// The line for a document: its pages' text got and searched, timed.
void Show(const char* path, const std::function<std::vector<std::string>()>& text) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> texts = text();
    const xdw::DocumentKeys keys = xdw::FindDocumentKeys(texts, true);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    auto show = [](const std::string& key) { return key.empty() ? "-" : key.c_str(); };
    std::printf("%s\t%zu\t%.2f\t%s\t%s\t%s\t%s\n", path, texts.size(),
                ms / std::max<size_t>(texts.size(), 1), show(keys.kind), show(keys.date),
                show(keys.amount), show(keys.counterparty));
}

// The pages' text as saving looks in it after every page was read again;
// the document saved when asked.
std::vector<std::string> ReadAgain(const char* path, bool save) {
    const XDW_DOCUMENT_HANDLE handle = xdw::OpenDocument(path);
    xdw::Document& doc = xdw::LookupDocument(handle);
    std::vector<std::string> pages = xdw::OwnPageTexts(*doc.pdf, true);
    const XDW_OCR_OPTION option{sizeof(XDW_OCR_OPTION), 1, 0, 0, 1, 0, 0, 0, 1, 0, nullptr, 0};
    for (size_t p = 0; p < pages.size(); ++p) {
        xdw::ApplyOcr(doc, static_cast<int>(p) + 1, option);
        pages[p] += "\n" + doc.readText[static_cast<int>(p) + 1];
    }
    if (save) {
        xdw::TurnPending(doc);
        xdw::SaveDocument(doc);
    }
    xdw::CloseDocument(handle);
    return pages;
}

std::vector<std::string> TextFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::vector<std::string> pages;
    std::string page;
    while (std::getline(all, page, '\f')) {
        if (page.find_first_not_of("\n") != std::string::npos) pages.push_back(page);
    }
    return pages;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool save = mode == "--ocr", read = mode == "--read" || save, find = mode == "--find";
    for (int i = read || find ? 2 : 1; i < argc; ++i) {
        try {
            if (find) {
                const std::vector<std::string> pages = TextFile(argv[i]);
                Show(argv[i], [&] { return pages; });
            } else if (read) {
                const std::vector<std::string> pages = ReadAgain(argv[i], save);
                Show(argv[i], [&] { return pages; });
                for (const std::string& page : pages) std::printf("%s\f\n", page.c_str());
            } else {
                const auto pdf = xdw::ReadPdf(argv[i]);
                Show(argv[i], [&] { return xdw::OwnPageTexts(*pdf, false); });
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", argv[i], e.what());
        }
    }
    return 0;
}
