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

} // namespace
} // namespace qm
