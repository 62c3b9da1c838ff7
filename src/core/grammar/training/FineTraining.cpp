#include "core/grammar/Perceptron.h"
#include "core/grammar/training/Folds.h"
#include "core/grammar/training/Shuffle.h"
#include "core/grammar/training/Training.h"

#include <algorithm>

namespace qm::grammar {
namespace {

// Trains on the sentences whose index is not in `fold` of `folds` (all of them for folds 1),
// reading the given tags as the tagger gives them.
FineTagger trainOn(const std::vector<TreebankSentence>& sentences,
                   const std::vector<std::vector<Upos>>& tags, const FineOptions& options,
                   std::size_t folds, std::size_t fold) {
    Perceptron weights(kFineCount);
    std::mt19937 rng(options.seed);
    std::uint32_t keys[kFineFeatureCount];
    float scores[kFineCount];
    std::vector<Lexeme> lex;
    for (int epoch = 0; epoch < options.epochs; ++epoch) {
        for (std::size_t si : shuffledOrder(sentences.size(), rng)) {
            if (folds > 1 && si % folds == fold) continue;
            const TreebankSentence& s = sentences[si];
            const std::size_t n = s.words.size();
            if (tags[si].size() != n || s.fine.size() != n) continue;
            lex = lexemesOf(s.text, s.words);
            for (std::size_t i = 0; i < n; ++i) {
                fineFeatures(lex.data(), tags[si].data(), n, i, keys);
                weights.score(keys, kFineFeatureCount, scores);
                const auto guess = static_cast<std::uint32_t>(
                    std::max_element(scores, scores + kFineCount) - scores);
                if (guess != s.fine[i]) weights.update(keys, kFineFeatureCount, s.fine[i], guess);
                weights.tick();
            }
        }
    }
    return FineTagger(weights.average(options.prune));
}

} // namespace

FineTagger trainFineTagger(const std::vector<TreebankSentence>& sentences,
                           const std::vector<std::vector<Upos>>& tags, const FineOptions& options) {
    return trainOn(sentences, tags, options, 1, 0);
}

std::vector<std::vector<std::uint8_t>>
jackknifeFineTags(const std::vector<TreebankSentence>& sentences,
                  const std::vector<std::vector<Upos>>& tags, int folds, const FineOptions& options,
                  int threads, const Progress& progress) {
    std::vector<std::vector<std::uint8_t>> fine(sentences.size());
    const auto k = static_cast<std::size_t>(std::max(folds, 2));
    auto runFold = [&](std::size_t fold) {
        const FineTagger tagger = trainOn(sentences, tags, options, k, fold);
        for (std::size_t i = fold; i < sentences.size(); i += k) {
            const std::vector<Lexeme> lex = lexemesOf(sentences[i].text, sentences[i].words);
            fine[i].resize(lex.size());
            if (tags[i].size() == lex.size())
                tagger.tag(lex.data(), tags[i].data(), lex.size(), fine[i].data());
        }
    };
    runFolds(k, static_cast<std::size_t>(std::max(threads, 1)), runFold, [](std::size_t) {});
    if (progress) progress("fine tags jackknifed in " + std::to_string(k) + " folds");
    return fine;
}

} // namespace qm::grammar
