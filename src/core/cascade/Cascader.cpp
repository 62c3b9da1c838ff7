#include "core/cascade/Cascader.h"

#include "core/cascade/PhraseLine.h"
#include "core/cascade/SentenceCascade.h"
#include "core/cascade/StyleTags.h"
#include "core/cascade/Tokenizer.h"

#include <algorithm>
#include <cstdio>

namespace qm {

using cascade::NameMemory;
using cascade::SentenceCascade;
using cascade::Token;

namespace {

// A licence header is looked for only near the top of a text.
constexpr std::size_t kHeaderSearchLines = 400;
// A paragraph marker follows the first paragraph end after this many lines.
constexpr std::size_t kLinesPerMarker = 250;
// Markers and reference points carry three digits.
constexpr int kLargestNumber = 999;
// A line this long cannot come from hard-wrapped prose: it is a paragraph of its own.
constexpr std::size_t kUnwrappedLine = 150;
constexpr std::size_t kLongestHeading = 80;
constexpr int kSceneBreakLevel = 17;
// Lines of a long verbatim block between two section markers.
constexpr std::size_t kVerbatimGroup = 5;
// The most level steps an indented set line takes.
constexpr std::size_t kVerbatimSteps = 4;

const char* const kDefaultBanner = "Cascaded text";

// The longest piece of a paragraph laid out at once. Few books have a paragraph this long; a
// file without blank lines, or a line of hundreds of megabytes, can. Such a paragraph is laid
// out a piece at a time, each cut after a sentence where one ends in the piece's second half,
// so that its tokens and lines are held for a piece only. A piece's tokens, the layout's
// arrays of them and its lines come to some thirty times its bytes, so the piece is kept
// small enough that a small book of one paragraph stays within a few times its size.
constexpr std::size_t kLongestPiece = std::size_t{1} << 13;
// Lines held before they are handed out in the middle of a long paragraph or verbatim block.
constexpr std::size_t kLinesHeld = 512;

bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (toLowerAscii(s[i]) != prefix[i]) return false;
    }
    return true;
}

bool containsNoCase(std::string_view s, std::string_view lowerNeedle) {
    if (lowerNeedle.size() > s.size()) return false;
    for (std::size_t i = 0; i + lowerNeedle.size() <= s.size(); ++i) {
        if (startsWithNoCase(s.substr(i), lowerNeedle)) return true;
    }
    return false;
}

// "*** START OF ..." / "*** END OF ..." lines around the text of a plain-text e-book.
bool isLicenceMarker(std::string_view line, std::string_view lowerWhat) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ')
        ++i;
    if (line.substr(i, 3) != "***") return false;
    i += 3;
    while (i < line.size() && (line[i] == '*' || line[i] == ' '))
        ++i;
    return startsWithNoCase(line.substr(i), lowerWhat);
}

// Control bytes become blanks; a bar would start a tag and becomes a slash; letter runs that
// the reader takes for a section marker or a reference point are broken by a hyphen.
std::string cleanLine(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (char ch : raw) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            out.push_back(' ');
        } else if (ch == '|') {
            out.push_back('/');
        } else {
            out.push_back(ch);
            const std::size_t n = out.size();
            if (ch != '0' && ch != 'p') continue;
            if (n >= 4 && out.compare(n - 4, 4, "s000") == 0) {
                out.insert(n - 3, 1, '-');
            } else if (n >= 4 && out.compare(n - 4, 4, "refp") == 0) {
                out.insert(n - 1, 1, '-');
            }
        }
    }
    return trimBlanks(out);
}

// Appends a line to a paragraph, runs of blanks folded into one.
void appendWords(std::string& para, std::string_view line) {
    for (char c : line) {
        if (c == ' ' && (para.empty() || para.back() == ' ')) continue;
        para.push_back(c);
    }
    if (!para.empty() && para.back() != ' ') para.push_back(' ');
}

std::size_t charCount(std::string_view s) {
    std::size_t n = 0;
    for (char c : s) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    }
    return n;
}

bool isRomanNumeral(std::string_view w) {
    if (w.empty()) return false;
    for (char c : w) {
        if (std::string_view("IVXLCDMivxlcdm").find(c) == std::string_view::npos) return false;
    }
    return true;
}

bool isNumberWord(std::string_view w) {
    if (w.empty()) return false;
    if (std::all_of(w.begin(), w.end(), isDigit) || isRomanNumeral(w)) return true;
    static const char* const kWords[] = {"one",   "two",    "three", "four", "five",
                                         "six",   "seven",  "eight", "nine", "ten",
                                         "first", "second", "third", "last"};
    for (const char* k : kWords) {
        if (toLowerAscii(w) == k) return true;
    }
    return false;
}

