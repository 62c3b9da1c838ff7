// The repairs made to a parse before it is laid out: each case a hand-made tree with one of a
// parser's mistakes around an opening clause or a predicate hung on its subject, and the word that
// must head the sentence (and where one word must hang) afterwards; trees without the mistake stay
// as they are.
#include "core/cascade/ParseRepair.h"
#include "TreeNotation.h"
#include "core/cascade/ParseTree.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

std::string form(const test::Tree& t, std::size_t w) {
    return t.text.substr(t.words[w].begin, t.words[w].end - t.words[w].begin);
}

struct RepairCase {
    const char* what;
    const char* notation;
    const char* root; // the root's form afterwards
    const char* word; // a word (first of that form) ...
    const char* head; // ... and the form of its head afterwards
    bool changed;
};

TEST(ParseRepair, MainClauseAfterAnOpeningClauseHeadsTheSentence) {
    const RepairCase cases[] = {
        {"a coordinator made the root, a question after the comma",
         "And/CCONJ/root/0 if/SCONJ/mark/5 anyone/PRON/nsubj/5 has/AUX/aux/5 "
         "voted/VERB/advcl/1 ~,/PUNCT/punct/5 what/PRON/nsubj/11 did/AUX/aux/11 you/PRON/nsubj/11 "
         "guys/NOUN/compound/11 vote/NOUN/advcl/5 for/ADP/obl/11 ~?/PUNCT/punct/5",
         "did", "voted", "did", true},
        {"a coordinator root without an opening clause stays",
         "And/CCONJ/root/0 the/DET/det/3 soldier/NOUN/nsubj/4 slept/VERB/conj/1", "And", "slept",
         "And", false},
        {"a relative word and an auxiliary is no question when it is \"that\"",
         "If/SCONJ/mark/3 you/PRON/nsubj/3 want/VERB/root/0 ~,/PUNCT/punct/3 that/PRON/nsubj/7 "
         "will/AUX/aux/7 help/VERB/advcl/3",
         "want", "that", "help", false},
        {"\"then\" hung inside the opening clause goes to the main clause",
         "If/SCONJ/mark/4 you/PRON/nsubj/4 are/AUX/cop/4 unsure/ADJ/advcl/10 you/PRON/nsubj/6 "
         "need/VERB/ccomp/4 help/NOUN/obj/6 then/ADV/advmod/6 Faz/PROPN/nsubj/10 "
         "helps/VERB/root/0 ~!/PUNCT/punct/10",
         "helps", "then", "helps", true},
        {"\"then\" inside the opening clause, followed by more of it, stays",
         "If/SCONJ/mark/3 you/PRON/nsubj/3 eat/VERB/advcl/8 then/ADV/advmod/5 sleep/VERB/conj/3 "
         "~,/PUNCT/punct/3 you/PRON/nsubj/8 grow/VERB/root/0",
         "grow", "then", "sleep", false},
        {"a second object of the opening clause's verb is the main subject",
         "After/SCONJ/mark/2 firing/VERB/advcl/9 this/DET/det/4 company/NOUN/obj/2 "
         "my/PRON/nmod:poss/8 next/ADJ/amod/8 pool/NOUN/compound/8 service/NOUN/obj/2 "
         "found/VERB/root/0 the/DET/det/11 filters/NOUN/obj/9",
         "found", "service", "found", true},
        {"one object stays with its verb",
         "After/SCONJ/mark/2 firing/VERB/advcl/5 this/DET/det/4 company/NOUN/obj/2 "
         "found/VERB/root/0 the/DET/det/7 filters/NOUN/obj/5",
         "found", "company", "firing", false},
        {"a noun root with its predicate hung on it as a modifier",
         "Certain/ADJ/amod/2 elements/NOUN/root/0 of/ADP/case/5 the/DET/det/5 "
         "community/NOUN/nmod/2 engage/VERB/acl/2 in/ADP/case/9 this/DET/det/9 "
         "activity/NOUN/obl/6 ~./PUNCT/punct/2",
         "engage", "elements", "engage", true},
        {"a predicate with a finite copula hung on the subject as a relative clause",
         "The/DET/det/2 test/NOUN/root/0 ~,/PUNCT/punct/5 with/ADP/case/5 forms/NOUN/nmod/2 "
         "~,/PUNCT/punct/8 is/AUX/cop/8 available/ADJ/acl:relcl/2 ~./PUNCT/punct/2",
         "available", "test", "available", true},
        {"a clause with its own subject after the comma, the opening phrase its obl",
         "For/ADP/case/3 a/DET/det/3 trip/NOUN/root/0 ~,/PUNCT/punct/7 we/PRON/nsubj/7 "
         "are/AUX/aux/7 going/VERB/acl:relcl/3 home/ADV/advmod/7 ~./PUNCT/punct/3",
         "going", "trip", "going", true},
        {"a relative clause without a comma stays",
         "The/DET/det/2 book/NOUN/root/0 I/PRON/nsubj/4 read/VERB/acl:relcl/2 "
         "yesterday/NOUN/obl:tmod/4",
         "book", "read", "book", false},
        {"a relative word keeps its clause",
         "Nice/ADJ/amod/2 people/NOUN/root/0 who/PRON/nsubj/4 care/VERB/acl:relcl/2", "people",
         "care", "people", false},
        {"an irregular participle modifies its noun",
         "Anything/PRON/root/0 left/VERB/acl/1 of/ADP/case/4 it/PRON/obl/2", "Anything", "left",
         "Anything", false},
        {"a command after \"then\", past a comma inside the opening clause",
         "If/SCONJ/mark/3 you/PRON/nsubj/3 have/VERB/root/0 to/PART/mark/5 wait/VERB/xcomp/3 "
         "~,/PUNCT/punct/5 due/ADJ/case/9 to/ADP/fixed/7 money/NOUN/obl/5 ~,/PUNCT/punct/12 "
         "then/ADV/advmod/12 rest/VERB/parataxis/5 ~./PUNCT/punct/3",
         "rest", "have", "rest", true},
        {"\"as\" taken for a preposition on the subject opens the clause",
         "as/ADP/case/2 Bob/PROPN/nsubj/3 said/VERB/root/0 ~,/PUNCT/punct/3 there/PRON/expl/6 "
         "are/VERB/ccomp/3 only/ADV/advmod/8 16/NUM/nsubj/6",
         "are", "said", "are", true},
        {"a preposition that never subordinates, on the subject, opens nothing",
         "With/ADP/case/2 rivals/NOUN/nsubj/3 seemed/VERB/root/0 ~;/PUNCT/punct/6 he/PRON/nsubj/6 "
         "slept/VERB/parataxis/3",
         "seemed", "slept", "seemed", false},
        {"a relative clause after a later comma is no question",
         "On/SCONJ/mark/2 reaching/VERB/root/0 the/DET/det/4 lobby/NOUN/obj/2 ~,/PUNCT/punct/7 "
         "lately/ADV/advmod/7 fitted/VERB/advcl/2 ~,/PUNCT/punct/11 who/PRON/nsubj/11 "
         "had/AUX/aux/11 taken/VERB/conj/2 ~./PUNCT/punct/2",
         "reaching", "taken", "reaching", false},
        {"an aside with its own subject between commas is no predicate",
         "Its/PRON/nmod:poss/2 walls/NOUN/root/0 ~,/PUNCT/punct/6 you/PRON/nsubj/6 "
         "may/AUX/aux/6 imagine/VERB/acl:relcl/2 ~,/PUNCT/punct/6 bare/ADJ/amod/2",
         "walls", "imagine", "walls", false},
        {"a clause a coordinator opens, hung on a noun, is coordinated with the verb above",
         "I/PRON/nsubj/2 became/VERB/root/0 a/DET/det/4 poet/NOUN/xcomp/2 and/CCONJ/cc/9 "
         "for/ADP/case/8 one/NUM/nummod/8 year/NOUN/obl/9 lived/VERB/acl/4 ~./PUNCT/punct/2",
         "became", "lived", "became", true},
        {"a modifier with a conjunct of its own stays on its noun",
         "He/PRON/nsubj/2 saw/VERB/root/0 a/DET/det/4 man/NOUN/obj/2 sitting/VERB/acl/4 "
         "and/CCONJ/cc/7 waiting/VERB/conj/5 ~./PUNCT/punct/2",
         "saw", "sitting", "man", false},
    };
    for (const RepairCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::Tree t = test::tree(c.notation);
        ASSERT_TRUE(cascade::isTree(t.words));
        EXPECT_EQ(cascade::repairParse(t.text, t.words), c.changed);
        ASSERT_TRUE(cascade::isTree(t.words));
        std::string root, head;
        for (std::size_t w = 0; w < t.words.size(); ++w) {
            if (t.words[w].head == 0) root = form(t, w);
            if (head.empty() && form(t, w) == c.word && t.words[w].head != 0)
                head = form(t, t.words[w].head - 1);
        }
        EXPECT_EQ(root, c.root);
        EXPECT_EQ(head, c.head);
    }
}

