#pragma once
// Weights of a classifier with three classes (the parser's moves), quantised to 16 bits and
// kept inside an 8-byte hash slot beside a 16-bit fingerprint of the feature key: scoring a
// feature costs one memory access, and four slots share a cache line. Features of a batch
// are prefetched together so their misses overlap. Two keys that meet in one slot with the
// same fingerprint share their weights (summed); with 32-bit keys that is rare and harmless.
#include "core/grammar/ByteIo.h"
#include "core/grammar/HugePages.h"
#include "core/grammar/WeightTable.h"

#include <cstdint>
#include <vector>

namespace qm::grammar {

class InlineTable {
public:
    static constexpr std::uint32_t kMaxClasses = 3;
    static constexpr std::size_t kMaxBatch = 128;

    InlineTable() = default;
    InlineTable(std::uint32_t classes, float scale, const std::vector<WeightRow>& rows);

    std::uint32_t classes() const { return m_classes; }
    float scale() const { return m_scale; }
    std::size_t featureCount() const { return m_features; }

    // scores[0, classes()) += the weights of count features (any count).
    void addAll(const std::uint32_t* keys, std::size_t count, std::int32_t* scores) const;

    // Asks for the slots of count features to be fetched into the cache ahead of addAll.
    void prefetch(const std::uint32_t* keys, std::size_t count) const {
        if (m_slots.empty()) return;
        for (std::size_t i = 0; i < count; ++i)
            __builtin_prefetch(m_slots.data() + home(keys[i]));
    }

    // The weights of each of count features (any count): out[i * kMaxClasses + c] for class
    // c of keys[i], zero for an absent key.
    void weightsOf(const std::uint32_t* keys, std::size_t count, std::int32_t* out) const;

    // The rows in key order, one entry per class.
    std::vector<WeightRow> rows() const;

    void write(ByteWriter& out) const;
    static InlineTable read(ByteReader& in);

private:
    // Slot: fingerprint (0 = empty) in the low 16 bits, then one 16-bit weight per class.
    static std::uint16_t fingerprint(std::uint32_t key) {
        const auto f = static_cast<std::uint16_t>(key & 0xFFFFU);
        return f == 0 ? 1 : f;
    }
    std::uint32_t home(std::uint32_t key) const { return (key * 0x9E3779B1U) >> m_shift; }

    std::uint32_t m_classes = 0;
    float m_scale = 1.0F;
    std::size_t m_features = 0;
    std::uint32_t m_mask = 0;
    int m_shift = 32;
    void build();

    std::vector<std::uint64_t, HugePageAllocator<std::uint64_t>> m_slots;
    // The rows as given, in key order, for writing the table back.
    std::vector<std::uint32_t> m_keys;
    std::vector<std::int16_t> m_weights; // row * classes + class
};

} // namespace qm::grammar
