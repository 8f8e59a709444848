#include "pdf/Signature.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include <qpdf/Buffer.hh>

#include "Error.h"

namespace xdw {

namespace {

// key of dict, or null; unlike getKey on a null it leaves no warning behind
// (warnings tell damaged files).
QPDFObjectHandle Key(QPDFObjectHandle dict, const std::string& key) {
    return dict.isDictionary() ? dict.getKey(key) : QPDFObjectHandle::newNull();
}

// Every field of the form, parents and kids, each once.
std::vector<QPDFObjectHandle> FormFields(QPDF& pdf) {
    std::vector<QPDFObjectHandle> fields, pending;
    QPDFObjectHandle list = Key(pdf.getRoot().getKey("/AcroForm"), "/Fields");
    if (!list.isArray()) return fields;
    pending = list.getArrayAsVector();
    std::set<QPDFObjGen> seen;
    while (!pending.empty() && fields.size() < 100000) {
        QPDFObjectHandle field = pending.back();
        pending.pop_back();
        if (!field.isDictionary()) continue;
        if (field.isIndirect() && !seen.insert(field.getObjGen()).second) continue;
        fields.push_back(field);
        if (QPDFObjectHandle kids = field.getKey("/Kids"); kids.isArray())
            for (auto& kid : kids.getArrayAsVector()) pending.push_back(kid);
    }
    return fields;
}

bool IsSignatureWithValue(QPDFObjectHandle field) {
    QPDFObjectHandle type = field.getKey("/FT");
    return type.isName() && type.getName() == "/Sig" && field.getKey("/V").isDictionary();
}

// The certification's permission (1: no changes, 2: forms, 3: also
// annotations), 0 when the document is not certified.
int CertificationLevel(QPDF& pdf) {
    QPDFObjectHandle signature = Key(pdf.getRoot().getKey("/Perms"), "/DocMDP");
    if (!signature.isDictionary()) return 0;
    int level = 2;
    QPDFObjectHandle references = signature.getKey("/Reference");
    if (references.isArray())
        for (auto& reference : references.getArrayAsVector()) {
            QPDFObjectHandle p = Key(Key(reference, "/TransformParams"), "/P");
            if (p.isInteger()) level = p.getIntValueAsInt();
        }
    return level;
}

std::string Offset10(size_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "%010zu", offset);
    return text;
}

// Where the original's last cross-reference section starts, from its final
// startxref.
size_t LastXrefOffset(const std::string& original) {
    const size_t at = original.rfind("startxref");
    if (at == std::string::npos) throw EngineError(XDW_E_CANNOT_READ, "no startxref");
    size_t pos = at + 9;
    while (pos < original.size() && std::isspace(static_cast<unsigned char>(original[pos]))) ++pos;
    size_t offset = 0;
    bool digits = false;
    for (; pos < original.size() && std::isdigit(static_cast<unsigned char>(original[pos]));
         ++pos) {
        offset = offset * 10 + static_cast<size_t>(original[pos] - '0');
        digits = true;
    }
    if (!digits || offset >= original.size()) throw EngineError(XDW_E_CANNOT_READ, "bad startxref");
    return offset;
}

bool Changed(QPDFObjectHandle now, QPDFObjectHandle before) {
    if (before.isNull() || now.isStream() != before.isStream()) return true;
    if (now.isStream()) return now.getDict().unparse() != before.getDict().unparse();
    return now.unparseResolved() != before.unparseResolved();
}

// "n g obj ... endobj" for an object as it now is; streams with their data
// as stored.
std::string ObjectText(QPDFObjectHandle object) {
    const QPDFObjGen og = object.getObjGen();
    std::string text = std::to_string(og.getObj()) + " " + std::to_string(og.getGen()) + " obj\n";
    if (object.isStream()) {
        std::shared_ptr<Buffer> data = object.getRawStreamData();
        QPDFObjectHandle dict = object.getDict().shallowCopy();
        dict.replaceKey("/Length",
                        QPDFObjectHandle::newInteger(static_cast<long long>(data->getSize())));
        text += dict.unparse() + "\nstream\n";
        text.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        text += "\nendstream";
    } else {
        text += object.unparseResolved();
    }
    return text + "\nendobj\n";
}

// An object the update writes: its generation, its text and where the text
// starts in the updated file.
struct Written {
    int generation = 0;
    std::string text;
    size_t offset = 0;
};
using WrittenObjects = std::map<int, Written>;  // by object number

// The objects of pdf that base, the document as it was with objects up to
// baseMax, lacks or holds otherwise.
WrittenObjects ChangedObjects(QPDF& pdf, QPDF& base, int baseMax) {
    WrittenObjects written;
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        const QPDFObjGen og = object.getObjGen();
        if (og.getObj() <= baseMax && !Changed(object, base.getObjectByObjGen(og))) continue;
        written[og.getObj()] = {og.getGen(), ObjectText(object)};
    }
    return written;
}

