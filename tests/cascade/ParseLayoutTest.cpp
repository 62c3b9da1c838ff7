// Sentences laid out from hand-made dependency trees: no break inside a tight unit, levels
// from the tree (main clause at the base, a phrase a step in from its head, coordinated items
// lined up), colours from the words' roles, and the limits every line keeps.
#include "core/cascade/ParseLayout.h"
#include "CascadeTestSupport.h"
#include "TreeNotation.h"
#include "core/cascade/Tokenizer.h"
#include "eval/LayoutQuality.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

using test::levelOf;
using test::phraseText;

const char* const kFronted =
    "When/SCONJ/mark/4 the/DET/det/3 soldier/NOUN/nsubj/4 woke/VERB/advcl/12 "
    "up/ADP/compound:prt/4 in/ADP/case/8 the/DET/det/8 morning/NOUN/obl/4 ~,/PUNCT/punct/4 "
    "he/PRON/nsubj/12 was/AUX/aux/12 lying/VERB/root/0 in/ADP/case/15 the/DET/det/15 "
    "gutter/NOUN/obl/12 near/ADP/case/19 the/DET/det/19 old/ADJ/amod/19 bridge/NOUN/nmod/15 "
    "~./PUNCT/punct/12";

const char* const kRelative =
    "The/DET/det/3 little/ADJ/amod/3 girl/NOUN/nsubj/8 with/ADP/case/7 the/DET/det/7 "
    "bare/ADJ/amod/7 feet/NOUN/nmod/3 walked/VERB/root/0 through/ADP/case/12 the/DET/det/12 "
    "cold/ADJ/amod/12 streets/NOUN/obl/8 of/ADP/case/15 the/DET/det/15 town/NOUN/nmod/12 "
    "~,/PUNCT/punct/19 which/PRON/nsubj:pass/19 were/AUX/aux:pass/19 "
    "covered/VERB/acl:relcl/12 with/ADP/case/21 snow/NOUN/obl/19 ~./PUNCT/punct/8";

const char* const kCoordination =
    "She/PRON/nsubj/2 put/VERB/root/0 on/ADP/compound:prt/2 her/PRON/nmod:poss/7 "
    "warm/ADJ/amod/7 red/ADJ/amod/7 shoes/NOUN/obj/2 and/CCONJ/cc/9 ran/VERB/conj/2 "
    "into/ADP/case/13 the/DET/det/13 deep/ADJ/amod/13 snow/NOUN/obl/9 behind/ADP/case/16 "
    "the/DET/det/16 house/NOUN/nmod/13 ~,/PUNCT/punct/20 but/CCONJ/cc/20 "
    "nobody/PRON/nsubj/20 saw/VERB/conj/2 her/PRON/obj/20 go/VERB/xcomp/20 ~./PUNCT/punct/2";

const char* const kSpeech =
    "\"/PUNCT/punct/4 ~I/PRON/nsubj/4 will/AUX/aux/4 stand/VERB/ccomp/8 firm/ADV/advmod/4 "
    "~,/PUNCT/punct/4 ~\"/PUNCT/punct/4 said/VERB/root/0 the/DET/det/11 brave/ADJ/amod/11 "
    "soldier/NOUN/nsubj/8 to/ADP/case/15 the/DET/det/15 little/ADJ/amod/15 "
    "dancer/NOUN/obl/8 ~./PUNCT/punct/8";

// The treebank's way with a dialogue tag: the speech is the root, the tag hangs on it.
const char* const kSpeechRoot =
    "\"/PUNCT/punct/2 ~Stand/VERB/root/0 firm/ADV/advmod/2 ~,/PUNCT/punct/2 "
    "~\"/PUNCT/punct/2 cried/VERB/parataxis/2 the/DET/det/8 soldier/NOUN/nsubj/6 "
    "to/ADP/case/11 his/PRON/nmod:poss/11 brothers/NOUN/obl/6 ~./PUNCT/punct/2";

const char* const kNames =
    "The/DET/det/3 learned/ADJ/amod/3 men/NOUN/nsubj/6 of/ADP/case/5 "
    "Copenhagen/PROPN/nmod/3 spoke/VERB/root/0 to/ADP/case/8 Hans/PROPN/obl/6 "
    "Christian/PROPN/flat/8 Andersen/PROPN/flat/8 ~./PUNCT/punct/6";

