#pragma once
// Weights of a classifier with a handful of classes (the parser's three moves), quantised to
// 16 bits and kept inside the hash slot beside the feature key: scoring a feature costs one
// memory access. Features of a batch are prefetched together so their misses overlap.
#include "core/grammar/ByteIo.h"
#include "core/grammar/WeightTable.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qm::grammar {

class InlineTable {
public:
    static constexpr std::uint32_t kMaxClasses = 6;
    static constexpr std::size_t kMaxBatch = 128;

    InlineTable() = default;
    InlineTable(std::uint32_t classes, float scale, const std::vector<WeightRow>& rows);

    std::uint32_t classes() const { return m_classes; }
    float scale() const { return m_scale; }
    std::size_t featureCount() const { return m_features; }

    // scores[0, classes()) += the weights of count features (any count).
    void addAll(const std::uint32_t* keys, std::size_t count, std::int32_t* scores) const;

    // The rows in key order, one entry per class.
    std::vector<WeightRow> rows() const;

    void write(ByteWriter& out) const;
    static InlineTable read(ByteReader& in);

private:
    struct Slot {
        std::uint32_t key = 0;
        std::array<std::int16_t, kMaxClasses> weights = {};
    };
    static_assert(sizeof(Slot) == 16);

    std::uint32_t m_classes = 0;
    float m_scale = 1.0F;
    std::size_t m_features = 0;
    std::uint32_t m_mask = 0;
    int m_shift = 32;
    std::vector<Slot> m_slots;
};

} // namespace qm::grammar
