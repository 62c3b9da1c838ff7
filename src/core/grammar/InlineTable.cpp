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
    for (const WeightRow& r : rows) {
        if (r.entries.empty()) continue;
        m_keys.push_back(r.key);
        m_weights.resize(m_weights.size() + m_classes, 0);
        for (const RowEntry& e : r.entries) {
            if (e.cls >= m_classes) throw ModelError("a weight names a class out of range");
            m_weights[m_weights.size() - m_classes + e.cls] = e.weight;
        }
    }
    build();
}

void InlineTable::build() {
    int bits = 4;
    while ((std::size_t{1} << bits) < m_keys.size() + m_keys.size() / 2)
        ++bits;
    m_shift = 32 - bits;
    m_mask = (1U << bits) - 1;
    m_slots.assign(std::size_t{1} << bits, 0);
    m_features = 0;
    std::uint32_t lastKey = 0;
    for (std::size_t r = 0; r < m_keys.size(); ++r) {
        const std::uint32_t key = m_keys[r];
        if (key <= lastKey) throw ModelError("feature keys are out of order");
        lastKey = key;
        std::int32_t w[kMaxClasses] = {};
        for (std::uint32_t c = 0; c < m_classes; ++c)
            w[c] = m_weights[r * m_classes + c];
        const std::uint16_t f = fingerprint(key);
        std::uint32_t i = home(key);
        while (m_slots[i] != 0 && static_cast<std::uint16_t>(m_slots[i]) != f)
            i = (i + 1) & m_mask;
        if (m_slots[i] != 0) {
            // Another key with this fingerprint got here first: the two share the slot.
            for (std::uint32_t c = 0; c < kMaxClasses; ++c)
                w[c] += static_cast<std::int16_t>(m_slots[i] >> (16 * (c + 1)));
        } else {
            ++m_features;
        }
        std::uint64_t slot = f;
        for (std::uint32_t c = 0; c < kMaxClasses; ++c) {
            const std::int32_t v = w[c] < -32768 ? -32768 : w[c] > 32767 ? 32767 : w[c];
            slot |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(v)) << (16 * (c + 1));
        }
        m_slots[i] = slot;
    }
}

void InlineTable::addAll(const std::uint32_t* keys, std::size_t count, std::int32_t* scores) const {
    if (m_slots.empty()) return;
    std::uint32_t at[kMaxBatch];
    const std::uint64_t* slots = m_slots.data();
    const std::uint32_t mask = m_mask;
    for (std::size_t first = 0; first < count; first += kMaxBatch) {
        const std::size_t n = std::min(kMaxBatch, count - first);
        for (std::size_t i = 0; i < n; ++i) {
            at[i] = home(keys[first + i]);
            __builtin_prefetch(slots + at[i]);
        }
        std::int32_t sum[kMaxClasses] = {};
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint16_t f = fingerprint(keys[first + i]);
            for (std::uint32_t j = at[i];; j = (j + 1) & mask) {
                const std::uint64_t s = slots[j];
                if (static_cast<std::uint16_t>(s) == f) {
                    sum[0] += static_cast<std::int16_t>(s >> 16);
                    sum[1] += static_cast<std::int16_t>(s >> 32);
                    sum[2] += static_cast<std::int16_t>(s >> 48);
                    break;
                }
                if (s == 0) break;
            }
        }
        for (std::uint32_t c = 0; c < m_classes; ++c)
            scores[c] += sum[c];
    }
}

void InlineTable::weightsOf(const std::uint32_t* keys, std::size_t count, std::int32_t* out) const {
    std::fill(out, out + count * kMaxClasses, 0);
    if (m_slots.empty()) return;
    std::uint32_t at[kMaxBatch];
    const std::uint64_t* slots = m_slots.data();
    for (std::size_t first = 0; first < count; first += kMaxBatch) {
        const std::size_t n = std::min(kMaxBatch, count - first);
        for (std::size_t i = 0; i < n; ++i) {
            at[i] = home(keys[first + i]);
            __builtin_prefetch(slots + at[i]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint16_t f = fingerprint(keys[first + i]);
            for (std::uint32_t j = at[i];; j = (j + 1) & m_mask) {
                const std::uint64_t s = slots[j];
                if (static_cast<std::uint16_t>(s) == f) {
                    std::int32_t* w = out + (first + i) * kMaxClasses;
                    w[0] = static_cast<std::int16_t>(s >> 16);
                    w[1] = static_cast<std::int16_t>(s >> 32);
                    w[2] = static_cast<std::int16_t>(s >> 48);
                    break;
                }
                if (s == 0) break;
            }
        }
    }
}

std::vector<WeightRow> InlineTable::rows() const {
    std::vector<WeightRow> out(m_keys.size());
    for (std::size_t r = 0; r < m_keys.size(); ++r) {
        out[r].key = m_keys[r];
        for (std::uint32_t c = 0; c < m_classes; ++c)
            out[r].entries.push_back(
                RowEntry{static_cast<std::uint8_t>(c), m_weights[r * m_classes + c]});
    }
    return out;
}

void InlineTable::write(ByteWriter& out) const {
    writeTableHeader(out, {m_classes, m_scale});
    const std::vector<WeightRow> all = rows();
    out.u32(static_cast<std::uint32_t>(all.size()));
    for (const WeightRow& r : all) {
        out.u32(r.key);
        for (const RowEntry& e : r.entries)
            out.u16(static_cast<std::uint16_t>(e.weight));
    }
}

InlineTable InlineTable::read(ByteReader& in) {
    InlineTable t;
    const TableHeader header = readTableHeader(in, kMaxClasses);
    t.m_classes = header.classes;
    t.m_scale = header.scale;
    const std::uint32_t count = in.u32();
    if (count > kMaxFeatures) throw ModelError("too many weights");
    in.need(std::size_t{count} * (4 + 2 * t.m_classes));
    t.m_keys.resize(count);
    t.m_weights.resize(std::size_t{count} * t.m_classes);
    for (std::size_t r = 0; r < count; ++r) {
        t.m_keys[r] = in.u32();
        for (std::uint32_t c = 0; c < t.m_classes; ++c)
            t.m_weights[r * t.m_classes + c] = static_cast<std::int16_t>(in.u16());
    }
    t.build();
    return t;
}

} // namespace qm::grammar
