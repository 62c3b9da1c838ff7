// The committed model against the treebank's development part, when the treebank is beside
// the project: the figures it was chosen by must hold, with the reader's own tokenizer too.
#include "GrammarTestSupport.h"
#include "core/grammar/training/Training.h"
#include "core/port/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qm::grammar {
namespace {

const std::string kDev = QM_SHARED_DIR "/treebanks/ud-english-ewt/en_ewt-ud-dev.conllu";

class Treebank : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kDev)) GTEST_SKIP() << kDev << " is missing";
        grammar = test::committedGrammar();
        if (!grammar) GTEST_SKIP() << "data/grammar/english.qmg is missing";
        sentences = readConllu(readFileBytes(*makeRealFileSystem(), kDev));
    }
    std::shared_ptr<const Grammar> grammar;
    std::vector<TreebankSentence> sentences;
};

TEST_F(Treebank, TagsAndTreesOfTheDevelopmentPart) {
    const Scores s = evaluate(*grammar, sentences);
    EXPECT_GT(s.words, 25000U);
    EXPECT_GE(s.upos(), 95.0);
    EXPECT_GE(s.uas(), 83.5);
    EXPECT_GE(s.las(), 80.0);
}

TEST_F(Treebank, TokenizerCutsNearlyEveryWordAsTheTreebank) {
    const TokenScores t = evaluateTokenizer(sentences, nullptr);
    EXPECT_GE(t.recall(), 98.0);
    EXPECT_GE(t.precision(), 98.0);
}

TEST_F(Treebank, EveryDevelopmentSentenceParsesToATree) {
    Sentence words;
    for (const TreebankSentence& s : sentences) {
        if (!grammar->parse(s.text, words)) {
            EXPECT_GT(words.size(), Grammar::kMaxParsedWords) << s.text;
            continue;
        }
        ASSERT_EQ(test::treeProblem(words), "") << s.text;
    }
}

} // namespace
} // namespace qm::grammar
