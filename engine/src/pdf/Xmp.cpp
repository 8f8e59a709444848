#include "pdf/Xmp.h"

namespace xdw {

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Where this engine's block lies in packet: begin and end, or npos.
std::pair<size_t, size_t> OurBlock(const std::string& packet) {
    const size_t ns = packet.find(std::string("xmlns:quilbex=\"") + kXmpNamespace);
    if (ns == std::string::npos) return {std::string::npos, std::string::npos};
    const size_t begin = packet.rfind("<rdf:Description", ns);
    const std::string close = "</rdf:Description>";
    const size_t end = packet.find(close, ns);
    if (begin == std::string::npos || end == std::string::npos)
        return {std::string::npos, std::string::npos};
    return {begin, end + close.size()};
}

std::string Without(const std::string& packet) {
    const auto [begin, end] = OurBlock(packet);
    if (begin == std::string::npos) return packet;
    std::string rest = packet;
    rest.erase(begin, end - begin);
    return rest;
}

std::string Alt(const std::string& name, const std::string& value) {
    return "   <" + name + "><rdf:Alt><rdf:li xml:lang=\"x-default\">" + Escaped(value) +
           "</rdf:li></rdf:Alt></" + name + ">\n";
}

std::string Simple(const std::string& name, const std::string& value) {
    return value.empty() ? std::string()
                         : "   <" + name + ">" + Escaped(value) + "</" + name + ">\n";
}

std::string Block(const std::string& rest, const XmpDescription& d) {
    std::string body;
    if (!d.title.empty() && !XmpHas(rest, "dc:title")) body += Alt("dc:title", d.title);
    if (!d.keys.kind.empty() && !XmpHas(rest, "dc:description"))
        body += Alt("dc:description", d.keys.kind);
    if (!d.subjects.empty() && !XmpHas(rest, "dc:subject")) {
        body += "   <dc:subject><rdf:Bag>";
        for (const std::string& subject : d.subjects)
            body += "<rdf:li>" + Escaped(subject) + "</rdf:li>";
        body += "</rdf:Bag></dc:subject>\n";
    }
    if (!XmpHas(rest, "pdf:Keywords")) body += Simple("pdf:Keywords", d.keywords);
    for (const quilbex::DocumentKeyField& field : quilbex::kDocumentKeyFields)
        body += Simple(std::string("quilbex:") + field.element, d.keys.*field.value);
    body += Simple("quilbex:Keywords", d.keywords);
    if (body.empty()) return {};
    return "  <rdf:Description rdf:about=\"\"\n"
           "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
           "    xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\"\n"
           "    xmlns:quilbex=\"" +
           std::string(kXmpNamespace) + "\">\n" + body + "  </rdf:Description>\n";
}

}  // namespace

XmpDescription OurDescription(const std::string& packet) {
    XmpDescription d;
    const auto [begin, end] = OurBlock(packet);
    if (begin == std::string::npos) return d;
    const std::string block = packet.substr(begin, end - begin);
    d.keys = quilbex::DocumentKeysIn(block);
    d.keywords = quilbex::DocumentKeyElement(block, "Keywords");
    return d;
}

bool XmpHas(const std::string& packet, const std::string& property) {
    const std::string rest = Without(packet);
    return rest.find("<" + property) != std::string::npos ||
           rest.find(property + "=") != std::string::npos;
}

std::string DescribeInXmp(const std::string& packet, const XmpDescription& description) {
    if (packet.empty()) {
        const std::string block = Block(std::string(), description);
        if (block.empty()) return {};
        return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
               "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
               " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n" +
               block + " </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
    }
    std::string rest = Without(packet);
    const size_t close = rest.rfind("</rdf:RDF>");
    if (close == std::string::npos) return {};
    rest.insert(close, Block(rest, description));
    return rest;
}

}  // namespace xdw
