// The tree questions the layout and its measurement share (is it a tree, depths, tight units)
// and the layout-quality figures on hand-made lines.
#include "core/cascade/LayoutQuality.h"
#include "TreeNotation.h"
#include "core/cascade/ParseLayout.h"
#include "core/cascade/ParseTree.h"
#include "core/cascade/Tokenizer.h"
#include "core/grammar/Conllu.h"
#include "core/port/FileSystem.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qm {
namespace {

using cascade::LayoutQuality;

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

// Parsers take an opening clause for the main one; the repair makes the clause after it the
// root, and leaves other trees alone.
TEST(ParseTree, OpeningClauseTakenForTheMainOneIsRerooted) {
    struct Case {
        const char* what;
        const char* notation;
        const char* root; // the root's word afterwards
        bool changed;
    };
    const Case cases[] = {
        {"main clause hung on a noun of the opening clause",
         "If/SCONJ/mark/3 there/PRON/expl/3 is/VERB/root/0 no/DET/det/5 male/NOUN/nsubj/3 "
         "they/PRON/nsubj/9 are/AUX/cop/9 probably/ADV/advmod/9 infertile/ADJ/acl:relcl/5",
         "infertile", true},
        {"main clause as a parataxis after a comma",
         "And/CCONJ/cc/4 when/SCONJ/mark/4 she/PRON/nsubj/4 came/VERB/root/0 ~,/PUNCT/punct/4 "
         "she/PRON/nsubj/7 ate/VERB/parataxis/4",
         "ate", true},
        {"a relative clause is no main clause",
         "If/SCONJ/mark/3 you/PRON/nsubj/3 want/VERB/root/0 an/DET/det/5 attorney/NOUN/obj/3 "
         "who/PRON/nsubj/8 will/AUX/aux/8 defend/VERB/acl:relcl/5 you/PRON/obj/8",
         "want", false},
        {"a coordinated clause stays in the opening clause",
         "If/SCONJ/mark/3 you/PRON/nsubj/3 look/VERB/root/0 and/CCONJ/cc/6 you/PRON/nsubj/6 "
         "see/VERB/conj/3",
         "look", false},
        {"no opening clause",
         "She/PRON/nsubj/2 came/VERB/root/0 because/SCONJ/mark/5 he/PRON/nsubj/5 "
         "called/VERB/advcl/2",
         "came", false},
        {"main clause hung on the comma: the tags find its subject and verb",
         "Even/ADV/advmod/5 if/SCONJ/mark/5 the/DET/det/4 leaders/NOUN/nsubj/5 "
         "remain/VERB/root/0 strong/ADJ/xcomp/5 ~,/PUNCT/punct/6 the/DET/det/10 "
         "festering/VERB/amod/10 struggle/NOUN/obj/7 remains/VERB/acl/10 ~./PUNCT/punct/5",
         "remains", true},
        {"a relative clause after the comma is no main clause",
         "If/SCONJ/mark/3 you/PRON/nsubj/3 want/VERB/root/0 help/NOUN/obj/3 ~,/PUNCT/punct/7 "
         "which/PRON/nsubj/7 helps/VERB/acl:relcl/4",
         "want", false},
        {"only a phrase after the comma",
         "When/SCONJ/mark/3 she/PRON/nsubj/3 came/VERB/root/0 ~,/PUNCT/punct/6 at/ADP/case/6 "
         "last/ADJ/obl/3",
         "came", false},
        {"an opening participle taken for the main verb",
         "Authorised/VERB/root/0 by/ADP/case/4 the/DET/det/4 king/NOUN/obl:agent/1 "
         "~,/PUNCT/punct/1 his/PRON/nmod:poss/8 army/NOUN/nsubj/8 launched/VERB/conj/4 "
         "new/ADJ/amod/10 attacks/NOUN/obj/8 ~./PUNCT/punct/1",
         "launched", true},
        {"a participle without a comma keeps its clauses",
         "Called/VERB/root/0 to/PART/mark/3 ask/VERB/xcomp/1 about/ADP/case/6 a/DET/det/6 "
         "product/NOUN/obl/3 I/PRON/nsubj/8 used/VERB/acl:relcl/6",
         "Called", false},
        {"a command after the comma",
         "If/SCONJ/mark/3 you/PRON/nsubj/3 want/VERB/root/0 help/NOUN/obj/3 ~,/PUNCT/punct/3 "
         "contact/VERB/acl/5 the/DET/det/8 office/NOUN/obj/6",
         "contact", true},
        {"a participle after the comma is no command",
         "When/SCONJ/mark/3 she/PRON/nsubj/3 came/VERB/root/0 home/ADV/advmod/3 ~,/PUNCT/punct/3 "
         "smiling/VERB/advcl/3 broadly/ADV/advmod/6",
         "came", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::Tree t = test::tree(c.notation);
        const bool changed = cascade::rerootOpeningClause(t.text, t.words);
        ASSERT_TRUE(cascade::isTree(t.words));
        std::string root;
        for (const grammar::Word& w : t.words) {
            if (w.head == 0) root = t.text.substr(w.begin, w.end - w.begin);
        }
        EXPECT_EQ(root, c.root);
        EXPECT_EQ(changed, c.changed);
    }
}

// The main clause's subject hung inside the opening clause comes back to the root; phrases
// that belong where the parse put them stay.
TEST(ParseTree, SubjectStrandedInTheOpeningClauseIsReattached) {
    const std::pair<const char*, const char*> cases[] = {
        // tree, the root's subject afterwards
        {"If/SCONJ/mark/3 they/PRON/nsubj/3 fail/VERB/advcl/13 to/PART/mark/5 end/VERB/xcomp/3 "
         "the/DET/det/7 war/NOUN/obj/5 ~,/PUNCT/punct/3 cells/NOUN/appos/7 of/ADP/case/11 "
         "radicals/NOUN/nmod/9 may/AUX/aux/13 grow/VERB/root/0 ~./PUNCT/punct/13",
         "cells"}, // an apposition across the comma
        {"After/SCONJ/mark/2 firing/VERB/advcl/9 this/DET/det/4 company/NOUN/obj/2 "
         "my/PRON/nmod:poss/8 next/ADJ/amod/8 pool/NOUN/compound/8 service/NOUN/nmod/4 "
         "found/VERB/root/0 the/DET/det/11 filters/NOUN/obj/9",
         "service"}, // a noun after the object without a preposition
        {"If/SCONJ/mark/3 you/PRON/nsubj/3 see/VERB/advcl/9 the/DET/det/5 man/NOUN/obj/3 "
         "in/ADP/case/8 the/DET/det/8 coat/NOUN/nmod/5 tell/VERB/root/0 him/PRON/obj/9",
         ""}, // an object before a command stays
        {"In/ADP/case/3 the/DET/det/3 morning/NOUN/obl/7 ~,/PUNCT/punct/3 cells/NOUN/appos/3 "
         "may/AUX/aux/7 grow/VERB/root/0",
         ""}, // a phrase opening the main clause is no adverbial clause
    };
    for (const auto& [notation, subject] : cases) {
        SCOPED_TRACE(notation);
        test::Tree t = test::tree(notation);
        EXPECT_EQ(cascade::attachStrandedSubject(t.text, t.words), *subject != '\0');
        ASSERT_TRUE(cascade::isTree(t.words));
        std::string found;
        for (const grammar::Word& w : t.words) {
            if (w.rel == grammar::Rel::Nsubj && t.words[w.head - 1].head == 0)
                found = t.text.substr(w.begin, w.end - w.begin);
        }
        EXPECT_EQ(found, subject);
    }
}

// A prepositional phrase the parse makes the root gives way to the clause it hung on it.
TEST(ParseTree, FrontedPhraseGivesWayToTheMainClause) {
    const std::pair<const char*, const char*> cases[] = {
        // tree, the root afterwards
        {"Through/ADP/case/3 the/DET/det/3 snow/NOUN/root/0 a/DET/det/5 girl/NOUN/nsubj/7 "
         "was/AUX/aux/7 walking/VERB/parataxis/3",
         "walking"}, // the main clause as a parataxis of the phrase
        {"In/ADP/case/2 town/NOUN/root/0 and/CCONJ/cc/5 the/DET/det/5 park/NOUN/conj/2 "
         "he/PRON/nsubj/7 lived/VERB/dep/5",
         "lived"}, // hung on a noun coordinated with the phrase
        {"In/ADP/case/2 town/NOUN/root/0 and/CCONJ/cc/5 he/PRON/nsubj/5 lived/VERB/conj/2",
         "town"}, // a clause joined by a coordinator is its own
        {"At/ADP/case/3 the/DET/det/3 inn/NOUN/root/0 where/ADV/advmod/6 he/PRON/nsubj/6 "
         "stayed/VERB/acl:relcl/3",
         "inn"}, // a relative clause
        {"Dinner/NOUN/root/0 at/ADP/case/3 six/NUM/nmod/1 we/PRON/nsubj/5 ate/VERB/parataxis/1",
         "Dinner"}, // no preposition before the root
        {"Later/ADV/advmod/3 in/ADP/case/3 town/NOUN/root/0 he/PRON/nsubj/5 lived/VERB/parataxis/3",
         "lived"}, // with a word before the phrase
        {"In/ADP/case/2 town/NOUN/root/0 it/PRON/nsubj/5 was/AUX/cop/5 cold/ADJ/parataxis/2",
         "cold"}, // a clause with a copula
        {"Through/ADP/case/2 snow/NOUN/root/0 and/CCONJ/cc/5 the/DET/det/5 dark/NOUN/conj/2 "
         "a/DET/det/7 girl/NOUN/nsubj/9 was/AUX/aux/9 walking/VERB/advcl/5",
         "walking"}, // hung as an adverbial clause with nothing to make it one
        {"In/ADP/case/2 town/NOUN/root/0 when/SCONJ/mark/5 he/PRON/nsubj/5 lived/VERB/advcl/2",
         "town"}, // an adverbial clause with its subordinator
    };
    for (const auto& [notation, root] : cases) {
        SCOPED_TRACE(notation);
        test::Tree t = test::tree(notation);
        const bool changed = cascade::rerootFrontedPhrase(t.text, t.words);
        ASSERT_TRUE(cascade::isTree(t.words));
        std::string found;
        for (const grammar::Word& w : t.words) {
            if (w.head == 0) found = t.text.substr(w.begin, w.end - w.begin);
        }
        EXPECT_EQ(found, root);
        EXPECT_EQ(changed, found != "town" && found != "inn" && found != "Dinner");
    }
}

TEST(LayoutQuality, SpearmanRanksWithTies) {
    using P = std::vector<std::pair<int, int>>;
    EXPECT_DOUBLE_EQ(cascade::spearmanCorrelation(P{{5, 0}, {9, 1}, {13, 7}, {17, 9}}), 1.0);
    EXPECT_DOUBLE_EQ(cascade::spearmanCorrelation(P{{5, 3}, {9, 2}, {13, 1}}), -1.0);
    EXPECT_DOUBLE_EQ(cascade::spearmanCorrelation(P{{5, 1}, {9, 1}, {13, 1}}), 0.0);
    EXPECT_DOUBLE_EQ(cascade::spearmanCorrelation(P{{5, 0}}), 0.0);
    // Ranks (1.5, 1.5, 3) against (1, 2, 3): r = 1.5 / sqrt(1.5 * 2).
    EXPECT_NEAR(cascade::spearmanCorrelation(P{{5, 0}, {5, 1}, {9, 2}}), 0.8660254, 1e-6);
}

const char* const kWhen =
    "When/SCONJ/mark/5 the/DET/det/4 old/ADJ/amod/4 man/NOUN/nsubj/5 came/VERB/advcl/9 "
    "home/ADV/advmod/5 ~,/PUNCT/punct/5 he/PRON/nsubj/9 slept/VERB/root/0 ~./PUNCT/punct/9";

// The figures counted on two layouts of one sentence: a good one, and one that breaks inside
// "the old man", drifts right and leaves the main clause deep.
TEST(LayoutQuality, CountsEveryFigure) {
    const test::Tree t = test::tree(kWhen);
    LayoutQuality good;
    ASSERT_TRUE(
        good.add(t.text, t.words, {"l05When the old man came home, ", "l05he|7> slept.|4> "}));
    EXPECT_EQ(good.breaks, 1u);
    EXPECT_EQ(good.tightBreaks, 0u);
    EXPECT_EQ(good.shallower, 1u); // came (1) to slept (0)
    EXPECT_EQ(good.outdented, 0u); // both at the base
    EXPECT_EQ(good.shallowerFromBase, 1u);
    EXPECT_EQ(good.fronted, 1u);
    EXPECT_EQ(good.frontedAtBase, 1u);
    EXPECT_EQ(good.mainVerbs, 1u);
    EXPECT_EQ(good.mainVerbsColoured, 1u);

    LayoutQuality bad;
    ASSERT_TRUE(
        bad.add(t.text, t.words,
                {"l05When the old ", "l09man|7> came|4> home, ", "s000 ", "l13he slept. "}));
    EXPECT_EQ(bad.sentences, 1u);
    EXPECT_EQ(bad.lines, 3u);
    EXPECT_EQ(bad.breaks, 2u);
    EXPECT_EQ(bad.tightBreaks, 1u);
    EXPECT_EQ(bad.lastTightBreaks, std::vector<std::size_t>{2}) << "after \"old\"";
    EXPECT_DOUBLE_EQ(bad.tightPer100(), 50.0);
    EXPECT_EQ(bad.shallower, 2u); // When (2) to came (1) to slept (0)
    EXPECT_EQ(bad.outdented, 0u);
    EXPECT_EQ(bad.shallowerFromBase, 1u) << "When (05) to came (09), not came to slept";
    EXPECT_EQ(bad.frontedAtBase, 0u);
    EXPECT_EQ(bad.mainVerbsColoured, 0u);
    EXPECT_DOUBLE_EQ(bad.spearman(), -1.0);
    LayoutQuality then = bad;
    ASSERT_TRUE(then.add(t.text, t.words, {"l05When the old man came home, ", "l05he slept. "}));
    EXPECT_TRUE(then.lastTightBreaks.empty()) << "of the last sentence only";

    LayoutQuality mixed = good;
    ASSERT_TRUE(
        mixed.add(t.text, t.words, {"l05When the old man ", "l09came home, ", "l05he slept. "}));
    EXPECT_EQ(mixed.shallower, 3u);
    EXPECT_EQ(mixed.outdented, 1u);
    EXPECT_DOUBLE_EQ(mixed.outdentShare(), 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(mixed.possibleOutdentShare(), 1.0) << "two of the three start at the base";
    EXPECT_DOUBLE_EQ(mixed.frontedAtBaseShare(), 1.0);
    EXPECT_DOUBLE_EQ(mixed.mainVerbColouredShare(), 0.5);
}

TEST(LayoutQuality, LinesThatDoNotSpellTheTextAreNotCounted) {
    const test::Tree t = test::tree(kWhen);
    LayoutQuality q;
    EXPECT_FALSE(q.add(t.text, t.words, {"l05When the young man came home, ", "l05he slept. "}));
    EXPECT_FALSE(q.add(t.text, t.words, {"l05When the old man came home, "}));
    EXPECT_EQ(q.unaligned, 2u);
    EXPECT_EQ(q.sentences, 0u);
    EXPECT_EQ(q.breaks, 0u);
}

// The layout's rules on the treebank's own trees (the development part): what the parse layout
// reaches when the parse is right. Floors a little under this build's figures, so a rule that
// breaks inside units, drifts right or loses the main clause fails here.
TEST(LayoutQuality, GoldTreesOfTheTreebankGiveTheFigures) {
    const std::string path = QM_SHARED_DIR "/treebanks/ud-english-ewt/en_ewt-ud-dev.conllu";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "missing " << path;
    const auto sentences = grammar::readConllu(grammar::readFileBytes(*makeRealFileSystem(), path));
    ASSERT_GT(sentences.size(), 1000u);
    LayoutQuality q;
    cascade::ParseLayout layout;
    cascade::NameMemory names;
    std::vector<cascade::Token> tokens;
    for (const grammar::TreebankSentence& s : sentences) {
        std::string text = s.text;
        std::replace(text.begin(), text.end(), '|', '/');
        if (!cascade::isTree(s.words)) continue;
        cascade::tokenize(text, tokens);
        if (tokens.empty()) continue;
        cascade::markSpeechAndSentences(text, tokens);
        Lines lines;
        if (layout.layout(text, tokens, 0, tokens.size(), s.words, 0, names, lines) == 0) continue;
        q.add(text, s.words, lines);
    }
    EXPECT_GT(q.sentences, 1900u);
    EXPECT_EQ(q.unaligned, 0u);
    EXPECT_LE(q.unforcedTightPer100(), 1.0);
    EXPECT_GE(q.outdentShare(), 0.55);
    EXPECT_GE(q.frontedAtBaseShare(), 0.95);
    EXPECT_GE(q.mainVerbColouredShare(), 0.95);
    EXPECT_GE(q.spearman(), 0.8);
}

} // namespace
} // namespace qm
