// Which sentences are laid out from their parse and which fall back to the lexicon rules,
// and the cascader with a parser: well-formed lines, sentences at the base level, main clauses
// back at the base after a fronted clause.
#include "core/cascade/SentenceCascade.h"
#include "CascadeTestSupport.h"
#include "TreeNotation.h"
#include "core/cascade/Cascader.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::isBodyLine;
using test::levelOf;
using test::phraseText;

// Parses the sentences it was given trees for; any other sentence fails to parse.
class TableParser final : public cascade::SentenceParser {
public:
    explicit TableParser(std::size_t maxWords = 200)
        : m_maxWords(maxWords) {}
    void add(const std::string& notation) {
        test::Tree t = test::tree(notation);
        m_trees[t.text] = t.words;
    }
    void add(const std::string& text, const grammar::Sentence& words) { m_trees[text] = words; }
    bool parse(std::string_view sentence, grammar::Sentence& out) override {
        ++calls;
        last = sentence;
        const auto it = m_trees.find(std::string(sentence));
        if (it == m_trees.end()) return false;
        out = it->second;
        return true;
    }
    std::size_t maxWords() const override { return m_maxWords; }
    std::size_t calls = 0;
    std::string last;

private:
    std::size_t m_maxWords;
    std::map<std::string, grammar::Sentence> m_trees;
};

const char* const kFronted =
    "As/SCONJ/mark/3 he/PRON/nsubj/3 stepped/VERB/advcl/10 up/ADV/advmod/3 to/ADP/case/7 "
    "the/DET/det/7 cab/NOUN/obl/3 ~,/PUNCT/punct/3 he/PRON/nsubj/10 pulled/VERB/root/0 "
    "a/DET/det/14 heavy/ADJ/amod/14 gold/NOUN/compound/14 watch/NOUN/obj/10 from/ADP/case/17 "
    "his/PRON/nmod:poss/17 pocket/NOUN/obl/10 ~./PUNCT/punct/10";

const char* const kVerbless = "What/PRON/root/0 a/DET/det/4 cold/ADJ/amod/4 night/NOUN/nsubj/1 "
                              "~!/PUNCT/punct/1";

// The tagger missed the verb: "grew" is a verb form the lexicon knows.
const char* const kMissedVerb = "But/CCONJ/cc/3 the/DET/det/3 current/NOUN/root/0 "
                                "grew/NOUN/compound/5 stronger/ADJ/amod/3 ~./PUNCT/punct/3";

struct Fallback {
    const char* what;
    std::string sentence;
    bool parsed;
};

// Lays `text`, one sentence, out with `cascade` as the cascader does: tokens, speech and
// sentence marks, then the sentence's lines.
Lines layOut(cascade::SentenceCascade& cascade, const std::string& text) {
    std::vector<cascade::Token> tokens;
    cascade::tokenize(text, tokens);
    cascade::markSpeechAndSentences(text, tokens);
    cascade::NameMemory names;
    Lines out;
    const std::size_t n = cascade.layout(text, tokens, 0, tokens.size(), names, out);
    EXPECT_EQ(n, out.size());
    return out;
}

std::string words(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += i == 0 ? "Word" : " word";
    return s + ".";
}

// A tree for any sentence of plain words: each word hangs on the next, the last is a verb.
std::string chainTree(const std::string& sentence) {
    std::vector<std::string> w;
    std::string cur;
    for (char c : sentence + " ") {
        if (c != ' ') {
            cur += c;
        } else if (!cur.empty()) {
            w.push_back(cur);
            cur.clear();
        }
    }
    std::string out;
    for (std::size_t i = 0; i < w.size(); ++i) {
        const bool last = i + 1 == w.size();
        out += w[i] + (last ? "/VERB/root/0 " : "/NOUN/nsubj/" + std::to_string(i + 2) + " ");
    }
    return out;
}

TEST(SentenceCascade, ParsesOnlyWhereTheParseCanBeTrusted) {
    const std::vector<Fallback> cases = {
        {"a parsed sentence", test::tree(kFronted).text, true},
        {"no tree from the parser", "Nobody knows this sentence.", false},
        {"a verbless fragment", test::tree(kVerbless).text, true},
        {"a verbless parse beside a verb form", test::tree(kMissedVerb).text, false},
        {"over the parser's length", words(60), false},
        {"at the parser's length", words(50), true},
        {"all capitals", "THE SOLDIER STOOD ON ONE LEG.", false},
        {"non-Latin script",
         "\xd0\x9e\xd0\xbd \xd1\x81\xd1\x82\xd0\xbe\xd1\x8f\xd0\xbb \xd0\xbd\xd0\xb0 "
         "\xd0\xbd\xd0\xbe\xd0\xb3\xd0\xb5.",
         false},
    };
    TableParser parser(50);
    parser.add(kFronted);
    parser.add(kVerbless);
    parser.add(kMissedVerb);
    parser.add(chainTree(words(60)));
    parser.add(chainTree(words(50)));
    parser.add(chainTree("THE SOLDIER STOOD ON ONE LEG."));
    for (const Fallback& c : cases) {
        SCOPED_TRACE(c.what);
        cascade::SentenceCascade cascade(&parser);
        const Lines out = layOut(cascade, c.sentence);
        EXPECT_GE(out.size(), 1u);
        EXPECT_EQ(cascade.counts().parsed, c.parsed ? 1u : 0u);
        EXPECT_EQ(cascade.counts().lexicon, c.parsed ? 0u : 1u);
        std::string spelt;
        for (const std::string& l : out)
            spelt += (spelt.empty() ? "" : " ") + phraseText(l);
        EXPECT_EQ(spelt, c.sentence);
    }
}

