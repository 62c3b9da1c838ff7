#include "core/index/IndexTree.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using qm::IndexNode;
using Nodes = std::vector<IndexNode>;

// The tree built the straightforward way: the index file's lines in one list, letter lines and
// cut references inserted into it, then one node per line. The bound of the search for the
// place of a long reference runs to the end of the list, so that the last word of a file gets
// its references in the same order as every other word.
Nodes insertBased(std::string_view bytes) {
    qm::Lines list;
    for (auto& l : qm::splitLines(bytes)) {
        if (!l.empty()) list.push_back(l);
    }
    char previous = ' ';
    for (std::size_t x = 0; x < list.size(); ++x) {
        if (qm::toLowerAscii(list[x][0]) != qm::toLowerAscii(previous)) {
            list.insert(list.begin() + static_cast<long>(x),
                        std::string(1, qm::toLowerAscii(list[x][0])));
            previous = list[x + 1][0];
            ++x;
        }
    }
    std::size_t j = 0;
    while (j < list.size()) {
        const std::size_t n = list[j].size();
        if (n > 10 && list[j][n - 10] == '|') {
            std::string cut = list[j].substr(n - 10);
            list[j].resize(n - 10);
            list.insert(list.begin() + static_cast<long>(j + 1), cut);
        } else if (n >= 12 && list[j][n - 11] == '|') {
            std::string cut = list[j].substr(n - 11);
            list[j].resize(n - 11);
            std::size_t k = j + 1;
            while (k < list.size() && list[k][0] == '|' && list[k].size() < 11)
                ++k;
            list.insert(list.begin() + static_cast<long>(k), cut);
        } else {
            ++j;
        }
    }
    list.insert(list.begin(), "Index");
    Nodes nodes{{"Index", 0, -1}};
    int lastLetter = -1, lastWord = -1;
    for (std::size_t x = 1; x < list.size(); ++x) {
        const std::string& line = list[x];
        int level = line.size() == 1 ? 1 : 2;
        std::string text = line;
        if (line[0] == '|') {
            level = 3;
            text = "  " + (line.size() > 5 ? line.substr(5) : "");
        }
        const int parent = level == 1 ? 0 : level == 2 ? lastLetter : lastWord;
        if (level == 1) lastLetter = static_cast<int>(nodes.size());
        if (level == 2) lastWord = static_cast<int>(nodes.size());
        nodes.push_back({text, level, parent});
    }
    return nodes;
}

std::string describe(const Nodes& nodes) {
    std::string out;
    for (const auto& n : nodes)
        out += std::to_string(n.level) + ":" + std::to_string(n.parent) + ":[" + n.text + "] ";
    return out;
}

void expectSameTree(const Nodes& actual, const Nodes& expected, const std::string& input) {
    bool same = actual.size() == expected.size();
    for (std::size_t i = 0; same && i < actual.size(); ++i) {
        same = actual[i].text == expected[i].text && actual[i].level == expected[i].level &&
               actual[i].parent == expected[i].parent;
    }
    EXPECT_TRUE(same) << "input: " << input << "\nactual:   " << describe(actual)
                      << "\nexpected: " << describe(expected);
}

