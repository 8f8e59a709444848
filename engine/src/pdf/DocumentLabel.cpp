#include "pdf/DocumentLabel.h"

#include <memory>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-page.h>

#include "pdf/DrawingCost.h"
#include "pdf/Renderer.h"
#include "pdf/Xmp.h"

namespace xdw {

namespace {

std::string PageText(poppler::document& doc, int index) {
    std::unique_ptr<poppler::page> page(doc.create_page(index));
    if (!page) return {};
    const poppler::byte_array bytes = page->text().to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

std::string StringKey(QPDFObjectHandle dict, const std::string& key) {
    QPDFObjectHandle value = dict.getKey(key);
    return value.isString() ? value.getUTF8Value() : std::string();
}

void SetString(QPDFObjectHandle dict, const std::string& key, const std::string& value) {
    if (value.empty())
        dict.removeKey(key);
    else
        dict.replaceKey(key, QPDFObjectHandle::newUnicodeString(value));
}

std::string Joined(const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& item : list) text += (text.empty() ? "" : "; ") + item;
    return text;
}

// The document's keywords without those this engine added before.
std::string WithoutOurs(const std::string& keywords, const std::string& ours) {
    if (ours.empty()) return keywords;
    if (keywords == ours) return {};
    const std::string tail = "; " + ours;
    if (keywords.size() > tail.size() &&
        keywords.compare(keywords.size() - tail.size(), tail.size(), tail) == 0)
        return keywords.substr(0, keywords.size() - tail.size());
    return keywords;
}

std::string MetadataPacket(QPDFObjectHandle metadata, bool& readable) {
    readable = true;
    if (!metadata.isStream()) return {};
    try {
        const auto data = metadata.getStreamData(qpdf_dl_generalized);
        return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    } catch (const std::exception&) {
        readable = false;
        return {};
    }
}

bool Label(QPDF& pdf, const std::string& title, const DocumentKeys& keys);

}  // namespace

std::vector<std::string> OwnPageTexts(const std::string& path, QPDF& pdf) {
    QuietPoppler();
    std::vector<std::string> texts;
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc || doc->is_locked()) return texts;
    for (int i = 0; i < std::min(doc->pages(), kLabelPages); ++i)
        texts.push_back(DrawingFits(pdf, i + 1) ? PageText(*doc, i) : std::string());
    return texts;
}

std::vector<std::string> OwnPageTexts(QPDF& pdf, bool withoutLayer) {
    QuietPoppler();
    std::vector<std::string> texts;
    const int pages = static_cast<int>(pdf.getAllPages().size());
    for (int p = 1; p <= std::min(pages, kLabelPages); ++p) {
        if (!DrawingFits(pdf, p)) {
            texts.emplace_back();
            continue;
        }
        try {
            const std::string data = SinglePagePdf(pdf, p, withoutLayer);
            std::unique_ptr<poppler::document> doc(
                poppler::document::load_from_raw_data(data.data(), static_cast<int>(data.size())));
            texts.push_back(doc && !doc->is_locked() && doc->pages() > 0 ? PageText(*doc, 0) : "");
        } catch (const std::exception&) {
            texts.emplace_back();
        }
    }
    return texts;
}

bool LabelDocument(QPDF& pdf, const std::string& title, const DocumentKeys& keys) {
    // What the document says of itself is an addition: a damaged catalogue
    // or information dictionary leaves it out and fails nothing else.
    try {
        return Label(pdf, title, keys);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return false;
    }
}

namespace {

bool Label(QPDF& pdf, const std::string& title, const DocumentKeys& keys) {
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle metadata = root.getKey("/Metadata");
    bool readable = true;
    const std::string packet = MetadataPacket(metadata, readable);
    const XmpDescription before = OurDescription(packet);

    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    const bool hadInfo = info.isDictionary();
    if (!hadInfo) info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    const std::string oldTitle = StringKey(info, "/Title");
    const std::string oldSubject = StringKey(info, "/Subject");
    const std::string oldKeywords = StringKey(info, "/Keywords");

    std::string newTitle = oldTitle;
    if (oldTitle.empty() && !XmpHas(packet, "dc:title")) newTitle = title;
    std::string newSubject = oldSubject;
    if (oldSubject.empty() || oldSubject == before.keys.kind) newSubject = keys.kind;
    const std::vector<std::string> list = KeyList(keys);
    const std::string ours = Joined(list);
    std::string newKeywords = WithoutOurs(oldKeywords, before.keywords);
    if (!ours.empty()) newKeywords += (newKeywords.empty() ? "" : "; ") + ours;

    bool changed = false;
    if (newTitle != oldTitle || newSubject != oldSubject || newKeywords != oldKeywords) {
        if (!hadInfo) trailer.replaceKey("/Info", info);
        SetString(info, "/Title", newTitle);
        SetString(info, "/Subject", newSubject);
        SetString(info, "/Keywords", newKeywords);
        changed = true;
    }

    if (!readable) return changed;
    XmpDescription description;
    description.title = newTitle;
    description.keys = {keys.kind, keys.date, keys.amount, keys.counterparty};
    description.keywords = ours;
    description.subjects = list;
    const std::string newPacket = DescribeInXmp(packet, description);
    if (newPacket.empty() || newPacket == packet) return changed;
    if (metadata.isStream()) {
        metadata.replaceStreamData(newPacket, QPDFObjectHandle::newNull(),
                                   QPDFObjectHandle::newNull());
    } else {
        QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf, newPacket);
        stream.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
        stream.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
        root.replaceKey("/Metadata", pdf.makeIndirectObject(stream));
    }
    return true;
}

}  // namespace

}  // namespace xdw
