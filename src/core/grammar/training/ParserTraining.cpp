#include "core/grammar/Perceptron.h"
#include "core/grammar/training/Oracle.h"
#include "core/grammar/training/Shuffle.h"
#include "core/grammar/training/Training.h"

#include <algorithm>
#include <array>

namespace qm::grammar {
namespace {

// One member of the ensemble: the weights of its moves and of its relations.
struct Member {
    Perceptron moves{kMoveCount};
    Perceptron labels{kRelCount};
};

void trainMember(const std::vector<TreebankSentence>& sentences,
                 const std::vector<std::vector<Upos>>& tags,
                 const std::vector<std::vector<Lexeme>>& lexemes, const ParserOptions& options,
                 std::uint32_t seed, const Progress& progress, Member& member) {
    Perceptron& moves = member.moves;
    Perceptron& labels = member.labels;
    std::mt19937 rng(seed);
    // A stream of its own, so the order of the sentences does not depend on the schedule.
    std::mt19937 explore(seed ^ 0x5eed0e7dU);
    const auto exploreBelow = static_cast<std::uint64_t>(
        static_cast<double>(std::clamp(options.exploreProbability, 0.0F, 1.0F)) * 4294967296.0);
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
                const auto ti = static_cast<std::size_t>(truth);
                // The best-scoring move that costs more than the truth: when the truth does
                // not beat it by the margin, it is learnt against too.
                int rival = -1;
                for (int m = 0; m < static_cast<int>(kMoveCount); ++m) {
                    const auto mi = static_cast<std::size_t>(m);
                    if (!state.valid(static_cast<Move>(m)) || costs[mi] <= costs[ti]) continue;
                    if (rival < 0 || moveScores[mi] > moveScores[static_cast<std::size_t>(rival)])
                        rival = m;
                }
                const bool mistaken = costs[gi] > costs[ti];
                if (mistaken ||
                    (rival >= 0 && moveScores[ti] - moveScores[static_cast<std::size_t>(rival)] <
                                       options.movesMargin))
                    moves.update(
                        features, kMoveFeatureCount, static_cast<std::uint32_t>(truth),
                        static_cast<std::uint32_t>(mistaken ? guess : static_cast<Move>(rival)));
                if (!mistaken) ++right;
                ++total;
                moves.tick();
                // The first passes follow the oracle; later passes mostly follow the model and
                // learn to recover from their own mistakes.
                const bool followModel =
                    epoch >= options.exploreFrom && std::uint64_t{explore()} < exploreBelow;
                const Move m = followModel ? guess : static_cast<Move>(truth);
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
                        const float kept = labelScores[want];
                        labelScores[want] = -1e30F;
                        const auto other = static_cast<std::uint32_t>(bestLabel(labelScores));
                        if (static_cast<std::uint32_t>(label) != want ||
                            kept - labelScores[other] < options.labelsMargin)
                            labels.update(labelFeatures, kLabelFeatureCount, want, other);
                        labels.tick();
                        labelsRight += want == static_cast<std::uint32_t>(label);
                        ++labelsTotal;
                        if (!followModel) label = words[s0].rel;
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
}

} // namespace

Parser trainParser(const std::vector<TreebankSentence>& sentences,
                   const std::vector<std::vector<Upos>>& tags,
                   const std::vector<std::vector<std::uint8_t>>& fine, const ParserOptions& options,
                   const Progress& progress) {
    std::vector<std::vector<Lexeme>> lexemes;
    lexemes.reserve(sentences.size());
    for (std::size_t si = 0; si < sentences.size(); ++si) {
        const TreebankSentence& ts = sentences[si];
        lexemes.push_back(lexemesOf(ts.text, ts.words));
        // The parser reads the fine tag where the lexeme had its form class.
        for (std::size_t i = 0; i < lexemes.back().size(); ++i)
            lexemes.back()[i].form =
                si < fine.size() && i < fine[si].size() ? fine[si][i] : std::uint8_t{0};
    }
    std::vector<Member> members(static_cast<std::size_t>(std::max(options.members, 1)));
    std::vector<const Perceptron*> moves, labels;
    for (std::size_t k = 0; k < members.size(); ++k) {
        // Members differ only in the order they see the sentences and where they explore.
        const auto seed = options.seed + static_cast<std::uint32_t>(k) * 1000003U;
        trainMember(sentences, tags, lexemes, options, seed, progress, members[k]);
        moves.push_back(&members[k].moves);
        labels.push_back(&members[k].labels);
    }
    return Parser(Perceptron::averageInline(moves, options.movesPrune),
                  Perceptron::average(labels, options.labelsPrune));
}

} // namespace qm::grammar