const char* const kLearnedVerb =
    "He/PRON/nsubj/2 learned/VERB/root/0 the/DET/det/4 song/NOUN/obj/2 by/ADP/case/6 "
    "heart/NOUN/obl/2 ~./PUNCT/punct/2";

const char* const kVerbGroup =
    "The/DET/det/4 old/ADJ/amod/4 tin/NOUN/compound/4 soldier/NOUN/nsubj:pass/9 "
    "had/AUX/aux/9 never/ADV/advmod/9 once/ADV/advmod/9 been/AUX/aux:pass/9 "
    "seen/VERB/root/0 by/ADP/case/11 anyone/PRON/obl:agent/9 in/ADP/case/15 the/DET/det/15 "
    "whole/ADJ/amod/15 town/NOUN/nmod/11 before/ADP/case/19 that/DET/det/19 cold/ADJ/amod/19 "
    "winter/NOUN/obl/9 ~./PUNCT/punct/9";

const char* const kToVerb =
    "She/PRON/nsubj/2 wanted/VERB/root/0 to/PART/mark/4 give/VERB/xcomp/2 the/DET/det/7 "
    "little/ADJ/amod/7 match-seller/NOUN/iobj/4 a/DET/det/10 warm/ADJ/amod/10 cup/NOUN/obj/4 "
    "of/ADP/case/12 tea/NOUN/nmod/10 ~./PUNCT/punct/2";

// Speech that resumes after its dialogue tag, hanging on the tag's verb.
const char* const kSpeechResumed =
    "\"/PUNCT/punct/2 ~Stand/VERB/ccomp/6 firm/ADV/advmod/2 ~,/PUNCT/punct/2 ~\"/PUNCT/punct/2 "
    "cried/VERB/root/0 the/DET/det/8 soldier/NOUN/nsubj/6 ~,/PUNCT/punct/14 \"/PUNCT/punct/14 "
    "~the/DET/det/12 king/NOUN/nsubj/14 is/AUX/aux/14 watching/VERB/ccomp/6 ~./PUNCT/punct/6 "
    "~\"/PUNCT/punct/6";

// A clause coordinated with the main clause, opening with a phrase of its own.
const char* const kCoordinatedFronted =
    "She/PRON/nsubj/2 stayed/VERB/root/0 home/ADV/advmod/2 ~,/PUNCT/punct/14 and/CCONJ/cc/14 "
    "in/ADP/case/10 the/DET/det/10 cold/ADJ/amod/10 winter/NOUN/compound/10 morning/NOUN/obl/14 "
    "the/DET/det/13 little/ADJ/amod/13 soldier/NOUN/nsubj/14 stood/VERB/conj/2 on/ADP/case/17 "
    "one/NUM/nummod/17 leg/NOUN/obl/14 ~./PUNCT/punct/2";

// A main clause whose subject the parse nests: "bit" hangs on "baker", the subject.
const char* const kNestedSubject =
    "Though/SCONJ/mark/4 I/PRON/nsubj/4 am/AUX/cop/4 tired/ADJ/advcl/24 of/ADP/case/8 "
    "this/DET/det/8 long/ADJ/amod/8 march/NOUN/obl/4 ~,/PUNCT/punct/4 this/DET/det/12 "
    "little/ADJ/amod/12 bit/NOUN/obl:unmarked/17 of/ADP/case/14 bread/NOUN/nmod/12 "
    "from/ADP/case/17 the/DET/det/17 baker/NOUN/nsubj/24 in/ADP/case/20 the/DET/det/20 "
    "town/NOUN/nmod/17 is/AUX/cop/24 just/ADV/advmod/24 too/ADV/advmod/24 good/ADJ/root/0 "
    "~./PUNCT/punct/24";

// A clause without "that" whose long subject takes a line of its own.
const char* const kClauseSubject =
    "He/PRON/nsubj/2 said/VERB/root/0 the/DET/det/5 little/ADJ/amod/5 soldier/NOUN/nsubj:pass/11 "
    "with/ADP/case/8 one/NUM/nummod/8 leg/NOUN/nmod/5 had/AUX/aux/11 been/AUX/aux:pass/11 "
    "lost/VERB/ccomp/2 in/ADP/case/15 the/DET/det/15 deep/ADJ/amod/15 snow/NOUN/obl/11 "
    "~./PUNCT/punct/2";

