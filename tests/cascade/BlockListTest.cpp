// The document's block list: kinds, levels and texts read back as added, and removing blocks
// keeps the others in order with their texts.
#include "core/cascade/Document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

using cascade::Block;
using cascade::BlockKind;
using cascade::BlockList;

// Each block as "kind/level/text".
std::string shown(BlockKind kind, int level, std::string_view text) {
    return std::to_string(static_cast<int>(kind)) + "/" + std::to_string(level) + "/" +
           std::string(text);
}

std::vector<std::string> blocksOf(const BlockList& list) {
    std::vector<std::string> out;
    for (const cascade::BlockView b : list)
        out.push_back(shown(b.kind, b.level, b.text));
    return out;
}

TEST(BlockList, BlocksReadBackAsAddedAndRemovalsKeepTheRestInOrder) {
    const std::string longText(LineBuffer::kBlockSize + 5, 'w');
    const std::vector<Block> blocks = {
        {BlockKind::Heading, 1, "One"},     {BlockKind::Paragraph, 0, "Words here."},
        {BlockKind::SceneBreak, 0, ""},     {BlockKind::Verbatim, 0, "a\nb"},
        {BlockKind::Paragraph, 0, longText}, {BlockKind::Image, 0, ""},
        {BlockKind::Heading, 6, "Six"},
    };
    const struct {
        const char* what;
        std::vector<bool> keep;
    } cases[] = {
        {"all kept", {true, true, true, true, true, true, true}},
        {"the first and last gone", {false, true, true, true, true, true, false}},
        {"every other one", {true, false, true, false, true, false, true}},
        {"none kept", {false, false, false, false, false, false, false}},
    };
    for (const auto& c : cases) {
        BlockList list;
        for (const Block& b : blocks)
            list.push_back(b);
        list.keepIf([&](std::size_t i) { return c.keep[i]; });
        std::vector<std::string> expected;
        std::size_t bytes = 0;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (!c.keep[i]) continue;
            expected.push_back(shown(blocks[i].kind, blocks[i].level, blocks[i].text));
            bytes += blocks[i].text.size();
        }
        EXPECT_EQ(blocksOf(list), expected) << c.what;
        EXPECT_EQ(list.textBytes(), bytes) << c.what;
    }
}

TEST(BlockList, LevelsOutsideTheRangeAreClampedAndKindsKept) {
    const struct {
        BlockKind kind;
        int level;
        int stored;
    } cases[] = {
        {BlockKind::Heading, -4, 0},
        {BlockKind::Image, BlockList::kMaxLevel, BlockList::kMaxLevel},
        {BlockKind::Verbatim, BlockList::kMaxLevel + 1, BlockList::kMaxLevel},
        {BlockKind::Paragraph, 1000, BlockList::kMaxLevel},
    };
    for (const auto& c : cases) {
        BlockList list;
        list.add(c.kind, c.level, "x");
        EXPECT_EQ(list[0].kind, c.kind) << c.level;
        EXPECT_EQ(list[0].level, c.stored) << c.level;
    }
}

} // namespace
} // namespace qm
