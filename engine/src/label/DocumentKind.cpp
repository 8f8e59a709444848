#include "label/DocumentKind.h"

#include <algorithm>

namespace xdw {

namespace {

struct KindName {
    const char32_t* written;  // as a heading ends with it
    const char32_t* kind;
    bool bill;
};

// Longer spellings before the shorter ones they end with.
constexpr KindName kKinds[] = {
    {U"請求明細書", U"請求書", true}, {U"請求書", U"請求書", true},
    {U"見積り書", U"見積書", true},   {U"見積書", U"見積書", true},
    {U"納品書", U"納品書", true},     {U"領収書", U"領収書", true},
    {U"領収証", U"領収書", true},     {U"注文書", U"注文書", true},
    {U"発注書", U"注文書", true},     {U"注文請書", U"注文請書", false},
    {U"契約書", U"契約書", false},    {U"覚書", U"覚書", false},
    {U"議事録", U"議事録", false},    {U"お知らせ", U"お知らせ", false},
    {U"ご案内", U"ご案内", false},    {U"通知書", U"通知書", false},
    {U"報告書", U"報告書", false},    {U"申込書", U"申込書", false},
    {U"依頼書", U"依頼書", false},    {U"送付状", U"送付状", false},
    {U"提案書", U"提案書", false},    {U"仕様書", U"仕様書", false},
};

// A heading is read among the first lines only: a title stands above the
// text it heads, below at most the sender's and addressee's blocks.
constexpr size_t kHeadingLines = 10;
// What may stand before the kind in a heading (納期変更の, 第12回 安全衛生委員会).
constexpr size_t kMaxLeadIn = 20;

// The cell as a heading reads it: no blanks, brackets or copy marks.
std::u32string HeadingText(const std::u32string& cell) {
    std::u32string text;
    for (char32_t c : Tighten(cell).text)
        if (std::u32string(U"()（）【】［］[]「」〔〕<>＜＞《》〈〉*＊■□◆◇").find(c) ==
            std::u32string::npos)
            text += c;
    for (const std::u32string mark : {U"控え", U"控", U"写し", U"写", U"副本", U"正本"})
        if (EndsWith(text, mark) && text.size() > mark.size())
            text.resize(text.size() - mark.size());
    return text;
}

// The kind a heading ends with, "" when it names none.
std::u32string HeadingKind(const std::u32string& text) {
    for (const KindName& name : kKinds) {
        const std::u32string written = name.written;
        if (!EndsWith(text, written)) continue;
        const std::u32string leadIn = text.substr(0, text.size() - written.size());
        if (leadIn.size() > kMaxLeadIn || leadIn.find(kUnsure) != std::u32string::npos) break;
        // 下記の請求書, 添付の見積書: a mention, not a heading.
        if (leadIn.find(U"下記") != std::u32string::npos ||
            leadIn.find(U"添付") != std::u32string::npos ||
            leadIn.find(U"別紙") != std::u32string::npos)
            break;
        return name.kind;
    }
    return {};
}

// A heading read in part (領\uFFFD\uFFFD書): its first and last characters
// as a kind's spelling has them, only unsure ones between, as many as it
// misses or one more or less. The kind when one kind only fits.
std::u32string PartKind(const std::u32string& text) {
    if (text.size() < 3 || text.front() == kUnsure || text.back() == kUnsure ||
        text.find_first_not_of(kUnsure, 1) != text.size() - 1)
        return {};
    std::u32string found;
    for (const KindName& name : kKinds) {
        const std::u32string written = name.written;
        if (written.size() < 3 || written.front() != text.front() ||
            written.back() != text.back() || written.size() + 1 < text.size() ||
            text.size() + 1 < written.size())
            continue;
        if (!found.empty() && found != name.kind) return {};
        found = name.kind;
    }
    return found;
}

// Whether the page states a total as bills do (合計, 小計, 御見積金額,
// 税込): a heading read in part is a bill's only beside one.
bool StatesTotal(const std::vector<TextLine>& page) {
    for (const TextLine& line : page)
        for (const std::u32string& cell : line.cells) {
            const std::u32string text = Tighten(cell).text;
            if (!IsSentence(text) &&
                (StartsWith(text, 0, U"合計") || StartsWith(text, 0, U"小計") ||
                 text.find(U"金額") != std::u32string::npos ||
                 text.find(U"税込") != std::u32string::npos))
                return true;
        }
    return false;
}

// The label only one kind of bill states its total by: ご請求金額 an
// invoice's, 御見積金額 an estimate's; お預り and お釣り together a
// receipt's. "" when the page has none of them, or those of two kinds.
std::u32string KindByLabels(const std::vector<TextLine>& page) {
    std::u32string found;
    bool handed = false, change = false;
    auto settle = [&](const char32_t* kind) {
        if (found.empty() || found == kind) {
            found = kind;
            return true;
        }
        return false;
    };
    for (const TextLine& line : page)
        for (const std::u32string& cell : line.cells) {
            std::u32string text = Tighten(cell).text;
            if (IsSentence(text)) continue;
            if (!text.empty() && (text[0] == U'ご' || text[0] == U'御' || text[0] == U'お'))
                text.erase(0, 1);
            if (StartsWith(text, 0, U"請求金額") && !settle(U"請求書")) return {};
            if (StartsWith(text, 0, U"見積金額") && !settle(U"見積書")) return {};
            handed = handed || StartsWith(text, 0, U"預り") || StartsWith(text, 0, U"預かり");
            change = change || StartsWith(text, 0, U"釣り") || StartsWith(text, 0, U"釣銭");
        }
    if (handed && change && !settle(U"領収書")) return {};
    return found;
}

}  // namespace

std::u32string KindByEvidence(const std::vector<TextLine>& page) {
    if (!StatesTotal(page)) return {};
    for (size_t l = 0; l < std::min(page.size(), kHeadingLines); ++l)
        for (const std::u32string& cell : page[l].cells) {
            if (IsSentence(cell)) continue;
            const std::u32string kind = PartKind(HeadingText(cell));
            if (!kind.empty()) return kind;
        }
    return KindByLabels(page);
}

std::u32string PageKind(const std::vector<TextLine>& page) {
    for (size_t l = 0; l < std::min(page.size(), kHeadingLines); ++l)
        for (const std::u32string& cell : page[l].cells) {
            if (IsSentence(cell)) continue;
            const std::u32string text = HeadingText(cell);
            // 会員申込書 兼 口座振替依頼書: the first kind named.
            const size_t both = text.find(U'兼');
            if (both != std::u32string::npos) {
                const std::u32string first = HeadingKind(text.substr(0, both));
                if (!first.empty()) return first;
            }
            const std::u32string kind = HeadingKind(text);
            if (!kind.empty()) return kind;
        }
    return {};
}

bool IsBillKind(const std::u32string& kind) {
    return std::any_of(std::begin(kKinds), std::end(kKinds),
                       [&](const KindName& name) { return name.bill && kind == name.kind; });
}

}  // namespace xdw
