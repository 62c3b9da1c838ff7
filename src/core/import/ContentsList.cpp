#include "core/import/ContentsList.h"

#include "core/base/Text.h"
#include "core/import/DocumentTidy.h"

#include <utility>
#include <vector>

namespace qm::import {

namespace {

using cascade::BlockView;
using cascade::BlockKind;

// An entry is a short line; a longer paragraph is the book's prose, after the list. Lines of
// a list set as lines may run longer.
constexpr std::size_t kLongestEntry = 100;
constexpr std::size_t kLongestListLine = 200;
constexpr std::size_t kMostEntries = 2000;

bool isWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           static_cast<unsigned char>(c) >= 0x80;
}

// The value of a Roman numeral in small letters written the usual way ("iv", not "iiii"), or
// 0 for any other word.
int romanValue(std::string_view word) {
    if (word.empty() || word.size() > 15) return 0;
    static constexpr std::pair<int, std::string_view> kDigits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    int total = 0;
    std::string_view rest = word;
    for (const auto& [value, digits] : kDigits) {
        for (int repeat = 0; repeat < 3 && rest.starts_with(digits); ++repeat) {
            total += value;
            rest.remove_prefix(digits.size());
            if (digits.size() == 2 || value == 5 || value == 50 || value == 500) break;
        }
    }
    return rest.empty() ? total : 0;
}

bool isContentsHeading(const BlockView& b) {
    if (b.kind != BlockKind::Heading) return false;
    const std::string form = entryMatchForm(b.text);
    return form == "contents" || form == "table of contents";
}

// Adds the entry lines of a block to `entries`; false when the block is not a list's. A list
// is either one block of set lines or a run of short paragraphs, an entry each.
bool collectEntries(const BlockView& b, bool first, std::vector<std::string>& entries) {
    const bool lines = b.kind == BlockKind::Verbatim;
    if (!(lines && first) && b.kind != BlockKind::Paragraph) return false;
    std::vector<std::string> found;
    std::string_view rest = b.text;
    while (!rest.empty()) {
        const auto cut = rest.find('\n');
        const std::string_view l = trimBlanksAndControlsView(rest.substr(0, cut));
        if (l.size() > (lines ? kLongestListLine : kLongestEntry)) return false;
        if (!l.empty()) found.emplace_back(l);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    if (found.empty() || entries.size() + found.size() > kMostEntries) return false;
    for (std::string& l : found)
        entries.push_back(std::move(l));
    return true;
}

// Whether the entries name, in their order, chapters that start after block `last`.
bool everyEntryIsAChapter(const cascade::Document& doc, const std::vector<std::string>& entries,
                          std::size_t last) {
    std::size_t c = 0;
    while (c < doc.chapters.size() && doc.chapters[c].block <= last)
        ++c;
    for (const std::string& entry : entries) {
        while (c < doc.chapters.size() && !entryNamesHeading(entry, doc.chapters[c].title))
            ++c;
        if (c == doc.chapters.size()) return false;
        ++c;
    }
    return true;
}

// Blocks first..last (inclusive) leave the text; chapters after them move up, chapters
// inside them go.
void removeBlocks(cascade::Document& doc, std::size_t first, std::size_t last) {
    const std::size_t removed = last + 1 - first;
    doc.blocks.erase(first, last + 1);
    std::erase_if(doc.chapters,
                  [&](const cascade::Chapter& c) { return c.block >= first && c.block <= last; });
    for (cascade::Chapter& c : doc.chapters)
        if (c.block > last) c.block -= removed;
}

} // namespace

std::string entryMatchForm(std::string_view text) {
    const std::string plain = removeStyleTags(text);
    std::vector<std::string> words(1);
    for (char c : plain) {
        if (!isWordByte(c)) {
            if (!words.back().empty()) words.emplace_back();
            continue;
        }
        words.back() += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (words.back().empty()) words.pop_back();
    // "Chapter IV" and "IV" name the same chapter, as do "IV" and "4".
    std::size_t first = 0;
    if (words.size() > 1 && (words[0] == "chapter" || words[0] == "chap" || words[0] == "chapitre"))
        first = 1;
    std::string out;
    for (std::size_t w = first; w < words.size(); ++w) {
        if (!out.empty()) out += ' ';
        const int number = w == first ? romanValue(words[w]) : 0;
        out += number > 0 ? std::to_string(number) : words[w];
    }
    return out;
}

bool entryNamesHeading(std::string_view entry, std::string_view heading) {
    const std::string a = entryMatchForm(entry);
    const std::string b = entryMatchForm(heading);
    if (a.empty() || b.empty()) return false;
    const std::string& shorter = a.size() <= b.size() ? a : b;
    const std::string& longer = a.size() <= b.size() ? b : a;
    return longer.starts_with(shorter) &&
           (longer.size() == shorter.size() || longer[shorter.size()] == ' ');
}

void settleContentsList(cascade::Document& doc) {
    std::size_t heading = 0;
    while (heading < doc.blocks.size() && !isContentsHeading(doc.blocks[heading]))
        ++heading;
    if (heading == doc.blocks.size()) return;
    std::vector<std::string> entries;
    std::size_t end = heading + 1;
    while (end < doc.blocks.size() &&
           collectEntries(doc.blocks[end], end == heading + 1, entries)) {
        ++end;
        if (doc.blocks[end - 1].kind == BlockKind::Verbatim) break;
    }
    if (entries.empty()) return;
    if (everyEntryIsAChapter(doc, entries, end - 1)) {
        removeBlocks(doc, heading, end - 1);
        return;
    }
    // A list of short paragraphs becomes entries, each set on lines of its own; a list set as
    // lines already is one.
    for (std::size_t b = heading + 1; b < end; ++b) {
        const cascade::BlockView block = doc.blocks[b];
        if (block.kind == BlockKind::Paragraph && block.text.find('\n') == std::string_view::npos)
            doc.blocks.setKind(b, BlockKind::Entry);
    }
}

} // namespace qm::import
