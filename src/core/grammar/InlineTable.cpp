#include "core/grammar/InlineTable.h"

#include <algorithm>

namespace qm::grammar {
namespace {

constexpr std::size_t kMaxFeatures = std::size_t{1} << 25;

} // namespace

InlineTable::InlineTable(std::uint32_t classes, float scale, const std::vector<WeightRow>& rows)
    : m_classes(classes)
    , m_scale(scale) {
    if (classes == 0 || classes > kMaxClasses) throw ModelError("bad number of classes");
    if (rows.size() > kMaxFeatures) throw ModelError("too many weights");
    int bits = 4;
    while ((std::size_t{1} << bits) < rows.size() + rows.size() / 2)
        ++bits;
    m_shift = 32 - bits;
    m_mask = (1U << bits) - 1;
    m_slots.assign(std::size_t{1} << bits, Slot{});
    for (const WeightRow& r : rows) {
        if (r.key == 0) throw ModelError("a feature key is zero");
        if (r.entries.empty()) continue;
        std::uint32_t i = (r.key * 0x9E3779B1U) >> m_shift;
        while (m_slots[i].key != 0) {
            if (m_slots[i].key == r.key) throw ModelError("a feature key appears twice");
            i = (i + 1) & m_mask;
        }
        Slot& s = m_slots[i];
        s.key = r.key;
        for (const RowEntry& e : r.entries) {
            if (e.cls >= m_classes) throw ModelError("a weight names a class out of range");
            s.weights[e.cls] = e.weight;
        }
        ++m_features;
    }
}

void InlineTable::addAll(const std::uint32_t* keys, std::size_t count, std::int32_t* scores) const {
    if (m_slots.empty()) return;
    std::uint32_t at[kMaxBatch];
    for (std::size_t first = 0; first < count; first += kMaxBatch) {
        const std::size_t n = std::min(kMaxBatch, count - first);
        for (std::size_t i = 0; i < n; ++i) {
            at[i] = (keys[first + i] * 0x9E3779B1U) >> m_shift;
            __builtin_prefetch(&m_slots[at[i]]);
        }
        std::int32_t sum[kMaxClasses] = {};
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t key = keys[first + i];
            for (std::uint32_t j = at[i];; j = (j + 1) & m_mask) {
                const Slot& s = m_slots[j];
                if (s.key == key) {
                    for (std::size_t c = 0; c < kMaxClasses; ++c)
                        sum[c] += s.weights[c];
                    break;
                }
                if (s.key == 0) break;
            }
        }
        for (std::uint32_t c = 0; c < m_classes; ++c)
            scores[c] += sum[c];
    }
}

std::vector<WeightRow> InlineTable::rows() const {
    std::vector<WeightRow> out;
    for (const Slot& s : m_slots) {
        if (s.key == 0) continue;
        WeightRow r{s.key, {}};
        for (std::uint32_t c = 0; c < m_classes; ++c)
            r.entries.push_back(RowEntry{static_cast<std::uint8_t>(c), s.weights[c]});
        out.push_back(std::move(r));
    }
    std::sort(out.begin(), out.end(),
              [](const WeightRow& a, const WeightRow& b) { return a.key < b.key; });
    return out;
}

void InlineTable::write(ByteWriter& out) const {
    out.u32(m_classes);
    out.f32(m_scale);
    const std::vector<WeightRow> all = rows();
    out.u32(static_cast<std::uint32_t>(all.size()));
    for (const WeightRow& r : all) {
        out.u32(r.key);
        for (const RowEntry& e : r.entries)
            out.u16(static_cast<std::uint16_t>(e.weight));
    }
}

InlineTable InlineTable::read(ByteReader& in) {
    const std::uint32_t classes = in.u32();
    if (classes == 0 || classes > kMaxClasses) throw ModelError("bad number of classes");
    const float scale = in.f32();
    if (!(scale > 0.0F)) throw ModelError("bad weight scale");
    const std::uint32_t count = in.u32();
    in.need(std::size_t{count} * (4 + 2 * classes));
    std::vector<WeightRow> rows(count);
    std::uint32_t lastKey = 0;
    for (WeightRow& r : rows) {
        r.key = in.u32();
        if (r.key <= lastKey) throw ModelError("feature keys are out of order");
        lastKey = r.key;
        for (std::uint32_t c = 0; c < classes; ++c)
            r.entries.push_back(
                RowEntry{static_cast<std::uint8_t>(c), static_cast<std::int16_t>(in.u16())});
    }
    return InlineTable(classes, scale, rows);
}

} // namespace qm::grammar
