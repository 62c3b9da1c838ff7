// The questions about a parse that the repairs, the layout and its measurement share: is it a
// tree, the clause depths, the tight units.
#include "core/cascade/ParseTree.h"
#include "TreeNotation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qm {
namespace {

TEST(ParseTree, TellsTreesFromOtherGraphs) {
    struct Case {
        const char* what;
        std::vector<std::uint32_t> heads;
        bool tree;
    };
    const Case cases[] = {
        {"a chain", {2, 3, 0}, true},
        {"a star", {0, 1, 1, 1}, true},
        {"no root", {2, 1}, false},
        {"two roots", {0, 1, 0}, false},
        {"a cycle below the root", {0, 3, 4, 2}, false},
        {"a word its own head", {0, 2}, false},
        {"a head past the end", {0, 5}, false},
        {"empty", {}, false},
    };
    for (const Case& c : cases) {
        grammar::Sentence s(c.heads.size());
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i].head = c.heads[i];
        EXPECT_EQ(cascade::isTree(s), c.tree) << c.what;
    }
}

TEST(ParseTree, ClauseDepthLinesUpCoordinatedItems) {
    const test::Tree t =
        test::tree("She/PRON/nsubj/2 sang/VERB/root/0 and/CCONJ/cc/4 danced/VERB/conj/2 "
                   "in/ADP/case/6 rooms/NOUN/obl/4");
    std::vector<int> clause, all;
    cascade::wordDepths(t.words, false, clause);
    cascade::wordDepths(t.words, true, all);
    EXPECT_EQ(clause, (std::vector<int>{1, 0, 1, 0, 2, 1}));
    EXPECT_EQ(all, (std::vector<int>{1, 0, 2, 1, 3, 2}));
}

// Each case marks with "|" the gaps that lie inside a unit that never breaks.
TEST(ParseTree, TightGapsAreTheUnitsThatNeverBreak) {
    struct Case {
        const char* notation;
        const char* gaps; // one character per gap between words: '|' tight, '.' free
    };
    const Case cases[] = {
        // a base noun phrase; auxiliaries and adverbs inside the verb group; case + first word
        {"The/DET/det/4 old/ADJ/amod/4 tin/NOUN/compound/4 soldier/NOUN/nsubj:pass/9 "
         "had/AUX/aux/9 never/ADV/advmod/9 once/ADV/advmod/9 been/AUX/aux:pass/9 "
         "seen/VERB/root/0 by/ADP/case/11 anyone/PRON/obl:agent/9",
         "|||.||||.|"},
        // an auxiliary with its subject between is not one unit with its verb
        {"Did/AUX/aux/4 the/DET/det/3 soldier/NOUN/nsubj/4 see/VERB/root/0 her/PRON/obj/4", ".|.."},
        // "to" with its verb; a particle with its verb; a name; a number with its unit
        {"She/PRON/nsubj/2 wanted/VERB/root/0 to/PART/mark/4 pick/VERB/xcomp/2 "
         "up/ADP/compound:prt/4 Hans/PROPN/obj/4 Andersen/PROPN/flat/6 and/CCONJ/cc/10 "
         "ten/NUM/nummod/10 pounds/NOUN/conj/6",
         "..||.|..|"},
        // a possessive inside the noun phrase; a noun's phrase after it is free
        {"the/DET/det/2 king/NOUN/nmod:poss/4 ~'s/PART/case/2 daughter/NOUN/root/0 "
         "of/ADP/case/6 Spain/PROPN/nmod/4",
         "|||.|"},
    };
    for (const Case& c : cases) {
        const test::Tree t = test::tree(c.notation);
        std::vector<std::uint8_t> tight;
        cascade::tightGaps(t.text, t.words, tight);
        std::string marks;
        for (std::size_t i = 0; i + 1 < tight.size(); ++i)
            marks += tight[i] ? '|' : '.';
        EXPECT_EQ(marks, c.gaps) << t.text;
    }
}

} // namespace
} // namespace qm