// A fragment without a verb is laid out from its parse too: nothing in it takes the main
// verb's colour, its names still take theirs.
TEST(SentenceCascade, VerblessFragmentsHaveNoMainVerb) {
    const char* const fragment = "Thanks/NOUN/root/0 for/ADP/case/4 the/DET/det/4 "
                                 "help/NOUN/nmod/1 with/ADP/case/7 the/DET/det/7 "
                                 "garden/NOUN/nmod/4 ~,/PUNCT/punct/9 Mary/PROPN/vocative/1 "
                                 "~!/PUNCT/punct/1";
    TableParser parser;
    parser.add(fragment);
    cascade::SentenceCascade cascade(&parser);
    const Lines out = layOut(cascade, test::tree(fragment).text);
    EXPECT_EQ(cascade.counts().parsed, 1u);
    std::string all;
    for (const std::string& l : out)
        all += l + "\n";
    EXPECT_EQ(all.find("|7>"), std::string::npos) << all;
    EXPECT_NE(all.find("|8> Mary"), std::string::npos) << all;
    EXPECT_EQ(levelOf(out.front()), 5) << all;
}

TEST(SentenceCascade, WithoutAParserEverySentenceTakesTheLexicon) {
    cascade::SentenceCascade cascade(nullptr);
    layOut(cascade, test::tree(kFronted).text);
    EXPECT_EQ(cascade.counts().lexicon, 1u);
    EXPECT_EQ(cascade.counts().parsed, 0u);
}

// Style tags inside a sentence reach the lines unchanged; the parser sees blanks in their place.
TEST(SentenceCascade, StyleTagsAreNotWords) {
    test::Tree t = test::tree("She/PRON/nsubj/3 never/ADV/advmod/3 came/VERB/root/0 "
                              "home/ADV/advmod/3 ~./PUNCT/punct/3");
    const std::string tagged = "She |i>never|n> came home.";
    const std::string masked = "She    never    came home.";
    t.words[1].begin += 3;
    t.words[1].end += 3;
    for (std::size_t w = 2; w < t.words.size(); ++w) {
        t.words[w].begin += 6;
        t.words[w].end += 6;
    }
    TableParser parser;
    parser.add(masked, t.words);
    cascade::SentenceCascade cascade(&parser);
    const Lines out = layOut(cascade, tagged);
    EXPECT_EQ(parser.last, masked);
    EXPECT_EQ(cascade.counts().parsed, 1u);
    std::string all;
    for (const std::string& l : out)
        all += l;
    EXPECT_NE(all.find("|i>never|n>"), std::string::npos) << all;
}

// The example: "As he stepped up / to the cab, / he pulled a gold watch" put "he
// pulled" deep; from the tree it is back at the base. Sentences in a paragraph each start at
// the base, parsed or not, and the output keeps the stored format.
TEST(SentenceCascade, CascaderLaysParsedSentencesOut) {
    TableParser parser;
    parser.add(kFronted);
    const std::string fronted = test::tree(kFronted).text;
    const std::string prose = "THE WATCH\n\n" + fronted + " It was late. " + fronted + "\n\n\"" +
                              fronted + "\" said the driver.\n";
    Cascader cascader(&parser);
    cascader.addStory(prose);
    const Lines lines = cascader.finish();
    test::expectWellFormed(lines);
    EXPECT_GE(parser.calls, 4u);
    bool sentenceStart = true;
    std::size_t mainClauses = 0;
    for (const std::string& l : lines) {
        if (l == "s000 ") {
            sentenceStart = true;
            continue;
        }
        if (!isBodyLine(l)) continue;
        if (sentenceStart) {
            EXPECT_EQ(levelOf(l), 5) << l;
        }
        sentenceStart = false;
        // The quoted copy is not in the parser's table: it takes the lexicon rules.
        if (phraseText(l).rfind("he pulled", 0) == 0 && l.find("|6>") == std::string::npos) {
            ++mainClauses;
            EXPECT_EQ(levelOf(l), 5) << l;
            EXPECT_NE(l.find("|7> pulled"), std::string::npos) << l;
        }
    }
    EXPECT_EQ(mainClauses, 2u);
}

} // namespace
} // namespace qm