// "Chapter 1", "CHAPTER IV.", "Book the First", "Part Two: The Journey" ...
bool isNumberedHeading(std::string_view line) {
    static const char* const kKinds[] = {"chapter", "book", "part", "volume", "section", "canto"};
    for (const char* kind : kKinds) {
        const std::string_view k(kind);
        if (!startsWithNoCase(line, k) || line.size() <= k.size() || line[k.size()] != ' ')
            continue;
        std::string_view rest = line.substr(k.size() + 1);
        if (startsWithNoCase(rest, "the ")) rest.remove_prefix(4);
        std::size_t e = 0;
        while (e < rest.size() && rest[e] != ' ' && rest[e] != '.' && rest[e] != ':')
            ++e;
        return isNumberWord(rest.substr(0, e));
    }
    return false;
}

// A short line in capitals, a numbered heading or a bare roman numeral, standing alone.
bool isHeadingLine(std::string_view line) {
    if (line.empty() || charCount(line) > kLongestHeading) return false;
    if (isNumberedHeading(line)) return true;
    std::string_view bare = line;
    if (bare.back() == '.') bare.remove_suffix(1);
    if (isRomanNumeral(bare) && std::all_of(bare.begin(), bare.end(), isUpper)) return true;
    const char first = line.front();
    const char last = line.back();
    if (first == '"' || first == '\'' || first == '(') return false;
    if (last == ',' || last == '!' || last == '?' || last == ';' || last == '"') return false;
    std::size_t upper = 0;
    for (char c : line) {
        if (isLower(c)) return false;
        if (isUpper(c)) ++upper;
    }
    if (upper < 2) return false;
    // "NO." is a shouted reply; a heading of one word has no full stop.
    return last != '.' || line.find(' ') != std::string_view::npos;
}

bool isSceneBreak(std::string_view line) {
    if (line.empty()) return false;
    bool mark = false;
    for (char c : line) {
        if (c == '*' || c == '~' || c == '#' || c == '=') {
            mark = true;
        } else if (c != ' ' && c != '-') {
            return false;
        }
    }
    return mark || line.find("---") != std::string_view::npos;
}

// The closing line of a plain-text e-book's text ("End of the ... EBook of ...").
bool isEbookTrailer(std::string_view line) {
    return startsWithNoCase(line, "end of ") && containsNoCase(line, "ebook");
}

// Cuts a heading wider than a line into pieces at commas, colons and full stops, or else at
// the blank nearest to the middle.
std::vector<std::string> headingPieces(const std::string& heading) {
    std::vector<std::string> pieces;
    std::string_view rest = heading;
    while (charCount(rest) > cascade::kMaxLineWidth) {
        std::size_t cut = std::string_view::npos;
        std::size_t best = std::string_view::npos;
        for (std::size_t i = 1; i + 1 < rest.size() && i <= cascade::kMaxLineWidth; ++i) {
            if (rest[i] != ' ') continue;
            const char p = rest[i - 1];
            if (p == ',' || p == ':' || p == '.' || p == ';') cut = i;
            best = i;
        }
        if (cut == std::string_view::npos) cut = best;
        if (cut == std::string_view::npos) break;
        pieces.emplace_back(rest.substr(0, cut));
        rest.remove_prefix(cut + 1);
    }
    pieces.emplace_back(rest);
    return pieces;
}

bool endsSentence(std::string_view text, std::size_t blank) {
    std::size_t i = blank;
    // A closing quotation mark after the stop: '"' or U+201D.
    if (i >= 1 && text[i - 1] == '"') {
        --i;
    } else if (i >= 3 && text.substr(i - 3, 3) == "\xE2\x80\x9D") {
        i -= 3;
    }
    return i >= 1 && (text[i - 1] == '.' || text[i - 1] == '!' || text[i - 1] == '?');
}

