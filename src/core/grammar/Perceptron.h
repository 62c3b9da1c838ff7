#pragma once
// An averaged perceptron over hashed feature keys, for training. Features are found through
// an open-addressing table. With few classes (the tagger's, the parser's moves) each feature
// has a dense row of weights; with many (the relations) rows are sparse and hold only the
// classes the feature was ever updated for. The averages are kept lazily (each weight
// remembers when it last changed) and become quantised tables at the end.
#include "core/grammar/InlineTable.h"
#include "core/grammar/WeightTable.h"

#include <cstdint>
#include <vector>

namespace qm::grammar {

class Perceptron {
public:
    explicit Perceptron(std::uint32_t classes);

    std::uint32_t classes() const { return m_classes; }
    // scores[0, classes()) = the sum of the current weights of the features.
    void score(const std::uint32_t* features, std::size_t count, float* scores) const;
    // Moves the weights of the features towards `truth` and away from `guess`.
    void update(const std::uint32_t* features, std::size_t count, std::uint32_t truth,
                std::uint32_t guess);
    // One training instance has been seen (the clock of the averages).
    void tick() { ++m_now; }

    // The averaged weights, leaving out those smaller than `prune` in magnitude, quantised
    // to 16 bits; scale is what one unit is worth.
    std::vector<WeightRow> averageRows(float prune, float& scale) const;
    WeightTable average(float prune) const;
    InlineTable averageInline(float prune) const;
    // The same for the mean of several perceptrons' averaged weights (all with the same
    // classes): scoring with it scores as the mean of their scores, an ensemble at the cost of
    // one model.
    static std::vector<WeightRow> averageRows(const std::vector<const Perceptron*>& members,
                                              float prune, float& scale);
    static WeightTable average(const std::vector<const Perceptron*>& members, float prune);
    static InlineTable averageInline(const std::vector<const Perceptron*>& members, float prune);

private:
    static constexpr std::uint32_t kDenseClasses = 32;
    static constexpr std::uint32_t kNoRow = 0xFFFFFFFFU;
    struct Param {
        std::uint32_t cls = 0;
        std::uint32_t stamp = 0;
        float weight = 0;
        double total = 0;
    };
    std::uint32_t findRow(std::uint32_t key) const;
    std::uint32_t addRow(std::uint32_t key);
    void add(std::uint32_t row, std::uint32_t cls, float delta);
    bool dense() const { return m_classes <= kDenseClasses; }

    std::uint32_t m_classes;
    std::uint32_t m_now = 0;
    std::vector<std::uint32_t> m_keys; // open addressing; 0 is empty
    std::vector<std::uint32_t> m_rowOf;
    std::vector<std::uint32_t> m_rowKeys;
    std::vector<Param> m_dense;               // row * classes + class
    std::vector<std::vector<Param>> m_sparse; // per row
};

} // namespace qm::grammar
