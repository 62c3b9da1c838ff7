#include "core/grammar/Tagger.h"

#include <algorithm>

namespace qm::grammar {
namespace {

Lexeme boundary(std::uint64_t seed) {
    Lexeme lex;
    lex.word = mix64(seed);
    lex.shape = mix64(seed + 1);
    for (std::uint64_t& p : lex.prefix)
        p = mix64(seed + 2);
    for (std::uint64_t& s : lex.suffix)
        s = mix64(seed + 3);
    return lex;
}

const Lexeme kBefore = boundary(0x5eed0001);
const Lexeme kAfter = boundary(0x5eed0002);

} // namespace

Window::Window(const Lexicon& lexicon, const Lexeme* lex, std::size_t n)
    : m_lexicon(lexicon)
    , m_lex(lex)
    , m_n(n)
    , m_ahead{look(0), look(1)} {}

Lexicon::Entry Window::look(std::size_t i) const {
    if (i >= m_n) return Lexicon::Entry{kNoWord, -1};
    return m_lexicon.find(wordKey(m_lex[i]));
}

void Window::moveTo(std::size_t i) {
    // Called for i = 0, 1, 2, ...: each word is looked up once, two words ahead.
    context.before = i == 0 ? kNoWord : context.here;
    context.here = m_ahead[0].tags;
    only = m_ahead[0].only;
    const Lexicon::Entry afterNext = look(i + 2);
    context.next = m_ahead[1].tags;
    context.afterNext = afterNext.tags;
    m_ahead[0] = m_ahead[1];
    m_ahead[1] = afterNext;
}

void taggerContextFeatures(const Lexeme* lex, std::size_t n, std::size_t i,
                           const TagContext& context, std::uint32_t* out) {
    const Lexeme& w = lex[i];
    const Lexeme& wm1 = i >= 1 ? lex[i - 1] : kBefore;
    const Lexeme& wm2 = i >= 2 ? lex[i - 2] : kBefore;
    const Lexeme& wp1 = i + 1 < n ? lex[i + 1] : kAfter;
    const Lexeme& wp2 = i + 2 < n ? lex[i + 2] : kAfter;
    out[0] = feature(0, 0);
    out[1] = feature(1, w.word);
    for (std::uint32_t s = 0; s < 4; ++s)
        out[2 + s] = feature(2 + s, w.suffix[s]);
    for (std::uint32_t p = 0; p < 3; ++p)
        out[6 + p] = feature(6 + p, w.prefix[p]);
    out[9] = feature(9, w.shape);
    out[13] = feature(13, wm1.word);
    out[14] = feature(14, wm1.word, w.word);
    out[15] = feature(15, wm1.suffix[2]);
    out[16] = feature(16, wm2.word);
    out[17] = feature(17, wp1.word);
    out[18] = feature(18, w.word, wp1.word);
    out[19] = feature(19, wp1.suffix[2]);
    out[20] = feature(20, wp2.word);
    out[21] = feature(21, wp1.shape);
    out[23] = feature(23, wm1.word, wp1.word);
    out[25] = feature(25, i == 0 ? 1 : 0, w.shape);
    out[26] = feature(26, w.word, w.shape);
    out[27] = feature(27, wp1.word, wp2.word);
    out[29] = feature(29, wm1.shape, w.shape);
    out[31] = feature(31, context.here);
    out[32] = feature(32, context.next);
    out[33] = feature(33, context.afterNext);
    out[35] = feature(35, context.here, context.next);
    out[37] = feature(37, w.word, context.next);
}

void taggerHistoryFeatures(const Lexeme* lex, std::size_t n, std::size_t i, std::uint32_t prev1,
                           std::uint32_t prev2, const TagContext& context, std::uint32_t* out) {
    const Lexeme& w = lex[i];
    const Lexeme& wp1 = i + 1 < n ? lex[i + 1] : kAfter;
    out[10] = feature(10, prev1);
    out[11] = feature(11, prev2, prev1);
    out[12] = feature(12, prev1, w.word);
    out[22] = feature(22, prev1, w.suffix[2]);
    out[24] = feature(24, prev1, wp1.word);
    out[28] = feature(28, prev2, w.word);
    out[30] = feature(30, prev1, w.shape);
    out[34] = feature(34, prev1, context.here);
    out[36] = feature(36, prev1, context.next);
}

void taggerFeatures(const Lexeme* lex, std::size_t n, std::size_t i, std::uint32_t prev1,
                    std::uint32_t prev2, const TagContext& context, std::uint32_t* out) {
    taggerContextFeatures(lex, n, i, context, out);
    taggerHistoryFeatures(lex, n, i, prev1, prev2, context, out);
}

Lexicon::Lexicon(const std::vector<std::pair<std::uint32_t, Entry>>& entries) {
    int bits = 4;
    while ((std::size_t{1} << bits) < entries.size() * 2)
        ++bits;
    m_shift = 32 - bits;
    m_mask = (1U << bits) - 1;
    m_slots.assign(std::size_t{1} << bits, 0);
    for (const auto& [key, e] : entries) {
        if (key == 0) throw ModelError("a lexicon key is zero");
        if ((e.tags & ~kTagMask) != 0 || e.only < -1 || e.only >= static_cast<int>(kUposCount))
            throw ModelError("a lexicon tag is out of range");
        std::uint32_t i = (key * 0x9E3779B1U) >> m_shift;
        while (m_slots[i] != 0) {
            if (static_cast<std::uint32_t>(m_slots[i] >> 32) == key)
                throw ModelError("a lexicon word appears twice");
            i = (i + 1) & m_mask;
        }
        m_slots[i] = static_cast<std::uint64_t>(key) << 32 |
                     static_cast<std::uint64_t>(e.only + 1) << 24 | e.tags;
        ++m_size;
    }
}

void Lexicon::write(ByteWriter& out) const {
    std::vector<std::uint64_t> slots;
    for (std::uint64_t s : m_slots)
        if (s != 0) slots.push_back(s);
    std::sort(slots.begin(), slots.end());
    out.u32(static_cast<std::uint32_t>(slots.size()));
    for (std::uint64_t s : slots) {
        out.u32(static_cast<std::uint32_t>(s >> 32));
        out.u32(static_cast<std::uint32_t>(s));
    }
}

Lexicon Lexicon::read(ByteReader& in) {
    const std::uint32_t count = in.u32();
    in.need(std::size_t{count} * 8);
    std::vector<std::pair<std::uint32_t, Entry>> entries(count);
    for (auto& [key, e] : entries) {
        key = in.u32();
        const std::uint32_t v = in.u32();
        if ((v >> 24) > kUposCount) throw ModelError("a lexicon tag is out of range");
        e.tags = v & 0xFFFFFFU;
        e.only = static_cast<int>(v >> 24) - 1;
    }
    return Lexicon(entries);
}

void Tagger::tag(const Lexeme* lex, std::size_t n, Upos* out) const {
    // Most features of a word do not depend on the tags before it: those of the next word
    // are computed, and their weights fetched, while this word is scored, so the fetches
    // overlap with the work instead of stalling it.
    std::uint32_t features[2][kTaggerFeatureCount] = {};
    std::int32_t scores[kUposCount];
    std::uint32_t prev1 = kTagStart;
    std::uint32_t prev2 = kTagStart;
    Window window(m_lexicon, lex, n);
    Window ahead(m_lexicon, lex, n);
    ahead.moveTo(0);
    if (n > 0 && ahead.only < 0) taggerContextFeatures(lex, n, 0, ahead.context, features[0]);
    for (std::size_t i = 0; i < n; ++i) {
        window.moveTo(i);
        std::uint32_t* mine = features[i & 1];
        if (i + 1 < n) {
            ahead.moveTo(i + 1);
            if (ahead.only < 0) {
                std::uint32_t* next = features[(i + 1) & 1];
                taggerContextFeatures(lex, n, i + 1, ahead.context, next);
                m_weights.prefetch(next, kTaggerFeatureCount);
            }
        }
        int best = window.only;
        if (best < 0) {
            taggerHistoryFeatures(lex, n, i, prev1, prev2, window.context, mine);
            std::fill(scores, scores + kUposCount, 0);
            m_weights.addAll(mine, kTaggerFeatureCount, scores);
            best = 0;
            for (std::size_t c = 1; c < kUposCount; ++c)
                if (scores[c] > scores[best]) best = static_cast<int>(c);
        }
        out[i] = static_cast<Upos>(best);
        prev2 = prev1;
        prev1 = static_cast<std::uint32_t>(best);
    }
}

} // namespace qm::grammar
