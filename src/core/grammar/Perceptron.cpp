#include "core/grammar/Perceptron.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace qm::grammar {
namespace {

std::uint32_t slotOf(std::uint32_t key, std::size_t mask) {
    return static_cast<std::uint32_t>((key * 0x9E3779B1U) & mask);
}

} // namespace

Perceptron::Perceptron(std::uint32_t classes)
    : m_classes(classes)
    , m_keys(1U << 16, 0)
    , m_rowOf(1U << 16, kNoRow) {}

std::uint32_t Perceptron::findRow(std::uint32_t key) const {
    const std::size_t mask = m_keys.size() - 1;
    for (std::uint32_t i = slotOf(key, mask);; i = static_cast<std::uint32_t>((i + 1) & mask)) {
        if (m_keys[i] == key) return m_rowOf[i];
        if (m_keys[i] == 0) return kNoRow;
    }
}

std::uint32_t Perceptron::addRow(std::uint32_t key) {
    if (const std::uint32_t row = findRow(key); row != kNoRow) return row;
    if ((m_rowKeys.size() + 1) * 2 > m_keys.size()) {
        std::vector<std::uint32_t> keys(m_keys.size() * 2, 0), rows(m_keys.size() * 2, kNoRow);
        const std::size_t mask = keys.size() - 1;
        for (std::uint32_t r = 0; r < m_rowKeys.size(); ++r) {
            std::uint32_t i = slotOf(m_rowKeys[r], mask);
            while (keys[i] != 0)
                i = static_cast<std::uint32_t>((i + 1) & mask);
            keys[i] = m_rowKeys[r];
            rows[i] = r;
        }
        m_keys.swap(keys);
        m_rowOf.swap(rows);
    }
    const std::size_t mask = m_keys.size() - 1;
    std::uint32_t i = slotOf(key, mask);
    while (m_keys[i] != 0)
        i = static_cast<std::uint32_t>((i + 1) & mask);
    const auto row = static_cast<std::uint32_t>(m_rowKeys.size());
    m_keys[i] = key;
    m_rowOf[i] = row;
    m_rowKeys.push_back(key);
    if (dense()) {
        m_dense.resize(m_dense.size() + m_classes);
        for (std::uint32_t c = 0; c < m_classes; ++c)
            m_dense[row * m_classes + c].cls = c;
    } else {
        m_sparse.emplace_back();
    }
    return row;
}

void Perceptron::score(const std::uint32_t* features, std::size_t count, float* scores) const {
    std::fill(scores, scores + m_classes, 0.0F);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t row = findRow(features[i]);
        if (row == kNoRow) continue;
        if (dense()) {
            const Param* p = m_dense.data() + std::size_t{row} * m_classes;
            for (std::uint32_t c = 0; c < m_classes; ++c)
                scores[c] += p[c].weight;
        } else {
            for (const Param& p : m_sparse[row])
                scores[p.cls] += p.weight;
        }
    }
}

void Perceptron::add(std::uint32_t row, std::uint32_t cls, float delta) {
    Param* p = nullptr;
    if (dense()) {
        p = &m_dense[std::size_t{row} * m_classes + cls];
    } else {
        std::vector<Param>& params = m_sparse[row];
        auto it = std::find_if(params.begin(), params.end(),
                               [cls](const Param& q) { return q.cls == cls; });
        if (it == params.end()) {
            params.push_back(Param{cls, m_now, 0.0F, 0.0});
            it = params.end() - 1;
        }
        p = &*it;
    }
    p->total += static_cast<double>(m_now - p->stamp) * p->weight;
    p->stamp = m_now;
    p->weight += delta;
}

void Perceptron::update(const std::uint32_t* features, std::size_t count, std::uint32_t truth,
                        std::uint32_t guess) {
    if (truth == guess) return;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t row = addRow(features[i]);
        add(row, truth, 1.0F);
        add(row, guess, -1.0F);
    }
}

WeightTable Perceptron::average(float prune) const {
    return average({this}, prune);
}

InlineTable Perceptron::averageInline(float prune) const {
    return averageInline({this}, prune);
}

std::vector<WeightRow> Perceptron::averageRows(float prune, float& scale) const {
    return averageRows({this}, prune, scale);
}

WeightTable Perceptron::average(const std::vector<const Perceptron*>& members, float prune) {
    float scale = 1.0F;
    const std::vector<WeightRow> rows = averageRows(members, prune, scale);
    return WeightTable(members.front()->m_classes, scale, rows);
}

InlineTable Perceptron::averageInline(const std::vector<const Perceptron*>& members, float prune) {
    float scale = 1.0F;
    const std::vector<WeightRow> rows = averageRows(members, prune, scale);
    return InlineTable(members.front()->m_classes, scale, rows);
}

std::vector<WeightRow> Perceptron::averageRows(const std::vector<const Perceptron*>& members,
                                               float prune, float& scaleOut) {
    const std::uint32_t classes = members.front()->m_classes;
    // Each feature's averaged weights summed over the members, one slot per class.
    std::unordered_map<std::uint32_t, std::vector<double>> sums;
    for (const Perceptron* m : members) {
        const double now = std::max<std::uint32_t>(m->m_now, 1);
        for (std::uint32_t r = 0; r < m->m_rowKeys.size(); ++r) {
            std::vector<double>& sum = sums[m->m_rowKeys[r]];
            sum.resize(classes, 0.0);
            auto visit = [&](const Param& p) {
                sum[p.cls] += (p.total + static_cast<double>(m->m_now - p.stamp) * p.weight) / now;
            };
            if (m->dense()) {
                for (std::uint32_t c = 0; c < classes; ++c)
                    visit(m->m_dense[std::size_t{r} * classes + c]);
            } else {
                for (const Param& p : m->m_sparse[r])
                    visit(p);
            }
        }
    }
    std::vector<std::uint32_t> keys;
    keys.reserve(sums.size());
    for (const auto& entry : sums)
        keys.push_back(entry.first);
    std::sort(keys.begin(), keys.end());
    const auto count = static_cast<double>(members.size());
    struct Averaged {
        std::uint32_t key;
        std::vector<std::pair<std::uint32_t, double>> weights;
    };
    std::vector<Averaged> averaged;
    double largest = 0;
    for (const std::uint32_t key : keys) {
        Averaged a{key, {}};
        const std::vector<double>& sum = sums[key];
        for (std::uint32_t c = 0; c < classes; ++c) {
            const double w = sum[c] / count;
            if (std::abs(w) < prune || w == 0.0) continue;
            a.weights.emplace_back(c, w);
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
    scaleOut = static_cast<float>(scale);
    return rows;
}

} // namespace qm::grammar
