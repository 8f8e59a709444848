#include "common/DocumentKeysFile.h"

#include <fstream>

namespace quilbex {

namespace {

constexpr size_t kChunk = 1 << 20;
// The engine's block is far shorter than this.
constexpr size_t kBlockLimit = 8192;

std::string Unescaped(std::string text) {
    const std::pair<const char*, char> entities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}};
    for (const auto& [entity, c] : entities)
        for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at))
            text.replace(at, std::string(entity).size(), 1, c), ++at;
    return text;
}

}  // namespace

std::string DocumentKeyElement(const std::string& block, const std::string& name) {
    const std::string open = "<quilbex:" + name + ">", close = "</quilbex:" + name + ">";
    const size_t begin = block.find(open);
    if (begin == std::string::npos) return {};
    const size_t end = block.find(close, begin);
    if (end == std::string::npos) return {};
    return Unescaped(block.substr(begin + open.size(), end - begin - open.size()));
}

FoundKeys DocumentKeysIn(const std::string& block) {
    FoundKeys keys;
    for (const DocumentKeyField& field : kDocumentKeyFields)
        keys.*field.value = DocumentKeyElement(block, field.element);
    return keys;
}

FoundKeys ReadDocumentKeys(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string mark = std::string("xmlns:quilbex=\"") + kDocumentKeysNamespace;
    std::string window, block;
    std::string chunk(kChunk, '\0');
    // The file is read a chunk at a time, keeping the end of the one before
    // so that a block across two chunks is found whole.
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const size_t got = static_cast<size_t>(in.gcount());
        if (got == 0) break;
        window.append(chunk, 0, got);
        for (size_t at = window.find(mark); at != std::string::npos;
             at = window.find(mark, at + 1)) {
            if (window.size() - at < kBlockLimit && in) break;  // read on, then look again
            const size_t end = window.find("</rdf:Description>", at);
            block = window.substr(at, end == std::string::npos ? kBlockLimit : end - at);
        }
        const size_t keep = std::min(window.size(), kBlockLimit + mark.size());
        window.erase(0, window.size() - keep);
    }
    return DocumentKeysIn(block);
}

}  // namespace quilbex
