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

void taggerFeatures(const Lexeme* lex, std::size_t n, std::size_t i, std::uint32_t prev1,
                    std::uint32_t prev2, std::uint32_t* out) {
    const Lexeme& w = lex[i];
    const Lexeme& wm1 = i >= 1 ? lex[i - 1] : kBefore;
    const Lexeme& wm2 = i >= 2 ? lex[i - 2] : kBefore;
    const Lexeme& wp1 = i + 1 < n ? lex[i + 1] : kAfter;
    const Lexeme& wp2 = i + 2 < n ? lex[i + 2] : kAfter;
    std::uint32_t k = 0;
    out[k++] = feature(0, 0);
    out[k++] = feature(1, w.word);
    for (std::uint32_t s = 0; s < 4; ++s)
        out[k++] = feature(2 + s, w.suffix[s]);
    for (std::uint32_t p = 0; p < 3; ++p)
        out[k++] = feature(6 + p, w.prefix[p]);
    out[k++] = feature(9, w.shape);
    out[k++] = feature(10, prev1);
    out[k++] = feature(11, prev2, prev1);
    out[k++] = feature(12, prev1, w.word);
    out[k++] = feature(13, wm1.word);
    out[k++] = feature(14, wm1.word, w.word);
    out[k++] = feature(15, wm1.suffix[2]);
    out[k++] = feature(16, wm2.word);
    out[k++] = feature(17, wp1.word);
    out[k++] = feature(18, w.word, wp1.word);
    out[k++] = feature(19, wp1.suffix[2]);
    out[k++] = feature(20, wp2.word);
    out[k++] = feature(21, wp1.shape);
    out[k++] = feature(22, prev1, w.suffix[2]);
    out[k++] = feature(23, wm1.word, wp1.word);
    out[k++] = feature(24, prev1, wp1.word);
    out[k++] = feature(25, i == 0 ? 1 : 0, w.shape);
}

TagDictionary::TagDictionary(const std::vector<std::pair<std::uint32_t, Upos>>& entries) {
    int bits = 4;
    while ((std::size_t{1} << bits) < entries.size() * 2)
        ++bits;
    m_shift = 32 - bits;
    m_mask = (1U << bits) - 1;
    m_slots.assign(std::size_t{1} << bits, 0);
    for (const auto& [key, tag] : entries) {
        if (key == 0) throw ModelError("a dictionary key is zero");
        if (static_cast<std::size_t>(tag) >= kUposCount) throw ModelError("a tag is out of range");
        std::uint32_t i = (key * 0x9E3779B1U) >> m_shift;
        while (m_slots[i] != 0) {
            if (static_cast<std::uint32_t>(m_slots[i] >> 8) == key)
                throw ModelError("a dictionary word appears twice");
            i = (i + 1) & m_mask;
        }
        m_slots[i] = static_cast<std::uint64_t>(key) << 8 | static_cast<std::uint64_t>(tag);
        ++m_size;
    }
}

void TagDictionary::write(ByteWriter& out) const {
    std::vector<std::uint64_t> slots;
    for (std::uint64_t s : m_slots)
        if (s != 0) slots.push_back(s);
    std::sort(slots.begin(), slots.end());
    out.u32(static_cast<std::uint32_t>(slots.size()));
    for (std::uint64_t s : slots) {
        out.u32(static_cast<std::uint32_t>(s >> 8));
        out.u8(static_cast<std::uint8_t>(s & 0xFF));
    }
}

TagDictionary TagDictionary::read(ByteReader& in) {
    const std::uint32_t count = in.u32();
    in.need(std::size_t{count} * 5);
    std::vector<std::pair<std::uint32_t, Upos>> entries(count);
    for (auto& [key, tag] : entries) {
        key = in.u32();
        const std::uint8_t t = in.u8();
        if (t >= kUposCount) throw ModelError("a tag is out of range");
        tag = static_cast<Upos>(t);
    }
    return TagDictionary(entries);
}

void Tagger::tag(const Lexeme* lex, std::size_t n, Upos* out) const {
    std::uint32_t features[kTaggerFeatureCount];
    std::int32_t scores[kUposCount];
    std::uint32_t prev1 = kTagStart;
    std::uint32_t prev2 = kTagStart;
    for (std::size_t i = 0; i < n; ++i) {
        int best = m_dictionary.find(wordKey(lex[i]));
        if (best < 0) {
            taggerFeatures(lex, n, i, prev1, prev2, features);
            std::fill(scores, scores + kUposCount, 0);
            for (std::uint32_t f : features)
                m_weights.addTo(f, scores);
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
