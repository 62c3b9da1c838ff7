#include "core/import/PlainTextBook.h"

#include "core/base/Text.h"
#include "core/base/TextLines.h"

#include "core/import/ChapterHeadings.h"
#include "core/import/ContentsList.h"
#include "core/import/DistributorFrame.h"
#include "core/import/DocumentTidy.h"
#include "core/import/InlineText.h"

#include <algorithm>
#include <deque>
#include <optional>

namespace qm::import {
namespace {

using cascade::Block;
using cascade::BlockKind;
using cascade::Chapter;
using cascade::Document;

bool isAlnumByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Lines of the text, first to one past last, with no blank line among them.
struct Paragraph {
    std::size_t first = 0;
    std::size_t last = 0;
    std::size_t lineCount() const { return last - first; }
};

bool isBlankLine(std::string_view l) {
    return trimBlanksAndControlsView(l).empty();
}

// The paragraphs of lines [begin, end), numbered from 0, found as they are asked for: only
// those from the one being read to the furthest looked at are held, never the book's whole
// list. References to held paragraphs stay valid until they are let go.
class ParagraphWindow {
public:
    ParagraphWindow(const TextLines& lines, std::size_t begin, std::size_t end)
        : m_lines(lines)
        , m_pos(begin)
        , m_end(end) {}

    // Whether there is a paragraph q (q at least the first one held).
    bool has(std::size_t q) {
        while (m_first + m_held.size() <= q) {
            while (m_pos < m_end && isBlankLine(m_lines[m_pos]))
                ++m_pos;
            if (m_pos == m_end) return false;
            Paragraph p{m_pos, m_pos};
            while (m_pos < m_end && !isBlankLine(m_lines[m_pos]))
                ++m_pos;
            p.last = m_pos;
            m_held.push_back(p);
        }
        return true;
    }
    // Paragraph q, which has(q) found.
    const Paragraph& operator[](std::size_t q) const { return m_held[q - m_first]; }
    // Lets the paragraphs before q go.
    void dropBefore(std::size_t q) {
        for (; m_first < q && !m_held.empty(); ++m_first)
            m_held.pop_front();
    }

private:
    const TextLines& m_lines;
    std::size_t m_pos;
    std::size_t m_end;
    std::deque<Paragraph> m_held;
    std::size_t m_first = 0; // the number of m_held's first paragraph
};

// The prose of a paragraph: "_word_" (also across words and lines) in italics. An underscore
// opens only before a word and closes only after one, so "snake_case" stays as it is.
void addProse(InlineText& out, std::string_view prose) {
    const std::size_t n = prose.size();
    std::size_t from = 0;
    std::size_t i = 0;
    while (i < n) {
        const bool opens = prose[i] == '_' && (i == 0 || !isAlnumByte(prose[i - 1])) && i + 1 < n &&
                           prose[i + 1] != ' ' && prose[i + 1] != '_';
        if (!opens) {
            ++i;
            continue;
        }
        std::size_t close = std::string_view::npos;
        for (std::size_t j = i + 2; j < n; ++j) {
            if (prose[j] == '_' && prose[j - 1] != ' ' &&
                (j + 1 == n || !isAlnumByte(prose[j + 1]))) {
                close = j;
                break;
            }
        }
        if (close == std::string_view::npos) break;
        out.addText(prose.substr(from, i - from));
        out.setStyle(Style::Italic);
        out.addText(prose.substr(i + 1, close - i - 1));
        out.setStyle(Style::Plain);
        from = i = close + 1;
    }
    out.addText(prose.substr(from));
}

class PlainTextReader {
public:
    explicit PlainTextReader(std::string_view text)
        : m_lines(text) {}

    Document read() {
        const Frame frame = findFrame(m_lines);
        m_doc.title = frame.header.title;
        m_doc.author = frame.header.author;
        countNumeralHeadings(frame.begin, frame.end);
        m_paras.emplace(m_lines, frame.begin, frame.end);
        for (std::size_t p = 0; m_paras->has(p);) {
            m_paras->dropBefore(p);
            p = readParagraph(p);
        }
        finish();
        return std::move(m_doc);
    }

private:
    std::string_view line(const Paragraph& p, std::size_t k) const { return m_lines[p.first + k]; }
    bool hasPara(std::size_t q) { return m_paras->has(q); }
    const Paragraph& paraAt(std::size_t q) const { return (*m_paras)[q]; }

