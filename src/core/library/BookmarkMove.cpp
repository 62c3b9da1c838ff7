#include "core/library/BookmarkMove.h"

#include "core/bookmarks/BookmarkList.h"
#include "core/text/Tags.h"

#include <algorithm>

namespace qm::library {

namespace {

// Paragraph and section markers ("p001", "s000") and reference points hold no words.
bool holdsWords(std::string_view line) {
    if (line.find("refp") != std::string_view::npos) return false;
    if (line.size() >= 4 && (line[0] == 'p' || line[0] == 's') &&
        std::all_of(line.begin() + 1, line.begin() + 4,
                    [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return true;
}

bool isWordByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || u >= 0x80;
}

// The words of a layout in book order, the line of each, and for each line the first word at
// or below it.
struct WordPositions {
    std::vector<std::string> words;
    std::vector<std::size_t> lineOfWord;
    std::vector<std::size_t> firstWordFrom;

    explicit WordPositions(const Lines& display) {
        firstWordFrom.resize(display.size() + 1);
        for (std::size_t i = 0; i < display.size(); ++i) {
            firstWordFrom[i] = words.size();
            if (!holdsWords(display[i])) continue;
            const std::string text = removeTags(display[i]);
            std::size_t p = 0;
            while (p < text.size()) {
                if (!isWordByte(text[p])) {
                    ++p;
                    continue;
                }
                std::size_t e = p;
                while (e < text.size() && isWordByte(text[e]))
                    ++e;
                words.push_back(text.substr(p, e - p));
                lineOfWord.push_back(i);
                p = e;
            }
        }
        // A wordless line's entry already counts the words above it: the next word's index.
        firstWordFrom[display.size()] = words.size();
    }
};

} // namespace

MovedBookmarks moveBookmarks(const Lines& oldDisplay, const Lines& newDisplay,
                             const Lines& entries) {
    const WordPositions before(oldDisplay);
    const WordPositions after(newDisplay);
    MovedBookmarks result;
    result.entries.reserve(entries.size());
    for (const std::string& entry : entries) {
        if (entry.empty() || entry.front() != '#') {
            result.entries.push_back(entry);
            continue;
        }
        const std::optional<int> top = parseInteger(bookmarks::topLineText(entry));
        std::optional<std::size_t> moved;
        if (top && *top >= 0 && static_cast<std::size_t>(*top) < oldDisplay.size()) {
            const auto line = static_cast<std::size_t>(*top);
            const std::size_t w = before.firstWordFrom[line];
            if (w < before.words.size() && w < after.words.size() &&
                before.words[w] == after.words[w]) {
                const std::size_t wordLine = after.lineOfWord[w];
                // Keep the wordless lines that stood between the mark and its word, but never
                // go above the line of the word before it.
                std::size_t floor = 0;
                if (w > 0)
                    floor =
                        after.lineOfWord[w - 1] < wordLine ? after.lineOfWord[w - 1] + 1 : wordLine;
                const std::size_t gap = before.lineOfWord[w] - line;
                moved = std::max(floor, wordLine - std::min(gap, wordLine));
            }
        }
        if (!moved) {
            result.unmoved.push_back(entry);
            result.entries.push_back(entry);
            continue;
        }
        result.entries.push_back("#" + std::to_string(*moved) + " " +
                                 std::string(bookmarks::nameOf(entry)));
        ++result.moved;
    }
    return result;
}

} // namespace qm::library
