#include "label/BillAmount.h"

#include "common/Utf8.h"

#include <set>
#include <string>
#include <utility>

namespace xdw {

namespace {

struct TotalLabel {
    const char32_t* word;
    bool payable;  // names what is paid itself, tax included
};

// Longer words first where one holds another.
constexpr TotalLabel kTotalLabels[] = {
    {U"請求金額", true}, {U"請求額", true},   {U"支払金額", true},  {U"支払い金額", true},
    {U"支払額", true},   {U"領収金額", true}, {U"見積金額", true},  {U"見積合計", true},
    {U"見積額", true},   {U"税込合計", true}, {U"税込金額", true},  {U"総合計", true},
    {U"総額", true},     {U"総計", true},     {U"合計金額", false}, {U"合計", false},
    {U"金額", false},
};

// A cell naming any of these holds no total: a subtotal, a tax, what was
// handed over or given back, a balance from before, a price per unit.
constexpr const char32_t* kNotTotal[] = {
    U"小計", U"税抜", U"税別",   U"外税", U"内税",     U"消費税", U"税額", U"税率", U"本体",
    U"前回", U"繰越", U"入金",   U"値引", U"割引",     U"対象",   U"預",   U"釣",   U"単価",
    U"残高", U"送料", U"手数料", U"期限", U"ポイント", U"数量",   U"源泉"};

// What makes the amount to be paid other than the sum and its tax: a
// discount, a balance from before, a payment made, tax withheld.
constexpr const char32_t* kAdjustments[] = {U"値引", U"割引", U"前回", U"繰越", U"入金",
                                            U"源泉", U"相殺", U"差引", U"調整"};

struct Money {
    long long value = 0;
    bool doubtful = false;
    // Doubtful for a point between its groups alone (88.924円, ¥8,.084: a
    // comma misread): its digits are known, and value holds them.
    bool digitsKnown = false;
    bool noDigit = false;  // not one of its digits is sure
    std::u32string lead;   // its digits before the first unsure one
    // Written as money beyond doubt: ¥ or 円 by it, or its digits grouped
    // (not 2026- of a bill's number).
    bool money = false;
    size_t end = 0;
};

// A yen mark: ¥, \ as code page 932 shows it, and Y as a fax's ¥ is often
// read, right before the digits.
bool IsYenMark(const std::u32string& s, size_t i) {
    if (s[i] == U'¥' || s[i] == U'\\') return true;
    return s[i] == U'Y' && (i == 0 || !IsNameChar(s[i - 1])) && i + 1 < s.size() &&
           s[i + 1] >= U'0' && s[i + 1] <= U'9';
}

// An amount starting at i (blanks skipped): ¥ or \ before it, 円 or - after
// it, or its digits grouped by commas; a count (3点, 10%) is none.
bool ReadMoney(const std::u32string& s, size_t i, Money& money) {
    while (i < s.size() && s[i] == U' ') ++i;
    bool marked = false;
    if (i < s.size() && IsYenMark(s, i)) {
        marked = money.money = true;
        ++i;
        while (i < s.size() && s[i] == U' ') ++i;
    }
    if (i >= s.size() || !IsDigitOrUnsure(s[i])) return false;
    std::u32string digits;
    size_t group = 0;
    bool grouped = false, badGroup = false, dotted = false;
    for (; i < s.size(); ++i) {
        // A comma read as ",." or ".," by the recogniser.
        const bool misread = (s[i] == U',' || s[i] == U'.') && i + 2 < s.size() &&
                             (s[i + 1] == U'.' || s[i + 1] == U',') && s[i + 1] != s[i] &&
                             IsDigitOrUnsure(s[i + 2]);
        if (IsDigitOrUnsure(s[i])) {
            digits += s[i];
            ++group;
        } else if (misread || ((s[i] == U',' || s[i] == U'.') && i + 1 < s.size() &&
                               IsDigitOrUnsure(s[i + 1]))) {
            // 1,234 and a point misread for a comma alike; a group must
            // hold three digits, the first one to three.
            if (group > 3 || (grouped && group != 3)) badGroup = true;
            if (misread || s[i] == U'.') dotted = true;
            if (misread) ++i;
            grouped = true;
            group = 0;
        } else {
            break;
        }
    }
    if (grouped && group != 3) badGroup = true;
    // ¥396, 000 or ¥396 000: digits read apart, the amount is not known.
    size_t next = i;
    if (next < s.size() && (s[next] == U',' || s[next] == U'.') &&
        !(s[next] == U'.' && next + 1 < s.size() && s[next + 1] == U'-'))
        badGroup = true;
    while (next < s.size() && s[next] == U' ') ++next;
    if (next < s.size() && IsDigitOrUnsure(s[next])) badGroup = true;
    // 462 円: text extractors set blanks between digits and kanji.
    if (next < s.size() && s[next] == U'円') i = next;
    if (i < s.size() && (s[i] == U'円' || s[i] == U'-')) {
        marked = true;
        money.money = money.money || s[i] == U'円';
        ++i;
        if (i < s.size() && s[i] == U'也') ++i;
    } else if (i + 1 < s.size() && s[i] == U'.' && s[i + 1] == U'-') {
        marked = true;
        i += 2;
    }
    if (!marked && !grouped) return false;
    money.money = money.money || grouped;
    const bool unsure = digits.size() > 11 || digits.find(kUnsure) != std::u32string::npos;
    money.doubtful = badGroup || dotted || unsure;
    money.digitsKnown = dotted && !badGroup && !unsure;
    money.noDigit = digits.find_first_not_of(kUnsure) == std::u32string::npos;
    money.lead = digits.substr(0, digits.find(kUnsure));
    money.value = 0;
    if (!unsure)
        for (char32_t d : digits) money.value = money.value * 10 + (d - U'0');
    money.end = i;
    return true;
}

// The amounts of a cell from pos on; doubtful when anything else but blanks
// and a 税込 note stands among them.
std::vector<Money> AmountsFrom(const std::u32string& cell, size_t pos) {
    std::vector<Money> amounts;
    for (size_t i = pos; i < cell.size();) {
        Money money;
        if (ReadMoney(cell, i, money)) {
            amounts.push_back(money);
            i = money.end;
        } else {
            ++i;
        }
    }
    return amounts;
}

bool StartsWithMoney(const std::u32string& cell) {
    Money money;
    return ReadMoney(cell, 0, money);
}

struct Totals {
    std::set<long long> payable, plain, subtotals, taxes, handed, change;
    std::multiset<long long> stated;      // every statement of a total
    std::multiset<long long> misgrouped;  // statements whose digits alone are known
    std::multiset<long long> all;         // every amount the text holds, its digits known
    bool unstated = false;                // a total's label with no amount by it
    // The sure leading digits of each statement that cannot be read whole:
    // only its sums can then prove the total, and it must start so.
    std::vector<std::u32string> unreadable;
    bool stateless = true;  // no total's label at all
    bool handing = false;   // what was handed over or the change is named
    int apart = 0;          // labels of what was handed over and the change with no amount by them
    bool adjusted = false;  // what is paid may differ from the sum with its tax
    bool doubtful = false;