// Where the piece of a paragraph that starts at `from` ends: the rest when it is short enough,
// else at the last sentence end in the second half of the longest piece, else at its last
// blank, else between two characters (never inside a style tag "|i>").
std::size_t pieceEnd(std::string_view text, std::size_t from) {
    if (text.size() - from <= kLongestPiece) return text.size();
    const std::size_t limit = from + kLongestPiece;
    std::size_t lastBlank = std::string_view::npos;
    for (std::size_t i = limit; i > from; --i) {
        if (text[i] != ' ') continue;
        if (i > from + kLongestPiece / 2 && endsSentence(text, i)) return i;
        if (lastBlank == std::string_view::npos) lastBlank = i;
        if (i <= from + kLongestPiece / 2) break;
    }
    if (lastBlank != std::string_view::npos) return lastBlank;
    std::size_t cut = limit;
    while (cut > from + 1 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    if (text[cut - 1] == '|') {
        --cut;
    } else if (cut >= from + 2 && text[cut - 2] == '|') {
        cut -= 2;
    }
    // Text that is not UTF-8 could leave nothing before the cut; it is then cut anywhere.
    return cut > from ? cut : limit;
}

// Where the piece after one that ended at `end` starts.
std::size_t nextPieceStart(std::string_view text, std::size_t end) {
    while (end < text.size() && text[end] == ' ')
        ++end;
    return end;
}

std::string numbered(char code, int number) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%c%03d", code, std::clamp(number, 0, kLargestNumber));
    return buf;
}

} // namespace

struct Cascader::State {
    std::string banner;
    Lines out;
    int nextReference = 1;
    int paragraphNumber = 0;
    std::size_t linesSinceMarker = 0;
    bool storyTitled = false;
    NameMemory names;
    SentenceCascade layout;
    std::vector<Token> tokens;
    bool inSpeech = false; // quoted speech open at the end of a paragraph's last piece
    std::string paragraph;
    std::size_t entryLines = 0; // lines of the run of entries being set, since its last break
    std::function<void(std::string&)> sink; // takes lines in the middle of a long block

    void closeEntries();
    void heading(const std::vector<std::string>& lines);
    void sceneBreak();
    // A paragraph of plain text, a piece at a time when it is long.
    void prose(std::string_view text);
    // The sentences of a paragraph or of a piece of one; false when it holds no words.
    bool sentences(std::string_view text);
    void endParagraph();
    // Hands the lines made so far to the sink, if there is one, once many are held.
    void spill();
};

// Ends a run of entries with a section break, where a page may end.
void Cascader::State::closeEntries() {
    if (entryLines == 0) return;
    out.push_back("s000 ");
    ++linesSinceMarker;
    entryLines = 0;
    endParagraph();
}

void Cascader::State::heading(const std::vector<std::string>& lines) {
    closeEntries();
    if (nextReference <= kLargestNumber) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "l00|refpt%03d> ", nextReference);
        out.emplace_back(buf);
        ++nextReference;
    }
    std::vector<std::string> pieces;
    for (const std::string& l : lines) {
        for (std::string& p : headingPieces(l))
            pieces.push_back(std::move(p));
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::string line = i == 0 ? "l00|b>" : "l00";
        // A level-00 line that began with p, r or s would act as a marker.
        if (i > 0 && !pieces[i].empty() &&
            std::string_view("prs").find(pieces[i].front()) != std::string_view::npos)
            line = "l01";
        line += pieces[i];
        if (i + 1 == pieces.size()) line += "|n>";
        line += ' ';
        out.push_back(std::move(line));
    }
    if (!storyTitled) {
        storyTitled = true;
        if (banner.empty() && !lines.empty()) banner = lines.front();
        paragraphNumber = 1;
        out.push_back(numbered('p', paragraphNumber) + " ");
        linesSinceMarker = 0;
    } else {
        out.push_back("s000 ");
    }
}

void Cascader::State::sceneBreak() {
    closeEntries();
    out.push_back("l" + std::to_string(kSceneBreakLevel) + "* * * ");
    out.push_back("s000 ");
    linesSinceMarker += 2;
}

void Cascader::State::prose(std::string_view text) {
    closeEntries();
    inSpeech = false;
    bool words = false;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = pieceEnd(text, from);
        words = sentences(text.substr(from, end - from)) || words;
        spill();
        from = nextPieceStart(text, end);
    }
    if (words) endParagraph();
}

bool Cascader::State::sentences(std::string_view text) {
    cascade::tokenize(text, tokens);
    if (tokens.empty()) return false;
    inSpeech = cascade::markSpeechAndSentences(text, tokens, inSpeech);
    std::size_t first = 0;
    for (std::size_t i = 1; i <= tokens.size(); ++i) {
        if (i < tokens.size() && !tokens[i].sentenceStart) continue;
        linesSinceMarker += layout.layout(text, tokens, first, i, names, out);
        out.push_back("s000 ");
        ++linesSinceMarker;
        first = i;
    }
    return true;
}

void Cascader::State::spill() {
    if (!sink || out.size() < kLinesHeld) return;
    for (std::string& l : out)
        sink(l);
    out.clear();
}