    std::string joined(const Paragraph& p, std::size_t from = 0) const {
        // Room for the whole paragraph first: a paragraph of a whole book's lines is then
        // never copied into a doubled buffer as it grows.
        std::size_t bytes = 0;
        for (std::size_t k = from; k < p.lineCount(); ++k)
            bytes += line(p, k).size() + 1;
        std::string s;
        s.reserve(bytes);
        for (std::size_t k = from; k < p.lineCount(); ++k) {
            if (!s.empty()) s += ' ';
            s += trimBlanksAndControlsView(line(p, k));
        }
        return s;
    }

    // Bare Roman numerals make headings only where a book uses several of them.
    void countNumeralHeadings(std::size_t begin, std::size_t end) {
        ParagraphWindow paras(m_lines, begin, end);
        int numerals = 0;
        for (std::size_t q = 0; numerals < 2 && paras.has(q); ++q) {
            const Paragraph& p = paras[q];
            if (p.lineCount() == 1) {
                const auto m = matchChapterHeading(line(p, 0));
                if (m && m->strength == HeadingStrength::Numeral) ++numerals;
            }
            paras.dropBefore(q + 1);
        }
        m_trustNumerals = numerals >= 2;
    }

    std::optional<HeadingMatch> headingOf(std::string_view l) const {
        auto m = matchChapterHeading(l);
        if (m && m->strength == HeadingStrength::Numeral && !m_trustNumerals) return std::nullopt;
        return m;
    }

    void addBlock(BlockKind kind, std::string text, int level = 0) {
        m_doc.blocks.push_back(Block{kind, level, std::move(text)});
    }

    void addHeading(std::string text, int level) {
        m_doc.chapters.push_back(Chapter{text, m_doc.blocks.size(), level == 1 ? 0 : 1});
        addBlock(BlockKind::Heading, std::move(text), level);
    }

    static bool isContentsLine(std::string_view l) {
        const std::string_view t = trimBlanksAndControlsView(l);
        return !t.empty() && t.front() >= 'A' && t.front() <= 'Z' &&
               (hasHeadingComparisonForm(t, "contents") ||
                hasHeadingComparisonForm(t, "table of contents"));
    }

    static bool isSceneBreak(const Paragraph& p, const TextLines& lines) {
        int symbols = 0;
        for (std::size_t k = p.first; k < p.last; ++k) {
            for (char c : lines[k]) {
                if (c == ' ' || c == '\t') continue;
                if (c != '*' && c != '-' && c != '~' && c != '=' && c != '#' && c != '_')
                    return false;
                ++symbols;
            }
        }
        return symbols >= 3;
    }

    // Prose rather than a list: several lines, most of them long.
    bool isProse(const Paragraph& p) const {
        if (p.lineCount() < 2) return trimBlanksAndControlsView(line(p, 0)).size() > 100;
        std::size_t longLines = 0;
        for (std::size_t k = 0; k < p.lineCount(); ++k) {
            if (trimBlanksAndControlsView(line(p, k)).size() > 100) return true;
            if (trimBlanksAndControlsView(line(p, k)).size() >= 55) ++longLines;
        }
        return longLines * 2 >= p.lineCount();
    }

    bool opensProse(std::size_t q) {
        return hasPara(q) && isProse(paraAt(q)) && !headingOf(line(paraAt(q), 0));
    }

    // The same heading as the contents entry: one is the other, or begins it.
    static bool namesSameHeading(std::string_view entry, std::string_view heading) {
        const std::string a = headingComparisonForm(entry), b = headingComparisonForm(heading);
        if (a.empty() || b.empty()) return false;
        const std::string& shorter = a.size() <= b.size() ? a : b;
        const std::string& longer = a.size() <= b.size() ? b : a;
        if (!longer.starts_with(shorter)) return false;
        return longer.size() == shorter.size() || !isAlnumByte(longer[shorter.size()]);
    }

