#include "label/BillDate.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>
#include <string>
#include <string_view>

namespace xdw {

namespace {

struct FoundDate {
    int year = 0, month = 0, day = 0;
    size_t begin = 0, end = 0;          // in the cell, weekday and time included
    bool doubtful = false;              // unsure digits, or no such day
    std::u32string monthRead, dayRead;  // their digits as read
    // Read by OCR, and doubtful only for its month's and day's digits.
    bool pinnable = false;
};

struct Reader {
    const std::u32string& s;
    size_t i;
    bool unsure = false;
    std::u32string read;  // the last number's digits
    int unsureUnits = 0;  // 年, 月 or 日 read unsure

    void Blanks() {
        while (i < s.size() && s[i] == U' ') ++i;
    }
    bool Take(const std::u32string& word) {
        Blanks();
        if (!StartsWith(s, i, word)) return false;
        i += word.size();
        return true;
    }
    // 1 to max digits; -1 when there are none. With split, a blank may stand
    // between them (2 1日: a number the recogniser read as two words).
    int Number(size_t max, bool split = false) {
        Blanks();
        int value = 0;
        size_t n = 0;
        read.clear();
        while (i < s.size() && n < max && IsDigitOrUnsure(s[i])) {
            if (s[i] == kUnsure) unsure = true;
            read += s[i];
            value = value * 10 + (s[i] == kUnsure ? 0 : static_cast<int>(s[i] - U'0'));
            ++i, ++n;
            if (split && n < max && i + 1 < s.size() && s[i] == U' ' && IsDigitOrUnsure(s[i + 1]))
                ++i;
        }
        if (n == 0 || (i < s.size() && IsDigitOrUnsure(s[i]))) return -1;
        return value;
    }
    // The unit after a number: unit, or one unsure character after a number
    // of max digits (2026\uFFFD, 12\uFFFD), which no digit of it can be.
    bool Unit(const std::u32string& unit, size_t max) {
        if (Take(unit)) return true;
        Blanks();
        if (read.size() != max || read.find(kUnsure) != std::u32string::npos || i >= s.size() ||
            s[i] != kUnsure || (i + 1 < s.size() && IsDigitOrUnsure(s[i + 1]) && unit == U"日"))
            return false;
        ++i, ++unsureUnits;
        return true;
    }
};

bool DigitBefore(const std::u32string& s, size_t at) {
    if (at == 0) return false;
    const char32_t c = s[at - 1];
    return IsDigitOrUnsure(c) ||
           ((c == U'/' || c == U'-' || c == U'.') && at >= 2 && IsDigitOrUnsure(s[at - 2]));
}

int DaysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// 0 Sunday … 6 Saturday.
int Weekday(int y, int m, int d) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) y -= 1;
    return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

// The digits drawn as loops, which a coarse capture turns into one another
// (0 read as 8 or 9).
bool Looped(char32_t c) { return std::u32string_view(U"0689").find(c) != std::u32string::npos; }

// How many sure digits of read (digits as read) differ from n written with
// as many digits, unsure ones standing for any; a digit read as another that
// is no loop like it is no misreading (99).
int Misread(const std::u32string& read, int n) {
    int best = 99;
    for (const std::string& form : {std::to_string(n), (n < 10 ? "0" : "") + std::to_string(n)}) {
        if (form.size() != read.size()) continue;
        int misread = 0;
        for (size_t i = 0; i < read.size(); ++i) {
            const char32_t digit = static_cast<char32_t>(form[i]);
            if (read[i] != kUnsure && read[i] != digit)
                misread += Looped(read[i]) && Looped(digit) ? 1 : 99;
        }
        best = std::min(best, misread);
    }
    return best;
}

// A doubtful date whose month and day can be one only: with unsure digits,
// the one of the days they may stand for that falls on the weekday read
// after it; a date no calendar has (2026/87/19, 91月), the one that a loop
// of one digit misread makes it, on the weekday read if there is one.
void Pin(FoundDate& date, int weekday) {
    const bool unsure = (date.monthRead + date.dayRead).find(kUnsure) != std::u32string::npos;
    const bool noSuchDay = date.month < 1 || date.month > 12 || date.day < 1 ||
                           date.day > DaysIn(date.year, date.month);
    if (!date.pinnable || (unsure ? weekday < 0 : !noSuchDay)) return;
    int found = 0, month = 0, day = 0;
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= DaysIn(date.year, m); ++d)
            if (Misread(date.monthRead, m) + Misread(date.dayRead, d) <= (unsure ? 0 : 1) &&
                (weekday < 0 || Weekday(date.year, m, d) == weekday))
                ++found, month = m, day = d;
    if (found != 1) return;
    date.month = month, date.day = day;
    date.doubtful = false;
}

