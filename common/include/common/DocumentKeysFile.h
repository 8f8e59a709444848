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

// The keys in the document at path (the latest ones, when the document was
// described again in an update appended to it); none when it cannot be read
// or carries none.
FoundKeys ReadDocumentKeys(const std::string& path);

}  // namespace quilbex
