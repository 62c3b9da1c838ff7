#include "core/index/WordIndex.h"

#include "core/base/WordSet.h"
#include "core/text/LineFormat.h"
#include "core/text/Tags.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <limits>
#include <numeric>
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

// Orders words without regard to case, then by their bytes.
bool comesBefore(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = toLowerAscii(a[i]), y = toLowerAscii(b[i]);
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

constexpr std::uint32_t kNoReference = std::numeric_limits<std::uint32_t>::max();

} // namespace

// The distinct words are a compact set; each word's lines are a list threaded through one
// array of references, newest first, so that a word found once costs a few dozen bytes
// beside its letters rather than a string and a vector of its own.
struct WordIndexBuilder::State {
    struct Reference {
        std::int32_t line;
        std::uint32_t older; // the word's reference before this one, or kNoReference
    };
    WordSet words;
    std::vector<std::uint32_t> newest; // per word, its latest reference
    std::vector<Reference> references;
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
        std::uint32_t n = st.words.find(word);
        if (n == WordSet::kNone) {
            if (isFunctionWord(toLowerAscii(word))) continue;
            n = st.words.insert(word).first;
            st.newest.push_back(kNoReference);
        }
        std::uint32_t& newest = st.newest[n];
        if (newest != kNoReference && st.references[newest].line == static_cast<int>(i)) continue;
        st.references.push_back({static_cast<std::int32_t>(i), newest});
        newest = static_cast<std::uint32_t>(st.references.size() - 1);
    }
}

WordIndexBuilder::Footprint WordIndexBuilder::footprint() const {
    const State& st = *m_state;
    Footprint f;
    f.words = st.words.size();
    f.wordBytes = st.words.memberBytes();
    f.references = st.references.size();
    f.heldBytes = st.words.heldBytes() + st.newest.capacity() * sizeof(std::uint32_t) +
                  st.references.capacity() * sizeof(State::Reference);
    return f;
}

template <typename Emit> void WordIndexBuilder::emitLines(Emit emit) {
    flushHeld();
    State& st = *m_state;
    st.words.dropLookup();
    std::vector<std::uint32_t> order(st.words.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return comesBefore(st.words.at(a), st.words.at(b));
    });
    std::string line;
    std::vector<std::int32_t> lines;
    for (const std::uint32_t n : order) {
        lines.clear();
        for (std::uint32_t r = st.newest[n]; r != kNoReference; r = st.references[r].older)
            lines.push_back(st.references[r].line);
        line = st.words.at(n);
        line.reserve(line.size() + 11 * lines.size());
        for (auto at = lines.rbegin(); at != lines.rend(); ++at) {
            const std::string digits = std::to_string(*at);
            const std::size_t width = *at < 100000 ? 5 : 6;
            line += "|0000";
            line.append(width - std::min(width, digits.size()), '0');
            line += digits;
        }
        emit(line);
    }
    *m_state = State();
}

Lines WordIndexBuilder::finish() {
    Lines out;
    out.reserve(m_state->words.size());
    emitLines([&](std::string& line) { out.push_back(std::move(line)); });
    return out;
}

std::string WordIndexBuilder::finishFile() {
    flushHeld();
    std::string out;
    std::size_t size = m_state->words.memberBytes() + 2 * m_state->words.size();
    for (const State::Reference& r : m_state->references)
        size += r.line < 100000 ? 10 : 11;
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
