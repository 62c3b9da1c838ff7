#include "core/import/HtmlNotes.h"

#include <algorithm>
#include <map>
#include <set>

namespace qm::import {
namespace {

using cascade::BlockKind;

struct Note {
    NoteRange range;
    std::size_t refBlock = 0;
    std::size_t refLink = 0; // the reference's place among the links, for the notes' order
    std::string mark;
    bool referenced = false;
};

// The note holding block b, or notes.size(); the notes are sorted and do not overlap.
std::size_t noteAt(const std::vector<Note>& notes, std::size_t b) {
    const auto it = std::upper_bound(notes.begin(), notes.end(), b,
                                     [](std::size_t x, const Note& n) { return x < n.range.from; });
    if (it == notes.begin()) return notes.size();
    const auto prev = std::prev(it);
    return b < prev->range.to ? static_cast<std::size_t>(prev - notes.begin()) : notes.size();
}

// The note's text starts with its mark: a label of its own ("1.", "1)", "[1]", "1") is
// replaced, any other start gets the mark in front.
void startWithMark(std::string& text, const std::string& mark) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '[' || text[i] == '(')) ++i;
    if (text.compare(i, mark.size(), mark) == 0) {
        std::size_t j = i + mark.size();
        if (j < text.size() && (text[j] == ']' || text[j] == ')' || text[j] == '.')) ++j;
        if (j == text.size() || text[j] == ' ') {
            text.replace(0, j, "[" + mark + "]");
            return;
        }
    }
    text.insert(0, "[" + mark + "] ");
}

bool hasToken(const char* list, std::string_view token) {
    if (!list) return false;
    const std::string_view all(list);
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find_first_of(" \t\r\n", start);
        if (end == std::string_view::npos) end = all.size();
        if (all.substr(start, end - start) == token) return true;
        start = end + 1;
    }
    return false;
}

} // namespace

bool isNoteElement(const char* type, const char* role, const char* cls) {
    return hasToken(type, "footnote") || hasToken(type, "endnote") || hasToken(type, "rearnote") ||
           hasToken(type, "note") || hasToken(role, "doc-footnote") ||
           hasToken(role, "doc-endnote") || hasToken(cls, "footnote") || hasToken(cls, "endnote");
}

bool isNoteReference(const char* type, const char* role) {
    return hasToken(type, "noteref") || hasToken(role, "doc-noteref");
}

std::string noteMarkOf(std::string_view text, bool raised, bool typed) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    bool bracketed = false;
    if (text.size() >= 3 && ((text.front() == '[' && text.back() == ']') ||
                             (text.front() == '(' && text.back() == ')'))) {
        text = text.substr(1, text.size() - 2);
        bracketed = true;
    }
    if (text.empty() || text.size() > 8 || text.find_first_of(" []|") != std::string_view::npos)
        return {};
    if (typed) return std::string(text);
    if (text.size() > 4 || !(raised || bracketed)) return {};
    const bool digits =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool stars = text.find_first_not_of('*') == std::string_view::npos;
    const bool letters =
        raised && text.size() <= 2 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    return digits || stars || letters ? std::string(text) : std::string();
}

void placeNotes(cascade::Document& doc, HtmlBlocks& blocks, const LinkTarget& targetOf) {
    const std::size_t n = doc.blocks.size();
    std::vector<Note> notes;
    for (const NoteRange& r : blocks.notes())
        if (r.from < r.to && r.to <= n) notes.push_back(Note{r, 0, 0, {}, false});

    // Where each reference leads; a reference inside a note (a link back) counts for nothing.
    std::vector<std::pair<std::size_t, std::size_t>> refs; // link index, target block
    for (std::size_t k = 0; k < blocks.links().size(); ++k) {
        const HtmlLink& link = blocks.links()[k];
        if (link.noteMark.empty() || noteAt(notes, link.block) < notes.size()) continue;
        const auto key = targetOf(link);
        const auto target = key ? blocks.blockOf(*key) : std::nullopt;
        if (!target || *target >= n || *target == link.block) continue;
        refs.emplace_back(k, *target);
    }
    // A reference that leads to no marked note makes the paragraph it leads to a note.
    std::set<std::size_t> paragraphs;
    for (const auto& [k, target] : refs) {
        const BlockKind kind = doc.blocks[target].kind;
        if (noteAt(notes, target) == notes.size() &&
            (kind == BlockKind::Paragraph || kind == BlockKind::Verbatim))
            paragraphs.insert(target);
    }
    for (const std::size_t p : paragraphs)
        notes.push_back(Note{NoteRange{p, p + 1}, 0, 0, {}, false});
    std::sort(notes.begin(), notes.end(),
              [](const Note& x, const Note& y) { return x.range.from < y.range.from; });
    for (const auto& [k, target] : refs) {
        const std::size_t at = noteAt(notes, target);
        if (at == notes.size()) continue;
        Note& note = notes[at];
        if (note.referenced) continue;
        note.referenced = true;
        note.refBlock = blocks.links()[k].block;
        note.refLink = k;
        note.mark = blocks.links()[k].noteMark;
    }

    std::vector<std::size_t> starts;
    for (const cascade::Chapter& c : doc.chapters)
        starts.push_back(c.block);
    std::sort(starts.begin(), starts.end());
    std::vector<std::size_t> moving;
    std::map<std::size_t, std::string> marked; // each moving note's first block, mark in front
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const Note& note = notes[i];
        if (!note.referenced) continue;
        const auto inside = std::lower_bound(starts.begin(), starts.end(), note.range.from);
        if (inside != starts.end() && *inside < note.range.to) continue;
        moving.push_back(i);
        std::string& text = marked[note.range.from] = std::string(doc.blocks[note.range.from].text);
        startWithMark(text, note.mark);
    }
    if (moving.empty()) return;
    std::sort(moving.begin(), moving.end(),
              [&](std::size_t a, std::size_t b) { return notes[a].refLink < notes[b].refLink; });

    // Each note goes in front of the first chapter that starts after its reference.
    std::vector<std::vector<std::size_t>> before(n + 1);
    std::vector<char> moved(n, 0);
    for (const std::size_t i : moving) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), notes[i].refBlock);
        before[next == starts.end() ? n : std::min(*next, n)].push_back(i);
        std::fill(moved.begin() + static_cast<long>(notes[i].range.from),
                  moved.begin() + static_cast<long>(notes[i].range.to), 1);
    }
    std::vector<std::size_t> order;
    order.reserve(n);
    for (std::size_t b = 0; b <= n; ++b) {
        for (const std::size_t i : before[b])
            for (std::size_t x = notes[i].range.from; x < notes[i].range.to; ++x)
                order.push_back(x);
        if (b < n && !moved[b]) order.push_back(b);
    }
    std::vector<std::size_t> newIndex(n + 1, n);
    for (std::size_t i = 0; i < order.size(); ++i)
        newIndex[order[i]] = i;
    for (cascade::Chapter& c : doc.chapters)
        c.block = newIndex[std::min(c.block, n)];
    blocks.reorderBlocks(order, marked);
}

} // namespace qm::import
