#include "core/import/ChapterHeadings.h"

#include "core/base/Text.h"

#include <array>
#include <cctype>
#include <vector>

namespace qm::import {
namespace {

bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool isAlpha(char c) {
    return isUpper(c) || isLower(c);
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Upper case, also of the accented letters of Western European languages ("première").
std::string upper(std::string_view s) {
    std::string u(s);
    for (std::size_t i = 0; i < u.size(); ++i) {
        const char c = u[i];
        if (isLower(c)) u[i] = static_cast<char>(c - 'a' + 'A');
        const auto next = i + 1 < u.size() ? static_cast<unsigned char>(u[i + 1]) : 0u;
        if (static_cast<unsigned char>(c) == 0xC3 && next >= 0xA0 && next <= 0xBE && next != 0xB7)
            u[i + 1] = static_cast<char>(next - 0x20);
    }
    return u;
}

std::string lower(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (isUpper(c)) c = static_cast<char>(c - 'A' + 'a');
    return u;
}

// A heading word must be written "CHAPTER" or "Chapter", never "chapter" mid-prose.
bool capitalised(std::string_view word) {
    return !word.empty() && isUpper(word.front());
}

struct Keyword {
    const char* word;
    int level;
};
constexpr std::array kNumberedWords{
    Keyword{"CHAPTER", 2}, Keyword{"LETTER", 2},  Keyword{"STAVE", 2},    Keyword{"CANTO", 2},
    Keyword{"SECTION", 2}, Keyword{"EPISODE", 2}, Keyword{"APPENDIX", 2}, Keyword{"BOOK", 1},
    Keyword{"PART", 1},    Keyword{"VOLUME", 1},  Keyword{"VOL", 1},      Keyword{"CHAPITRE", 2},
    Keyword{"LIVRE", 1},   Keyword{"TOME", 1},    Keyword{"PARTIE", 1}};
constexpr std::array kSectionWords{"PREFACE",  "INTRODUCTION", "PROLOGUE",   "EPILOGUE",
                                   "FOREWORD", "AFTERWORD",    "CONCLUSION", "POSTSCRIPT"};
constexpr std::array kNumberWords{"ONE",
                                  "TWO",
                                  "THREE",
                                  "FOUR",
                                  "FIVE",
                                  "SIX",
                                  "SEVEN",
                                  "EIGHT",
                                  "NINE",
                                  "TEN",
                                  "ELEVEN",
                                  "TWELVE",
                                  "THIRTEEN",
                                  "FOURTEEN",
                                  "FIFTEEN",
                                  "SIXTEEN",
                                  "SEVENTEEN",
                                  "EIGHTEEN",
                                  "NINETEEN",
                                  "TWENTY",
                                  "THIRTY",
                                  "FORTY",
                                  "FIFTY",
                                  "SIXTY",
                                  "SEVENTY",
                                  "EIGHTY",
                                  "NINETY",
                                  "HUNDRED",
                                  "FIRST",
                                  "SECOND",
                                  "THIRD",
                                  "FOURTH",
                                  "FIFTH",
                                  "SIXTH",
                                  "SEVENTH",
                                  "EIGHTH",
                                  "NINTH",
                                  "TENTH",
                                  "ELEVENTH",
                                  "TWELFTH",
                                  "THIRTEENTH",
                                  "FOURTEENTH",
                                  "FIFTEENTH",
                                  "SIXTEENTH",
                                  "SEVENTEENTH",
                                  "EIGHTEENTH",
                                  "NINETEENTH",
                                  "TWENTIETH",
                                  "LAST",
                                  "FINAL",
                                  "PREMIER",
                                  "PREMI\xC3\x88RE",
                                  "SECONDE",
                                  "DEUXI\xC3\x88ME",
                                  "TROISI\xC3\x88ME",
                                  "QUATRI\xC3\x88ME",
                                  "CINQUI\xC3\x88ME",
                                  "DERNIER",
                                  "DERNI\xC3\x88RE"};

bool isNumberWord(std::string_view word) {
    // "TWENTY-FIRST", "THIRTY-ONE": every hyphenated part a number word.
    std::size_t start = 0;
    const std::string u = upper(word);
    while (start <= u.size()) {
        std::size_t end = u.find('-', start);
        if (end == std::string::npos) end = u.size();
        const std::string_view part(u.data() + start, end - start);
        bool found = false;
        for (const char* w : kNumberWords)
            if (part == w) found = true;
        if (!found) return false;
        start = end + 1;
    }
    return true;
}

// A well-formed Roman numeral from 1 to 3999, all in capitals or all in small letters.
bool isRomanNumeral(std::string_view s) {
    if (s.empty() || s.size() > 15) return false;
    const bool caps = isUpper(s.front());
    int total = 0, prev = 10000, repeat = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = caps ? s[i] : static_cast<char>(s[i] - 'a' + 'A');
        if (caps ? !isUpper(s[i]) : !isLower(s[i])) return false;
        int v = 0;
        switch (c) {
        case 'I':
            v = 1;
            break;
        case 'V':
            v = 5;
            break;
        case 'X':
            v = 10;
            break;
        case 'L':
            v = 50;
            break;
        case 'C':
            v = 100;
            break;
        case 'D':
            v = 500;
            break;
        case 'M':
            v = 1000;
            break;
        default:
            return false;
        }
        repeat = v == prev ? repeat + 1 : 0;
        if (repeat >= 3) return false;
        if (v > prev) {
            // Subtraction: IV, IX, XL, XC, CD, CM only, once.
            if (!(prev * 5 == v || prev * 10 == v) || prev == 5 || prev == 50 || prev == 500 ||
                repeat > 0)
                return false;
            total += v - 2 * prev;
        } else {
            total += v;
        }
        prev = v;
    }
    return total > 0;
}

bool isArabicNumber(std::string_view s) {
    if (s.empty() || s.size() > 4) return false;
    for (char c : s)
        if (!isDigit(c)) return false;
    return true;
}

// The word at the front (letters, digits and inner hyphens) and what follows it.
std::string_view frontWord(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() &&
           (isAlpha(s[i]) || isDigit(s[i]) || static_cast<unsigned char>(s[i]) >= 0x80 ||
            (s[i] == '-' && i > 0 && i + 1 < s.size() && isAlpha(s[i + 1]))))
        ++i;
    return s.substr(0, i);
}

// What follows a heading's number: nothing, or a separator and a title. After punctuation
// (". ", ":", a dash) any capitalised title will do; after a blank only a title-like one,
// so that prose such as "Book I read" is no heading.
std::optional<bool> titleAfterNumber(std::string_view rest) {
    if (rest.empty()) return false;
    bool punctuated = false;
    bool dashed = false;
    std::size_t i = 0;
    while (i < rest.size()) {
        const char c = rest[i];
        if (c == '.' || c == ':' || c == '-' || c == ',') {
            punctuated = true;
            dashed = dashed || c == '-';
            ++i;
        } else if (rest.substr(i).starts_with("\xE2\x80\x94") ||
                   rest.substr(i).starts_with("\xE2\x80\x93")) {
            punctuated = dashed = true; // em or en dash
            i += 3;
        } else if (c == ' ' || c == '\t') {
            ++i;
        } else {
            break;
        }
    }
    if (i == 0) return std::nullopt; // "Chapter 1x": the number runs on
    const std::string_view title = rest.substr(i);
    if (title.empty()) return false;
    if (punctuated) {
        const char c = title.front();
        if (isUpper(c) || isDigit(c) || c == '"' || c == '\'' || c == '_' ||
            static_cast<unsigned char>(c) >= 0x80)
            return true;
        // "Book the Second--the Golden Thread": after a dash the title may start small.
        if (dashed && isLower(c) && looksLikeTitleLine(title)) return true;
        return std::nullopt;
    }
    if (looksLikeTitleLine(title)) return true;
    return std::nullopt;
}

} // namespace

