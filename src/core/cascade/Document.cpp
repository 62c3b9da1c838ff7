#include "core/cascade/Document.h"

#include <algorithm>
#include <numeric>

namespace qm::cascade {

namespace {

constexpr unsigned kKindBits = 3;
constexpr unsigned kKindMask = (1u << kKindBits) - 1;

} // namespace

BlockList::BlockList(std::initializer_list<Block> blocks) {
    for (const Block& b : blocks)
        push_back(b);
}

BlockView BlockList::operator[](std::size_t i) const {
    const unsigned packed = m_kinds[i];
    return {static_cast<BlockKind>(packed & kKindMask), static_cast<int>(packed >> kKindBits),
            m_texts[i]};
}

void BlockList::add(BlockKind kind, int level, std::string_view text) {
    const auto clamped = static_cast<unsigned>(std::clamp(level, 0, kMaxLevel));
    m_texts.push_back(text);
    m_kinds.push_back(
        static_cast<std::uint8_t>(clamped << kKindBits | static_cast<unsigned>(kind)));
    m_textBytes += text.size();
}

void BlockList::setKind(std::size_t i, BlockKind kind) {
    m_kinds[i] = static_cast<std::uint8_t>((m_kinds[i] & ~kKindMask) | static_cast<unsigned>(kind));
}

void BlockList::erase(std::size_t from, std::size_t to) {
    to = std::min(to, size());
    if (from >= to) return;
    keepIf([from, to](std::size_t i) { return i < from || i >= to; });
}

void BlockList::keepIf(const std::function<bool(std::size_t)>& keep) {
    std::size_t kept = 0;
    std::size_t bytes = 0;
    m_texts.keepIf([&](std::size_t i) {
        if (!keep(i)) return false;
        bytes += m_texts[i].size();
        m_kinds[kept++] = m_kinds[i];
        return true;
    });
    m_kinds.resize(kept);
    m_textBytes = bytes;
}

std::vector<std::uint32_t> chaptersInBlockOrder(const ChapterList& chapters) {
    std::vector<std::uint32_t> order(chapters.size());
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    const auto byBlock = [&](std::uint32_t a, std::uint32_t b) {
        return chapters[a].block < chapters[b].block;
    };
    if (!std::is_sorted(order.begin(), order.end(), byBlock))
        std::stable_sort(order.begin(), order.end(), byBlock);
    return order;
}

void BlockList::clear() {
    m_texts.clear();
    std::vector<std::uint8_t>().swap(m_kinds);
    m_textBytes = 0;
}

} // namespace qm::cascade
