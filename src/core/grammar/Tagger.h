#pragma once
// The part-of-speech tagger: a greedy left-to-right averaged perceptron over word, affix,
// shape and context features and the ambiguity classes of the words around, with a lexicon
// that also gives frequent words that always take one tag their tag outright.
#include "core/grammar/HugePages.h"
#include "core/grammar/Lexeme.h"
#include "core/grammar/Parse.h"
#include "core/grammar/WeightTable.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace qm::grammar {

inline constexpr std::size_t kTaggerFeatureCount = 38;
// Tags before the first word, as the context features see them.
inline constexpr std::uint32_t kTagStart = kUposCount;

// What the training data said of a word (by wordKey): the tags it was seen with, as a bit
// mask (its ambiguity class), and the one tag it always takes when it is frequent and
// unambiguous.
class Lexicon {
public:
    struct Entry {
        std::uint32_t tags = 0; // bit t set: seen as Upos t
        int only = -1;          // the tag it always takes, or -1
    };

    Lexicon() = default;
    explicit Lexicon(const std::vector<std::pair<std::uint32_t, Entry>>& entries);

    Entry find(std::uint32_t key) const {
        Entry e;
        if (m_slots.empty()) return e;
        std::uint32_t i = (key * 0x9E3779B1U) >> m_shift;
        for (;;) {
            const std::uint64_t s = m_slots[i];
            if (s == 0) return e;
            if (static_cast<std::uint32_t>(s >> 32) == key) {
                e.tags = static_cast<std::uint32_t>(s) & kTagMask;
                e.only = static_cast<int>((s >> 24) & 0xFF) - 1;
                return e;
            }
            i = (i + 1) & m_mask;
        }
    }
    std::size_t size() const { return m_size; }

    void write(ByteWriter& out) const;
    static Lexicon read(ByteReader& in);

private:
    static constexpr std::uint32_t kTagMask = (1U << kUposCount) - 1;
    // key << 32 | (only + 1) << 24 | tags
    std::vector<std::uint64_t, HugePageAllocator<std::uint64_t>> m_slots;
    std::uint32_t m_mask = 0;
    int m_shift = 32;
    std::size_t m_size = 0;
};

// Ambiguity classes of the words around the one being tagged.
struct TagContext {
    std::uint32_t before = 0, here = 0, next = 0, afterNext = 0;
};

// Feature keys of word i given the two tags before it; fills out[0, kTaggerFeatureCount).
// They are the context features, which do not depend on those tags, and the history features,
// which do; each of the two fills its own places in out.
void taggerContextFeatures(const Lexeme* lex, std::size_t n, std::size_t i,
                           const TagContext& context, std::uint32_t* out);
void taggerHistoryFeatures(const Lexeme* lex, std::size_t n, std::size_t i, std::uint32_t prev1,
                           std::uint32_t prev2, const TagContext& context, std::uint32_t* out);
void taggerFeatures(const Lexeme* lex, std::size_t n, std::size_t i, std::uint32_t prev1,
                    std::uint32_t prev2, const TagContext& context, std::uint32_t* out);

// Walks a sentence word by word keeping the ambiguity classes of the words around.
class Window {
public:
    static constexpr std::uint32_t kNoWord = 1U << 31;
    Window(const Lexicon& lexicon, const Lexeme* lex, std::size_t n);
    void moveTo(std::size_t i);

    TagContext context;
    int only = -1; // the tag the lexicon gives the current word outright, or -1

private:
    Lexicon::Entry look(std::size_t i) const;
    const Lexicon& m_lexicon;
    const Lexeme* m_lex;
    std::size_t m_n;
    Lexicon::Entry m_ahead[2]; // words i and i + 1 before moveTo(i)
};

class Tagger {
public:
    // A tagger with no weights.
    Tagger()
        : m_weights(kUposCount, 1.0F, {}) {}
    Tagger(WeightTable weights, Lexicon lexicon)
        : m_weights(std::move(weights))
        , m_lexicon(std::move(lexicon)) {}

    // Tags n words.
    void tag(const Lexeme* lex, std::size_t n, Upos* out) const;

    const WeightTable& weights() const { return m_weights; }
    const Lexicon& lexicon() const { return m_lexicon; }

private:
    WeightTable m_weights;
    Lexicon m_lexicon;
};

} // namespace qm::grammar
