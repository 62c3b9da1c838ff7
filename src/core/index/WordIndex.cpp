#include "core/index/WordIndex.h"

#include "core/text/LineFormat.h"
#include "core/text/Tags.h"

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <unordered_set>

namespace qm {

namespace {

// Limit of the six-digit reference form.
constexpr std::size_t kMaxLines = 1'000'000;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Words that say nothing about a passage; compared in lower case.
bool isFunctionWord(std::string_view lower) {
    static const std::unordered_set<std::string_view> words = {
        "about",    "above",      "after",    "again",     "against",   "all",     "also",
        "although", "among",      "and",      "any",       "are",       "because", "been",
        "before",   "being",      "both",     "but",       "can",       "could",   "did",
        "does",     "doing",      "done",     "down",      "during",    "each",    "either",
        "even",     "ever",       "for",      "from",      "had",       "has",     "have",
        "having",   "her",        "here",     "hers",      "herself",   "him",     "himself",
        "his",      "how",        "into",     "its",       "itself",    "just",    "let",
        "may",      "might",      "more",     "most",      "much",      "must",    "myself",
        "neither",  "nor",        "not",      "now",       "off",       "once",    "only",
        "onto",     "other",      "our",      "ours",      "ourselves", "out",     "over",
        "own",      "said",       "same",     "shall",     "she",       "should",  "since",
        "some",     "such",       "than",     "that",      "the",       "their",   "theirs",
        "them",     "themselves", "then",     "there",     "these",     "they",    "this",
        "those",    "though",     "through",  "till",      "too",       "under",   "until",
        "upon",     "very",       "was",      "were",      "what",      "when",    "where",
        "whether",  "which",      "while",    "who",       "whom",      "whose",   "why",
        "will",     "with",       "within",   "without",   "would",     "yet",     "you",
        "your",     "yours",      "yourself", "yourselves"};
    return words.count(lower) != 0;
}

// The part of a display line that holds words: nothing for a reference-point line (drawn as
// an empty row), and no image file name.
std::string wordText(std::string_view line) {
    if (line.find("refp") != std::string_view::npos) return {};
    return removeTags(line.substr(0, line.find("|image>")));
}

struct Entry {
    std::string word;
    std::vector<int> lines;
};

// Orders words without regard to case, then by their bytes.
bool comesBefore(const Entry& a, const Entry& b) {
    const std::size_t n = std::min(a.word.size(), b.word.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = toLowerAscii(a.word[i]), y = toLowerAscii(b.word[i]);
        if (x != y) return x < y;
    }
    if (a.word.size() != b.word.size()) return a.word.size() < b.word.size();
    return a.word < b.word;
}

} // namespace

struct WordIndexBuilder::State {
    // A deque keeps each word where it is, so the map's keys can view it.
    std::deque<Entry> entries;
    std::unordered_map<std::string_view, std::size_t> byWord;
    std::size_t line = 0;
    // The last two lines handed over wait here: when they are the end line and the blank
    // that opening appends, they are the reader's, not the text's, and add no words.
    std::deque<std::string> held;
};

WordIndexBuilder::WordIndexBuilder()
    : m_state(std::make_unique<State>()) {}

WordIndexBuilder::~WordIndexBuilder() = default;

void WordIndexBuilder::addLine(std::string_view displayLine) {
    State& st = *m_state;
    st.held.emplace_back(displayLine);
    if (st.held.size() <= 2) return;
    indexLine(st.held.front());
    st.held.pop_front();
}

void WordIndexBuilder::flushHeld() {
    State& st = *m_state;
    if (st.held.size() == 2 && st.held[0] == kEndLine && st.held[1] == " ") st.held.clear();
    for (const std::string& line : st.held)
        indexLine(line);
    st.held.clear();
}

void WordIndexBuilder::indexLine(std::string_view displayLine) {
    State& st = *m_state;
    const std::size_t i = st.line++;
    if (i >= kMaxLines) return;
    const std::string text = wordText(displayLine);
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!isLetter(text[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos + 1;
        while (end < text.size() &&
               (isLetter(text[end]) ||
                (text[end] == '\'' && end + 1 < text.size() && isLetter(text[end + 1]))))
            ++end;
        const std::string_view word = std::string_view(text).substr(pos, end - pos);
        pos = end;
        if (word.size() < 3) continue;
        auto found = st.byWord.find(word);
        if (found == st.byWord.end()) {
            if (isFunctionWord(toLowerAscii(word))) continue;
            st.entries.push_back({std::string(word), {}});
            found = st.byWord.emplace(st.entries.back().word, st.entries.size() - 1).first;
        }
        std::vector<int>& lines = st.entries[found->second].lines;
        if (lines.empty() || lines.back() != static_cast<int>(i))
            lines.push_back(static_cast<int>(i));
    }
}

template <typename Emit> void WordIndexBuilder::emitLines(Emit emit) {
    flushHeld();
    std::deque<Entry>& entries = m_state->entries;
    m_state->byWord.clear();
    std::sort(entries.begin(), entries.end(), comesBefore);
    std::string line;
    for (Entry& e : entries) {
        line = e.word;
        line.reserve(e.word.size() + 11 * e.lines.size());
        for (const int n : e.lines) {
            const std::string digits = std::to_string(n);
            const std::size_t width = n < 100000 ? 5 : 6;
            line += "|0000";
            line.append(width - std::min(width, digits.size()), '0');
            line += digits;
        }
        std::vector<int>().swap(e.lines);
        emit(line);
    }
    entries.clear();
}

Lines WordIndexBuilder::finish() {
    Lines out;
    out.reserve(m_state->entries.size());
    emitLines([&](std::string& line) { out.push_back(std::move(line)); });
    return out;
}

std::string WordIndexBuilder::finishFile() {
    flushHeld();
    std::string out;
    std::size_t size = 0;
    for (const Entry& e : m_state->entries) {
        size += e.word.size() + 2;
        for (const int n : e.lines)
            size += n < 100000 ? 10 : 11;
    }
    out.reserve(size);
    emitLines([&](const std::string& line) {
        out += line;
        out += "\r\n";
    });
    return out;
}

void WordIndexBuilder::finishFileTo(const std::function<void(std::string_view bytes)>& out) {
    emitLines([&](const std::string& line) {
        out(line);
        out("\r\n");
    });
}

Lines makeWordIndex(const LineBuffer& displayLines) {
    WordIndexBuilder builder;
    for (std::string_view line : displayLines)
        builder.addLine(line);
    return builder.finish();
}

} // namespace qm
