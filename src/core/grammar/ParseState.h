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

inline constexpr std::uint32_t kParserClasses = 1 + 2 * kRelCount;
inline constexpr std::size_t kParserFeatureCount = 85;

inline std::uint32_t moveClass(Move m, Rel label) {
    if (m == Move::Shift) return 0;
    const auto l = static_cast<std::uint32_t>(label);
    return m == Move::Left ? 1 + l : 1 + static_cast<std::uint32_t>(kRelCount) + l;
}
inline Move classMove(std::uint32_t cls) {
    return cls == 0 ? Move::Shift : cls <= kRelCount ? Move::Left : Move::Right;
}
inline Rel classLabel(std::uint32_t cls) {
    return cls == 0 ? Rel::Dep : static_cast<Rel>((cls - 1) % kRelCount);
}

class ParseState {
public:
    static constexpr std::int32_t kNone = -1;

    // Starts on a sentence of n words; capacity is kept between sentences.
    void reset(std::size_t n);

    bool done() const { return m_stack.empty() && m_next == m_n; }
    bool valid(Move m) const;
    // Whether the labelled move is allowed: the root relation only to the root token, and
    // every other relation only between words.
    bool validClass(std::uint32_t cls) const;
    void apply(std::uint32_t cls);

    // Feature keys of the state; fills out[0, kParserFeatureCount).
    void features(const Lexeme* lex, const Upos* tags, std::uint32_t* out) const;

    std::size_t size() const { return m_n; }
    std::size_t next() const { return m_next; }
    const std::vector<std::int32_t>& stack() const { return m_stack; }
    // Head of word i: another word, m_n for the root, kNone while unattached.
    std::int32_t head(std::size_t i) const { return m_head[i]; }
    Rel label(std::size_t i) const { return static_cast<Rel>(m_label[i]); }

private:
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
