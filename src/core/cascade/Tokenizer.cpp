#include "core/cascade/Tokenizer.h"

#include "core/cascade/Lexicon.h"

#include <cctype>

namespace qm::cascade {

namespace {

enum class Mark {
    None, // part of a word
    OpenQuote,
    CloseQuote,
    Quote, // ASCII '"': opens at the front of a word, closes at its end
    Comma,
    Semicolon,
    Colon,
    Stop,
    Dash,
    Other
};

struct Unit {
    std::size_t len;
    Mark mark;
};

unsigned char byteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

bool isAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The typographic punctuation of UTF-8 texts that matters for breaking; other non-ASCII
// sequences count as letters.
Mark utf8Mark(unsigned char b0, unsigned char b1, unsigned char b2) {
    if (b0 != 0xE2 || b1 != 0x80) return Mark::None;
    switch (b2) {
    case 0x9C:
        return Mark::OpenQuote; // left double quotation mark
    case 0x9D:
        return Mark::CloseQuote; // right double quotation mark
    case 0x98:
    case 0x99:
        return Mark::Other; // single quotation marks and the apostrophe
    case 0x94:
        return Mark::Dash; // em dash
    case 0xA6:
        return Mark::Stop; // horizontal ellipsis
    default:
        return Mark::None;
    }
}

Mark asciiMark(unsigned char c) {
    switch (c) {
    case '"':
        return Mark::Quote;
    case ',':
        return Mark::Comma;
    case ';':
        return Mark::Semicolon;
    case ':':
        return Mark::Colon;
    case '.':
    case '!':
    case '?':
        return Mark::Stop;
    case '-':
        return Mark::Dash;
    default:
        return Mark::Other;
    }
}

// The punctuation unit that starts at i (inside [i, end)), or a word unit.
Unit unitAt(std::string_view s, std::size_t i, std::size_t end) {
    const unsigned char c = byteAt(s, i);
    if (c < 0x80) return isAsciiAlnum(c) ? Unit{1, Mark::None} : Unit{1, asciiMark(c)};
    if (i + 3 <= end) {
        const Mark m = utf8Mark(c, byteAt(s, i + 1), byteAt(s, i + 2));
        if (m != Mark::None) return {3, m};
    }
    if (c == 0xC2 && i + 2 <= end && (byteAt(s, i + 1) == 0xAB || byteAt(s, i + 1) == 0xBB))
        return {2, byteAt(s, i + 1) == 0xAB ? Mark::OpenQuote : Mark::CloseQuote};
    return {1, Mark::None};
}

// The punctuation unit that ends at j (inside [begin, j)), or a word unit.
Unit unitBefore(std::string_view s, std::size_t begin, std::size_t j) {
    const unsigned char c = byteAt(s, j - 1);
    if (c < 0x80) return isAsciiAlnum(c) ? Unit{1, Mark::None} : Unit{1, asciiMark(c)};
    if (j >= begin + 3) {
        const Mark m = utf8Mark(byteAt(s, j - 3), byteAt(s, j - 2), c);
        if (m != Mark::None) return {3, m};
    }
    if (j >= begin + 2 && byteAt(s, j - 2) == 0xC2 && (c == 0xAB || c == 0xBB))
        return {2, c == 0xAB ? Mark::OpenQuote : Mark::CloseQuote};
    return {1, Mark::None};
}

// A UTF-8 sequence counts once; a continuation byte that continues nothing is shown as a
// character of its own, so it counts once too.
std::size_t charWidth(std::string_view s, std::size_t b, std::size_t e) {
    std::size_t w = 0;
    int pending = 0; // continuation bytes the last lead byte still expects
    for (std::size_t i = b; i < e; ++i) {
        const unsigned c = byteAt(s, i);
        if ((c & 0xC0) == 0x80 && pending > 0) {
            --pending;
            continue;
        }
        ++w;
        pending = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    }
    return w;
}

void computeFacts(std::string_view s, Token& t) {
    const bool gap = t.gapBefore;
    const std::size_t b = t.begin, e = t.end;
    t = Token{};
    t.begin = b;
    t.end = e;
    t.gapBefore = gap;
    std::size_t cb = b;
    while (cb < e) {
        const Unit u = unitAt(s, cb, e);
        if (u.mark == Mark::None) break;
        if (u.mark == Mark::OpenQuote || u.mark == Mark::Quote) t.opensQuote = true;
        cb += u.len;
    }
    // Only the last mark after the word counts (quotes and brackets aside): "etc.," ends
    // with a comma, not with a full stop.
    std::size_t ce = e;
    Mark last = Mark::None;
    while (ce > cb) {
        const Unit u = unitBefore(s, cb, ce);
        if (u.mark == Mark::None) break;
        ce -= u.len;
        if (u.mark == Mark::CloseQuote || u.mark == Mark::Quote) {
            t.closesQuote = true;
            continue;
        }
        if (u.mark == Mark::Other || (last != Mark::None && u.mark != last)) continue;
        last = u.mark;
        switch (u.mark) {
        case Mark::Comma:
            t.endsComma = true;
            break;
        case Mark::Semicolon:
            t.endsSemicolon = true;
            break;
        case Mark::Colon:
            t.endsColon = true;
            break;
        case Mark::Stop:
            t.endsStop = true;
            break;
        case Mark::Dash:
            t.endsDash = true;
            break;
        default:
            break;
        }
    }
    t.coreBegin = cb;
    t.coreEnd = ce;
    t.isWord = cb < ce;
    t.width = charWidth(s, b, e);
    if (!t.isWord) return;
    const unsigned char first = byteAt(s, cb);
    t.capitalised = first >= 'A' && first <= 'Z';
    std::size_t upper = 0, lower = 0;
    for (std::size_t i = cb; i < ce; ++i) {
        const unsigned char c = byteAt(s, i);
        if (c >= 'A' && c <= 'Z') ++upper;
        if (c >= 'a' && c <= 'z') ++lower;
    }
    t.allCapitals = upper >= 2 && lower == 0;
    if (ce - cb <= 24) t.classes = wordClasses(lowerCore(s, t));
    t.edEnding = !t.capitalised && ce - cb >= 5 && byteAt(s, ce - 2) == 'e' &&
                 byteAt(s, ce - 1) == 'd' && t.classes == 0;
}

// True when the word at [b, e) continues after a dash inside it ("word--word").
std::size_t innerDashEnd(std::string_view s, std::size_t b, std::size_t e) {
    for (std::size_t i = b + 1; i + 1 < e; ++i) {
        std::size_t len = 0;
        if (s[i] == '-' && s[i + 1] == '-') {
            len = 2;
            while (i + len < e && s[i + len] == '-')
                ++len;
        } else if (i + 3 <= e &&
                   utf8Mark(byteAt(s, i), byteAt(s, i + 1), byteAt(s, i + 2)) == Mark::Dash) {
            len = 3;
        }
        if (len != 0) {
            const std::size_t after = i + len;
            if (after < e &&
                (isAsciiAlnum(byteAt(s, after)) || byteAt(s, after) >= 0x80 || s[after] == '"'))
                return after;
            i += len - 1;
        }
    }
    return 0;
}

// Where a note mark glued to the word before it ("storm[2]", "down.[1],") begins, or 0.
std::size_t gluedNoteMark(std::string_view s, std::size_t b, std::size_t e) {
    const std::size_t open = s.substr(b, e - b).rfind('[');
    if (open == std::string_view::npos || open == 0) return 0;
    std::size_t i = b + open + 1;
    const std::size_t first = i;
    while (i < e && (std::isdigit(byteAt(s, i)) || s[i] == '*'))
        ++i;
    if (i == first || i - first > 3 || i >= e || s[i] != ']') return 0;
    for (++i; i < e; ++i)
        if (isAsciiAlnum(byteAt(s, i)) || byteAt(s, i) >= 0x80) return 0;
    return b + open;
}

void pushPiece(std::string_view s, std::size_t b, std::size_t e, bool gap,
               std::vector<Token>& raw) {
    // Cut very long runs so that no word is wider than a line; cut between characters.
    while (e - b > kLongestWord) {
        std::size_t cut = b + kLongestWord;
        while (cut > b + 1 && (byteAt(s, cut) & 0xC0) == 0x80)
            --cut;
        Token t;
        t.begin = b;
        t.end = cut;
        t.gapBefore = gap;
        raw.push_back(t);
        b = cut;
        gap = false;
    }
    Token t;
    t.begin = b;
    t.end = e;
    t.gapBefore = gap;
    raw.push_back(t);
}

// "[1]", "[12]", "[*]": a note reference's mark, punctuation after it aside ("[2],").
bool isNoteMark(std::string_view s, const Token& t) {
    if (t.end - t.begin < 3 || s[t.begin] != '[') return false;
    std::size_t i = t.begin + 1;
    while (i < t.end && (std::isdigit(byteAt(s, i)) || s[i] == '*'))
        ++i;
    if (i == t.begin + 1 || i - t.begin > 4 || i >= t.end || s[i] != ']') return false;
    for (++i; i < t.end; ++i)
        if (isAsciiAlnum(byteAt(s, i)) || byteAt(s, i) >= 0x80) return false;
    return true;
}

// The mark joins the word before it: it is shown after that word ("storm [2],") but is no
// word of its own, so it never starts a line or a sentence and the parse never sees it. The
// punctuation after the mark is the word's.
void joinNoteMark(std::string_view s, Token& word, const Token& mark) {
    word.end = mark.end;
    word.width = charWidth(s, word.begin, word.end);
    if (mark.endsComma || mark.endsSemicolon || mark.endsColon || mark.endsStop || mark.endsDash) {
        word.endsComma = mark.endsComma;
        word.endsSemicolon = mark.endsSemicolon;
        word.endsColon = mark.endsColon;
        word.endsStop = mark.endsStop;
        word.endsDash = mark.endsDash;
    }
    if (mark.closesQuote) word.closesQuote = true;
}

// The runs of non-blanks in `s`: the tokens it splits into, unless dashes or very long
// words split some further.
std::size_t countRuns(std::string_view s) {
    std::size_t runs = 0;
    bool blank = true;
    for (const char c : s) {
        if (blank && c != ' ') ++runs;
        blank = c == ' ';
    }
    return runs;
}

} // namespace

std::string lowerCore(std::string_view s, const Token& t) {
    std::string out;
    out.reserve(t.coreEnd - t.coreBegin);
    for (std::size_t i = t.coreBegin; i < t.coreEnd; ++i) {
        const unsigned char c = byteAt(s, i);
        if (c == 0xE2 && i + 2 < t.coreEnd && byteAt(s, i + 1) == 0x80 &&
            byteAt(s, i + 2) == 0x99) {
            out.push_back('\'');
            i += 2;
        } else {
            out.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a')
                                                 : static_cast<char>(c));
        }
    }
    return out;
}

