// The counterparty of a bill received: the company that issued it, never
// the one it is addressed to.
#pragma once

#include <string>
#include <vector>

#include "label/KeyText.h"

namespace xdw {

// The issuer's name with its legal form (株式会社ハヤシ文具, 丸福商事株式会社)
// when exactly one company other than the addressee (…御中, …様, 請求先…)
// is named on its own in the text; "" otherwise. Bank accounts and running
// text do not count. In recognised text a name holding a katakana the
// recogniser mistakes at its surest is in doubt.
std::string BillParty(const std::vector<TextLine>& lines, bool recognised);

}  // namespace xdw
