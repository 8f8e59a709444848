// The document's own description in XMP, the metadata desktop search and
// file managers read: this engine's part of it is a description block of
// its own, replaced whole when the document is described again.
#pragma once

#include <string>
#include <vector>

#include "common/DocumentKeysFile.h"

namespace xdw {

// This engine's namespace in the metadata.
inline constexpr const char* kXmpNamespace = quilbex::kDocumentKeysNamespace;

struct XmpDescription {
    std::string title;                  // dc:title, unless the packet has one of its own
    quilbex::FoundKeys keys;            // quilbex:Kind, Date…; the kind also dc:description,
                                        // unless the packet has one
    std::string keywords;               // pdf:Keywords, unless it has its own; and quilbex:Keywords
    std::vector<std::string> subjects;  // dc:subject, unless it has one
};

// The values of this engine's block in packet ("" when there is none):
// what it said before, so that it can be taken back.
XmpDescription OurDescription(const std::string& packet);

// packet with this engine's block replaced by one for description (none
// when it holds nothing); a new packet when packet is empty. "" when
// packet is not a packet this can add to (no rdf:RDF element), which is
// then left as it is.
std::string DescribeInXmp(const std::string& packet, const XmpDescription& description);

// Whether the packet, apart from this engine's block, has the property
// (as "dc:title").
bool XmpHas(const std::string& packet, const std::string& property);

}  // namespace xdw