void tokenize(std::string_view s, std::vector<Token>& out) {
    // The raw pieces are joined in place, in the one vector: a long paragraph's tokens are a
    // dozen times its bytes, so a second list of them, or one grown by doubling from empty,
    // would cost as much again.
    std::vector<Token>& raw = out;
    raw.clear();
    raw.reserve(countRuns(s));
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        while (i < n && s[i] == ' ')
            ++i;
        if (i >= n) break;
        std::size_t e = i;
        while (e < n && s[e] != ' ')
            ++e;
        bool gap = true;
        std::size_t b = i;
        for (std::size_t cut = innerDashEnd(s, b, e); cut != 0; cut = innerDashEnd(s, b, e)) {
            pushPiece(s, b, cut, gap, raw);
            b = cut;
            gap = false;
        }
        // A note mark glued to its word is a piece of its own (joined to the word below).
        if (const std::size_t mark = gluedNoteMark(s, b, e); mark > b) {
            pushPiece(s, b, mark, gap, raw);
            b = mark;
            gap = true;
        }
        pushPiece(s, b, e, gap, raw);
        i = e;
    }
    for (Token& t : raw)
        computeFacts(s, t);

    // Punctuation standing alone joins a word: an opening mark the word after it, anything
    // else the word before it. A token grown long stops taking more, so runs of punctuation
    // cost no more than their length.
    // Each raw piece read makes at most one token, so the tokens kept, out[0, kept), never
    // overtake the piece being read.
    const std::size_t longest = kLongestWord;
    const std::size_t pieces = raw.size();
    std::size_t kept = 0;
    bool pendingPrefix = false;
    std::size_t prefixBegin = 0;
    bool prefixGap = true;
    for (std::size_t k = 0; k < pieces; ++k) {
        Token t = raw[k];
        if (pendingPrefix) {
            t.begin = prefixBegin;
            t.gapBefore = prefixGap;
            computeFacts(s, t);
            pendingPrefix = false;
        }
        if (!t.isWord && k + 1 < pieces && t.end - t.begin <= longest &&
            (kept == 0 || (t.opensQuote && !t.closesQuote))) {
            pendingPrefix = true;
            prefixBegin = t.begin;
            prefixGap = t.gapBefore;
            continue;
        }
        if (!t.isWord && kept > 0 && t.end - out[kept - 1].begin <= longest) {
            out[kept - 1].end = t.end;
            computeFacts(s, out[kept - 1]);
            continue;
        }
        if (kept > 0 && out[kept - 1].isWord && isNoteMark(s, t)) {
            joinNoteMark(s, out[kept - 1], t);
            continue;
        }
        out[kept++] = t;
    }
    out.resize(kept);
}

bool markSpeechAndSentences(std::string_view s, std::vector<Token>& tokens, bool inSpeech) {
    bool speech = inSpeech;
    bool atStart = true;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        Token& t = tokens[k];
        t.sentenceStart = atStart;
        atStart = false;
        if (t.opensQuote) speech = true;
        t.inSpeech = speech;
        if (t.closesQuote) speech = false;
        if (!t.endsStop || k + 1 >= tokens.size()) continue;
        // A full stop after a title, an abbreviation or a single initial ends no sentence.
        if (s.substr(t.coreEnd, t.end - t.coreEnd) == "." &&
            ((t.classes & kAbbreviation) ||
             (t.coreEnd - t.coreBegin == 1 && t.capitalised && s[t.coreBegin] != 'I'))) {
            t.abbreviation = true;
            continue;
        }
        const Token& next = tokens[k + 1];
        const unsigned char c = static_cast<unsigned char>(s[next.begin]);
        const bool capitalOrQuote = (c >= 'A' && c <= 'Z') || next.opensQuote || c == '\'' ||
                                    c == '(' || c == '[' || c >= 0xC3;
        if (capitalOrQuote) atStart = true;
    }
    return speech;
}

} // namespace qm::cascade
