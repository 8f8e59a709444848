// What finding a document's kind and a bill's keys costs once its pages are
// read, and what it finds: for each document given (a converted document,
// its pages read by OCR), its first pages' text is read (the page's own
// text and the layer alike) and the keys looked for in it, as saving does.
//   bills_bench DOC...
// Prints "path pages milliseconds-per-page kind date amount counterparty"
// (tab-separated, "-" for a key not found).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "label/DocumentKeys.h"
#include "pdf/Document.h"
#include "pdf/DocumentLabel.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        try {
            const auto pdf = xdw::ReadPdf(argv[i]);
            const auto start = std::chrono::steady_clock::now();
            const std::vector<std::string> texts = xdw::OwnPageTexts(*pdf, false);
            const xdw::DocumentKeys keys = xdw::FindDocumentKeys(texts, true);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            auto show = [](const std::string& key) { return key.empty() ? "-" : key.c_str(); };
            std::printf("%s\t%zu\t%.2f\t%s\t%s\t%s\t%s\n", argv[i], texts.size(),
                        ms / std::max<size_t>(texts.size(), 1), show(keys.kind), show(keys.date),
                        show(keys.amount), show(keys.counterparty));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", argv[i], e.what());
        }
    }
    return 0;
}
