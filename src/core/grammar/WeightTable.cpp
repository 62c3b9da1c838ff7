#include "core/grammar/WeightTable.h"

#include <algorithm>

namespace qm::grammar {
namespace {

constexpr std::uint32_t kMaxEntries = 0xFFFFFFU;
constexpr std::uint32_t kMaxFeatures = 1U << 26;

} // namespace

WeightTable::WeightTable(std::uint32_t classes, float scale, const std::vector<WeightRow>& rows)
    : m_classes(classes)
    , m_scale(scale) {
    if (classes == 0 || classes > kMaxClasses) throw ModelError("bad number of classes");
    build(rows);
}

void WeightTable::build(const std::vector<WeightRow>& rows) {
    std::size_t total = 0;
    for (const WeightRow& r : rows)
        total += r.entries.size();
    if (total > kMaxEntries || rows.size() > kMaxFeatures) throw ModelError("too many weights");
    int bits = 4;
    while ((std::size_t{1} << bits) < rows.size() * 2)
        ++bits;
    m_shift = 32 - bits;
    m_mask = (1U << bits) - 1;
    m_slots.assign(std::size_t{1} << bits, 0);
    m_entries.clear();
    m_entries.reserve(total);
    m_features = 0;
    for (const WeightRow& r : rows) {
        if (r.key == 0) throw ModelError("a feature key is zero");
        if (r.entries.empty()) continue;
        if (r.entries.size() > m_classes) throw ModelError("a weight row is too long");
        std::uint32_t i = (r.key * 0x9E3779B1U) >> m_shift;
        while (m_slots[i] != 0) {
            if (static_cast<std::uint32_t>(m_slots[i] >> 32) == r.key)
                throw ModelError("a feature key appears twice");
            i = (i + 1) & m_mask;
        }
        const auto start = static_cast<std::uint32_t>(m_entries.size());
        for (const RowEntry& e : r.entries) {
            if (e.cls >= m_classes) throw ModelError("a weight names a class out of range");
            m_entries.push_back(static_cast<std::uint32_t>(e.cls) << 16 |
                                static_cast<std::uint16_t>(e.weight));
        }
        m_slots[i] = static_cast<std::uint64_t>(r.key) << 32 |
                     static_cast<std::uint64_t>(start) << 8 | r.entries.size();
        ++m_features;
    }
}

void WeightTable::addAll(const std::uint32_t* keys, std::size_t count, std::int32_t* scores) const {
    if (m_slots.empty()) return;
    if (count > kMaxBatch) {
        for (std::size_t i = 0; i < count; ++i)
            addTo(keys[i], scores);
        return;
    }
    std::uint32_t at[kMaxBatch];
    for (std::size_t i = 0; i < count; ++i) {
        at[i] = (keys[i] * 0x9E3779B1U) >> m_shift;
        __builtin_prefetch(&m_slots[at[i]]);
    }
    std::uint64_t rows[kMaxBatch];
    std::size_t found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t j = at[i];
        for (;;) {
            const std::uint64_t slot = m_slots[j];
            const auto slotKey = static_cast<std::uint32_t>(slot >> 32);
            if (slotKey == keys[i]) {
                rows[found++] = slot;
                __builtin_prefetch(m_entries.data() + ((slot >> 8) & 0xFFFFFFU));
                break;
            }
            if (slotKey == 0) break;
            j = (j + 1) & m_mask;
        }
    }
    for (std::size_t r = 0; r < found; ++r) {
        const auto start = static_cast<std::uint32_t>(rows[r] >> 8) & 0xFFFFFFU;
        const auto len = static_cast<std::uint32_t>(rows[r] & 0xFFU);
        const std::uint32_t* e = m_entries.data() + start;
        for (std::uint32_t k = 0; k < len; ++k)
            scores[e[k] >> 16] += static_cast<std::int16_t>(e[k] & 0xFFFFU);
    }
}

std::vector<WeightRow> WeightTable::rows() const {
    std::vector<std::uint64_t> slots;
    for (std::uint64_t s : m_slots)
        if (s != 0) slots.push_back(s);
    std::sort(slots.begin(), slots.end());
    std::vector<WeightRow> out;
    out.reserve(slots.size());
    for (std::uint64_t s : slots) {
        WeightRow r{static_cast<std::uint32_t>(s >> 32), {}};
        const auto start = static_cast<std::uint32_t>(s >> 8) & 0xFFFFFFU;
        const auto len = static_cast<std::uint32_t>(s & 0xFFU);
        for (std::uint32_t k = 0; k < len; ++k) {
            const std::uint32_t e = m_entries[start + k];
            r.entries.push_back(RowEntry{static_cast<std::uint8_t>(e >> 16),
                                         static_cast<std::int16_t>(e & 0xFFFFU)});
        }
        out.push_back(std::move(r));
    }
    return out;
}

void WeightTable::write(ByteWriter& out) const {
    out.u32(m_classes);
    out.f32(m_scale);
    // Rows in key order, so the same weights always give the same bytes.
    const std::vector<WeightRow> all = rows();
    out.u32(static_cast<std::uint32_t>(all.size()));
    for (const WeightRow& r : all) {
        out.u32(r.key);
        out.u8(static_cast<std::uint8_t>(r.entries.size()));
        for (const RowEntry& e : r.entries) {
            out.u8(e.cls);
            out.u16(static_cast<std::uint16_t>(e.weight));
        }
    }
}

WeightTable WeightTable::read(ByteReader& in) {
    WeightTable t;
    t.m_classes = in.u32();
    if (t.m_classes == 0 || t.m_classes > kMaxClasses) throw ModelError("bad number of classes");
    t.m_scale = in.f32();
    if (!(t.m_scale > 0.0F)) throw ModelError("bad weight scale");
    const std::uint32_t count = in.u32();
    // Each row takes at least 8 bytes, so a count the file cannot hold is caught here.
    in.need(std::size_t{count} * 8);
    std::vector<WeightRow> rows(count);
    std::uint32_t lastKey = 0;
    for (WeightRow& r : rows) {
        r.key = in.u32();
        if (r.key <= lastKey) throw ModelError("feature keys are out of order");
        lastKey = r.key;
        const std::uint32_t len = in.u8();
        if (len == 0) throw ModelError("a weight row is empty");
        in.need(std::size_t{len} * 3);
        r.entries.resize(len);
        for (RowEntry& e : r.entries) {
            e.cls = in.u8();
            e.weight = static_cast<std::int16_t>(in.u16());
        }
    }
    t.build(rows);
    return t;
}

} // namespace qm::grammar