TEST(IndexTree, LettersWordsAndReferences) {
    struct Case {
        const char* name;
        const char* file;
        Nodes nodes;
    } cases[] = {
        {"short references come before long ones, whatever the order on the line",
         "alpha|xxxx012345|xxxx00042|zzzz00043\r\n",
         {{"Index", 0, -1},
          {"a", 1, 0},
          {"alpha", 2, 1},
          {"  00042", 3, 2},
          {"  00043", 3, 2},
          {"  012345", 3, 2}}},
        {"words differing in the case of their first letter share a lower-case letter",
         "Apple|abcd00001\napple|abcd00002\nBee|abcd 0003\n",
         {{"Index", 0, -1},
          {"a", 1, 0},
          {"Apple", 2, 1},
          {"  00001", 3, 2},
          {"apple", 2, 1},
          {"  00002", 3, 4},
          {"b", 1, 0},
          {"Bee", 2, 6},
          {"   0003", 3, 7}}},
        {"a one-letter word is a letter node and its references join the word before",
         "apple|abcd00001\rb|abcd00002\rbee|abcd00003",
         {{"Index", 0, -1},
          {"a", 1, 0},
          {"apple", 2, 1},
          {"  00001", 3, 2},
          {"b", 1, 0},
          {"b", 1, 0},
          {"  00002", 3, 2},
          {"bee", 2, 5},
          {"  00003", 3, 7}}},
        {"a first line with a leading blank has no letter and stands at the top level",
         " zero|abcd00009\r\n\r\n\r\nzeta|abcd00010\r\n",
         {{"Index", 0, -1},
          {" zero", 2, -1},
          {"  00009", 3, 1},
          {"z", 1, 0},
          {"zeta", 2, 3},
          {"  00010", 3, 4}}},
        {"references of 9 and 12 characters stay part of the word",
         "cat|abcd0001\r\ncow|abcd0000001\r\n",
         {{"Index", 0, -1}, {"c", 1, 0}, {"cat|abcd0001", 2, 1}, {"cow|abcd0000001", 2, 1}}},
        {"a bar line is a reference, a bar alone one of two blanks",
         "|\r\n|abcdxyzzy\r\n",
         {{"Index", 0, -1}, {"  ", 3, -1}, {"  ", 3, -1}, {"  xyzzy", 3, -1}}},
        {"the last word of the file keeps the order",
         "w|aaaa012345|bbbb00001",
         {{"Index", 0, -1}, {"w", 1, 0}, {"w", 1, 0}, {"  00001", 3, -1}, {"  012345", 3, -1}}},
        {"an empty file is only the root", "", {{"Index", 0, -1}}},
        {"empty lines are skipped", "\r\n\n\r", {{"Index", 0, -1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectSameTree(qm::buildIndexTree(c.file), c.nodes, c.file);
        expectSameTree(insertBased(c.file), c.nodes, c.file);
    }
}

TEST(IndexTree, LongReferencesGoAfterFollowingBarLines) {
    // The place of a long reference is after every following line that looks like a short
    // one, even the letter line and line of the next word.
    const std::string file = "sea|abcd012345\r\n|abcdxyzzy\r\n";
    expectSameTree(qm::buildIndexTree(file), insertBased(file), file);
    const Nodes nodes = qm::buildIndexTree(file);
    ASSERT_EQ(nodes.size(), 6u);
    EXPECT_EQ(nodes[5].text, "  012345");
}

// Random index files from pieces that exercise every rule: references of both lengths and of
// wrong lengths, bars in fillers and words, one-letter words, bar lines, leading blanks,
// empty lines, every line end.
std::string randomFile(std::mt19937& rng) {
    auto pick = [&](std::string_view chars) { return chars[rng() % chars.size()]; };
    auto word = [&] {
        std::string w;
        const int n = static_cast<int>(rng() % 5);
        for (int i = 0; i < n; ++i)
            w += pick("aAbBzZ |1\x80");
        return w;
    };
    std::string file;
    const int lines = static_cast<int>(rng() % 12);
    for (int l = 0; l < lines; ++l) {
        std::string line = word();
        const int refs = static_cast<int>(rng() % 5);
        for (int r = 0; r < refs; ++r) {
            const std::size_t len = 9 + rng() % 4; // 9 to 12 characters after the bar
            line += '|';
            for (std::size_t i = 0; i < len; ++i)
                line += pick("0123456789 |x");
        }
        if (rng() % 8 == 0) line = std::string(rng() % 14, '|');
        file += line;
        file += (rng() % 3 == 0) ? "\r\n" : (rng() % 2 ? "\n" : "\r");
    }
    return file;
}

TEST(IndexTree, SameTreeAsInsertingIntoTheLineList) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 4000; ++round) {
        const std::string file = randomFile(rng);
        const Nodes nodes = qm::buildIndexTree(file);
        expectSameTree(nodes, insertBased(file), file);
        for (std::size_t i = 0; i < nodes.size(); ++i)
            ASSERT_LT(nodes[i].parent, static_cast<int>(i));
        if (HasFailure()) break;
    }
}

TEST(IndexTree, FirstSelectableNodeIsTheSecondInDisplayOrder) {
    EXPECT_FALSE(qm::firstSelectableIndexNode(qm::buildIndexTree("")));
    EXPECT_EQ(qm::firstSelectableIndexNode(qm::buildIndexTree("ant|abcd00001")), 1);
    // Top-level word nodes added before the first letter come after the root's subtree.
    EXPECT_EQ(qm::firstSelectableIndexNode(qm::buildIndexTree(" x|abcd00001\nant|abcd00002")), 3);
    EXPECT_EQ(qm::firstSelectableIndexNode(qm::buildIndexTree(" x|abcd00001")), 1);
}

} // namespace
