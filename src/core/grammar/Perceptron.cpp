#include "core/grammar/Perceptron.h"

#include <algorithm>
#include <cmath>

namespace qm::grammar {

Perceptron::Perceptron(std::uint32_t classes)
    : m_classes(classes) {}

void Perceptron::score(const std::uint32_t* features, std::size_t count, float* scores) const {
    std::fill(scores, scores + m_classes, 0.0F);
    for (std::size_t i = 0; i < count; ++i) {
        const auto it = m_index.find(features[i]);
        if (it == m_index.end()) continue;
        for (const Param& p : m_rows[it->second])
            scores[p.cls] += p.weight;
    }
}

void Perceptron::add(std::uint32_t key, std::uint32_t cls, float delta) {
    auto [it, inserted] = m_index.try_emplace(key, static_cast<std::uint32_t>(m_rows.size()));
    if (inserted) m_rows.emplace_back();
    std::vector<Param>& row = m_rows[it->second];
    auto p = std::find_if(row.begin(), row.end(), [cls](const Param& q) { return q.cls == cls; });
    if (p == row.end()) {
        row.push_back(Param{cls, m_now, 0.0F, 0.0});
        p = row.end() - 1;
    }
    p->total += static_cast<double>(m_now - p->stamp) * p->weight;
    p->stamp = m_now;
    p->weight += delta;
}

void Perceptron::update(const std::uint32_t* features, std::size_t count, std::uint32_t truth,
                        std::uint32_t guess) {
    if (truth == guess) return;
    for (std::size_t i = 0; i < count; ++i) {
        add(features[i], truth, 1.0F);
        add(features[i], guess, -1.0F);
    }
}

WeightTable Perceptron::average(float prune) const {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> keys(m_index.begin(), m_index.end());
    std::sort(keys.begin(), keys.end());
    const double now = std::max<std::uint32_t>(m_now, 1);
    struct Averaged {
        std::uint32_t key;
        std::vector<std::pair<std::uint32_t, double>> weights;
    };
    std::vector<Averaged> averaged;
    double largest = 0;
    for (const auto& [key, row] : keys) {
        Averaged a{key, {}};
        for (const Param& p : m_rows[row]) {
            const double w = (p.total + static_cast<double>(m_now - p.stamp) * p.weight) / now;
            if (std::abs(w) < prune || w == 0.0) continue;
            a.weights.emplace_back(p.cls, w);
            largest = std::max(largest, std::abs(w));
        }
        if (!a.weights.empty()) averaged.push_back(std::move(a));
    }
    const double scale = largest > 0 ? largest / 32767.0 : 1.0;
    std::vector<WeightRow> rows;
    rows.reserve(averaged.size());
    for (Averaged& a : averaged) {
        WeightRow r{a.key, {}};
        std::sort(a.weights.begin(), a.weights.end());
        for (const auto& [cls, w] : a.weights) {
            const long q = std::lround(w / scale);
            if (q == 0) continue;
            r.entries.push_back(
                RowEntry{static_cast<std::uint8_t>(cls), static_cast<std::int16_t>(q)});
        }
        if (!r.entries.empty()) rows.push_back(std::move(r));
    }
    return WeightTable(m_classes, static_cast<float>(scale), rows);
}

} // namespace qm::grammar
