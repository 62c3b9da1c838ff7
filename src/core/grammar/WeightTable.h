#pragma once
// The weights of a trained linear classifier, quantised to 16 bits and kept sparse: each
// feature key owns a short row of (class, weight) entries, found through an open-addressing
// table of 64-bit slots (key, row start, row length). Scoring a feature is one slot probe and
// one run of entries; nothing is allocated.
#include "core/grammar/ByteIo.h"

#include <cstdint>
#include <vector>

namespace qm::grammar {

struct RowEntry {
    std::uint8_t cls = 0;
    std::int16_t weight = 0;
};

struct WeightRow {
    std::uint32_t key = 0;
    std::vector<RowEntry> entries;
};

class WeightTable {
public:
    static constexpr std::uint32_t kMaxClasses = 255;

    WeightTable() = default;
    // Rows with distinct non-zero keys; classes below `classes`. `scale` is what one unit of
    // a quantised weight is worth.
    WeightTable(std::uint32_t classes, float scale, const std::vector<WeightRow>& rows);

    std::uint32_t classes() const { return m_classes; }
    float scale() const { return m_scale; }
    std::size_t featureCount() const { return m_features; }
    std::size_t entryCount() const { return m_entries.size(); }

    // Adds the weights of one feature to scores[0, classes()).
    void addTo(std::uint32_t key, std::int32_t* scores) const {
        if (m_slots.empty()) return;
        std::uint32_t i = (key * 0x9E3779B1U) >> m_shift;
        for (;;) {
            const std::uint64_t slot = m_slots[i];
            const auto slotKey = static_cast<std::uint32_t>(slot >> 32);
            if (slotKey == key) {
                const auto start = static_cast<std::uint32_t>(slot >> 8) & 0xFFFFFFU;
                const auto len = static_cast<std::uint32_t>(slot & 0xFFU);
                const std::uint32_t* e = m_entries.data() + start;
                for (std::uint32_t k = 0; k < len; ++k) {
                    scores[e[k] >> 16] += static_cast<std::int16_t>(e[k] & 0xFFFFU);
                }
                return;
            }
            if (slotKey == 0) return;
            i = (i + 1) & m_mask;
        }
    }

    // Adds the weights of count features (at most kMaxBatch) to scores. The slots and then
    // the rows of all features are fetched ahead of use, so their cache misses overlap
    // instead of following one another.
    static constexpr std::size_t kMaxBatch = 128;
    void addAll(const std::uint32_t* keys, std::size_t count, std::int32_t* scores) const;

    // The rows in key order.
    std::vector<WeightRow> rows() const;

    void write(ByteWriter& out) const;
    static WeightTable read(ByteReader& in);

private:
    void build(const std::vector<WeightRow>& rows);

    std::uint32_t m_classes = 0;
    float m_scale = 1.0F;
    std::size_t m_features = 0;
    std::uint32_t m_mask = 0;
    int m_shift = 32;
    std::vector<std::uint64_t> m_slots;
    std::vector<std::uint32_t> m_entries; // class << 16 | 16-bit weight
};

} // namespace qm::grammar
