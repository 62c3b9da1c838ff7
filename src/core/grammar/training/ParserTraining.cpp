#include "core/grammar/Perceptron.h"
#include "core/grammar/training/Shuffle.h"
#include "core/grammar/training/Training.h"

#include <algorithm>
#include <limits>

namespace qm::grammar {
namespace {

// What each unlabelled move costs: how many gold arcs it makes unreachable (the dynamic
// oracle of the arc-hybrid system). gold[i] is word i's head, n for the root.
struct MoveCosts {
    int shift = 0;
    int left = 0;
    int right = 0;
};

MoveCosts moveCosts(const ParseState& state, const std::vector<std::int32_t>& gold) {
    MoveCosts c;
    const auto n = static_cast<std::int32_t>(state.size());
    const auto b = static_cast<std::int32_t>(state.next());
    const std::vector<std::int32_t>& stack = state.stack();
    if (b < n) {
        for (std::int32_t s : stack)
            c.shift += gold[static_cast<std::size_t>(s)] == b;
        const std::int32_t hb = gold[static_cast<std::size_t>(b)];
        if (!stack.empty() && hb != stack.back() &&
            std::find(stack.begin(), stack.end(), hb) != stack.end())
            ++c.shift;
    }
    if (!stack.empty()) {
        const std::int32_t s0 = stack.back();
        const std::int32_t s1 = stack.size() >= 2 ? stack[stack.size() - 2] : -2;
        int children = 0;
        for (std::int32_t k = b; k < n; ++k)
            children += gold[static_cast<std::size_t>(k)] == s0;
        const std::int32_t h = gold[static_cast<std::size_t>(s0)];
        c.left = children + (h != b && (h == s1 || (h > b && h <= n)) ? 1 : 0);
        c.right = children + (h != s1 && h >= b && h <= n ? 1 : 0);
    }
    return c;
}

int classCost(std::uint32_t cls, const MoveCosts& c, const ParseState& state,
              const std::vector<std::int32_t>& gold, const std::vector<Rel>& labels) {
    const Move m = classMove(cls);
    if (m == Move::Shift) return c.shift;
    const std::int32_t s0 = state.stack().back();
    const std::int32_t head = m == Move::Left ? static_cast<std::int32_t>(state.next())
                                              : state.stack()[state.stack().size() - 2];
    const int base = m == Move::Left ? c.left : c.right;
    const auto i = static_cast<std::size_t>(s0);
    return base + (gold[i] == head && labels[i] != classLabel(cls) ? 1 : 0);
}

} // namespace

Parser trainParser(const std::vector<TreebankSentence>& sentences,
                   const std::vector<std::vector<Upos>>& tags, const ParserOptions& options,
                   const Progress& progress) {
    Perceptron model(kParserClasses);
    std::mt19937 rng(options.seed);
    std::vector<std::vector<Lexeme>> lexemes(sentences.size());
    for (std::size_t s = 0; s < sentences.size(); ++s) {
        const TreebankSentence& ts = sentences[s];
        for (const Word& w : ts.words)
            lexemes[s].push_back(
                makeLexeme(std::string_view(ts.text).substr(w.begin, w.end - w.begin)));
    }
    ParseState state;
    std::uint32_t features[kParserFeatureCount];
    float scores[kParserClasses];
    std::vector<std::int32_t> gold;
    std::vector<Rel> labels;
    for (int epoch = 0; epoch < options.epochs; ++epoch) {
        std::size_t right = 0, total = 0;
        for (std::size_t si : shuffledOrder(sentences.size(), rng)) {
            const Sentence& words = sentences[si].words;
            const std::size_t n = words.size();
            if (n == 0 || n > Grammar::kMaxParsedWords || tags[si].size() != n) continue;
            gold.resize(n);
            labels.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                gold[i] = words[i].head == 0 ? static_cast<std::int32_t>(n)
                                             : static_cast<std::int32_t>(words[i].head) - 1;
                labels[i] = words[i].rel;
            }
            state.reset(n);
            while (!state.done()) {
                state.features(lexemes[si].data(), tags[si].data(), features);
                model.score(features, kParserFeatureCount, scores);
                const MoveCosts costs = moveCosts(state, gold);
                int bestCost = std::numeric_limits<int>::max();
                std::uint32_t guess = kParserClasses, truth = kParserClasses;
                for (std::uint32_t c = 0; c < kParserClasses; ++c) {
                    if (!state.validClass(c)) continue;
                    if (guess == kParserClasses || scores[c] > scores[guess]) guess = c;
                    const int cost = classCost(c, costs, state, gold, labels);
                    if (cost < bestCost || (cost == bestCost && scores[c] > scores[truth])) {
                        bestCost = cost;
                        truth = c;
                    }
                }
                const int guessCost = classCost(guess, costs, state, gold, labels);
                if (guessCost > bestCost)
                    model.update(features, kParserFeatureCount, truth, guess);
                else
                    ++right;
                ++total;
                model.tick();
                // The first pass follows the oracle; later passes follow the model and learn
                // to recover from their own mistakes.
                state.apply(epoch == 0 ? truth : guess);
            }
        }
        if (progress)
            progress("parser epoch " + std::to_string(epoch + 1) + ": " +
                     std::to_string(100.0 * static_cast<double>(right) /
                                    static_cast<double>(std::max<std::size_t>(total, 1))) +
                     "% of moves right");
    }
    return Parser(model.average(options.prune));
}

} // namespace qm::grammar
