// Model files: training is repeatable, a model survives writing and reading unchanged, and a
// damaged, cut or foreign file gives a message instead of a crash. Also the treebank reader
// that training relies on.
#include "GrammarTestSupport.h"
#include "core/base/Error.h"
#include "core/grammar/training/Training.h"
#include "core/testing/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <random>

namespace qm::grammar {
namespace {

// The schedule of a training run: from which epoch, and how often, it follows its own moves.
struct Schedule {
    int exploreFrom = 1;
    float exploreProbability = 1.0F;
};

std::string trainTiny(std::uint32_t seed, Schedule schedule = {}) {
    const auto sentences = readConllu(test::kTinyTreebank);
    TaggerOptions tagging;
    tagging.epochs = 3;
    tagging.seed = seed;
    tagging.dictionaryMinCount = 2;
    tagging.prune = 0;
    ParserOptions parsing;
    parsing.epochs = 3;
    parsing.seed = seed;
    parsing.movesPrune = 0;
    parsing.labelsPrune = 0;
    parsing.exploreFrom = schedule.exploreFrom;
    parsing.exploreProbability = schedule.exploreProbability;
    std::vector<std::vector<Upos>> tags;
    std::vector<std::vector<std::uint8_t>> fine;
    for (const TreebankSentence& s : sentences) {
        tags.emplace_back();
        for (const Word& w : s.words)
            tags.back().push_back(w.upos);
        fine.push_back(s.fine);
    }
    FineOptions fining;
    fining.seed = seed;
    const Grammar g(trainTagger(sentences, tagging), trainParser(sentences, tags, fine, parsing),
                    trainFineTagger(sentences, tags, fining));
    return g.toBytes();
}

TEST(ConlluReader, GivesWordsTheirPiecesOfTheSentenceText) {
    const auto sentences = readConllu(test::kTinyTreebank);
    ASSERT_EQ(sentences.size(), 4U);
    const TreebankSentence& s = sentences[1];
    EXPECT_EQ(s.text, "She didn't see it.");
    const char* expected[] = {"She", "did", "n't", "see", "it", "."};
    ASSERT_EQ(s.words.size(), 6U);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(s.text.substr(s.words[i].begin, s.words[i].end - s.words[i].begin), expected[i]);
    EXPECT_EQ(s.words[3].head, 0U);
    EXPECT_EQ(s.words[3].rel, Rel::Root);
    EXPECT_EQ(s.words[1].rel, Rel::Aux);
    EXPECT_EQ(s.words[1].upos, Upos::Aux);
    const char* fine[] = {"PRP", "VBD", "RB", "VB", "PRP", "."};
    ASSERT_EQ(s.fine.size(), 6U);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(s.fine[i], fineFromName(fine[i])) << fine[i];
    EXPECT_NE(fineFromName("VBD"), fineFromName("VBN"));
    EXPECT_EQ(fineFromName("NOT-A-TAG"), 0U);
}

TEST(ConlluReader, RebuildsTheTextWhenItIsMissingAndSkipsBrokenLines) {
    const auto sentences = readConllu("1\tHi\thi\tINTJ\t_\t_\t0\troot\t_\tSpaceAfter=No\n"
                                      "broken line\n"
                                      "2\t!\t!\tPUNCT\t_\t_\t1\tpunct\t_\t_\n"
                                      "2.1\tghost\t_\t_\t_\t_\t_\t_\t_\t_\n"
                                      "3\tx\tx\tX\t_\t_\t99\tdep\t_\t_\n");
    ASSERT_EQ(sentences.size(), 1U);
    EXPECT_EQ(sentences[0].text, "Hi! x ");
    ASSERT_EQ(sentences[0].words.size(), 3U);
    EXPECT_EQ(sentences[0].words[2].head, 0U) << "a head beyond the sentence reads as root";
}

TEST(GrammarModel, TrainingIsRepeatableAndTheSeedMatters) {
    const std::string a = trainTiny(7);
    EXPECT_EQ(a, trainTiny(7));
    EXPECT_NE(a, trainTiny(8));
}

// Schedules that never follow the model are the same run however they say it; a schedule that
// follows it at random is still repeatable.
TEST(GrammarModel, SchedulesThatOnlyFollowTheOracleTrainAlike) {
    const std::string oracleOnly = trainTiny(7, {0, 0.0F});
    const Schedule alike[] = {{3, 1.0F}, {9, 0.5F}, {1, 0.0F}, {0, -1.0F}};
    for (const Schedule& s : alike)
        EXPECT_EQ(trainTiny(7, s), oracleOnly) << s.exploreFrom << " " << s.exploreProbability;
    EXPECT_EQ(trainTiny(7, {1, 0.5F}), trainTiny(7, {1, 0.5F}));
}

// A tagger of several members scores every word as the mean of taggers trained alone in the
// members' orders, up to the rounding of the stored weights.
TEST(GrammarModel, TaggerMembersScoreAsTheirMean) {
    const auto sentences = readConllu(test::kTinyTreebank);
    auto train = [&](std::uint32_t seed, int members) {
        TaggerOptions options;
        options.epochs = 3;
        options.seed = seed;
        options.prune = 0;
        options.dictionaryMinCount = 1000; // every word scored, none tagged by the lexicon
        options.members = members;
        return trainTagger(sentences, options);
    };
    const Tagger alone[] = {train(5, 1), train(5 + 1000003U, 1), train(5 + 2 * 1000003U, 1)};
    for (const int members : {2, 3}) {
        const Tagger ensemble = train(5, members);
        EXPECT_NE(ensemble.weights().scale(), alone[0].weights().scale()) << members;
        std::size_t checked = 0;
        for (const TreebankSentence& s : sentences) {
            const std::vector<Lexeme> lex = lexemesOf(s.text, s.words);
            Window window(ensemble.lexicon(), lex.data(), lex.size());
            for (std::size_t i = 0; i < lex.size(); ++i) {
                window.moveTo(i);
                std::uint32_t features[kTaggerFeatureCount];
                taggerFeatures(lex.data(), lex.size(), i, 3, 5, window.context, features);
                std::int32_t mixed[kUposCount] = {};
                ensemble.weights().addAll(features, kTaggerFeatureCount, mixed);
                double mean[kUposCount] = {};
                double rounding = ensemble.weights().scale();
                for (int m = 0; m < members; ++m) {
                    std::int32_t own[kUposCount] = {};
                    const WeightTable& w = alone[m].weights();
                    w.addAll(features, kTaggerFeatureCount, own);
                    for (std::size_t c = 0; c < kUposCount; ++c)
                        mean[c] += own[c] * double{w.scale()} / members;
                    rounding += w.scale();
                }
                for (std::size_t c = 0; c < kUposCount; ++c, ++checked)
                    EXPECT_NEAR(mixed[c] * double{ensemble.weights().scale()}, mean[c],
                                rounding * kTaggerFeatureCount)
                        << members << " members, word " << i << ", tag " << c;
            }
        }
        EXPECT_GT(checked, 0U);
    }
}

TEST(GrammarModel, ReadsBackWhatItWroteAndParsesAlike) {
    const std::string bytes = trainTiny(1);
    const auto g = Grammar::fromBytes(bytes);
    EXPECT_EQ(g->toBytes(), bytes);
    const auto again = Grammar::fromBytes(g->toBytes());
    for (const char* text : {"The dog sat on the mat.", "Mary didn't see the old cat."}) {
        Sentence a, b;
        EXPECT_TRUE(g->parse(text, a));
        EXPECT_TRUE(again->parse(text, b));
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].upos, b[i].upos);
            EXPECT_EQ(a[i].head, b[i].head);
            EXPECT_EQ(a[i].rel, b[i].rel);
        }
        EXPECT_EQ(test::treeProblem(a), "") << text;
    }
}

