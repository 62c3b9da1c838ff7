#pragma once
// The arc-hybrid transition system the parser runs. The stack holds words waiting for their
// head; the buffer is the rest of the sentence followed by a root token. Shift moves the next
// word onto the stack; Left makes the next word the head of the stack's top and pops it;
// Right makes the word below the top its head and pops it. A sentence of n words takes 2n
// moves. The state keeps what the features look at: children at both ends, valencies and the
// sets of relations on each side.
#include "core/grammar/Lexeme.h"
#include "core/grammar/Parse.h"

#include <cstdint>
#include <vector>

namespace qm::grammar {

enum class Move : std::uint8_t { Shift, Left, Right };

inline constexpr std::uint32_t kMoveCount = 3;
inline constexpr std::size_t kMoveFeatureCount = 102;

// The tokens some move features read one at a time: the stack's top three, the buffer's first
// four and the children at their edges. Those features of a token do not change while it
// holds its role, so a parser may score them once per token and role.
enum class Role : std::uint8_t {
    S0,
    S1,
    S2,
    N0,
    N1,
    N2,
    N3,
    S0L1,
    S0R1,
    N0L1,
    S1R1,
    S0L2,
    S0R2,
    N0L2
};
inline constexpr std::size_t kRoleCount = 14;
inline constexpr std::size_t kMaxRoleFeatures = 5;
// The move features whose values are all small numbers (tags, distance buckets, valencies): a
// parser may keep their weights in flat tables indexed by the values. A template's values
// are below its sizes (an unused third value is 0, its size 1).
inline constexpr std::uint32_t kTags = kUposCount + 2; // the tags, "no token", the root
inline constexpr std::uint32_t kDistances = 7;
inline constexpr std::uint32_t kCounts = 16;
struct SmallTemplate {
    std::uint32_t id;
    std::uint32_t arity;
    std::uint32_t size[3];
};
inline constexpr std::size_t kSmallFeatureCount = 28;
extern const SmallTemplate kSmallTemplates[kSmallFeatureCount];
// The feature key of a small template's values.
std::uint32_t smallFeatureKey(const SmallTemplate& t, const std::uint32_t* values);
// The other move features: those that read a word or a set of relations of more than one
// token.
inline constexpr std::size_t kPairFeatureCount = 31;
inline constexpr std::size_t kLabelFeatureCount = 26;

class ParseState {
public:
    static constexpr std::int32_t kNone = -1;

    // Starts on a sentence of n words; capacity is kept between sentences.
    void reset(std::size_t n);

    bool done() const { return m_stack.empty() && m_next == m_n; }
    bool valid(Move m) const;
    // Whether Left would attach the stack's top to the root token (its relation is Root;
    // no other arc takes Root).
    bool leftToRoot() const { return m_next == m_n; }
    // Applies a move; Left and Right attach with the given relation.
    void apply(Move m, Rel label);

    // Feature keys for choosing the next move; fills out[0, kMoveFeatureCount). They are the
    // role features of every role's token, the small features' keys and the pair features.
    void moveFeatures(const Lexeme* lex, const Upos* tags, std::uint32_t* out) const;
    // The token in each role (kNone, or size() for the root token); fills out[0, kRoleCount).
    void roleTokens(std::int32_t* out) const;
    // Feature keys of `token` in `role`; fills out and returns how many (at most
    // kMaxRoleFeatures).
    std::size_t roleFeatures(Role role, std::int32_t token, const Lexeme* lex, const Upos* tags,
                             std::uint32_t* out) const;
    // The values of the small templates, three per template; fills out[0, 3 *
    // kSmallFeatureCount).
    void smallValues(const Upos* tags, std::uint32_t* out) const;
    // Fills out[0, kPairFeatureCount).
    void pairFeatures(const Lexeme* lex, const Upos* tags, std::uint32_t* out) const;
    // Feature keys for choosing the relation of the arc that Left or Right would make; fills
    // out[0, kLabelFeatureCount).
    void labelFeatures(Move m, const Lexeme* lex, const Upos* tags, std::uint32_t* out) const;

    std::size_t size() const { return m_n; }
    std::size_t next() const { return m_next; }
    const std::vector<std::int32_t>& stack() const { return m_stack; }
    // Head of word i: another word, m_n for the root, kNone while unattached.
    std::int32_t head(std::size_t i) const { return m_head[i]; }
    Rel label(std::size_t i) const { return static_cast<Rel>(m_label[i]); }

private:
    friend struct StateView;
    template <Move m>
    void labelFeaturesOf(const Lexeme* lex, const Upos* tags, std::uint32_t* out) const;
    std::int32_t stackAt(std::size_t depth) const {
        return depth < m_stack.size() ? m_stack[m_stack.size() - 1 - depth] : kNone;
    }

    std::size_t m_n = 0;
    std::size_t m_next = 0;
    std::vector<std::int32_t> m_stack;
    std::vector<std::int32_t> m_head;
    std::vector<std::uint8_t> m_label;
    std::vector<std::int32_t> m_left1, m_left2, m_right1, m_right2;
    std::vector<std::uint8_t> m_leftCount, m_rightCount;
    std::vector<std::uint64_t> m_leftLabels, m_rightLabels;
};

} // namespace qm::grammar