// The same clause opened by a subordinator: "that" does not speak for the subject's line.
const char* const kMarkedSubject =
    "He/PRON/nsubj/2 said/VERB/root/0 that/SCONJ/mark/12 the/DET/det/6 little/ADJ/amod/6 "
    "soldier/NOUN/nsubj:pass/12 with/ADP/case/9 one/NUM/nummod/9 leg/NOUN/nmod/6 had/AUX/aux/12 "
    "been/AUX/aux:pass/12 lost/VERB/ccomp/2 in/ADP/case/16 the/DET/det/16 deep/ADJ/amod/16 "
    "snow/NOUN/obl/12 ~./PUNCT/punct/2";

// A parser's mistakes the words overrule: a particle taken for a preposition ("set / up a
// tent"), a determiner taken for a pronoun ("those / Americans").
const char* const kMistakes =
    "The/DET/det/3 tired/ADJ/amod/3 soldiers/NOUN/nsubj/4 set/VERB/root/0 up/ADP/case/9 "
    "a/DET/det/9 big/ADJ/amod/9 red/ADJ/amod/9 tent/NOUN/obl/4 and/CCONJ/cc/13 "
    "those/DET/nsubj/13 Americans/PROPN/appos/11 slept/VERB/conj/4 in/ADP/case/16 "
    "the/DET/det/16 garden/NOUN/obl/13 ~./PUNCT/punct/4";

// Conjuncts hung each on the one before, as a parser may: every verb joined to the main
// clause's is a main verb; a verb joined to a relative clause's is not.
const char* const kChainedConjuncts =
    "The/DET/det/2 man/NOUN/nsubj/7 who/PRON/nsubj/4 sat/VERB/acl:relcl/2 and/CCONJ/cc/6 "
    "wept/VERB/conj/4 improved/VERB/root/0 in/ADP/case/9 health/NOUN/obl/7 but/CCONJ/cc/13 "
    "is/AUX/cop/13 very/ADV/advmod/13 silent/ADJ/conj/7 and/CCONJ/cc/16 had/AUX/aux/16 "
    "come/VERB/conj/13 to/PART/mark/18 hunt/VERB/xcomp/16 him/PRON/obj/18 "
    "up/ADP/compound:prt/18 ~./PUNCT/punct/7";

// A verb joined to a dialogue tag's.
const char* const kTagConjunct =
    "\"/PUNCT/punct/2 ~Go/VERB/root/0 ~,/PUNCT/punct/2 ~\"/PUNCT/punct/2 said/VERB/parataxis/2 "
    "he/PRON/nsubj/5 ~,/PUNCT/punct/9 and/CCONJ/cc/9 turned/VERB/conj/5 away/ADV/advmod/9 "
    "~./PUNCT/punct/2";

// "The key of the door of the house of ... was lost.": a chain of phrases deeper than the
// deepest level.
std::string deepChain(int links) {
    std::string s = "The/DET/det/2 key/NOUN/nsubj:pass/" + std::to_string(3 * links + 4);
    int noun = 2;
    for (int i = 0; i < links; ++i) {
        const int of = noun + 1;
        s += " of/ADP/case/" + std::to_string(of + 2) + " the/DET/det/" + std::to_string(of + 2) +
             " door/NOUN/nmod/" + std::to_string(noun);
        noun = of + 2;
    }
    const int verb = noun + 2;
    s += " was/AUX/aux:pass/" + std::to_string(verb) + " lost/VERB/root/0 ~./PUNCT/punct/" +
         std::to_string(verb);
    return s;
}

struct Laid {
    test::Tree tree;
    Lines lines;
};

Laid layOut(const std::string& notation) {
    Laid l{test::tree(notation), {}};
    std::vector<cascade::Token> tokens;
    cascade::tokenize(l.tree.text, tokens);
    cascade::markSpeechAndSentences(l.tree.text, tokens);
    cascade::NameMemory names;
    cascade::ParseLayout layout;
    const std::size_t n =
        layout.layout(l.tree.text, tokens, 0, tokens.size(), l.tree.words, 0, names, l.lines);
    EXPECT_EQ(n, l.lines.size());
    return l;
}

// The line holding the first word that is `word` (punctuation around it aside).
std::size_t lineWith(const Lines& lines, const std::string& word) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string t = " " + phraseText(lines[i]) + " ";
        for (const char* after : {" ", ",", ".", "\""}) {
            if (t.find(" " + word + after) != std::string::npos) return i;
        }
    }
    ADD_FAILURE() << "no line holds \"" << word << "\"";
    return 0;
}