// The weekday and time written after a date, checked against it.
// faint: the cell as names see it (a kanji read faintly unsure), or null.
void ReadTail(Reader& r, FoundDate& date, const std::u32string* faint) {
    static const std::u32string kDays = U"日月火水木金土";
    r.Blanks();
    bool weekdayRead = false;
    if (r.i < r.s.size() && (r.s[r.i] == U'(' || r.s[r.i] == U'（')) {
        const size_t open = r.i++;
        r.Blanks();  // ( 金 ): the recogniser sets blanks inside now and then
        const size_t dayAt = r.i;
        const size_t day = r.i < r.s.size() ? kDays.find(r.s[r.i]) : std::u32string::npos;
        if (day != std::u32string::npos) {
            ++r.i;
            r.Take(U"曜日") || r.Take(U"曜");
            if (r.Take(U")") || r.Take(U"）")) {
                weekdayRead = true;
                // A weekday read faintly (月 and 日 are near alike) settles
                // nothing.
                // A date already doubtful may name no day of any calendar
                // (91月): only pinned, never checked against its weekday.
                if (date.doubtful) {
                    if (!(faint && (*faint)[dayAt] == kUnsure)) Pin(date, static_cast<int>(day));
                } else if (static_cast<int>(day) != Weekday(date.year, date.month, date.day)) {
                    date.doubtful = true;
                }
            } else {
                r.i = open;
            }
        } else if (r.i < r.s.size() && (IsKanji(r.s[r.i]) || r.s[r.i] == kUnsure) &&
                   (++r.i, r.Take(U")") || r.Take(U"）"))) {
            // One kanji no weekday is (土 read as 上, a holiday's 祝), or a
            // weekday not read: it settles nothing, and is no label of the
            // date either.
        } else if (r.i < r.s.size() && r.s[r.i] == kUnsure) {
            date.doubtful = weekdayRead = true;
        } else {
            r.i = open;
        }
    }
    if (!weekdayRead && date.doubtful) Pin(date, -1);
    // A time: 18:47, 18時47分; 18.47, its colon read as a point, when its
    // hour and minutes can be a time.
    const size_t beforeTime = r.i;
    Reader t{r.s, r.i, false, {}, 0};
    const int hour = t.Number(2);
    const bool point = hour >= 0 && hour < 24 && t.Take(U".");
    const int minutes = point ? t.Number(2) : -1;
    if (point ? minutes >= 0 && minutes < 60 && t.read.size() == 2
              : hour >= 0 && (t.Take(U":") || t.Take(U"時")) && t.Number(2) >= 0) {
        t.Take(U"分") || (t.Take(U":") && t.Number(2) >= 0);
        r.i = t.i;
    } else {
        r.i = beforeTime;
    }
}

// 日 with its level strokes lost (a normal-mode fax keeps one row of three)
// is two bars, read as 11 after the day's digits: 2111 for 21日. Taken only
// where the digits make no day, and without the last 1 make none either.
bool DayOfBars(Reader& r, FoundDate& date) {
    r.Blanks();
    size_t end = r.i;
    while (end < r.s.size() && r.s[end] >= U'0' && r.s[end] <= U'9') ++end;
    const size_t n = end - r.i;
    if (n < 3 || n > 4 || r.s.compare(end - 2, 2, U"11") != 0 ||
        (end < r.s.size() && (IsDigitOrUnsure(r.s[end]) || r.s[end] == U'日')))
        return false;
    auto value = [&](size_t digits) {
        int v = 0;
        for (size_t k = 0; k < digits; ++k) v = v * 10 + static_cast<int>(r.s[r.i + k] - U'0');
        return v;
    };
    const int day = value(n - 2);
    if (day < 1 || day > 31 || value(n - 1) <= 31) return false;
    date.dayRead = r.s.substr(r.i, n - 2);
    date.day = day;
    r.i = end;
    ++r.unsureUnits;
    return true;
}

