#include "core/grammar/Perceptron.h"
#include "core/grammar/training/Folds.h"
#include "core/grammar/training/Shuffle.h"
#include "core/grammar/training/Training.h"

#include <algorithm>
#include <array>
#include <map>

namespace qm::grammar {
namespace {

Lexicon buildLexicon(const std::vector<TreebankSentence>& sentences, const TaggerOptions& options) {
    std::map<std::uint32_t, std::array<int, kUposCount>> counts;
    for (const TreebankSentence& s : sentences) {
        const std::vector<Lexeme> lex = lexemesOf(s.text, s.words);
        for (std::size_t i = 0; i < lex.size(); ++i) {
            auto [it, added] = counts.try_emplace(wordKey(lex[i]));
            if (added) it->second.fill(0);
            ++it->second[static_cast<std::size_t>(s.words[i].upos)];
        }
    }
    std::vector<std::pair<std::uint32_t, Lexicon::Entry>> entries;
    for (const auto& [key, c] : counts) {
        int total = 0;
        for (int v : c)
            total += v;
        // Words seen once are left out, so that training meets unknown words as use will.
        if (total < options.lexiconMinCount) continue;
        Lexicon::Entry e;
        for (std::size_t t = 0; t < kUposCount; ++t)
            if (c[t] > 0 && c[t] * 20 >= total) e.tags |= 1U << t;
        const auto top = std::max_element(c.begin(), c.end());
        if (total >= options.dictionaryMinCount && *top >= options.dictionaryMinShare * total)
            e.only = static_cast<int>(top - c.begin());
        entries.emplace_back(key, e);
    }
    return Lexicon(entries);
}

// One member of the ensemble: a perceptron trained on one order of the sentences.
void trainMember(const std::vector<TreebankSentence>& sentences,
                 const std::vector<std::vector<Lexeme>>& lexemes,
                 const std::vector<Lexicon>& foldLexicons, const Lexicon& lexicon,
                 const TaggerOptions& options, std::uint32_t seed, const Progress& progress,
                 Perceptron& model) {
    const std::size_t folds = foldLexicons.size();
    std::mt19937 rng(seed);
    std::uint32_t features[kTaggerFeatureCount];
    float scores[kUposCount];
    for (int epoch = 0; epoch < options.epochs; ++epoch) {
        std::size_t right = 0, total = 0;
        for (std::size_t si : shuffledOrder(sentences.size(), rng)) {
            const std::vector<Lexeme>& lex = lexemes[si];
            const Sentence& words = sentences[si].words;
            std::uint32_t prev1 = kTagStart, prev2 = kTagStart;
            const Lexicon& seen = folds > 1 ? foldLexicons[si % folds] : lexicon;
            Window window(seen, lex.data(), lex.size());
            for (std::size_t i = 0; i < lex.size(); ++i) {
                const auto gold = static_cast<std::uint32_t>(words[i].upos);
                window.moveTo(i);
                int guess = window.only;
                if (guess < 0) {
                    taggerFeatures(lex.data(), lex.size(), i, prev1, prev2, window.context,
                                   features);
                    model.score(features, kTaggerFeatureCount, scores);
                    guess =
                        static_cast<int>(std::max_element(scores, scores + kUposCount) - scores);
                    model.update(features, kTaggerFeatureCount, gold,
                                 static_cast<std::uint32_t>(guess));
                    model.tick();
                }
                right += static_cast<std::uint32_t>(guess) == gold;
                ++total;
                prev2 = prev1;
                prev1 = static_cast<std::uint32_t>(guess);
            }
        }
        if (progress)
            progress("tagger epoch " + std::to_string(epoch + 1) + ": " +
                     std::to_string(100.0 * static_cast<double>(right) /
                                    static_cast<double>(std::max<std::size_t>(total, 1))) +
                     "% on training");
    }
}

} // namespace

Tagger trainTagger(const std::vector<TreebankSentence>& sentences, const TaggerOptions& options,
                   const Progress& progress) {
    Lexicon lexicon = buildLexicon(sentences, options);
    // While training, each sentence sees a lexicon built without it (from the other folds),
    // so that it meets unknown words and missing tags as often as new text will.
    std::vector<Lexicon> foldLexicons;
    if (const auto folds = static_cast<std::size_t>(std::max(options.lexiconFolds, 1)); folds > 1) {
        for (std::size_t f = 0; f < folds; ++f) {
            std::vector<TreebankSentence> others;
            for (std::size_t i = 0; i < sentences.size(); ++i)
                if (i % folds != f) others.push_back(sentences[i]);
            foldLexicons.push_back(buildLexicon(others, options));
        }
    }
    std::vector<std::vector<Lexeme>> lexemes;
    lexemes.reserve(sentences.size());
    for (const TreebankSentence& s : sentences)
        lexemes.push_back(lexemesOf(s.text, s.words));
    std::vector<Perceptron> members(static_cast<std::size_t>(std::max(options.members, 1)),
                                    Perceptron(kUposCount));
    std::vector<const Perceptron*> trained;
    for (std::size_t k = 0; k < members.size(); ++k) {
        // Members differ only in the order they see the sentences.
        const auto seed = options.seed + static_cast<std::uint32_t>(k) * 1000003U;
        trainMember(sentences, lexemes, foldLexicons, lexicon, options, seed, progress, members[k]);
        trained.push_back(&members[k]);
    }
    return Tagger(members.size() == 1 ? members[0].average(options.prune)
                                      : Perceptron::average(trained, options.prune),
                  std::move(lexicon));
}

std::vector<std::vector<Upos>> jackknifeTags(const std::vector<TreebankSentence>& sentences,
                                             int folds, const TaggerOptions& options, int threads,
                                             const Progress& progress) {
    std::vector<std::vector<Upos>> tags(sentences.size());
    const auto k = static_cast<std::size_t>(std::max(folds, 1));
    auto runFold = [&](std::size_t fold) {
        std::vector<TreebankSentence> train;
        for (std::size_t i = 0; i < sentences.size(); ++i)
            if (i % k != fold) train.push_back(sentences[i]);
        const Tagger tagger = trainTagger(train, options);
        for (std::size_t i = fold; i < sentences.size(); i += k) {
            const std::vector<Lexeme> lex = lexemesOf(sentences[i].text, sentences[i].words);
            tags[i].resize(lex.size());
            tagger.tag(lex.data(), lex.size(), tags[i].data());
        }
    };
    runFolds(k, static_cast<std::size_t>(std::max(threads, 1)), runFold, [&](std::size_t done) {
        if (progress)
            progress("jackknife: " + std::to_string(done) + "/" + std::to_string(k) +
                     " folds tagged");
    });
    return tags;
}

} // namespace qm::grammar