void Cascader::State::endParagraph() {
    if (linesSinceMarker < kLinesPerMarker) return;
    paragraphNumber = std::min(paragraphNumber + 1, kLargestNumber);
    out.push_back(numbered('p', paragraphNumber) + " ");
    linesSinceMarker = 0;
}

Cascader::Cascader(cascade::SentenceParser* parser, std::string banner)
    : m_state(std::make_unique<State>()) {
    m_state->banner = std::move(banner);
    m_state->layout = SentenceCascade(parser);
}

Cascader::~Cascader() = default;

void Cascader::addStory(std::string_view prose) {
    State& st = *m_state;
    st.storyTitled = false;
    st.paragraphNumber = 0;
    st.linesSinceMarker = 0;

    const Lines lines = splitLines(prose);
    std::size_t begin = 0, end = lines.size();
    for (std::size_t i = 0; i < std::min(end, kHeaderSearchLines); ++i) {
        if (isLicenceMarker(lines[i], "start of")) {
            begin = i + 1;
            break;
        }
    }
    for (std::size_t i = begin; i < end; ++i) {
        if (isLicenceMarker(lines[i], "end of")) {
            end = i;
            break;
        }
    }

    std::vector<std::string> block;
    std::size_t i = begin;
    while (i < end) {
        block.clear();
        while (i < end && isBlankLine(lines[i]))
            ++i;
        while (i < end && !isBlankLine(lines[i]))
            block.push_back(cleanLine(lines[i++]));
        if (block.empty()) continue;
        if (block.size() <= 3 && std::all_of(block.begin(), block.end(), isHeadingLine)) {
            st.heading(block);
            continue;
        }
        if (block.size() == 1 && isSceneBreak(block.front())) {
            st.sceneBreak();
            continue;
        }
        if (block.size() == 1 && isEbookTrailer(block.front())) continue;
        st.paragraph.clear();
        for (std::size_t k = 0; k < block.size(); ++k) {
            appendWords(st.paragraph, block[k]);
            const bool paragraphEnds = block[k].size() >= kUnwrappedLine || k + 1 == block.size();
            if (paragraphEnds) {
                st.prose(st.paragraph);
                st.paragraph.clear();
            }
        }
    }
}

int Cascader::addHeading(std::string_view title) {
    State& st = *m_state;
    const int number = st.nextReference <= kLargestNumber ? st.nextReference : 0;
    std::string line = cleanLine(cascade::splitStyleTags(title).plain);
    st.heading({line.empty() ? std::string("*") : std::move(line)});
    return number;
}

int Cascader::addReferencePoint() {
    State& st = *m_state;
    if (st.nextReference > kLargestNumber) return 0;
    char buf[24];
    std::snprintf(buf, sizeof buf, "l00|refpt%03d> ", st.nextReference);
    st.out.emplace_back(buf);
    ++st.linesSinceMarker;
    return st.nextReference++;
}

void Cascader::addParagraph(std::string_view text) {
    State& st = *m_state;
    st.closeEntries();
    // A long paragraph a piece at a time: a style span open at the end of a piece goes on
    // into the next one, as spans hold across lines on the page, and so does quoted speech.
    st.inSpeech = false;
    bool words = false;
    bool open = false; // a span opened in an earlier piece is still open
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = pieceEnd(text, from);
        const cascade::StyledText styled = cascade::splitStyleTags(text.substr(from, end - from));
        const std::size_t first = st.out.size();
        words = st.sentences(styled.plain) || words;
        from = nextPieceStart(text, end);
        cascade::restoreStyleTags(styled, st.out, first, from >= text.size(), open);
        if (!styled.tags.empty()) open = styled.tags.back().code != 'n';
        st.spill();
    }
    if (words) st.endParagraph();
}

