// The line of a notification that tells what the document was found to be:
// its kind, and a bill's date, amount and counterparty.
#pragma once

#include <QString>
#include <string>

namespace quilbex {

// "請求書　2026-11-30　¥396,000　有限会社緑川工業", leaving out what was not
// found; "" when the document carries none of them.
QString DocumentKeysLine(const std::string& documentPath);

}  // namespace quilbex
