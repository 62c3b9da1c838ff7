// The committed English model on sentences of the kinds the reader meets: trees are always
// well formed, plain sentences get their obvious structure, and inputs of any size and bytes
// come back bounded (long ones unparsed, for the caller's fallback).
#include "GrammarTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace qm::grammar {
namespace {

std::string wordAt(std::string_view text, const Word& w) {
    return std::string(text.substr(w.begin, w.end - w.begin));
}

// Index of the word with the given text, or words.size().
std::size_t find(std::string_view text, const Sentence& words, std::string_view word) {
    for (std::size_t i = 0; i < words.size(); ++i)
        if (wordAt(text, words[i]) == word) return i;
    return words.size();
}

class CommittedModel : public ::testing::Test {
protected:
    void SetUp() override {
        grammar = test::committedGrammar();
        if (!grammar) GTEST_SKIP() << "data/grammar/english.qmg is missing";
    }
    std::shared_ptr<const Grammar> grammar;
};

TEST_F(CommittedModel, EveryParseIsATree) {
    const char* sentences[] = {
        "As he stepped up to the cab, he pulled a gold watch from his pocket.",
        "She too was cut out for better things.",
        "There once lived a king who had three daughters.",
        "The learned men put on their coats and left.",
        "\xE2\x80\x9CWhere are you going?\xE2\x80\x9D asked the little match girl.",
        "Yes.",
        ("It was the best of times, it was the worst of times, it was the age of wisdom, it was "
         "the age of foolishness, it was the epoch of belief, it was the epoch of incredulity."),
    };
    for (const char* s : sentences) {
        Sentence words;
        EXPECT_TRUE(grammar->parse(s, words)) << s;
        EXPECT_EQ(test::treeProblem(words), "") << s;
    }
}

struct Expectation {
    const char* text;
    const char* word;
    const char* head; // "" for the root
    Rel rel;
    Upos upos;
};

TEST_F(CommittedModel, PlainSentencesGetTheirStructure) {
    const Expectation cases[] = {
        {"The cat sat on the mat.", "sat", "", Rel::Root, Upos::Verb},
        {"The cat sat on the mat.", "cat", "sat", Rel::Nsubj, Upos::Noun},
        {"The cat sat on the mat.", "mat", "sat", Rel::Obl, Upos::Noun},
        {"The cat sat on the mat.", "on", "mat", Rel::Case, Upos::Adp},
        {"She gave him a red ball.", "ball", "gave", Rel::Obj, Upos::Noun},
        {"She gave him a red ball.", "red", "ball", Rel::Amod, Upos::Adj},
        {"He has not been seen since Monday.", "seen", "", Rel::Root, Upos::Verb},
        {"He has not been seen since Monday.", "been", "seen", Rel::AuxPass, Upos::Aux},
        {"If it rains, we will stay inside.", "stay", "", Rel::Root, Upos::Verb},
        {"As he stepped up to the cab, he pulled a gold watch from his pocket.", "pulled", "",
         Rel::Root, Upos::Verb},
        {"As he stepped up to the cab, he pulled a gold watch from his pocket.", "stepped",
         "pulled", Rel::Advcl, Upos::Verb},
        {"If it rains, we will stay inside.", "rains", "stay", Rel::Advcl, Upos::Verb},
        {"Anna and Peter live in London.", "London", "live", Rel::Obl, Upos::Propn},
        {"Anna and Peter live in London.", "Peter", "Anna", Rel::Conj, Upos::Propn},
    };
    for (const Expectation& c : cases) {
        Sentence words;
        ASSERT_TRUE(grammar->parse(c.text, words)) << c.text;
        const std::size_t w = find(c.text, words, c.word);
        ASSERT_LT(w, words.size()) << c.word;
        EXPECT_EQ(uposName(words[w].upos), uposName(c.upos)) << c.text << " / " << c.word;
        EXPECT_EQ(relName(words[w].rel), relName(c.rel)) << c.text << " / " << c.word;
        const std::size_t h = *c.head ? find(c.text, words, c.head) + 1 : 0;
        EXPECT_EQ(words[w].head, h) << c.text << " / " << c.word;
    }
}

// The fine tags tell apart what one tag covers: past tense and participle, preposition and
// particle, plural and singular, a wh-pronoun and a modal.
TEST_F(CommittedModel, FineTagsSplitWhatTheTagsLump) {
    struct Case {
        const char* text;
        const char* word;
        int fine;
    };
    const Case cases[] = {
        {"He learned the rules quickly.", "learned", fineFromName("VBD")},
        {"The rules were learned quickly.", "learned", fineFromName("VBN")},
        {"She is walking home.", "walking", fineFromName("VBG")},
        {"They picked it up.", "up", fineFromName("RP")},
        {"The coat lies on the table.", "on", fineFromName("IN")},
        {"The dogs barked.", "dogs", fineFromName("NNS")},
        {"The dog barked.", "dog", fineFromName("NN")},
        {"Who could have called?", "Who", fineFromName("WP")},
        {"Who could have called?", "could", fineFromName("MD")},
    };
    for (const Case& c : cases) {
        Sentence words;
        ASSERT_TRUE(grammar->parse(c.text, words)) << c.text;
        const std::size_t at = find(c.text, words, c.word);
        ASSERT_LT(at, words.size()) << c.text;
        const std::vector<Lexeme> lex = lexemesOf(c.text, words);
        std::vector<Upos> tags;
        for (const Word& w : words)
            tags.push_back(w.upos);
        std::vector<std::uint8_t> fine(words.size());
        grammar->fineTagger().tag(lex.data(), tags.data(), words.size(), fine.data());
        EXPECT_EQ(fine[at], c.fine) << c.text << " / " << c.word;
    }
}

TEST_F(CommittedModel, PathologicalInputsComeBackBounded) {
    std::string endless;
    for (int i = 0; i < 100000; ++i)
        endless += i % 7 ? "word " : "WORD ";
    std::string numbers;
    for (int i = 0; i < 5000; ++i)
        numbers += std::to_string(i * 37) + " ";
    std::string cyrillic;
    for (int i = 0; i < 50; ++i)
        cyrillic += "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 ";
    std::string binary;
    for (int i = 0; i < 3000; ++i)
        binary.push_back(static_cast<char>((i * 131) % 256));
    enum Parsed { No, Yes, Either };
    struct Input {
        std::string text;
        Parsed parsed;
    };
    const Input inputs[] = {
        {endless, No},    {numbers, No},
        {cyrillic, Yes},  {"THE KING IS DEAD, LONG LIVE THE KING!", Yes},
        {binary, Either}, {std::string(300000, '-'), Yes},
        {"", No},         {"   ", No},
    };
    for (const Input& in : inputs) {
        Sentence words;
        const bool parsed = grammar->parse(in.text, words);
        if (in.parsed != Either) {
            EXPECT_EQ(parsed, in.parsed == Yes) << in.text.substr(0, 40);
        }
        EXPECT_EQ(parsed, !words.empty() && words.size() <= Grammar::kMaxParsedWords);
        if (parsed) {
            EXPECT_EQ(test::treeProblem(words), "") << in.text.substr(0, 40);
        }
        for (const Word& w : words) {
            ASSERT_LE(w.end, in.text.size());
            if (!parsed) {
                ASSERT_EQ(w.head, 0U);
            }
        }
    }
}

TEST_F(CommittedModel, GivenWordsAndGivenTagsAreKept) {
    const std::string text = "Time flies like an arrow.";
    Sentence words;
    ASSERT_TRUE(grammar->parse(text, words));
    Sentence given = words;
    for (Word& w : given)
        w.upos = Upos::Noun;
    ASSERT_TRUE(grammar->parseTagged(text, given));
    ASSERT_EQ(given.size(), words.size());
    for (std::size_t i = 0; i < given.size(); ++i) {
        EXPECT_EQ(given[i].upos, Upos::Noun);
        EXPECT_EQ(given[i].begin, words[i].begin);
    }
    EXPECT_EQ(test::treeProblem(given), "");
}

TEST_F(CommittedModel, ThreadsShareOneGrammar) {
    const std::string text = "The old man gave the boy a book about the sea.";
    Sentence expected;
    grammar->parse(text, expected);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            Sentence words;
            for (int i = 0; i < 200; ++i) {
                grammar->parse(i % 2 ? text : "A short one.", words);
                if (i % 2 &&
                    (words.size() != expected.size() || words.back().head != expected.back().head))
                    ++mismatches[static_cast<std::size_t>(t)];
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    for (int m : mismatches)
        EXPECT_EQ(m, 0);
}

// The parser scores what stays fixed within a sentence once (role features per token, small
// templates from flat tables). Scoring every move feature afresh, as training does, must
// choose the same moves and relations.
TEST_F(CommittedModel, CachedScoringParsesAsFreshScoringDoes) {
    const char* sentences[] = {
        "As he stepped up to the cab, he pulled a gold watch from his pocket.",
        "The learned men put on their coats, and the old woman who had watched them left too.",
        "\xE2\x80\x9CWhere are you going?\xE2\x80\x9D asked the little match girl.",
        "Yes.",
        "If it rains tomorrow, we will stay at home and read the books that she gave us.",
    };
    const Parser& parser = grammar->parser();
    for (const char* text : sentences) {
        Sentence words;
        ASSERT_TRUE(grammar->parse(text, words)) << text;
        const std::size_t n = words.size();
        std::vector<Lexeme> lex = lexemesOf(text, words);
        std::vector<Upos> tags;
        for (const Word& w : words)
            tags.push_back(w.upos);
        std::vector<std::uint8_t> fine(n);
        grammar->fineTagger().tag(lex.data(), tags.data(), n, fine.data());
        for (std::size_t i = 0; i < n; ++i)
            lex[i].form = fine[i];
        ParseState state;
        state.reset(n);
        std::uint32_t features[kMoveFeatureCount];
        std::uint32_t labelFeatures[kLabelFeatureCount];
        while (!state.done()) {
            state.moveFeatures(lex.data(), tags.data(), features);
            std::int32_t scores[kMoveCount] = {};
            parser.moves().addAll(features, kMoveFeatureCount, scores);
            const Move m = bestValidMove(state, scores);
            Rel label = Rel::Root;
            if (m != Move::Shift && !(m == Move::Left && state.leftToRoot())) {
                state.labelFeatures(m, lex.data(), tags.data(), labelFeatures);
                std::int32_t labelScores[kRelCount] = {};
                parser.labels().addAll(labelFeatures, kLabelFeatureCount, labelScores);
                label = bestLabel(labelScores);
            }
            state.apply(m, label);
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::int32_t h = state.head(i);
            const std::uint32_t head =
                h < 0 || static_cast<std::size_t>(h) == n ? 0U : static_cast<std::uint32_t>(h) + 1;
            EXPECT_EQ(words[i].head, head) << text << " word " << i;
            EXPECT_EQ(words[i].rel, state.label(i)) << text << " word " << i;
        }
    }
}

// The tagger computes a word's context features while the word before it is scored. Tagging
// word by word from all its features, as training does, must give the same tags, also where
// words the lexicon tags outright stand between the others.
TEST_F(CommittedModel, PipelinedTaggingTagsAsWordByWordTaggingDoes) {
    const char* sentences[] = {
        "The learned men put on their coats, and the old woman who had watched them left too.",
        "Yes.",
        "Quillmar's frobnicating zorbs glimmered unexpectedly beneath 42 tangerine skies!",
        "\xE2\x80\x9CWhere are you going?\xE2\x80\x9D asked the little match girl.",
    };
    const Tagger& tagger = grammar->tagger();
    for (const char* text : sentences) {
        Sentence words;
        ASSERT_TRUE(grammar->parse(text, words)) << text;
        const std::size_t n = words.size();
        const std::vector<Lexeme> lex = lexemesOf(text, words);
        Window window(tagger.lexicon(), lex.data(), n);
        std::uint32_t prev1 = kTagStart, prev2 = kTagStart;
        for (std::size_t i = 0; i < n; ++i) {
            window.moveTo(i);
            int best = window.only;
            if (best < 0) {
                std::uint32_t features[kTaggerFeatureCount];
                taggerFeatures(lex.data(), n, i, prev1, prev2, window.context, features);
                std::int32_t scores[kUposCount] = {};
                tagger.weights().addAll(features, kTaggerFeatureCount, scores);
                best = 0;
                for (std::size_t c = 1; c < kUposCount; ++c)
                    if (scores[c] > scores[best]) best = static_cast<int>(c);
            }
            EXPECT_EQ(words[i].upos, static_cast<Upos>(best)) << text << " word " << i;
            prev2 = prev1;
            prev1 = static_cast<std::uint32_t>(best);
        }
    }
}

// The fine tagger fetches weights words ahead: scoring each word from its own keys must pick
// the same fine tags, in sentences shorter and longer than that distance.
TEST_F(CommittedModel, FineTagsAheadAsWordByWordScoringDoes) {
    for (const char* text : {"Yes.", "The learned men put on their coats, and the old woman who "
                                     "had watched them left too."}) {
        Sentence words;
        ASSERT_TRUE(grammar->parse(text, words)) << text;
        const std::size_t n = words.size();
        const std::vector<Lexeme> lex = lexemesOf(text, words);
        std::vector<Upos> tags;
        for (const Word& w : words)
            tags.push_back(w.upos);
        std::vector<std::uint8_t> fine(n);
        grammar->fineTagger().tag(lex.data(), tags.data(), n, fine.data());
        for (std::size_t i = 0; i < n; ++i) {
            std::uint32_t keys[kFineFeatureCount];
            fineFeatures(lex.data(), tags.data(), n, i, keys);
            std::int32_t scores[kFineCount] = {};
            grammar->fineTagger().weights().addAll(keys, kFineFeatureCount, scores);
            EXPECT_EQ(fine[i], std::max_element(scores, scores + kFineCount) - scores)
                << text << " word " << i;
        }
    }
}

} // namespace
} // namespace qm::grammar