std::optional<HeadingMatch> matchChapterHeading(std::string_view raw) {
    const std::string_view line = trimBlanksAndControlsView(raw);
    if (line.empty() || line.size() > 90) return std::nullopt;
    const std::string_view word = frontWord(line);
    if (word.empty()) return std::nullopt;
    const std::string wordUpper = upper(word);
    std::string_view rest = line.substr(word.size());

    if (capitalised(word)) {
        for (const char* section : kSectionWords) {
            if (wordUpper != section) continue;
            const std::string_view tail = trimBlanksAndControlsView(rest);
            if (tail.empty() || tail == "." || tail == ":") {
                HeadingMatch m;
                m.key = lower(word);
                return m;
            }
        }
        for (const Keyword& k : kNumberedWords) {
            if (wordUpper != k.word) continue;
            if (rest.starts_with(".") && wordUpper == "VOL") rest.remove_prefix(1);
            std::string_view after = trimBlanksAndControlsView(rest);
            if (after.size() == rest.size()) return std::nullopt; // "Chapter" must end there
            // "BOOK THE FIRST", "PART THE SECOND".
            std::string key = lower(word);
            const std::string_view next = frontWord(after);
            std::string_view number = next;
            if (upper(next) == "THE") {
                const std::string_view afterThe =
                    trimBlanksAndControlsView(after.substr(next.size()));
                number = frontWord(afterThe);
                if (!isNumberWord(number)) return std::nullopt;
                after = afterThe;
            } else if (!isArabicNumber(number) && !isRomanNumeral(number) &&
                       !isNumberWord(number)) {
                return std::nullopt;
            }
            key += ' ';
            key += lower(number);
            const auto title = titleAfterNumber(after.substr(number.size()));
            if (!title) return std::nullopt;
            HeadingMatch m;
            m.level = k.level;
            m.hasTitle = *title;
            m.key = key;
            return m;
        }
    }
    // "I.", "XII", "I. The Period".
    if (isRomanNumeral(word) && isUpper(word.front()) && line.size() <= 70) {
        if (rest.empty() || rest == ".") {
            HeadingMatch m;
            m.strength = HeadingStrength::Numeral;
            m.key = lower(word);
            return m;
        }
        if (rest.starts_with(". ") || rest.starts_with(".\t")) {
            const std::string_view title = trimBlanksAndControlsView(rest.substr(1));
            if (!title.empty() && isUpper(title.front()) && looksLikeTitleLine(title)) {
                HeadingMatch m;
                m.strength = HeadingStrength::Numeral;
                m.hasTitle = true;
                m.key = lower(word);
                return m;
            }
        }
    }
    return std::nullopt;
}

