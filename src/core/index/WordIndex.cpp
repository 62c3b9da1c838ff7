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

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// The lines of every word: a word's first line sits in its record, later ones in chunks that
// double in size (up to a limit) carved from fixed blocks, so that a line costs four bytes,
// a word seen once nothing beyond its record, and nothing is ever copied into a larger array.
class LineLists {
public:
    struct Word {
        std::int32_t first;
        std::uint32_t head = kNone; // the first chunk of later lines
        std::uint32_t tail = kNone; // the chunk being filled
    };

    // Adds `line` to the word's lines unless it is the last of them (lines come in order).
    // Returns whether it was added.
    bool add(Word& w, std::int32_t line) {
        if (w.tail == kNone) {
            if (w.first == line) return false;
            w.head = w.tail = newChunk(kFirstChunk);
        } else {
            std::uint32_t* t = at(w.tail);
            if (t[kHeader + t[kUsed] - 1] == static_cast<std::uint32_t>(line)) return false;
            if (t[kUsed] == t[kCapacity]) {
                const std::uint32_t next = newChunk(std::min(2 * t[kCapacity], kLastChunk));
                at(w.tail)[kNext] = next;
                w.tail = next;
            }
        }
        std::uint32_t* t = at(w.tail);
        t[kHeader + t[kUsed]++] = static_cast<std::uint32_t>(line);
        return true;
    }

    // Calls `f` with each of the word's lines in order.
    template <typename F> void forEach(const Word& w, F f) const {
        f(w.first);
        for (std::uint32_t c = w.head; c != kNone; c = at(c)[kNext]) {
            const std::uint32_t* t = at(c);
            for (std::uint32_t k = 0; k < t[kUsed]; ++k)
                f(static_cast<std::int32_t>(t[kHeader + k]));
        }
    }

    std::size_t count(const Word& w) const {
        std::size_t n = 1;
        for (std::uint32_t c = w.head; c != kNone; c = at(c)[kNext])
            n += at(c)[kUsed];
        return n;
    }

    std::size_t heldBytes() const { return m_blocks.size() * kBlockCells * sizeof(std::uint32_t); }

private:
    static constexpr std::size_t kBlockBits = 14;
    static constexpr std::size_t kBlockCells = std::size_t{1} << kBlockBits;
    static constexpr std::uint32_t kFirstChunk = 2, kLastChunk = 1024;
    // A chunk's cells: the next chunk, the lines used, the lines it holds, then the lines.
    static constexpr std::size_t kNext = 0, kUsed = 1, kCapacity = 2, kHeader = 3;

    std::uint32_t* at(std::uint32_t cell) {
        return m_blocks[cell >> kBlockBits].get() + (cell & (kBlockCells - 1));
    }
    const std::uint32_t* at(std::uint32_t cell) const {
        return m_blocks[cell >> kBlockBits].get() + (cell & (kBlockCells - 1));
    }
    // A block is not cleared when made (every cell is written before it is read), so pages it
    // has not reached yet cost nothing.
    std::uint32_t newChunk(std::uint32_t capacity) {
        const std::size_t cells = kHeader + capacity;
        if (m_blocks.empty() || kBlockCells - m_used < cells) {
            m_blocks.push_back(std::make_unique_for_overwrite<std::uint32_t[]>(kBlockCells));
            m_used = 0;
        }
        const auto chunk =
            static_cast<std::uint32_t>(((m_blocks.size() - 1) << kBlockBits) + m_used);
        m_used += cells;
        std::uint32_t* t = at(chunk);
        t[kNext] = kNone;
        t[kUsed] = 0;
        t[kCapacity] = capacity;
        return chunk;
    }

    std::vector<std::unique_ptr<std::uint32_t[]>> m_blocks;
    std::size_t m_used = 0;
};

} // namespace

// The distinct words are a compact set, numbered as they come; their lines are in compact
// lists, so that a word found once costs a few dozen bytes beside its letters rather than a
// string and a vector of its own.
struct WordIndexBuilder::State {
    WordSet words;
    std::deque<LineLists::Word> lines; // per word number; in pieces, never copied to grow
    LineLists lists;
    std::size_t references = 0;
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
        const auto line = static_cast<std::int32_t>(i);
        const std::uint32_t n = st.words.find(word);
        if (n == WordSet::kNone) {
            if (isFunctionWord(toLowerAscii(word))) continue;
            st.words.insert(word);
            st.lines.push_back({line});
            ++st.references;
        } else if (st.lists.add(st.lines[n], line)) {
            ++st.references;
        }
    }
}

WordIndexBuilder::Footprint WordIndexBuilder::footprint() const {
    const State& st = *m_state;
    Footprint f;
    f.words = st.words.size();
    f.wordBytes = st.words.memberBytes();
    f.references = st.references;
    f.heldBytes =
        st.words.heldBytes() + st.lines.size() * sizeof(LineLists::Word) + st.lists.heldBytes();
    return f;
}

// Each index line in order, in pieces: `start` is told about how long the line will be,
// `piece` takes its bytes a few kilobytes at a time, `end` follows its last piece. A word on
// every line of a large book makes a line of megabytes, which need not be held whole.
template <typename Start, typename Piece, typename End>
void WordIndexBuilder::emitPieces(Start start, Piece piece, End end) {
    flushHeld();
    State& st = *m_state;
    st.words.dropLookup();
    std::vector<std::uint32_t> order(st.words.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return comesBefore(st.words.at(a), st.words.at(b));
    });
    constexpr std::size_t kPieceBytes = 4096;
    std::string part;
    part.reserve(kPieceBytes + 16);
    for (const std::uint32_t n : order) {
        part = st.words.at(n);
        start(part.size() + 11 * st.lists.count(st.lines[n]));
        st.lists.forEach(st.lines[n], [&](std::int32_t at) {
            if (part.size() >= kPieceBytes) {
                piece(std::string_view(part));
                part.clear();
            }
            const std::string digits = std::to_string(at);
            const std::size_t width = at < 100000 ? 5 : 6;
            part += "|0000";
            part.append(width - std::min(width, digits.size()), '0');
            part += digits;
        });
        piece(std::string_view(part));
        end();
    }
    *m_state = State();
}

template <typename Emit> void WordIndexBuilder::emitLines(Emit emit) {
    std::string line;
    emitPieces([&line](std::size_t bytes) { line.reserve(bytes); },
               [&line](std::string_view p) { line += p; },
               [&] {
                   emit(line);
                   line.clear();
               });
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
    for (const LineLists::Word& w : m_state->lines)
        m_state->lists.forEach(w, [&size](std::int32_t at) { size += at < 100000 ? 10 : 11; });
    out.reserve(size);
    emitLines([&](const std::string& line) {
        out += line;
        out += "\r\n";
    });
    return out;
}

void WordIndexBuilder::finishFileTo(const std::function<void(std::string_view bytes)>& out) {
    emitPieces([](std::size_t) {}, [&](std::string_view piece) { out(piece); },
               [&] { out("\r\n"); });
}

Lines makeWordIndex(const LineBuffer& displayLines) {
    WordIndexBuilder builder;
    for (std::string_view line : displayLines)
        builder.addLine(line);
    return builder.finish();
}

} // namespace qm