    void Add(const std::vector<Money>& amounts, bool isPayable) {
        std::set<long long> values, digits;
        std::vector<std::u32string> partial;
        stateless = false;
        for (const Money& m : amounts) {
            if (!m.doubtful)
                values.insert(m.value);
            else if (m.digitsKnown)
                digits.insert(m.value);
            else
                partial.push_back(m.lead);
        }
        // Nothing but unsure characters, or such a word beside the amount
        // (\ � 38,605: the mark read twice); what it is the bill must bear
        // out.
        if (!partial.empty() && values.empty() && digits.empty())
            unreadable.insert(unreadable.end(), partial.begin(), partial.end());
        // Two amounts after one label: which is the total is not said.
        if (values.size() + digits.size() > 1) doubtful = true;
        if (values.size() == 1) {
            (isPayable ? payable : plain).insert(*values.begin());
            stated.insert(*values.begin());
        }
        if (digits.size() == 1) misgrouped.insert(*digits.begin());
        if (amounts.empty()) unstated = true;
    }
};

// A subtotal (小計), a tax added to it (消費税), what was handed over (お預り)
// or given back (お釣り): one amount in its cell, or in the cell beside it.
void ReadPart(const std::vector<std::u32string>& cells, size_t c, const Tight& tight,
              Totals& totals) {
    std::set<long long>* part = nullptr;
    if (tight.text.find(U"小計") == 0)
        part = &totals.subtotals;
    else if (tight.text.find(U"消費税") == 0 && tight.text.find(U"内") == std::u32string::npos)
        part = &totals.taxes;
    else if (tight.text.find(U"預") != std::u32string::npos && tight.text.size() <= 12)
        part = &totals.handed;
    else if (tight.text.find(U"釣") != std::u32string::npos && tight.text.size() <= 12)
        part = &totals.change;
    if (part == nullptr) return;
    std::vector<Money> amounts = AmountsFrom(cells[c], 0);
    if (amounts.empty() && c + 1 < cells.size() && StartsWithMoney(cells[c + 1]))
        amounts = AmountsFrom(cells[c + 1], 0);
    if (part == &totals.handed || part == &totals.change) totals.handing = true;
    if (amounts.empty() && (part == &totals.handed || part == &totals.change)) ++totals.apart;
    if (amounts.size() != 1 || amounts[0].doubtful) return;
    part->insert(amounts[0].value);
}

void ReadLine(const TextLine& line, Totals& totals) {
    const std::vector<std::u32string>& cells = line.cells;
    for (size_t c = 0; c < cells.size(); ++c) {
        for (const Money& money : AmountsFrom(cells[c], 0))
            if ((!money.doubtful || money.digitsKnown) && money.money)
                totals.all.insert(money.value);
        for (const char32_t* word : kAdjustments)
            if (cells[c].find(word) != std::u32string::npos) totals.adjusted = true;
        const Tight tight = Tighten(cells[c]);
        ReadPart(cells, c, tight, totals);
        const TotalLabel* label = nullptr;
        size_t labelEnd = 0;
        for (const TotalLabel& candidate : kTotalLabels) {
            const size_t at = tight.text.find(candidate.word);
            if (at == std::u32string::npos) continue;
            const std::u32string word = candidate.word;
            // 金額 alone is a total only as the first word of its cell (or
            // after nothing but unsure characters: 御見積金額 misread).
            if (word == U"金額" &&
                tight.text.substr(0, at).find_first_not_of(kUnsure) != std::u32string::npos)
                continue;
            label = &candidate;
            labelEnd = tight.at[at + word.size() - 1] + 1;
            break;
        }
        if (label == nullptr) continue;
        bool excluded = false;
        for (const char32_t* word : kNotTotal)
            if (tight.text.find(word) != std::u32string::npos) excluded = true;
        if (excluded) continue;
        const bool payable = label->payable || tight.text.find(U"税込") != std::u32string::npos;
        std::vector<Money> amounts = AmountsFrom(cells[c], labelEnd);
        // The amount in the cell beside the label. Never on the next line: a
        // table read column by column puts the first item's amount there.
        if (amounts.empty() && c + 1 < cells.size() && StartsWithMoney(cells[c + 1]))
            amounts = AmountsFrom(cells[c + 1], 0);
        // Unsure characters where the amount should be: it cannot be read.
        if (amounts.empty() && cells[c].find(kUnsure, labelEnd) != std::u32string::npos)
            totals.unreadable.emplace_back();
        totals.Add(amounts, payable);
    }
}

// The total all statements agree on, 0 when they disagree.
long long Agreed(const Totals& totals) {
    long long total = 0;
    if (!totals.payable.empty()) {
        if (totals.payable.size() != 1) return 0;
        total = *totals.payable.begin();
        // A total before tax may stand beside it, the tax stated making up
        // the difference.
        for (long long plain : totals.plain)
            if (plain != total && totals.taxes.count(total - plain) == 0) return 0;
    } else {
        if (totals.plain.size() != 1) return 0;
        total = *totals.plain.begin();
    }
    // Where the bill states its subtotal and tax, they add up to the total
    // (or the subtotal is the total, its tax included).
    if (totals.subtotals.size() == 1 && totals.taxes.size() == 1) {
        const long long subtotal = *totals.subtotals.begin();
        if (subtotal != total && subtotal + *totals.taxes.begin() != total) return 0;
    }
    return total;
}

// Whether value is amount with a consumption tax on it (10% or 8%, its
// fraction of a yen cut, rounded or raised).
bool WithTax(long long amount, long long value) {
    for (const long long rate : {10, 8}) {
        const long long hundredths = amount * rate;
        for (const long long tax :
             {hundredths / 100, (hundredths + 50) / 100, (hundredths + 99) / 100})
            if (amount + tax == value) return true;
    }
    return false;
}

// Whether the bill's sums come to value: its subtotal and tax (stated, or
// worked out from the subtotal), or what was handed over less the change.
bool AddsUp(const Totals& totals, long long value) {
    for (long long subtotal : totals.subtotals) {
        if (WithTax(subtotal, value)) return true;
        for (long long tax : totals.taxes)
            if (subtotal + tax == value) return true;
    }
    for (long long handed : totals.handed)
        for (long long change : totals.change)
            if (handed - change == value) return true;
    return false;
}

// Whether the bill bears the total out beyond its one statement of it: stated
// twice (once with its digits read alike but its commas not), its subtotal,
// its sums; or read again anywhere as the largest amount of all.
bool BorneOut(const Totals& totals, long long total) {
    return totals.stated.count(total) + totals.misgrouped.count(total) >= 2 ||
           totals.subtotals.count(total) > 0 || AddsUp(totals, total) ||
           (totals.all.count(total) >= 2 && *totals.all.rbegin() == total);
}

// The largest amount of all, when the sums prove it the total: a subtotal
// read with its tax coming to it and the tax read too (strong), or only one
// of them read (enough where the total's labels stand apart from every
// amount, a table read column by column); 0 when they do not, or when the
// bill names a discount, a balance or money handed over that may set what
// is paid apart.
long long LargestProven(const Totals& totals, bool strong) {
    if (totals.adjusted || totals.all.empty() || (strong && totals.handing)) return 0;
    const long long largest = *totals.all.rbegin();
    bool subtotal = false, tax = false;
    for (long long amount : totals.all) {
        if (amount >= largest) continue;
        if (WithTax(amount, largest)) subtotal = true;
        if (!totals.handing && amount * 2 < largest && WithTax(largest - amount, largest))
            tax = true;
        if (WithTax(amount, largest) && totals.all.count(largest - amount) > 0) return largest;
    }
    return !strong && (subtotal || tax) ? largest : 0;
}

// Where the total's labels stand apart from every amount (a table read
// column by column), the largest amount proven by the sums; on a receipt,
// the largest (what was handed over) less another (the change) when that is
// read twice. 0 when neither does, or when the bill names a discount or a
// balance that may set what is paid apart.
long long SummedUp(const Totals& totals) {
    if (!totals.unstated || totals.adjusted || totals.all.empty()) return 0;
    if (const long long proven = LargestProven(totals, false); proven > 0) return proven;
    const long long largest = *totals.all.rbegin();
    std::set<long long> left;
    for (long long amount : totals.all)
        if (amount < largest && totals.apart > 0 && totals.all.count(largest - amount) >= 2)
            left.insert(largest - amount);
    return left.size() == 1 ? *left.begin() : 0;
}

}  // namespace

std::string BillAmount(const std::vector<TextLine>& lines, bool recognised) {
    Totals totals;
    for (const TextLine& line : lines) ReadLine(line, totals);
    // Points between groups are a misreading only where the text was read.
    if (totals.doubtful ||
        (!recognised && (!totals.misgrouped.empty() || !totals.unreadable.empty())))
        return {};
    long long total = Agreed(totals);
    const std::set<long long> misgrouped(totals.misgrouped.begin(), totals.misgrouped.end());
    if (total == 0 && totals.payable.empty() && totals.plain.empty() && misgrouped.size() == 1)
        total = *misgrouped.begin();
    if (recognised && (total == 0 || !BorneOut(totals, total))) {
        // A digit misread in one statement: the one the sums come to
        // stands, when exactly one does.
        std::set<long long> provable;
        for (const std::set<long long>* stated :
             {&std::as_const(totals.payable), &std::as_const(totals.plain), &misgrouped})
            for (long long value : *stated)
                if (AddsUp(totals, value)) provable.insert(value);
        total = provable.size() == 1 ? *provable.begin() : 0;
        if (total == 0 && totals.payable.empty() && totals.plain.empty() && misgrouped.empty())
            total = SummedUp(totals);
    }
    // A statement that cannot be read leaves only sums to prove the total:
    // the subtotal and tax read with it, or its sums read in full.
    if (!totals.unreadable.empty() && (total == 0 || !AddsUp(totals, total)))
        total = LargestProven(totals, true);
    // A page whose total's label was not read at all: its sums in full.
    if (recognised && total == 0 && totals.stateless) total = LargestProven(totals, true);
    // A statement whose commas were misread must still come to the total,
    // and one read in part must start as it does.
    for (long long digits : misgrouped)
        if (digits != total) return {};
    for (const std::u32string& lead : totals.unreadable)
        if (std::to_string(total).rfind(quilbex::EncodeUtf8(lead), 0) != 0) return {};
    return total > 0 ? std::to_string(total) : std::string();
}

}  // namespace xdw
