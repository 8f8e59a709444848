// ZIP archives and OpenDocument files, made without LibreOffice.
#include <zlib.h>

#include "TestFiles.h"

namespace xdwtest {

namespace {

void Le(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void WriteZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string zip, directory;
    for (const auto& [name, data] : entries) {
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        const uint32_t offset = static_cast<uint32_t>(zip.size());
        std::string
            common;  // version, flags, method 0 (stored), time, date, crc, sizes, name length
        Le(common, 10, 2), Le(common, 0, 2), Le(common, 0, 2), Le(common, 0, 2),
            Le(common, 0x21, 2), Le(common, crc, 4), Le(common, data.size(), 4),
            Le(common, data.size(), 4), Le(common, name.size(), 2);
        zip += std::string("PK\x03\x04", 4) + common;
        Le(zip, 0, 2);
        zip += name + data;
        directory += std::string("PK\x01\x02", 4);
        Le(directory, 10, 2);
        directory += common;
        Le(directory, 0, 2), Le(directory, 0, 2), Le(directory, 0, 2), Le(directory, 0, 2),
            Le(directory, 0, 4), Le(directory, offset, 4);
        directory += name;
    }
    const uint32_t start = static_cast<uint32_t>(zip.size());
    zip += directory + std::string("PK\x05\x06", 4);
    Le(zip, 0, 2), Le(zip, 0, 2), Le(zip, entries.size(), 2), Le(zip, entries.size(), 2);
    Le(zip, directory.size(), 4), Le(zip, start, 4), Le(zip, 0, 2);
    WriteBytes(path, zip);
}

namespace {

const std::string kManifestHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "
    "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
    "manifest:version=\"1.2\">\n";

const std::string kContentHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content "
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
    "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
    "xmlns:script=\"urn:oasis:names:tc:opendocument:xmlns:script:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:xlink=\"http://www.w3.org/1999/xlink\" office:version=\"1.2\">\n";

}  // namespace

void WriteOdf(const std::string& path, const std::string& mime, const std::string& body,
              std::vector<std::pair<std::string, std::string>> more) {
    std::string manifest = kManifestHead +
                           "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"" +
                           mime +
                           "\"/>\n<manifest:file-entry manifest:full-path=\"content.xml\" "
                           "manifest:media-type=\"text/xml\"/>\n";
    for (const auto& entry : more)
        manifest += "<manifest:file-entry manifest:full-path=\"" + entry.first +
                    "\" manifest:media-type=\"text/xml\"/>\n";
    manifest += "</manifest:manifest>\n";
    std::vector<std::pair<std::string, std::string>> entries = {
        {"mimetype", mime},
        {"META-INF/manifest.xml", manifest},
        {"content.xml", kContentHead + body + "</office:document-content>\n"}};
    entries.insert(entries.end(), more.begin(), more.end());
    WriteZip(path, entries);
}

}  // namespace xdwtest
