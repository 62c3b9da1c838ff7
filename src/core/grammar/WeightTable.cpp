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
    while ((std::size_t{1} << bits) < rows.size() + rows.size() / 2)
        ++bits;
    m_shift = 32 - bits;
    m_mask = (1U << bits) - 1;
    m_slots.assign(std::size_t{1} << bits, Slot{});
    m_entries.clear();
    m_dense.clear();
    m_features = 0;
    m_entryCount = 0;
    for (const WeightRow& r : rows) {
        if (r.key == 0) throw ModelError("a feature key is zero");
        if (r.entries.empty()) continue;
        if (r.entries.size() > m_classes) throw ModelError("a weight row is too long");
        std::uint32_t i = home(r.key);
        while (m_slots[i].key != 0) {
            if (m_slots[i].key == r.key) throw ModelError("a feature key appears twice");
            i = (i + 1) & m_mask;
        }
        Slot& slot = m_slots[i];
        slot.key = r.key;
        // Dense rows give their entries back in class order: only rows already in that order
        // are kept dense, so that writing the table gives back the bytes it was read from.
        bool ascending = true;
        for (std::size_t k = 1; k < r.entries.size() && ascending; ++k)
            ascending = r.entries[k - 1].cls < r.entries[k].cls;
        if (ascending && m_classes <= 64 && r.entries.size() * 4 >= m_classes &&
            r.entries.size() > kInline) {
            // Dense: the mask of the classes present, then every class's weight.
            slot.e[0] = kDense;
            slot.e[1] = static_cast<std::uint32_t>(m_dense.size());
            m_dense.resize(m_dense.size() + kMaskWords + m_classes, 0);
            std::int16_t* block = m_dense.data() + slot.e[1];
            std::uint64_t mask = 0;
            for (const RowEntry& e : r.entries) {
                if (e.cls >= m_classes) throw ModelError("a weight names a class out of range");
                mask |= std::uint64_t{1} << e.cls;
                block[kMaskWords + e.cls] = e.weight;
            }
            for (std::uint32_t k = 0; k < kMaskWords; ++k)
                block[k] = static_cast<std::int16_t>(mask >> (16 * k));
            m_entryCount += r.entries.size();
            ++m_features;
            continue;
        }
        const bool fits = r.entries.size() <= kInline;
        if (!fits) {
            slot.e[0] = kLong;
            slot.e[1] = static_cast<std::uint32_t>(m_entries.size());
            slot.e[2] = static_cast<std::uint32_t>(r.entries.size());
        }
        std::uint32_t k = 0;
        for (const RowEntry& e : r.entries) {
            if (e.cls >= m_classes) throw ModelError("a weight names a class out of range");
            const std::uint32_t packed =
                static_cast<std::uint32_t>(e.cls) << 16 | static_cast<std::uint16_t>(e.weight);
            if (fits) {
                slot.e[k++] = packed;
            } else {
                m_entries.push_back(packed);
            }
        }
        m_entryCount += r.entries.size();
        ++m_features;
    }
}

void WeightTable::addAll(const std::uint32_t* keys, std::size_t count, std::int32_t* scores) const {
    if (m_slots.empty()) return;
    const Slot* slots = m_slots.data();
    const std::uint32_t* entries = m_entries.data();
    std::uint32_t at[kMaxBatch];
    const Slot* longRows[kMaxBatch];
    for (std::size_t first = 0; first < count; first += kMaxBatch) {
        const std::size_t n = std::min(kMaxBatch, count - first);
        const std::uint32_t* batch = keys + first;
        for (std::size_t i = 0; i < n; ++i) {
            at[i] = home(batch[i]);
            __builtin_prefetch(slots + at[i]);
        }
        std::size_t longCount = 0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::uint32_t j = at[i];; j = (j + 1) & m_mask) {
                const Slot& s = slots[j];
                if (s.key == batch[i]) {
                    if (s.e[0] == kLong || s.e[0] == kDense) {
                        __builtin_prefetch(s.e[0] == kLong
                                               ? static_cast<const void*>(entries + s.e[1])
                                               : m_dense.data() + s.e[1] + kMaskWords);
                        longRows[longCount++] = &s;
                    } else {
                        addEntries(s.e, inlineLength(s), scores);
                    }
                    break;
                }
                if (s.key == 0) break;
            }
        }
        for (std::size_t r = 0; r < longCount; ++r) {
            const Slot& s = *longRows[r];
            if (s.e[0] == kDense) {
                addDense(s.e[1], scores);
            } else {
                addEntries(entries + s.e[1], s.e[2], scores);
            }
        }
    }
}

std::vector<WeightRow> WeightTable::rows() const {
    std::vector<WeightRow> out;
    out.reserve(m_features);
    for (const Slot& s : m_slots) {
        if (s.key == 0) continue;
        WeightRow r{s.key, {}};
        if (s.e[0] == kDense) {
            const std::int16_t* block = m_dense.data() + s.e[1];
            std::uint64_t mask = 0;
            for (std::uint32_t k = 0; k < kMaskWords; ++k)
                mask |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(block[k]))
                        << (16 * k);
            for (std::uint32_t c = 0; c < m_classes; ++c)
                if (mask >> c & 1U)
                    r.entries.push_back(
                        RowEntry{static_cast<std::uint8_t>(c), block[kMaskWords + c]});
            out.push_back(std::move(r));
            continue;
        }
        const bool fits = s.e[0] != kLong;
        const std::uint32_t* e = fits ? s.e : m_entries.data() + s.e[1];
        const std::uint32_t len = fits ? inlineLength(s) : s.e[2];
        for (std::uint32_t k = 0; k < len; ++k)
            r.entries.push_back(RowEntry{static_cast<std::uint8_t>(e[k] >> 16),
                                         static_cast<std::int16_t>(e[k] & 0xFFFFU)});
        out.push_back(std::move(r));
    }
    std::sort(out.begin(), out.end(),
              [](const WeightRow& a, const WeightRow& b) { return a.key < b.key; });
    return out;
}

void writeTableHeader(ByteWriter& out, const TableHeader& header) {
    out.u32(header.classes);
    out.f32(header.scale);
}

TableHeader readTableHeader(ByteReader& in, std::uint32_t maxClasses) {
    TableHeader h;
    h.classes = in.u32();
    if (h.classes == 0 || h.classes > maxClasses) throw ModelError("bad number of classes");
    h.scale = in.f32();
    if (!(h.scale > 0.0F)) throw ModelError("bad weight scale");
    return h;
}

void WeightTable::write(ByteWriter& out) const {
    writeTableHeader(out, {m_classes, m_scale});
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
    const TableHeader header = readTableHeader(in, kMaxClasses);
    t.m_classes = header.classes;
    t.m_scale = header.scale;
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
