#pragma once
// An averaged perceptron over hashed feature keys, for training. Rows are sparse: a feature
// holds weights only for the classes it was ever updated for. The averages are kept lazily
// (each weight remembers when it last changed) and become a quantised WeightTable at the end.
#include "core/grammar/WeightTable.h"

#include <cstdint>
#include <unordered_map>
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

    // The averaged weights, leaving out those smaller than `prune` in magnitude.
    WeightTable average(float prune) const;

private:
    struct Param {
        std::uint32_t cls = 0;
        std::uint32_t stamp = 0;
        float weight = 0;
        double total = 0;
    };
    void add(std::uint32_t key, std::uint32_t cls, float delta);

    std::uint32_t m_classes;
    std::uint32_t m_now = 0;
    std::unordered_map<std::uint32_t, std::uint32_t> m_index;
    std::vector<std::vector<Param>> m_rows;
};

} // namespace qm::grammar
