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

}  // namespace

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