void Cascader::addVerbatim(std::string_view lines) {
    State& st = *m_state;
    st.closeEntries();
    bool open = false;
    // Pages end only at break points, so a long list (a book's contents) is set in groups of
    // kVerbatimGroup lines with a section marker between them: a page can end inside it.
    std::size_t filled = 0;
    forEachLine(lines, [&](std::string_view raw) {
        if (filled <= 2 * kVerbatimGroup && !raw.empty()) ++filled;
    });
    const bool grouped = filled > 2 * kVerbatimGroup;
    std::size_t set = 0;
    forEachLine(lines, [&](std::string_view raw) {
        const cascade::StyledText styled = cascade::splitStyleTags(raw);
        if (styled.plain.empty()) return;
        st.spill();
        if (grouped && set > 0 && set % kVerbatimGroup == 0) {
            st.out.push_back("s000 ");
            ++st.linesSinceMarker;
        }
        ++set;
        if (!styled.tags.empty()) open = styled.tags.back().code != 'n';
        // Every four blanks that indent a set line (a nested list's item) step it right; a
        // line wider than the page's lines goes on at blanks, one step further in, and no
        // word is cut.
        const std::size_t indent = raw.find_first_not_of(' ');
        const int steps = static_cast<int>(std::min<std::size_t>(indent / 4, kVerbatimSteps));
        int level = cascade::kBaseLevel + steps * cascade::kLevelStep;
        for (const cascade::StyledText& piece :
             cascade::wrapStyledText(styled, cascade::kMaxLineWidth)) {
            std::string line = numbered('l', level).erase(1, 1);
            line += cascade::withStyleTags(piece);
            line += ' ';
            st.out.push_back(std::move(line));
            ++st.linesSinceMarker;
            level = cascade::kBaseLevel + (steps + 1) * cascade::kLevelStep;
        }
    });
    if (set == 0) return;
    if (open) st.out.back().insert(st.out.back().size() - 1, "|n>");
    st.out.push_back("s000 ");
    ++st.linesSinceMarker;
    st.endParagraph();
}

void Cascader::addEntry(std::string_view text) {
    State& st = *m_state;
    const cascade::StyledText styled = cascade::splitStyleTags(text);
    if (styled.plain.empty()) return;
    // Pages end only at break points: a run of entries is set in groups of at least
    // kVerbatimGroup lines with a section marker between them, never inside an entry.
    if (st.entryLines >= kVerbatimGroup) {
        st.out.push_back("s000 ");
        ++st.linesSinceMarker;
        st.entryLines = 0;
    }
    const std::size_t first = st.out.size();
    std::string_view rest = styled.plain;
    int level = cascade::kBaseLevel;
    while (!rest.empty()) {
        // The most words that fit the line's width; a word wider than a line stands alone.
        std::size_t cut = 0, width = 0;
        while (cut < rest.size()) {
            std::size_t end = rest.find(' ', cut + 1);
            if (end == std::string_view::npos) end = rest.size();
            const std::size_t wordStart = cut == 0 ? 0 : cut + 1;
            const std::size_t grown =
                width + (cut == 0 ? 0 : 1) + charCount(rest.substr(wordStart, end - wordStart));
            if (cut > 0 && grown > cascade::kMaxLineWidth) break;
            width = grown;
            cut = end;
        }
        st.out.push_back(numbered('l', level).erase(1, 1) + std::string(rest.substr(0, cut)) + ' ');
        rest.remove_prefix(std::min(cut + 1, rest.size()));
        level = cascade::kBaseLevel + cascade::kLevelStep;
    }
    st.entryLines += st.out.size() - first;
    st.linesSinceMarker += st.out.size() - first;
    cascade::restoreStyleTags(styled, st.out, first);
}

void Cascader::addSceneBreak() {
    m_state->sceneBreak();
}

void Cascader::addImage(std::string_view name, int rows) {
    State& st = *m_state;
    st.closeEntries();
    const std::string level = "l" + std::to_string(kSceneBreakLevel);
    if (name.empty()) {
        st.out.push_back(level + "[image] ");
        rows = 1;
    } else {
        // The picture's tag, then a tag without a name for each further row it takes: the page
        // draws the picture across them, and whatever skips image lines skips them all.
        rows = std::clamp(rows, 1, kMaxPictureRows);
        st.out.push_back(level + "|image>" + std::string(name) + " ");
        for (int r = 1; r < rows; ++r)
            st.out.push_back(level + "|image> ");
    }
    st.out.push_back("s000 ");
    st.linesSinceMarker += static_cast<std::size_t>(rows) + 1;
    st.endParagraph();
}

void Cascader::handLinesTo(std::function<void(std::string& line)> sink) {
    m_state->sink = std::move(sink);
}

void Cascader::drainLines(const std::function<void(std::string& line)>& sink) {
    for (std::string& l : m_state->out)
        sink(l);
    m_state->out.clear();
}

Lines Cascader::finish() {
    State& st = *m_state;
    st.closeEntries();
    Lines result;
    result.reserve(st.out.size() + 2);
    result.push_back(st.banner.empty() ? std::string(kDefaultBanner) : st.banner);
    for (std::string& l : st.out)
        result.push_back(std::move(l));
    result.emplace_back("END");
    st.out.clear();
    return result;
}

Lines cascadeText(std::string_view prose, cascade::SentenceParser* parser) {
    Cascader cascader(parser);
    cascader.addStory(prose);
    return cascader.finish();
}

} // namespace qm
