#include "label/BillParty.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "common/Utf8.h"

namespace xdw {

namespace {

// Longer forms before the shorter ones they hold.
constexpr const char32_t* kLegalForms[] = {
    U"特定非営利活動法人", U"一般社団法人", U"一般財団法人", U"公益社団法人", U"公益財団法人",
    U"医療法人社団",       U"医療法人",     U"社会福祉法人", U"学校法人",     U"税理士法人",
    U"弁護士法人",         U"監査法人",     U"株式会社",     U"有限会社",     U"合同会社",
    U"合資会社",           U"合名会社"};

// Where a name written after its legal form ends: its department, its
// representative, its address.
constexpr const char32_t* kNameEnds[] = {
    U"御中",   U"様",     U"殿",     U"営業部", U"総務部", U"経理部", U"業務部",  U"管理部",
    U"購買部", U"資材部", U"事業部", U"本社",   U"支社",   U"支店",   U"営業所",  U"代表",
    U"担当",   U"〒",     U"TEL",    U"Tel",    U"電話",   U"FAX",    U"登録番号"};

// Markers of the addressee, after its name.
constexpr const char32_t* kAddressee[] = {U"御中", U"様", U"殿"};

// Lines starting with these name the addressee or a bank account.
constexpr const char32_t* kNotIssuerLines[] = {
    U"宛名",   U"宛先",     U"請求先", U"お届け先", U"届け先", U"送付先",   U"納品先", U"納入先",
    U"振込先", U"お振込先", U"口座",   U"銀行",     U"金庫",   U"ご依頼主", U"依頼主", U"お客様"};

struct Name {
    std::u32string text;
    size_t end = 0;  // in the cell
    bool doubtful = false;
};

// 御中 as a fax reads it now and then (御山, 御甲): 御 and one character that
// ends the cell.
bool MisreadHonorific(const std::u32string& text, size_t at) {
    return StartsWith(text, at, U"御") && at + 1 < text.size() &&
           (std::u32string_view(U"中山甲申由巾").find(text[at + 1]) != std::u32string_view::npos ||
            text[at + 1] == kUnsure) &&
           (at + 2 == text.size() || text[at + 2] == U' ');
}

bool StartsWithAny(const std::u32string& text, size_t at, const char32_t* const* words,
                   size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (StartsWith(text, at, words[i])) return true;
    return false;
}

bool NameEndsAt(const std::u32string& cell, size_t at) {
    return StartsWithAny(cell, at, kNameEnds, std::size(kNameEnds)) || MisreadHonorific(cell, at);
}

// Whether the word at pos names a part of a company (営業部, 経理課, 東京支店)
// or a person's title rather than going on with its name.
bool IsDepartment(const std::u32string& cell, size_t pos) {
    size_t end = pos;
    while (end < cell.size() && IsNameChar(cell[end])) ++end;
    const std::u32string word = cell.substr(pos, end - pos);
    for (const char32_t* tail : {U"部", U"課", U"室", U"係", U"支店", U"営業所", U"グループ",
                                 U"センター", U"工場", U"事業所", U"長", U"役"})
        if (EndsWith(word, tail)) return true;
    return false;
}

// Whether an addressee's mark or a legal form ends right before pos: a name
// written before its form starts after them.
bool EndsBefore(const std::u32string& cell, size_t pos) {
    const std::u32string head = cell.substr(0, pos);
    for (const char32_t* mark : kAddressee)
        if (EndsWith(head, mark)) return true;
    for (const char32_t* form : kLegalForms)
        if (EndsWith(head, form)) return true;
    return false;
}

// The recogniser reads シ as ン and バ as パ even at its surest (ハヤシ as
// ハヤン at 97 of 100), where no other reading of the page tells them apart:
// a name it read with ン or a half-voiced katakana is never certain. Nor one
// with 利: on a fax, whose rows lose the level strokes of 口, it reads 和 so
// (大和 as 大利 at 98).
bool Misread(char32_t c) {
    return c == U'ン' || (c >= U'パ' && c <= U'ポ' && (c - U'パ') % 3 == 0) || c == U'利';
}

// Loanwords common in company names whose ン or half-voiced kana no misread
// twin shares (デザイシ and ジャバン are no words): read so, they are sure.
const char32_t* const kSureLoanwords[] = {
    U"デザイン",         U"センター",       U"エンジニアリング", U"インターナショナル",
    U"コンサルティング", U"コンサルタント", U"プランニング",     U"ソリューション",
    U"ジャパン",         U"カンパニー",     U"エンタープライズ", U"パートナー",
    U"プロダクション",   U"プロダクツ",     U"トランスポート",   U"マネジメント",
    U"メンテナンス",     U"ファイナンス",   U"インダストリー",   U"サイエンス",
    U"ホールディングス", U"トレーディング", U"ビルディング",     U"ハウジング",
    U"プリント",         U"ペーパー",       U"パッケージ",       U"ショップ",
    U"グループ",         U"オンライン",     U"グリーン",         U"クリーン",
    U"ブランド",         U"ステーション",   U"コーポレーション", U"エージェンシー"};

// True when the name holds a character the recogniser mistakes, outside the
// loanwords above, or a katakana read as hiragana.
bool HoldsMisreading(std::u32string name) {
    for (const char32_t* word : kSureLoanwords)
        for (size_t at; (at = name.find(word)) != std::u32string::npos;)
            name.replace(at, std::char_traits<char32_t>::length(word), U"・");
    if (std::any_of(name.begin(), name.end(), Misread)) return true;
    // A katakana the recogniser read as hiragana (アオバ as アオが at its
    // surest): no name goes on from katakana in hiragana, but for の.
    for (size_t i = 1; i < name.size(); ++i)
        if (name[i - 1] >= U'ァ' && name[i - 1] <= U'ヺ' && name[i] >= U'ぁ' && name[i] <= U'ゖ' &&
            name[i] != U'の')
            return true;
    return false;
}

bool IsKana(char32_t c) { return (c >= 0x3041 && c <= 0x309F) || (c >= 0x30A1 && c <= 0x30FF); }

// The cell with the blanks the recogniser set inside a word taken out: in a
// legal form (有限 会社) and between kana (さくらデザ イン).
std::u32string Mended(std::u32string cell) {
    for (const char32_t* form : kLegalForms) {
        const std::u32string word = form;
        for (size_t cut = 1; cut < word.size(); ++cut) {
            const std::u32string apart = word.substr(0, cut) + U" " + word.substr(cut);
            for (size_t at = cell.find(apart); at != std::u32string::npos; at = cell.find(apart))
                cell.erase(at + cut, 1);
        }
    }
    for (size_t i = 1; i + 1 < cell.size(); ++i)
        if (cell[i] == U' ' && IsKana(cell[i - 1]) && IsKana(cell[i + 1])) cell.erase(i--, 1);
    // A legal form with one character unsure where no other word fits
    // (株\uFFFD会社, 有限会\uFFFD: 社 at the end of a line, where the recogniser
    // gives up first), or 株 misread (林式会社: only 株 goes before 式会社).
    for (size_t at = 0; at + 4 <= cell.size(); ++at) {
        const std::u32string_view four(cell.data() + at, 4);
        for (const std::u32string_view form : {U"株式会社", U"有限会社"}) {
            size_t unsure = 4, differ = 0;
            for (size_t i = 0; i < 4; ++i)
                if (four[i] != form[i]) ++differ, unsure = four[i] == kUnsure ? i : unsure;
            const bool lastCut = unsure == 3 && at + 4 < cell.size() && IsNameChar(cell[at + 4]);
            if ((differ == 1 && unsure < 4 && !lastCut) ||
                (form[0] == U'株' && differ == 1 && IsKanji(four[0]) && four[0] != form[0]))
                std::copy(form.begin(), form.end(), cell.begin() + at);
        }
    }
    return cell;
}

std::vector<Name> NamesIn(const std::u32string& cell) {
    std::vector<Name> names;
    for (size_t at = 0; at < cell.size(); ++at) {
        const char32_t* form = nullptr;
        for (const char32_t* f : kLegalForms)
            if (StartsWith(cell, at, f)) {
                form = f;
                break;
            }
        if (form == nullptr) continue;
        const size_t formEnd = at + std::u32string(form).size();
        // Written before its form: 丸福商事株式会社.
        size_t begin = at;
        while (begin > 0 && IsNameChar(cell[begin - 1]) && !EndsBefore(cell, begin)) --begin;
        // Written after it: 株式会社 ハヤシ文具.
        size_t after = formEnd;
        if (after < cell.size() && cell[after] == U' ') ++after;
        size_t end = after;
        while (end < cell.size() && IsNameChar(cell[end]) && !NameEndsAt(cell, end)) ++end;
        const bool before = at - begin >= 2, behind = end - after >= 2;
        Name name;
        // A blank inside a name (ハヤシ 文具, read apart) leaves where it ends
        // unknown; a department or a title after it is no part of it.
        auto blankBefore = [&] {
            return begin >= 2 && cell[begin - 1] == U' ' && IsNameChar(cell[begin - 2]) &&
                   !EndsBefore(cell, begin - 1);
        };
        auto blankAfter = [&] {
            return end + 1 < cell.size() && cell[end] == U' ' && IsNameChar(cell[end + 1]) &&
                   !NameEndsAt(cell, end + 1) && !IsDepartment(cell, end + 1);
        };
        if (before && behind) {
            // 東西株式会社南北: which way the name runs is not known.
            name.doubtful = true;
            name.text = cell.substr(begin, end - begin);
            name.end = end;
        } else if (before) {
            name.text = cell.substr(begin, formEnd - begin);
            name.end = formEnd;
            name.doubtful = blankBefore();
        } else if (behind) {
            name.text = std::u32string(form) + cell.substr(after, end - after);
            name.end = end;
            name.doubtful = blankAfter();
        } else {
            continue;
        }
        if (name.text.find(kUnsure) != std::u32string::npos) name.doubtful = true;
        // A name cut short by an unsure character is no name, nor one that
        // unsure characters follow before anything that ends it.
        for (size_t i = name.end; i < cell.size() && !NameEndsAt(cell, i); ++i)
            if (cell[i] == kUnsure) name.doubtful = true;
        names.push_back(name);
        at = name.end > at ? name.end - 1 : at;
    }
    return names;
}

// Whether the text from pos on (a department, blanks) ends in an addressee's
// marker: 株式会社こだま企画 御中, 株式会社青葉製作所 資材調達課 御中.
bool AddresseeMark(const std::u32string& text) {
    const std::u32string tight = Tighten(text).text;
    for (const char32_t* mark : kAddressee) {
        const size_t at = tight.find(mark);
        if (at == std::u32string::npos) continue;
        // 様 in 様式 or お客様 is no mark after a name.
        if (std::u32string(mark) == U"様" && at + 1 < tight.size() && IsNameChar(tight[at + 1]))
            continue;
        // Nothing but a department between the name and the mark.
        if (at <= 12) return true;
    }
    for (size_t at = 0; at < tight.size() && at <= 12; ++at)
        if (MisreadHonorific(tight, at)) return true;
    return false;
}

bool LineIsAddresseeOnly(const TextLine& line) {
    return line.cells.size() == 1 && NamesIn(line.cells[0]).empty() && AddresseeMark(line.cells[0]);
}

}  // namespace

std::string BillParty(const std::vector<TextLine>& text, bool recognised) {
    std::vector<TextLine> lines = text;
    for (TextLine& line : lines)
        for (std::u32string& cell : line.cells) cell = Mended(cell);
    std::set<std::u32string> issuers, addressees;
    bool doubtful = false;
    for (size_t l = 0; l < lines.size(); ++l) {
        const std::vector<std::u32string>& cells = lines[l].cells;
        const std::u32string head = Tighten(cells[0]).text;
        if (StartsWithAny(head, 0, kNotIssuerLines, std::size(kNotIssuerLines))) {
            for (const std::u32string& cell : cells)
                for (const Name& name : NamesIn(cell)) addressees.insert(name.text);
            continue;
        }
        for (size_t c = 0; c < cells.size(); ++c) {
            if (IsSentence(cells[c])) continue;
            for (const Name& name : NamesIn(cells[c])) {
                std::u32string after = cells[c].substr(name.end);
                if (c + 1 < cells.size()) after += U" " + cells[c + 1];
                const bool addressee = AddresseeMark(after.substr(0, 16)) ||
                                       (l + 1 < lines.size() && cells.size() == 1 &&
                                        LineIsAddresseeOnly(lines[l + 1]));
                if (addressee) {
                    addressees.insert(name.text);
                } else if (name.doubtful || (recognised && HoldsMisreading(name.text))) {
                    doubtful = true;
                } else {
                    issuers.insert(Tighten(name.text).text);
                }
            }
        }
    }
    for (const std::u32string& name : addressees) issuers.erase(Tighten(name).text);
    if (doubtful || issuers.size() != 1) return {};
    return quilbex::EncodeUtf8(*issuers.begin());
}

}  // namespace xdw
