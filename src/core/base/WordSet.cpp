#include "core/base/WordSet.h"

#include <algorithm>
#include <functional>

namespace qm {

namespace {

// Members are copied into blocks of this size, so that a copy never moves as more arrive. A
// block is not cleared when made: its pages are touched only as members fill it, so a small
// set costs its members' bytes, not a block.
constexpr std::size_t kBlockBits = 16;
constexpr std::size_t kBlockBytes = std::size_t{1} << kBlockBits;
constexpr std::size_t kFirstSlots = 64;

} // namespace

std::string_view WordSet::at(std::uint32_t n) const {
    const Member& m = m_members[n];
    if (m.size > kBlockBytes) return {m_oversized[m.place].get(), m.size};
    return {m_blocks[m.place >> kBlockBits].get() + (m.place & (kBlockBytes - 1)), m.size};
}

std::size_t WordSet::slotOf(std::string_view word) const {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t s = std::hash<std::string_view>{}(word)&mask;
    while (m_slots[s] != 0 && at(m_slots[s] - 1) != word)
        s = (s + 1) & mask;
    return s;
}

std::uint32_t WordSet::find(std::string_view word) const {
    if (m_slots.empty()) return kNone;
    const std::uint32_t n = m_slots[slotOf(word)];
    return n == 0 ? kNone : n - 1;
}

void WordSet::grow() {
    std::vector<std::uint32_t>(std::max(kFirstSlots, m_slots.size() * 2), 0).swap(m_slots);
    for (std::uint32_t n = 0; n < m_members.size(); ++n)
        m_slots[slotOf(at(n))] = n + 1;
}

std::pair<std::uint32_t, bool> WordSet::insert(std::string_view word) {
    if (m_slots.empty()) grow();
    std::size_t slot = slotOf(word);
    if (m_slots[slot] != 0) return {m_slots[slot] - 1, false};

    Member m{0, static_cast<std::uint32_t>(word.size())};
    if (word.size() > kBlockBytes) {
        m.place = static_cast<std::uint32_t>(m_oversized.size());
        m_oversized.push_back(std::make_unique_for_overwrite<char[]>(word.size()));
        std::copy(word.begin(), word.end(), m_oversized.back().get());
        m_oversizedBytes += word.size();
    } else {
        if (m_blocks.empty() || kBlockBytes - m_blockUsed < word.size()) {
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
            m_blockUsed = 0;
        }
        m.place = static_cast<std::uint32_t>(((m_blocks.size() - 1) << kBlockBits) + m_blockUsed);
        std::copy(word.begin(), word.end(), m_blocks.back().get() + m_blockUsed);
        m_blockUsed += word.size();
    }
    m_memberBytes += word.size();
    m_members.push_back(m);
    const auto n = static_cast<std::uint32_t>(m_members.size() - 1);
    if (2 * m_members.size() > m_slots.size()) {
        grow();
        slot = slotOf(word);
    }
    m_slots[slot] = n + 1;
    return {n, true};
}

std::size_t WordSet::heldBytes() const {
    return m_blocks.size() * kBlockBytes + m_oversizedBytes + m_members.size() * sizeof(Member) +
           m_slots.capacity() * sizeof(std::uint32_t);
}

void WordSet::dropLookup() {
    std::vector<std::uint32_t>().swap(m_slots);
}

namespace {

std::uint64_t hashOf(std::string_view word) {
    const std::uint64_t h = std::hash<std::string_view>{}(word);
    return h == 0 ? 1 : h;
}

} // namespace

std::size_t WordHashSet::slotOf(std::uint64_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    // The low bits pick the slot; a hash whose low bits are alike runs on to the next.
    std::size_t s = static_cast<std::size_t>(hash) & mask;
    while (m_slots[s] != 0 && m_slots[s] != hash)
        s = (s + 1) & mask;
    return s;
}

void WordHashSet::grow() {
    std::vector<std::uint64_t> old(std::max(kFirstSlots, m_slots.size() * 2), 0);
    old.swap(m_slots);
    for (const std::uint64_t h : old)
        if (h != 0) m_slots[slotOf(h)] = h;
}

bool WordHashSet::insert(std::string_view word) {
    if (m_slots.empty()) grow();
    const std::uint64_t h = hashOf(word);
    std::size_t slot = slotOf(h);
    if (m_slots[slot] != 0) return false;
    if (2 * (m_size + 1) > m_slots.size()) {
        grow();
        slot = slotOf(h);
    }
    m_slots[slot] = h;
    ++m_size;
    return true;
}

std::size_t WordHashSet::count(std::string_view word) const {
    if (m_slots.empty()) return 0;
    return m_slots[slotOf(hashOf(word))] != 0 ? 1 : 0;
}

} // namespace qm