// The update's trailer: the document's root, information and identifier, the
// number of objects and the section before.
QPDFObjectHandle UpdateTrailer(QPDFObjectHandle trailer, int size, size_t previous) {
    QPDFObjectHandle tail = QPDFObjectHandle::newDictionary();
    tail.replaceKey("/Size", QPDFObjectHandle::newInteger(size));
    tail.replaceKey("/Root", trailer.getKey("/Root"));
    if (!trailer.getKey("/Info").isNull()) tail.replaceKey("/Info", trailer.getKey("/Info"));
    if (trailer.getKey("/ID").isArray()) tail.replaceKey("/ID", trailer.getKey("/ID"));
    tail.replaceKey("/Prev", QPDFObjectHandle::newInteger(static_cast<long long>(previous)));
    return tail;
}

// Runs of consecutive object numbers (first, count), as both kinds of
// section list them.
std::vector<std::pair<int, int>> Runs(const WrittenObjects& written) {
    std::vector<std::pair<int, int>> runs;
    for (const auto& [number, entry] : written) {
        if (!runs.empty() && runs.back().first + runs.back().second == number)
            ++runs.back().second;
        else
            runs.emplace_back(number, 1);
    }
    return runs;
}

// A cross-reference stream, object number, written at offset at, with tail as
// its dictionary.
std::string XrefStream(QPDFObjectHandle tail, const WrittenObjects& written, int number,
                       size_t at) {
    if (at > 0xffffffffu) throw EngineError(XDW_E_FAIL, "document too large to update");
    std::string rows;
    QPDFObjectHandle index = QPDFObjectHandle::newArray();
    for (auto [first, count] : Runs(written)) {
        index.appendItem(QPDFObjectHandle::newInteger(first));
        index.appendItem(QPDFObjectHandle::newInteger(count));
        for (int n = first; n < first + count; ++n) {
            const Written& entry = written.at(n);
            rows += char(1);
            for (int shift = 24; shift >= 0; shift -= 8)
                rows += char((entry.offset >> shift) & 0xff);
            rows += char((entry.generation >> 8) & 0xff);
            rows += char(entry.generation & 0xff);
        }
    }
    tail.replaceKey("/Type", QPDFObjectHandle::newName("/XRef"));
    tail.replaceKey("/W", QPDFObjectHandle::parse("[1 4 2]"));
    tail.replaceKey("/Index", index);
    tail.replaceKey("/Length", QPDFObjectHandle::newInteger(static_cast<long long>(rows.size())));
    return std::to_string(number) + " 0 obj\n" + tail.unparse() + "\nstream\n" + rows +
           "\nendstream\nendobj\n";
}

// A cross-reference table and tail as its trailer.
std::string XrefTable(QPDFObjectHandle tail, const WrittenObjects& written) {
    std::string table = "xref\n";
    for (auto [first, count] : Runs(written)) {
        table += std::to_string(first) + " " + std::to_string(count) + "\n";
        for (int n = first; n < first + count; ++n) {
            char gen[8];
            std::snprintf(gen, sizeof gen, "%05d", written.at(n).generation);
            table += Offset10(written.at(n).offset) + " " + gen + " n \n";
        }
    }
    return table + "trailer\n" + tail.unparse() + "\n";
}

}  // namespace

bool IsSigned(QPDF& pdf) {
    QPDFObjectHandle flags = Key(pdf.getRoot().getKey("/AcroForm"), "/SigFlags");
    if (flags.isInteger() && (flags.getIntValue() & 1) != 0) return true;
    if (CertificationLevel(pdf) != 0) return true;
    const std::vector<QPDFObjectHandle> fields = FormFields(pdf);
    return std::any_of(fields.begin(), fields.end(), IsSignatureWithValue);
}

std::string SignedChangeRefusal(QPDF& pdf) {
    if (pdf.isEncrypted()) return "the signed document is encrypted";
    // Even the laxest certification (form filling, signing, annotations)
    // forbids new page content, which a text layer is.
    if (const int level = CertificationLevel(pdf); level == 1)
        return "the signed document permits no changes";
    else if (level != 0)
        return "the signed document is certified: no page content may be added";
    if (pdf.anyWarnings()) return "the signed document is damaged";
    return std::string();
}

std::string IncrementalUpdate(QPDF& pdf, const std::string& original) {
    QPDF base;
    base.setSuppressWarnings(true);
    base.processMemoryFile("original", original.data(), original.size());
    const int baseMax = base.getObjectCount();
    WrittenObjects written = ChangedObjects(pdf, base, baseMax);

    const size_t previous = LastXrefOffset(original);
    const bool xrefStream = original.compare(previous, 4, "xref") != 0;
    std::string update = original.empty() || original.back() == '\n' ? "" : "\n";
    for (auto& [number, entry] : written) {
        entry.offset = original.size() + update.size();
        update += entry.text;
    }
    int size = std::max(baseMax, written.empty() ? 0 : written.rbegin()->first) + 1;
    const int xrefNumber = size;
    const size_t xrefAt = original.size() + update.size();
    if (xrefStream) {
        // The stream is one of the update's objects, and lists itself.
        written[xrefNumber] = {0, std::string(), xrefAt};
        ++size;
    }
    const QPDFObjectHandle tail = UpdateTrailer(pdf.getTrailer(), size, previous);
    update += xrefStream ? XrefStream(tail, written, xrefNumber, xrefAt) : XrefTable(tail, written);
    update += "startxref\n" + std::to_string(xrefAt) + "\n%%EOF\n";
    return update;
}

}  // namespace xdw