    // "CONTENTS" and the short lines after it, up to where the book itself begins: the first
    // entry's heading again, or prose.
    std::size_t readContents(std::size_t p) {
        addBlock(BlockKind::Heading, cleanText(line(paraAt(p), 0)), 2);
        std::vector<std::string> entries;
        std::string firstEntry;
        std::size_t q = p + 1;
        for (; hasPara(q) && entries.size() < 2000; ++q) {
            const Paragraph& para = paraAt(q);
            if (!firstEntry.empty() && namesSameHeading(firstEntry, line(para, 0))) break;
            const bool heading = headingOf(line(para, 0)).has_value();
            if (isProse(para) && !heading) break;
            // A heading with prose after it (its title line between) begins the book even
            // when the list named it otherwise.
            if (heading && !entries.empty() && para.lineCount() <= 2 &&
                (opensProse(q + 1) || (isTitleParagraph(q + 1) && opensProse(q + 2))))
                break;
            for (std::size_t k = 0; k < para.lineCount(); ++k) {
                if (firstEntry.empty())
                    firstEntry = std::string(trimBlanksAndControlsView(line(para, k)));
                entries.push_back(cleanText(line(para, k)));
            }
        }
        m_entries = entries;
        std::string text;
        for (const std::string& e : entries) {
            if (!text.empty()) text += '\n';
            text += e;
        }
        if (!text.empty()) addBlock(BlockKind::Verbatim, std::move(text));
        return q;
    }

    // Poems and other set lines: every line indented.
    bool isIndentedVerse(const Paragraph& p) const {
        if (p.lineCount() < 2) return false;
        for (std::size_t k = 0; k < p.lineCount(); ++k) {
            const std::string_view l = line(p, k);
            if (l.size() < 2 || l[0] != ' ' || l[1] != ' ') return false;
        }
        return true;
    }

    void addVerse(const Paragraph& p) {
        std::size_t indent = std::string_view::npos;
        for (std::size_t k = 0; k < p.lineCount(); ++k) {
            const std::string_view l = line(p, k);
            indent = std::min(indent, l.find_first_not_of(' '));
        }
        InlineText text;
        text.setKeepSpaces(true);
        for (std::size_t k = 0; k < p.lineCount(); ++k) {
            if (k > 0) text.addLineBreak();
            std::string_view l = line(p, k).substr(indent);
            while (!l.empty() && static_cast<unsigned char>(l.back()) <= 0x20)
                l.remove_suffix(1);
            addProse(text, l);
        }
        addBlock(BlockKind::Verbatim, text.take());
    }

    // A title written as a sentence, as French and other languages write them ("Installation
    // de l'appareil"): short, capitalised, a few words, ending in a letter rather than a stop.
    static bool isSentenceCaseTitle(std::string_view l) {
        if (l.empty() || l.size() > 60) return false;
        const auto front = static_cast<unsigned char>(l.front());
        const auto back = static_cast<unsigned char>(l.back());
        const bool capital = (front >= 'A' && front <= 'Z') || front >= 0x80;
        const bool letterEnd = isAlnumByte(static_cast<char>(back)) || back >= 0x80;
        return capital && letterEnd && std::count(l.begin(), l.end(), ' ') < 8;
    }

    bool isTitleParagraph(std::size_t q) {
        if (!hasPara(q) || paraAt(q).lineCount() != 1) return false;
        const std::string_view l = trimBlanksAndControlsView(line(paraAt(q), 0));
        if (!(looksLikeTitleLine(l) || isSentenceCaseTitle(l)) || headingOf(l) ||
            isContentsLine(l) || l.size() > 70)
            return false;
        // "MARLEY'S GHOST." is a title; "Yes." or "Text." in mixed case opens the chapter.
        const bool capitals =
            std::none_of(l.begin(), l.end(), [](char c) { return c >= 'a' && c <= 'z'; });
        const char last = l.back();
        return capitals || (last != '.' && last != '!' && last != '?');
    }

    static std::string joinTitle(std::string heading, std::string_view title) {
        const char last = heading.empty() ? ' ' : heading.back();
        heading += (last == '.' || last == ':' || last == '-') ? " " : ": ";
        heading += cleanText(title);
        return heading;
    }

    // The index of the contents entry, among the next few not yet found, that reads `text`.
    std::optional<std::size_t> entryReading(std::string_view text) const {
        const std::string form = entryMatchForm(text);
        if (form.empty()) return std::nullopt;
        const std::size_t end = std::min(m_entries.size(), m_nextEntry + kEntryLookahead);
        for (std::size_t k = m_nextEntry; k < end; ++k)
            if (entryMatchForm(m_entries[k]) == form) return k;
        return std::nullopt;
    }

