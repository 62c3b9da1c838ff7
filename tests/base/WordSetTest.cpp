#include "core/base/WordSet.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// `count` distinct words of `size` letters, spelt from their number so none repeats.
std::vector<std::string> distinctWords(std::size_t count, std::size_t size) {
    std::vector<std::string> words;
    for (std::size_t n = 0; n < count; ++n) {
        std::string w(size, 'a');
        for (std::size_t i = 0, v = n; v != 0 && i < size; ++i, v /= 26)
            w[i] = static_cast<char>('a' + v % 26);
        words.push_back(std::move(w));
    }
    return words;
}

struct SetCase {
    const char* name;
    std::vector<std::string> inserted; // in order, repeats included
};

// Every member comes back with the number it was given, its bytes intact, whether it sits
// in a block with others, across the blocks' ends, or in a block of its own.
TEST(WordSet, MembersNumberedInOrderAndReadBackWhole) {
    std::vector<std::string> manyBlocks = distinctWords(5000, 40); // 200 KB: several blocks
    manyBlocks.push_back(manyBlocks[17]);
    const std::vector<SetCase> cases = {
        {"repeats and letter case", {"apple", "pear", "apple", "Apple", "pear", ""}},
        {"across blocks", manyBlocks},
        {"longer than a block",
         {"ant", std::string(70'000, 'x'), "bee", std::string(70'000, 'y'),
          std::string(70'000, 'x'), "ant"}},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.name);
        qm::WordSet set;
        qm::WordHashSet hashes; // the same words, held as their hashes only
        std::map<std::string, std::uint32_t> expected;
        std::size_t bytes = 0;
        for (const std::string& w : c.inserted) {
            const auto [n, isNew] = set.insert(w);
            const auto [at, firstTime] = expected.emplace(w, expected.size());
            EXPECT_EQ(isNew, firstTime) << w.substr(0, 20);
            EXPECT_EQ(hashes.insert(w), firstTime) << w.substr(0, 20);
            EXPECT_EQ(n, at->second) << w.substr(0, 20);
            if (firstTime) bytes += w.size();
        }
        EXPECT_EQ(set.size(), expected.size());
        EXPECT_EQ(set.memberBytes(), bytes);
        EXPECT_EQ(set.find("absent-word"), qm::WordSet::kNone);
        EXPECT_EQ(set.count("absent-word"), 0u);
        EXPECT_EQ(hashes.count("absent-word"), 0u);
        EXPECT_EQ(hashes.size(), expected.size());
        for (const auto& [w, n] : expected) {
            EXPECT_EQ(set.find(w), n);
            EXPECT_EQ(set.count(w), 1u);
            EXPECT_EQ(hashes.count(w), 1u);
            EXPECT_EQ(set.at(n), w);
        }
        // Without the lookup table the members still read back by number.
        set.dropLookup();
        for (const auto& [w, n] : expected)
            ASSERT_EQ(set.at(n), w);
    }
}

// A member costs its bytes and a bounded number of bytes more, however many there are: the
// blocks are filled before another is taken and the table grows by doubling.
TEST(WordSet, HeldBytesGrowWithTheMembersBytes) {
    for (const std::size_t count : {1'000u, 20'000u, 100'000u}) {
        SCOPED_TRACE(count);
        qm::WordSet set;
        for (const std::string& w : distinctWords(count, 32))
            set.insert(w);
        ASSERT_EQ(set.size(), count);
        EXPECT_LE(set.heldBytes(), set.memberBytes() + 40 * count + (64u << 10));
    }
}

} // namespace