bool looksLikeTitleLine(std::string_view raw) {
    const std::string_view line = trimBlanksAndControlsView(raw);
    if (line.empty() || line.size() > 80) return false;
    const char last = line.back();
    if (last == ',' || last == ';') return false;
    const char first = line.front();
    if (first == '"' || first == '\'' || first == '_' || first == '(' || first == '[') return false;
    // Quotation marks that open speech (“ ‘) start prose, not titles.
    if (line.starts_with("\xE2\x80\x9C") || line.starts_with("\xE2\x80\x98")) return false;
    int letters = 0, lowers = 0;
    for (char c : line) {
        if (isAlpha(c)) ++letters;
        if (isLower(c)) ++lowers;
    }
    if (letters < 2) return false;
    if (lowers == 0) return true; // "MARLEY'S GHOST."
    // Title case: every word of four letters or more capitalised, small words aside.
    static const std::vector<std::string_view> kSmall{
        "a",    "an",   "the",  "of",  "and", "or",  "in",   "on",  "at",    "to",  "by", "for",
        "with", "from", "into", "nor", "but", "as",  "upon", "his", "her",   "its", "de", "la",
        "le",   "von",  "van",  "du",  "is",  "was", "my",   "our", "their", "who", "how"};
    int capitalisedWords = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && !isAlpha(line[i]))
            ++i;
        const std::size_t start = i;
        // "Wine-shop": the parts after a hyphen belong to the word.
        while (i < line.size() &&
               (isAlpha(line[i]) || line[i] == '\'' ||
                (line[i] == '-' && i > start && i + 1 < line.size() && isAlpha(line[i + 1]))))
            ++i;
        const std::string_view w = line.substr(start, i - start);
        if (w.empty()) break;
        if (isUpper(w.front())) {
            ++capitalisedWords;
            continue;
        }
        bool small = false;
        for (std::string_view s : kSmall)
            if (w == s) small = true;
        if (!small) return false;
    }
    return capitalisedWords > 0;
}

namespace {

// Hands `take` the characters of a line's comparison form before its end is trimmed: lower
// case, blanks and controls as single blanks between words. Stops early when `take` says no.
template <typename Take> bool forEachFormCharacter(std::string_view line, Take take) {
    bool started = false;
    bool space = false;
    for (char c : trimBlanksAndControlsView(line)) {
        if (static_cast<unsigned char>(c) <= 0x20) {
            space = started;
            continue;
        }
        if (space && !take(' ')) return false;
        space = false;
        started = true;
        if (!take(isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c)) return false;
    }
    return true;
}

bool trimmedFromTheEnd(char c) {
    return c == '.' || c == ':' || c == ' ';
}

} // namespace

std::string headingComparisonForm(std::string_view raw) {
    std::string out;
    forEachFormCharacter(raw, [&out](char c) {
        out += c;
        return true;
    });
    while (!out.empty() && trimmedFromTheEnd(out.back()))
        out.pop_back();
    return out;
}

bool hasHeadingComparisonForm(std::string_view line, std::string_view form) {
    // Matched character by character; past the form's end only what is trimmed may follow.
    std::size_t matched = 0;
    return forEachFormCharacter(line,
                                [&](char c) {
                                    if (matched < form.size()) return c == form[matched++];
                                    return trimmedFromTheEnd(c);
                                }) &&
           matched == form.size();
}

} // namespace qm::import