    // A heading the book's own contents list names, however unusual it looks: the line itself,
    // or the line and its title on the next line ("IV." then "The Preparation").
    std::optional<std::size_t> readNamedHeading(std::size_t p) {
        const Paragraph& para = paraAt(p);
        if (m_nextEntry >= m_entries.size() || para.lineCount() > 2) return std::nullopt;
        const std::string_view first = trimBlanksAndControlsView(line(para, 0));
        if (first.size() > kLongestNamedHeading) return std::nullopt;
        std::string_view title;
        std::size_t next = p + 1;
        if (para.lineCount() == 2) {
            title = trimBlanksAndControlsView(line(para, 1));
        } else if (hasPara(p + 1) && paraAt(p + 1).lineCount() == 1) {
            title = trimBlanksAndControlsView(line(paraAt(p + 1), 0));
            next = p + 2;
        }
        std::optional<std::size_t> entry;
        std::string text;
        if (para.lineCount() == 1 && (entry = entryReading(first))) {
            text = cleanText(first);
            next = p + 1;
        } else if (!title.empty() && title.size() <= kLongestNamedHeading &&
                   (entry = entryReading(std::string(first) + " " + std::string(title)))) {
            text = joinTitle(cleanText(first), title);
        } else {
            return std::nullopt;
        }
        m_nextEntry = *entry + 1;
        auto match = matchChapterHeading(first);
        if (!match) match = matchChapterHeading(m_entries[*entry]);
        addHeading(std::move(text), match ? match->level : 2);
        return next;
    }

    std::size_t readParagraph(std::size_t p) {
        const Paragraph& para = paraAt(p);
        const std::string_view first = trimBlanksAndControlsView(line(para, 0));
        if (para.lineCount() == 1 && isContentsLine(first)) return readContents(p);
        if (isSceneBreak(para, m_lines)) {
            addBlock(BlockKind::SceneBreak, {});
            return p + 1;
        }
        if (const std::optional<std::size_t> next = readNamedHeading(p)) return *next;
        if (const auto heading = headingOf(first)) {
            std::string text = cleanText(first);
            std::size_t from = 1;
            std::size_t next = p + 1;
            if (!heading->hasTitle) {
                // The chapter's title on the next line, or alone after a blank line.
                if (para.lineCount() == 2 && looksLikeTitleLine(line(para, 1))) {
                    text = joinTitle(text, trimBlanksAndControlsView(line(para, 1)));
                    from = 2;
                } else if (para.lineCount() == 1 && isTitleParagraph(p + 1) &&
                           hasPara(p + 2)) {
                    text = joinTitle(text, trimBlanksAndControlsView(line(paraAt(p + 1), 0)));
                    next = p + 2;
                }
            }
            if (heading->strength == HeadingStrength::Keyword || para.lineCount() == 1) {
                addHeading(std::move(text), heading->level);
                if (from < para.lineCount()) addParagraphText(joined(para, from));
                return next;
            }
        }
        if (para.lineCount() == 1 && first.starts_with("[Illustration") && first.ends_with("]")) {
            std::string_view caption = first.substr(13, first.size() - 14);
            if (caption.starts_with(":")) caption.remove_prefix(1);
            addBlock(BlockKind::Image, cleanText(caption));
            return p + 1;
        }
        if (isIndentedVerse(para)) {
            addVerse(para);
            return p + 1;
        }
        addParagraphText(joined(para));
        return p + 1;
    }

    void addParagraphText(std::string prose) {
        InlineText text;
        text.reserve(prose.size());
        addProse(text, prose);
        // The joined lines go before the block is copied into the document.
        std::string().swap(prose);
        if (!text.empty()) addBlock(BlockKind::Paragraph, text.take());
    }

    // Chapters inside a part or book sit one level deeper.
    void finish() {
        tidyBlocks(m_doc);
        capFields(m_doc);
        bool insidePart = false;
        for (Chapter& c : m_doc.chapters) {
            const int level = m_doc.blocks[c.block].level;
            if (level == 1) insidePart = true;
            c.depth = level == 1 || !insidePart ? 0 : 1;
        }
    }

    // Entries of the contents list a body heading may skip (a missed or renamed heading).
    static constexpr std::size_t kEntryLookahead = 4;
    static constexpr std::size_t kLongestNamedHeading = 90;

    TextLines m_lines;
    std::optional<ParagraphWindow> m_paras; // over the book's lines, once its frame is known
    std::vector<std::string> m_entries;     // the contents list's entries, in order
    std::size_t m_nextEntry = 0;            // the first entry no body heading has read yet
    Document m_doc;
    bool m_trustNumerals = false;
};

} // namespace

Document readPlainTextBook(std::string_view utf8) {
    return PlainTextReader(utf8).read();
}

} // namespace qm::import