// `word`'s line is `steps` steps of 4 right of `host`'s line, on a line of its own.
struct LevelCase {
    const char* what;
    const char* notation;
    const char* word;
    const char* host;
    int steps;
};

TEST(ParseLayout, LevelsComeFromTheTree) {
    const LevelCase cases[] = {
        {"main clause back at the base after a fronted clause", kFronted, "he", "When", 0},
        {"a phrase one step in from its verb", kFronted, "gutter", "lying", 1},
        {"a phrase one step in from its noun", kRelative, "town", "streets", 1},
        {"a relative clause one step in from its noun", kRelative, "covered", "streets", 1},
        {"a verb after its broken subject at the subject's level", kRelative, "walked", "girl", 0},
        {"coordinated clauses line up", kCoordination, "saw", "She", 0},
        {"a coordinated verb lines up with the first", kCoordination, "ran", "put", 0},
        {"a dialogue tag one step in from the speech", kSpeech, "said", "stand", 1},
        {"a tag hanging on its speech one step in", kSpeechRoot, "cried", "firm", 1},
        {"the object clause of a verb one step in", kToVerb, "cup", "wanted", 1},
        {"a clause's own subject one step in from its verb", kClauseSubject, "soldier", "had", 1},
        {"a clause one step in from its verb", kClauseSubject, "had", "said", 1},
        {"a subject after its subordinator one step in", kMarkedSubject, "soldier", "had", 1},
        {"a clause after its subject's line at the clause's level", kMarkedSubject, "had", "said",
         1},
        {"speech resumed after its tag no deeper than the tag", kSpeechResumed, "king", "cried", 0},
        {"a coordinated clause back at the main clause's level", kCoordinatedFronted, "stood",
         "She", 0},
        {"the phrase opening a coordinated clause one step in", kCoordinatedFronted, "morning",
         "stood", 1},
        {"a main clause's nested subject starts at its verb's level", kNestedSubject, "little",
         "good", 0},
    };
    for (const LevelCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Laid l = layOut(c.notation);
        const std::size_t line = lineWith(l.lines, c.word), host = lineWith(l.lines, c.host);
        if (c.steps != 0) {
            ASSERT_NE(line, host) << "on the same line";
        }
        EXPECT_EQ(levelOf(l.lines[line]), levelOf(l.lines[host]) + 4 * c.steps)
            << l.lines[host] << "\n"
            << l.lines[line];
    }
}

// Every tree: the lines spell out the sentence, keep every tight unit whole, start at the base,
// step by 4 up to 21 at most, and stay within 40 characters.
TEST(ParseLayout, LinesKeepTheirLimits) {
    const std::string trees[] = {kFronted,
                                 kRelative,
                                 kCoordination,
                                 kSpeech,
                                 kSpeechRoot,
                                 kNames,
                                 kLearnedVerb,
                                 kVerbGroup,
                                 kToVerb,
                                 kClauseSubject,
                                 deepChain(3),
                                 deepChain(14),
                                 kCoordinatedFronted,
                                 kSpeechResumed,
                                 kMarkedSubject,
                                 kChainedConjuncts,
                                 kTagConjunct};
    for (const std::string& notation : trees) {
        const Laid l = layOut(notation);
        SCOPED_TRACE(l.tree.text);
        ASSERT_FALSE(l.lines.empty());
        cascade::LayoutQuality q;
        ASSERT_TRUE(q.add(l.tree.text, l.tree.words, l.lines));
        EXPECT_EQ(q.tightBreaks, 0u);
        EXPECT_EQ(levelOf(l.lines.front()), 5);
        for (const std::string& line : l.lines) {
            SCOPED_TRACE(line);
            EXPECT_LE(levelOf(line), 21);
            EXPECT_EQ((levelOf(line) - 5) % 4, 0);
            EXPECT_LE(phraseText(line).size(), 40u);
            EXPECT_EQ(line.back(), ' ');
        }
        Lines framed{"banner"};
        framed.insert(framed.end(), l.lines.begin(), l.lines.end());
        framed.push_back("END");
        test::expectWellFormed(framed);
    }
}