// A clause the parser coordinates with a word though it opens with a subordinator and has no
// coordinator depends on that word; true coordination keeps its arc.
TEST(ParseRepair, SubordinateClauseTakenForAConjunctDependsOnItsWord) {
    using grammar::Rel;
    struct Case {
        const char* what;
        const char* notation;
        const char* word;
        Rel rel; // the word's relation afterwards
    };
    const Case cases[] = {
        {"a \"that\" clause on a noun",
         "It/PRON/nsubj/3 is/AUX/cop/3 truth/NOUN/root/0 ~,/PUNCT/punct/8 that/SCONJ/mark/8 "
         "a/DET/det/7 man/NOUN/nsubj/8 wants/VERB/conj/3 ~./PUNCT/punct/3",
         "wants", Rel::Acl},
        {"a \"though\" clause on a verb",
         "She/PRON/nsubj/2 left/VERB/root/0 ~,/PUNCT/punct/6 though/SCONJ/mark/6 "
         "he/PRON/nsubj/6 stayed/VERB/conj/2",
         "stayed", Rel::Advcl},
        {"a \"that\" clause on a verb",
         "I/PRON/nsubj/2 beg/VERB/root/0 ~,/PUNCT/punct/6 that/SCONJ/mark/6 you/PRON/nsubj/6 "
         "stay/VERB/conj/2",
         "stay", Rel::Ccomp},
        {"a coordinator keeps the coordination",
         "She/PRON/nsubj/2 left/VERB/root/0 and/CCONJ/cc/7 that/SCONJ/mark/7 "
         "was/AUX/cop/7 all/DET/det/7 it/PRON/conj/2",
         "it", Rel::Conj},
        {"like clauses stay coordinated",
         "I/PRON/nsubj/2 said/VERB/root/0 that/SCONJ/mark/5 he/PRON/nsubj/5 came/VERB/ccomp/2 "
         "~,/PUNCT/punct/9 that/SCONJ/mark/9 he/PRON/nsubj/9 saw/VERB/conj/5",
         "saw", Rel::Conj},
        {"an infinitive's \"to\" is no subordinator",
         "I/PRON/nsubj/2 want/VERB/root/0 to/PART/mark/4 eat/VERB/xcomp/2 ~,/PUNCT/punct/7 "
         "to/PART/mark/7 drink/VERB/conj/4",
         "drink", Rel::Conj},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::Tree t = test::tree(c.notation);
        ASSERT_TRUE(cascade::isTree(t.words));
        cascade::repairParse(t.text, t.words);
        ASSERT_TRUE(cascade::isTree(t.words));
        bool found = false;
        for (std::size_t w = 0; w < t.words.size(); ++w) {
            if (form(t, w) != c.word) continue;
            found = true;
            EXPECT_EQ(grammar::relName(t.words[w].rel), grammar::relName(c.rel));
        }
        EXPECT_TRUE(found);
    }
}

// Parsers take an opening clause for the main one; the repair makes the clause after it the
// root, and leaves other trees alone.
TEST(ParseRepair, OpeningClauseTakenForTheMainOneIsRerooted) {
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
TEST(ParseRepair, SubjectStrandedInTheOpeningClauseIsReattached) {
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
TEST(ParseRepair, FrontedPhraseGivesWayToTheMainClause) {
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

} // namespace
} // namespace qm
