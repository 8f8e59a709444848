// The keys a document was found by (its kind, and a bill's date, amount and
// counterparty), as the engine writes them into the document's XMP metadata
// and as the program reads them back for the user.
#pragma once

#include <string>

namespace quilbex {

// The namespace of the engine's own metadata properties.
inline constexpr const char* kDocumentKeysNamespace =
    "https://github.com/quilbex/quilbex/ns/document/1.0/";

struct FoundKeys {
    std::string kind, date, amount, counterparty;  // "" where none was written
    bool Empty() const {
        return kind.empty() && date.empty() && amount.empty() && counterparty.empty();
    }
};

// A key's element in the engine's namespace (quilbex:Date) and where it is
// held.
struct DocumentKeyField {
    const char* element;
    std::string FoundKeys::*value;
};

// Every key's element, in the order they are written.
inline constexpr DocumentKeyField kDocumentKeyFields[] = {
    {"Kind", &FoundKeys::kind},
    {"Date", &FoundKeys::date},
    {"Amount", &FoundKeys::amount},
    {"Counterparty", &FoundKeys::counterparty},
};

// The text of the element quilbex:name in block, its entities replaced; ""
// when there is none.
std::string DocumentKeyElement(const std::string& block, const std::string& name);

// The keys in block, the engine's description block.
FoundKeys DocumentKeysIn(const std::string& block);

// The keys in the document at path (the latest ones, when the document was
// described again in an update appended to it); none when it cannot be read
// or carries none.
FoundKeys ReadDocumentKeys(const std::string& path);

}  // namespace quilbex