// The month and day after a year: 12月1日.
bool ReadMonthDay(Reader& r, FoundDate& date) {
    const int month = r.Number(2, true);
    date.monthRead = r.read;
    if (month < 0 || !r.Unit(U"月", 2)) return false;
    const bool unsure = r.unsure;
    if (DayOfBars(r, date)) {
        date.month = month;
        return true;
    }
    int day = r.Number(2, true);
    date.dayRead = r.read;
    if (day < 0) return false;
    // 曰 is 日 as a print or a reading runs its middle stroke through: after
    // a day it is nothing else.
    if (r.Take(U"日") || r.Take(U"曰")) {
        date.month = month, date.day = day;
        return true;
    }
    // A digit of 4 or more and an unsure character after it, which no
    // second digit can be (no day is in the forties or above): that day, its
    // 日 unsure.
    if (r.read.size() == 2 && r.read[0] >= U'4' && r.read[0] <= U'9' && r.read[1] == kUnsure) {
        day = static_cast<int>(r.read[0] - U'0');
        date.dayRead.pop_back();
        r.unsure = unsure;
        ++r.unsureUnits;
    } else if (!r.Unit(U"日", 2)) {
        return false;
    }
    date.month = month, date.day = day;
    return true;
}

// The latest year a bill's own date names: the next but one (an estimate
// made out for the year after next). A later one is figures misread (2086
// read for 2026 on a fax).
int LatestYear() {
    static const int latest = [] {
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        return utc.tm_year + 1900 + 2;
    }();
    return latest;
}

// The latest year of 令和 read from ?和 (see ReadAt).
constexpr int kLatestHalfReadReiwa = 20;

bool ReadAt(const std::u32string& s, size_t at, FoundDate& date, bool recognised,
            const std::u32string* faint) {
    // A digit before an era's name is no part of its date.
    if (s[at] == U' ' || (IsDigitOrUnsure(s[at]) && DigitBefore(s, at))) return false;
    Reader r{s, at, false, {}, 0};
    int year = -1;
    bool yearUnsure = false;
    // 令 and one character more before the year is 令和 misread (令利, 令 and
    // an unsure one): no other era starts so.
    size_t number = at + 2;
    while (number < s.size() && s[number] == U' ') ++number;
    const bool reiwaMisread = s[at] == U'令' && at + 1 < s.size() &&
                              (IsKanji(s[at + 1]) || s[at + 1] == kUnsure) && number < s.size() &&
                              IsDigitOrUnsure(s[number]);
    // An unsure character and 和 before the year: 令和 or 昭和, and 昭和's
    // years of the first twenty (1926 to 1945) are no bill's. Not after
    // another unsure one, which may be the era's first half.
    const bool eraHalfRead = s[at] == kUnsure && at + 1 < s.size() && s[at + 1] == U'和' &&
                             (at == 0 || s[at - 1] != kUnsure) && number < s.size() &&
                             IsDigitOrUnsure(s[number]);
    if (r.Take(U"令和") || (r.i = at, r.Take(U"平成")) ||
        ((reiwaMisread || eraHalfRead) && (r.i = at + 2))) {
        const bool reiwa = s[at] == U'令' || eraHalfRead;
        const int n = r.Take(U"元") ? 1 : r.Number(2);
        yearUnsure = r.unsure;
        if (n < 1 || !r.Take(U"年") || (eraHalfRead && n > kLatestHalfReadReiwa)) return false;
        year = (reiwa ? 2018 : 1988) + n;
        if (!ReadMonthDay(r, date)) return false;
    } else {
        r.i = at;
        year = r.Number(4);
        yearUnsure = r.unsure;
        if (year < 0 || r.i - at < 4) return false;
        const size_t afterYear = r.i;
        if (r.Unit(U"年", 4)) {
            if (!ReadMonthDay(r, date)) return false;
        } else {
            r.i = afterYear;
            if (r.i >= s.size()) return false;
            const char32_t sep = s[r.i];
            if (sep != U'/' && sep != U'-' && sep != U'.') return false;
            ++r.i;
            const int month = r.Number(2);
            date.monthRead = r.read;
            if (month < 0 || r.i >= s.size() || s[r.i] != sep) return false;
            ++r.i;
            if (r.i >= s.size() || !IsDigitOrUnsure(s[r.i])) return false;
            const int day = r.Number(2);
            date.dayRead = r.read;
            if (day < 0) return false;
            // 2026-12-01-3 is a number of some kind, not a date.
            if (r.i + 1 < s.size() && (s[r.i] == sep || s[r.i] == U'.') &&
                IsDigitOrUnsure(s[r.i + 1]))
                return false;
            date.month = month, date.day = day;
        }
    }
    date.year = year;
    date.begin = at;
    const bool yearSure = !yearUnsure && year >= 1990 && year <= LatestYear();
    date.pinnable = recognised && yearSure && r.unsureUnits <= 1;
    date.doubtful = r.unsure || r.unsureUnits > 1 || !yearSure || date.month < 1 ||
                    date.month > 12 || date.day < 1 || date.day > DaysIn(year, date.month);
    ReadTail(r, date, faint);
    date.end = r.i;
    return true;
}