// A chain of phrases deeper than four steps: each line at least as deep as the one before it,
// the deepest at 21, and the main verb back at the base.
TEST(ParseLayout, DeepStructureStopsFourStepsInKeepingItsOrder) {
    const Laid l = layOut(deepChain(14));
    const std::size_t verb = lineWith(l.lines, "was");
    ASSERT_GT(verb, 5u);
    int deepest = 0;
    for (std::size_t i = 1; i < verb; ++i) {
        SCOPED_TRACE(l.lines[i]);
        EXPECT_GE(levelOf(l.lines[i]), levelOf(l.lines[i - 1]));
        deepest = std::max(deepest, levelOf(l.lines[i]));
    }
    EXPECT_EQ(deepest, 21);
    EXPECT_EQ(levelOf(l.lines[verb]), 5) << "the main verb at the base";
}

// Which words carry which colour, by the tree: the verb group with its auxiliaries, adverbs
// inside it and its particle; "learned" as a verb but not as an adjective; names; speech.
struct ColourCase {
    const char* notation;
    const char* words; // blank-separated, all in `colour`
    char colour;
    bool coloured;
};

TEST(ParseLayout, ColoursFollowRoles) {
    const ColourCase cases[] = {
        {kVerbGroup, "had never once been seen", '7', true},
        {kVerbGroup, "soldier anyone", '7', false},
        {kCoordination, "put on", '7', true},
        {kCoordination, "ran saw", '7', true},
        {kCoordination, "shoes go", '7', false},
        {kLearnedVerb, "learned", '7', true},
        {kNames, "learned", '7', false},
        {kNames, "spoke", '7', true},
        {kNames, "Copenhagen Hans Christian Andersen", '8', true},
        {kNames, "The men", '8', false},
        {kSpeech, "\"I will stand firm,\"", '6', true},
        {kSpeech, "said", '7', true},
        {kSpeechRoot, "cried", '7', true},
        {kSpeechRoot, "soldier brothers", '7', false},
        {kFronted, "woke", '7', false},
        {kFronted, "was lying", '7', true},
        {kChainedConjuncts, "improved is had come", '7', true},
        {kChainedConjuncts, "sat wept silent hunt up", '7', false},
        {kTagConjunct, "said turned", '7', true},
    };
    for (const ColourCase& c : cases) {
        const Laid l = layOut(c.notation);
        SCOPED_TRACE(l.tree.text + " / " + c.words);
        // The colour in force at each visible byte of the sentence.
        std::string colours;
        for (const std::string& line : l.lines) {
            char colour = '4';
            for (std::size_t i = 3; i < line.size(); ++i) {
                if (line[i] == '|' && i + 2 < line.size() && line[i + 2] == '>') {
                    colour = line[i + 1];
                    i += 2;
                } else if (line[i] != ' ') {
                    colours.push_back(colour);
                }
            }
        }
        std::string visible;
        for (char ch : l.tree.text) {
            if (ch != ' ') visible.push_back(ch);
        }
        ASSERT_EQ(colours.size(), visible.size());
        std::istringstream in(c.words);
        for (std::string w; in >> w;) {
            std::size_t at = 0;
            while (true) {
                at = visible.find(w, at);
                ASSERT_NE(at, std::string::npos) << w;
                // The word standing alone: not inside "soldier's" or "learned" of "unlearned".
                const std::size_t pos = l.tree.text.find(w);
                if (pos == std::string::npos || pos == 0 || l.tree.text[pos - 1] == ' ' ||
                    l.tree.text[pos - 1] == '"')
                    break;
                ++at;
            }
            for (std::size_t k = at; k < at + w.size(); ++k)
                EXPECT_EQ(colours[k] == c.colour, c.coloured) << w;
        }
    }
}

TEST(ParseLayout, WordsOverruleAParsersMistakes) {
    const Laid l = layOut(kMistakes);
    for (const auto& [a, b] : {std::pair{"set", "up"}, std::pair{"those", "Americans"}})
        EXPECT_EQ(lineWith(l.lines, a), lineWith(l.lines, b)) << a << " " << b;
}

// A parse whose tags are right but whose arcs are all wrong: every word ("form/TAG", blank
// separated) hangs on word `root` as a phrase of its own, so the arcs mark no unit and a break
// fits before any word.
std::string flatParse(const std::string& tagged, std::size_t root) {
    std::string s, item;
    std::size_t i = 0;
    for (char c : tagged + " ") {
        if (c != ' ') {
            item += c;
            continue;
        }
        const bool punct = item.ends_with("/PUNCT");
        const std::string arc =
            i == root ? "root/0" : (punct ? "punct/" : "obl/") + std::to_string(root + 1);
        s += (i++ ? " " : "") + item + "/" + arc;
        item.clear();
    }
    return s;
}

