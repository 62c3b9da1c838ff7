#pragma once
// Training the tagger and the parser from a treebank, and scoring them against one. Training
// is seeded: the same sentences and options always give the same model bytes.
#include "core/grammar/Conllu.h"
#include "core/grammar/Grammar.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace qm::grammar {

struct TaggerOptions {
    int epochs = 10;
    std::uint32_t seed = 1;
    float prune = 0.5F; // averaged weights smaller than this are left out
    // A word goes into the tag dictionary when seen this often with one tag this much of
    // the time.
    int dictionaryMinCount = 20;
    // A word's ambiguity class is kept when it was seen this often.
    int lexiconMinCount = 1;
    // Folds of the lexicon the training sentences see (1: the whole lexicon).
    int lexiconFolds = 5;
    double dictionaryMinShare = 0.97;
    // Taggers trained from different orders of the sentences whose mean weights make the model
    // (3 gave 95.30% on dev against 95.16%, but the parser trained on its tags scored lower on
    // test than the committed one).
    int members = 1;
};

struct ParserOptions {
    int epochs = 15;
    std::uint32_t seed = 1;
    // Averaged weights smaller than these are left out (of the moves, of the relations).
    float movesPrune = 1.5F;
    float labelsPrune = 0.5F;
    // From this epoch on, training follows the model's own move (learning to recover from its
    // mistakes) with the given probability, and the oracle's otherwise; before it, always the
    // oracle's.
    int exploreFrom = 2;
    float exploreProbability = 0.9F;
    // Training also learns from a right choice that does not beat the best wrong one by this
    // much (0: only from mistakes).
    float movesMargin = 5.0F;
    float labelsMargin = 5.0F;
    // Parsers trained from different orders of the sentences whose mean weights make the model.
    int members = 3;
};

struct FineOptions {
    int epochs = 5;
    std::uint32_t seed = 1;
    float prune = 0.5F;
};

// Progress lines for the training tool; may be empty.
using Progress = std::function<void(const std::string&)>;

Tagger trainTagger(const std::vector<TreebankSentence>& sentences, const TaggerOptions& options,
                   const Progress& progress = {});

// Tags of the training sentences as a tagger that never saw them gives them: each of `folds`
// parts is tagged by a tagger trained on the others (`threads` at once).
std::vector<std::vector<Upos>> jackknifeTags(const std::vector<TreebankSentence>& sentences,
                                             int folds, const TaggerOptions& options, int threads,
                                             const Progress& progress = {});

// The fine tagger, trained on the treebank's fine tags reading the given tags (one list per
// sentence, as the tagger gives them).
FineTagger trainFineTagger(const std::vector<TreebankSentence>& sentences,
                           const std::vector<std::vector<Upos>>& tags, const FineOptions& options);

// Fine tags of the training sentences as a fine tagger that never saw them gives them.
std::vector<std::vector<std::uint8_t>>
jackknifeFineTags(const std::vector<TreebankSentence>& sentences,
                  const std::vector<std::vector<Upos>>& tags, int folds, const FineOptions& options,
                  int threads, const Progress& progress = {});

// Trains the parser on gold trees with the given tags and fine tags (one list per sentence;
// no fine tags: every word's is 0).
Parser trainParser(const std::vector<TreebankSentence>& sentences,
                   const std::vector<std::vector<Upos>>& tags,
                   const std::vector<std::vector<std::uint8_t>>& fine, const ParserOptions& options,
                   const Progress& progress = {});

struct Scores {
    std::size_t words = 0;
    std::size_t tagsRight = 0;
    std::size_t headsRight = 0;
    std::size_t arcsRight = 0;          // head and relation, subtype included
    std::size_t universalArcsRight = 0; // head and the relation's universal part
    double upos() const { return share(tagsRight); }
    double uas() const { return share(headsRight); }
    double las() const { return share(arcsRight); }
    double universalLas() const { return share(universalArcsRight); }
    double share(std::size_t n) const {
        return words ? 100.0 * static_cast<double>(n) / static_cast<double>(words) : 0;
    }
};

// Tags and parses the gold words of every sentence and counts what matches the treebank.
Scores evaluate(const Grammar& grammar, const std::vector<TreebankSentence>& sentences);

struct TokenScores {
    std::size_t goldWords = 0;
    std::size_t cutWords = 0;
    std::size_t matched = 0; // words with the same begin and end
    std::size_t sentences = 0;
    std::size_t exact = 0; // sentences cut exactly as the treebank cuts them
    double precision() const {
        return cutWords ? 100.0 * static_cast<double>(matched) / static_cast<double>(cutWords) : 0;
    }
    double recall() const {
        return goldWords ? 100.0 * static_cast<double>(matched) / static_cast<double>(goldWords)
                         : 0;
    }
    double exactShare() const {
        return sentences ? 100.0 * static_cast<double>(exact) / static_cast<double>(sentences) : 0;
    }
};

// Cuts the text of every sentence and compares the words with the treebank's. When `misses`
// is given, each sentence cut differently is printed to it.
TokenScores evaluateTokenizer(const std::vector<TreebankSentence>& sentences, std::FILE* misses);

} // namespace qm::grammar