std::vector<FoundDate> DatesIn(const std::u32string& cell, bool recognised,
                               const std::u32string* faint) {
    std::vector<FoundDate> dates;
    for (size_t at = 0; at < cell.size(); ++at) {
        FoundDate date;
        if (ReadAt(cell, at, date, recognised, faint)) {
            dates.push_back(date);
            at = date.end - 1;
        }
    }
    return dates;
}

enum class Role { kIssue, kOther, kNone };

// The labels a bill's own date stands under (without ご, 御, お).
const std::u32string kIssueLabels[] = {
    U"日付",     U"年月日",     U"発行日",     U"発行年月日",  U"請求日", U"請求年月日",
    U"見積日",   U"見積年月日", U"納品日",     U"納品年月日",  U"注文日", U"発注日",
    U"領収日",   U"取引日",     U"取引年月日", U"作成日",      U"売上日", U"購入日",
    U"伝票日付", U"受領日",     U"発行",       U"請求書発行日"};

// What a label says of the date under it: the bill's own date, another one
// (期限, 納期, 有効期限…), or no label at all.
Role LabelRole(std::u32string label) {
    while (!label.empty() && (label.back() == U':' || label.back() == U'：')) label.pop_back();
    if (label.empty()) return Role::kNone;
    std::u32string bare = label;
    if (bare[0] == U'ご' || bare[0] == U'御' || bare[0] == U'お') bare.erase(0, 1);
    for (const std::u32string& issue : kIssueLabels)
        if (bare == issue) return Role::kIssue;
    // 発行 and the rest unsure: whatever it says (発行日, 発行年月日), the
    // bill's own date.
    if (StartsWith(bare, 0, U"発行") && bare.size() <= 5 &&
        bare.find_first_not_of(kUnsure, 2) == std::u32string::npos)
        return Role::kIssue;
    // ?付: of the labels, only 日付 ends so.
    if (bare.size() == 2 && bare[0] == kUnsure && bare[1] == U'付') return Role::kIssue;
    return Role::kOther;
}

// Whether a cell is a label at all: short, no digits, ending as labels of
// dates do.
bool IsDateLabel(const std::u32string& tight) {
    if (tight.empty() || tight.size() > 12) return false;
    for (char32_t c : tight)
        if (IsDigitOrUnsure(c)) return false;
    for (const std::u32string end :
         {U":", U"：", U"日", U"日付", U"期限", U"期日", U"納期", U"期間", U"まで", U"迄"})
        if (EndsWith(tight, end)) return true;
    return false;
}

// The rest of the cell around the date: a bill number (No. 2026-1187) is no
// label.
std::u32string Rest(const std::u32string& cell, const FoundDate& date) {
    std::u32string rest = Tighten(cell.substr(0, date.begin) + cell.substr(date.end)).text;
    for (const std::u32string no : {U"No.", U"NO.", U"No", U"NO", U"№"})
        if (StartsWith(rest, 0, no)) {
            size_t i = no.size();
            while (i < rest.size() && (IsDigitOrUnsure(rest[i]) || rest[i] == U'-' ||
                                       (rest[i] >= U'A' && rest[i] <= U'Z')))
                ++i;
            if (i > no.size()) rest.erase(0, i);
            break;
        }
    return rest;
}

