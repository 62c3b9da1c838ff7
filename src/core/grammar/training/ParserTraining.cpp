#include "core/grammar/Perceptron.h"
#include "core/grammar/training/Oracle.h"
#include "core/grammar/training/Shuffle.h"
#include "core/grammar/training/Training.h"

#include <algorithm>
#include <array>

namespace qm::grammar {

Parser trainParser(const std::vector<TreebankSentence>& sentences,
                   const std::vector<std::vector<Upos>>& tags, const ParserOptions& options,
                   const Progress& progress) {
    Perceptron moves(kMoveCount);
    Perceptron labels(kRelCount);
    std::mt19937 rng(options.seed);
    std::vector<std::vector<Lexeme>> lexemes(sentences.size());
    for (std::size_t s = 0; s < sentences.size(); ++s) {
        const TreebankSentence& ts = sentences[s];
        for (const Word& w : ts.words)
            lexemes[s].push_back(
                makeLexeme(std::string_view(ts.text).substr(w.begin, w.end - w.begin)));
    }
    ParseState state;
    std::uint32_t features[kMoveFeatureCount];
    std::uint32_t labelFeatures[kLabelFeatureCount];
    float moveScores[kMoveCount];
    float labelScores[kRelCount];
    std::vector<std::int32_t> gold;
    for (int epoch = 0; epoch < options.epochs; ++epoch) {
        std::size_t right = 0, total = 0, labelsRight = 0, labelsTotal = 0;
        for (std::size_t si : shuffledOrder(sentences.size(), rng)) {
            const Sentence& words = sentences[si].words;
            const std::size_t n = words.size();
            if (n == 0 || n > Grammar::kMaxParsedWords || tags[si].size() != n) continue;
            const Lexeme* lex = lexemes[si].data();
            const Upos* tagged = tags[si].data();
            gold.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                gold[i] = words[i].head == 0 ? static_cast<std::int32_t>(n)
                                             : static_cast<std::int32_t>(words[i].head) - 1;
            state.reset(n);
            while (!state.done()) {
                state.moveFeatures(lex, tagged, features);
                moves.score(features, kMoveFeatureCount, moveScores);
                const std::array<int, kMoveCount> costs = moveCosts(state, gold);
                const Move guess = bestValidMove(state, moveScores);
                int truth = -1;
                for (int m = 0; m < static_cast<int>(kMoveCount); ++m) {
                    if (!state.valid(static_cast<Move>(m))) continue;
                    const auto mi = static_cast<std::size_t>(m);
                    const auto ti = static_cast<std::size_t>(truth);
                    if (truth < 0 || costs[mi] < costs[ti] ||
                        (costs[mi] == costs[ti] && moveScores[mi] > moveScores[ti]))
                        truth = m;
                }
                const auto gi = static_cast<std::size_t>(guess);
                if (costs[gi] > costs[static_cast<std::size_t>(truth)])
                    moves.update(features, kMoveFeatureCount, static_cast<std::uint32_t>(truth),
                                 static_cast<std::uint32_t>(gi));
                else
                    ++right;
                ++total;
                moves.tick();
                // The first pass follows the oracle; later passes follow the model and learn
                // to recover from their own mistakes.
                const Move m = epoch == 0 ? static_cast<Move>(truth) : guess;
                Rel label = Rel::Root;
                if (m != Move::Shift && !(m == Move::Left && state.leftToRoot())) {
                    state.labelFeatures(m, lex, tagged, labelFeatures);
                    labels.score(labelFeatures, kLabelFeatureCount, labelScores);
                    label = bestLabel(labelScores);
                    // The relation is learnt from arcs the treebank has.
                    const auto s0 = static_cast<std::size_t>(state.stack().back());
                    const std::int32_t head = m == Move::Left
                                                  ? static_cast<std::int32_t>(state.next())
                                                  : state.stack()[state.stack().size() - 2];
                    if (gold[s0] == head && words[s0].rel != Rel::Root) {
                        const auto want = static_cast<std::uint32_t>(words[s0].rel);
                        labels.update(labelFeatures, kLabelFeatureCount, want,
                                      static_cast<std::uint32_t>(label));
                        labels.tick();
                        labelsRight += want == static_cast<std::uint32_t>(label);
                        ++labelsTotal;
                        if (epoch == 0) label = words[s0].rel;
                    }
                }
                state.apply(m, label);
            }
        }
        if (progress)
            progress("parser epoch " + std::to_string(epoch + 1) + ": " +
                     std::to_string(100.0 * static_cast<double>(right) /
                                    static_cast<double>(std::max<std::size_t>(total, 1))) +
                     "% of moves right, " +
                     std::to_string(100.0 * static_cast<double>(labelsRight) /
                                    static_cast<double>(std::max<std::size_t>(labelsTotal, 1))) +
                     "% of relations");
    }
    return Parser(moves.averageInline(options.movesPrune), labels.average(options.labelsPrune));
}

} // namespace qm::grammar