// The tags keep units whole where the arcs miss them: a determiner with its noun across a
// participle, an auxiliary group, a particle with nothing after it, a two-word preposition, a
// coordinator with the word after it, a run of capitalised words, coordinated adjectives before
// their noun, a participle that works as a preposition.
TEST(ParseLayout, TagsKeepUnitsTheArcsMiss) {
    struct Case {
        std::string notation;
        std::vector<std::pair<const char*, const char*>> together;
    };
    const std::vector<Case> cases = {
        {flatParse("Soldiers/NOUN had/AUX not/PART yet/ADV been/AUX told/VERB about/ADP an/DET "
                   "attached/VERB file/NOUN by/ADP captains/NOUN ~./PUNCT",
                   5),
         {{"had", "not"},
          {"not", "yet"},
          {"yet", "been"},
          {"been", "told"},
          {"an", "attached"},
          {"attached", "file"}}},
        {flatParse("Due/ADJ to/ADP heavy/ADJ snow/NOUN nobody/PRON could/AUX check/VERB in/ADP "
                   "~,/PUNCT so/CCONJ everyone/PRON went/VERB away/ADV ~./PUNCT",
                   6),
         {{"Due", "to"}, {"could", "check"}, {"check", "in"}}},
        {flatParse("Soldiers/NOUN marched/VERB past/ADP churches/NOUN and/CCONJ dancers/NOUN "
                   "watched/VERB from/ADP castle/NOUN windows/NOUN ~./PUNCT",
                   1),
         {{"and", "dancers"}}},
        {flatParse("Guerrillas/NOUN attacked/VERB offices/NOUN of/ADP the/DET Coalition/NOUN "
                   "Provisional/ADJ Authority/PROPN near/ADP efficient/ADJ and/CCONJ "
                   "effective/ADJ guards/NOUN ~./PUNCT",
                   1),
         {{"Coalition", "Provisional"}, {"efficient", "and"}}},
        {flatParse("Soldiers/NOUN asked/VERB many/ADJ questions/NOUN regarding/VERB this/DET "
                   "matter/NOUN ~./PUNCT",
                   1),
         {{"regarding", "this"}}},
        {flatParse("Soldiers/NOUN drank/VERB and/CCONJ sang/VERB in/ADP a/DET charming/ADJ "
                   "~,/PUNCT friendly/ADJ tavern/NOUN ~./PUNCT",
                   1),
         {{"charming", "friendly"}}},
    };
    for (const Case& c : cases) {
        const Laid l = layOut(c.notation);
        SCOPED_TRACE(l.tree.text);
        std::string all;
        for (const std::string& line : l.lines)
            all += line + "\n";
        for (const auto& [a, b] : c.together)
            EXPECT_EQ(lineWith(l.lines, a), lineWith(l.lines, b)) << a << " " << b << "\n" << all;
    }
}

TEST(ParseLayout, SameTreeSameLines) {
    for (const char* notation : {kFronted, kRelative, kCoordination, kSpeech}) {
        EXPECT_EQ(layOut(notation).lines, layOut(notation).lines);
    }
}

// Parses that do not fit the tokens are refused, with nothing written.
TEST(ParseLayout, RefusesParsesThatDoNotFit) {
    test::Tree good = test::tree(kLearnedVerb);
    std::vector<cascade::Token> tokens;
    cascade::tokenize(good.text, tokens);
    cascade::markSpeechAndSentences(good.text, tokens);
    struct Bad {
        const char* what;
        grammar::Sentence words;
    };
    std::vector<Bad> bad;
    bad.push_back({"empty", {}});
    bad.push_back({"two roots", good.words});
    bad.back().words[3].head = 0;
    bad.push_back({"a cycle", good.words});
    bad.back().words[0].head = 4;
    bad.back().words[3].head = 1;
    bad.push_back({"a head out of range", good.words});
    bad.back().words[2].head = 99;
    bad.push_back({"offsets past the text", good.words});
    bad.back().words.back().begin = 500;
    bad.back().words.back().end = 501;
    bad.push_back({"offsets running backwards", good.words});
    std::swap(bad.back().words[1].begin, bad.back().words[2].begin);
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        cascade::NameMemory names;
        cascade::ParseLayout layout;
        Lines out;
        EXPECT_EQ(layout.layout(good.text, tokens, 0, tokens.size(), b.words, 0, names, out), 0u);
        EXPECT_TRUE(out.empty());
    }
}

} // namespace
} // namespace qm