Role DateRole(const std::vector<TextLine>& lines, size_t l, size_t c, const FoundDate& date) {
    const std::u32string rest = Rest(lines[l].cells[c], date);
    if (!rest.empty()) return LabelRole(rest) == Role::kIssue ? Role::kIssue : Role::kOther;
    // Alone in its cell: the label, if any, is the cell before it or the
    // line above.
    if (c > 0) {
        const std::u32string before = Tighten(lines[l].cells[c - 1]).text;
        if (IsDateLabel(before) || LabelRole(before) == Role::kIssue) return LabelRole(before);
        return Role::kIssue;
    }
    if (l > 0 && lines[l - 1].cells.size() == 1) {
        const std::u32string above = Tighten(lines[l - 1].cells[0]).text;
        if (IsDateLabel(above) || LabelRole(above) == Role::kIssue) return LabelRole(above);
    }
    return Role::kIssue;
}

}  // namespace

std::string BillDate(const std::vector<TextLine>& lines, bool recognised,
                     const std::vector<TextLine>* faint) {
    std::set<std::string> found;
    for (size_t l = 0; l < lines.size(); ++l) {
        for (size_t c = 0; c < lines[l].cells.size(); ++c) {
            const std::u32string& cell = lines[l].cells[c];
            const std::u32string* faintCell = nullptr;
            if (faint && l < faint->size() && c < (*faint)[l].cells.size() &&
                (*faint)[l].cells[c].size() == cell.size())
                faintCell = &(*faint)[l].cells[c];
            for (const FoundDate& date : DatesIn(cell, recognised, faintCell)) {
                const Role role = DateRole(lines, l, c, date);
                if (role != Role::kIssue) continue;
                if (date.doubtful) return {};
                char text[16];
                std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
                found.insert(text);
            }
        }
    }
    return found.size() == 1 ? *found.begin() : std::string();
}

namespace {

// The numbers of text in their order, each with whether an unsure character
// cuts it short; a run of unsure characters is none.
struct Group {
    std::u32string digits;
    bool cut = false;
};

std::vector<Group> Groups(const std::u32string& text) {
    std::vector<Group> groups;
    const std::u32string tight = Tighten(text).text;
    for (size_t i = 0; i < tight.size();) {
        if (tight[i] < U'0' || tight[i] > U'9') {
            ++i;
            continue;
        }
        Group group;
        while (i < tight.size() && tight[i] >= U'0' && tight[i] <= U'9') group.digits += tight[i++];
        group.cut = i < tight.size() && tight[i] == kUnsure;
        groups.push_back(group);
    }
    return groups;
}

// The one date of a line read again, when it is sure.
bool OneSureDate(const std::u32string& line, FoundDate& date) {
    const std::vector<FoundDate> dates = DatesIn(line, true, nullptr);
    if (dates.size() != 1 || dates[0].doubtful) return false;
    date = dates[0];
    return true;
}

}  // namespace

bool DateInDoubt(const std::u32string& line) {
    const std::u32string tight = Tighten(line).text;
    if (tight.find(kUnsure) == std::u32string::npos) return false;
    for (const char32_t* other : {U"期限", U"期日", U"納期", U"有効", U"支払", U"¥", U"円"})
        if (tight.find(other) != std::u32string::npos) return false;
    const size_t digits = std::count_if(tight.begin(), tight.end(),
                                        [](char32_t c) { return c >= U'0' && c <= U'9'; });
    return digits >= 2 && (tight.find_first_of(U"年/") != std::u32string::npos);
}

bool DateReadAgain(const std::u32string& first, const std::u32string& again,
                   const std::u32string& twice) {
    FoundDate a, b;
    if (!OneSureDate(again, a) || !OneSureDate(twice, b) || a.year != b.year ||
        a.month != b.month || a.day != b.day)
        return false;
    const std::vector<Group> read = Groups(first);
    const std::vector<Group> date = Groups(again.substr(a.begin, a.end - a.begin));
    size_t at = 0;
    for (const Group& group : read) {
        while (at < date.size() && !(group.cut ? StartsWith(date[at].digits, 0, group.digits)
                                               : date[at].digits == group.digits))
            ++at;
        if (at == date.size()) return false;
        ++at;
    }
    return true;
}

}  // namespace xdw
