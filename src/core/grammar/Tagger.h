#pragma once
// The part-of-speech tagger: a greedy left-to-right averaged perceptron over word, affix,
// shape and context features, with a dictionary for frequent words that always take one tag.
#include "core/grammar/Lexeme.h"
#include "core/grammar/Parse.h"
#include "core/grammar/WeightTable.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace qm::grammar {

inline constexpr std::size_t kTaggerFeatureCount = 26;
// Tags before the first word, as the context features see them.
inline constexpr std::uint32_t kTagStart = kUposCount;

// Feature keys of word i given the two tags before it; fills out[0, kTaggerFeatureCount).
void taggerFeatures(const Lexeme* lex, std::size_t n, std::size_t i, std::uint32_t prev1,
                    std::uint32_t prev2, std::uint32_t* out);

// Words (by wordKey) that take a single tag.
class TagDictionary {
public:
    TagDictionary() = default;
    explicit TagDictionary(const std::vector<std::pair<std::uint32_t, Upos>>& entries);

    // The word's tag, or -1 when it has none.
    int find(std::uint32_t key) const {
        if (m_slots.empty()) return -1;
        std::uint32_t i = (key * 0x9E3779B1U) >> m_shift;
        for (;;) {
            const std::uint64_t s = m_slots[i];
            if (s == 0) return -1;
            if (static_cast<std::uint32_t>(s >> 8) == key) return static_cast<int>(s & 0xFF);
            i = (i + 1) & m_mask;
        }
    }
    std::size_t size() const { return m_size; }

    void write(ByteWriter& out) const;
    static TagDictionary read(ByteReader& in);

private:
    std::vector<std::uint64_t> m_slots; // key << 8 | tag
    std::uint32_t m_mask = 0;
    int m_shift = 32;
    std::size_t m_size = 0;
};

class Tagger {
public:
    Tagger() = default;
    Tagger(WeightTable weights, TagDictionary dictionary)
        : m_weights(std::move(weights))
        , m_dictionary(std::move(dictionary)) {}

    // Tags n words.
    void tag(const Lexeme* lex, std::size_t n, Upos* out) const;

    const WeightTable& weights() const { return m_weights; }
    const TagDictionary& dictionary() const { return m_dictionary; }

private:
    WeightTable m_weights;
    TagDictionary m_dictionary;
};

} // namespace qm::grammar