TEST(GrammarModel, DamagedFilesGiveAMessage) {
    const std::string bytes = trainTiny(1);
    // Cut anywhere.
    for (std::size_t n = 0; n < bytes.size(); n += 1 + n / 16) {
        EXPECT_THROW(Grammar::fromBytes(std::string_view(bytes).substr(0, n)), UserError) << n;
    }
    // One byte changed anywhere.
    std::mt19937 rng(3);
    for (int i = 0; i < 300; ++i) {
        std::string damaged = bytes;
        const std::size_t at = rng() % damaged.size();
        damaged[at] = static_cast<char>(damaged[at] ^ static_cast<char>(1 + rng() % 255));
        EXPECT_THROW(Grammar::fromBytes(damaged), UserError) << at;
    }
    // Bytes after the end, and files that are not models at all.
    EXPECT_THROW(Grammar::fromBytes(bytes + "x"), UserError);
    EXPECT_THROW(Grammar::fromBytes(""), UserError);
    EXPECT_THROW(Grammar::fromBytes(std::string(4096, '\0')), UserError);
    try {
        Grammar::fromBytes("PK\x03\x04 a zip file");
        FAIL() << "a foreign file was read as a model";
    } catch (const UserError& e) {
        EXPECT_NE(std::string(e.what()).find("grammar model"), std::string::npos) << e.what();
    }
}

// A model is read through the file system it is given; what cannot be read as one says which
// file it was.
TEST(GrammarModel, LoadsThroughTheFileSystemAndNamesABadFile) {
    const std::string bytes = trainTiny(1);
    MemoryFileSystem fs;
    fs.addFolder("/prog");
    fs.writeFile("/prog/english.qmg", bytes);
    fs.writeFile("/prog/cut.qmg", bytes.substr(0, bytes.size() / 2));
    fs.writeFile("/prog/empty.qmg", "");
    const auto g = Grammar::load(fs, "/prog/english.qmg");
    EXPECT_EQ(g->toBytes(), bytes);
    for (const char* bad : {"/prog/cut.qmg", "/prog/empty.qmg", "/prog/missing.qmg"}) {
        try {
            (void)Grammar::load(fs, bad);
            ADD_FAILURE() << bad << " was read as a model";
        } catch (const UserError& e) {
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace qm::grammar

namespace qm::grammar {
namespace {

// A changed byte with the checksum made right again: the reader's own checks must catch what
// is inconsistent, and whatever it accepts must parse without going wrong.
TEST(GrammarModel, ResealedDamageIsCaughtOrHarmless) {
    const std::string bytes = trainTiny(1);
    std::mt19937 rng(5);
    int refused = 0;
    for (int i = 0; i < 400; ++i) {
        std::string damaged = bytes.substr(0, bytes.size() - 8);
        const std::size_t at = 12 + rng() % (damaged.size() - 12);
        damaged[at] = static_cast<char>(damaged[at] ^ static_cast<char>(1 + rng() % 255));
        ByteWriter tail;
        const std::uint64_t sum = checksum(damaged);
        tail.u32(static_cast<std::uint32_t>(sum));
        tail.u32(static_cast<std::uint32_t>(sum >> 32));
        damaged += tail.data();
        try {
            const auto g = Grammar::fromBytes(damaged);
            Sentence words;
            g->parse("The old man gave the dog a book.", words);
            EXPECT_EQ(test::treeProblem(words), "") << at;
        } catch (const UserError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

} // namespace
} // namespace qm::grammar
