#pragma once
// A set of short strings held compactly, for sets that may grow to a million members: the
// members sit end to end in fixed blocks, each is numbered in the order it came, and an
// open-addressed table of those numbers finds them. A member costs its bytes and about
// twenty more, against a hundred for a hash set of strings.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

class WordSet {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    // The member's number, and whether it was new.
    std::pair<std::uint32_t, bool> insert(std::string_view word);
    // The member's number, or kNone.
    std::uint32_t find(std::string_view word) const;
    std::size_t count(std::string_view word) const { return find(word) == kNone ? 0 : 1; }
    // The member numbered `n` (numbers run from 0 in the order the members came).
    std::string_view at(std::uint32_t n) const;
    std::size_t size() const { return m_members.size(); }
    // The members' bytes, each member counted once.
    std::size_t memberBytes() const { return m_memberBytes; }
    // The bytes of the blocks, the member list and the table.
    std::size_t heldBytes() const;
    // Drops the table that finds members by their bytes; at() still works, find() does not.
    void dropLookup();

private:
    // Where a member is: an offset into the blocks taken end to end, or, for a member longer
    // than a block, the number of its own block.
    struct Member {
        std::uint32_t place;
        std::uint32_t size;
    };
    std::size_t slotOf(std::string_view word) const;
    void grow();

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<std::unique_ptr<char[]>> m_oversized;
    std::size_t m_blockUsed = 0;
    std::size_t m_oversizedBytes = 0;
    std::size_t m_memberBytes = 0;
    // In pieces, not one array: a doubled copy of the list would stand beside the old one.
    std::deque<Member> m_members;
    // A member's number + 1 per slot, 0 for a free slot; a power of two, at most half full.
    std::vector<std::uint32_t> m_slots;
};

// A set of words that is only asked whether it holds a word, held as the words' 64-bit hashes
// in an open-addressed table: eight to sixteen bytes a word however long the word, where a
// WordSet keeps the bytes too. Two words of one hash count as one, which among a text's
// words happens about once in ten million books of a million distinct words.
class WordHashSet {
public:
    // Whether the word was new.
    bool insert(std::string_view word);
    std::size_t count(std::string_view word) const;
    std::size_t size() const { return m_size; }

private:
    std::size_t slotOf(std::uint64_t hash) const;
    void grow();

    // A word's hash per slot, 0 for a free slot (a hash of 0 is taken as 1); a power of two,
    // at most half full.
    std::vector<std::uint64_t> m_slots;
    std::size_t m_size = 0;
};

} // namespace qm
