#pragma once
// The weights of a trained linear classifier, quantised to 16 bits and kept sparse: each
// feature key owns a short row of (class, weight) entries, found through an open-addressing
// table of 16-byte slots. Most rows have three entries or fewer: they sit in the slot itself,
// so scoring such a feature costs one memory access. A longer row's slot says where its run
// of entries starts and how long it is; a row with weights for most classes (the frequent
// features) is kept dense, one weight per class, and added as a vector. Nothing is allocated
// while scoring.
#include "core/grammar/ByteIo.h"
#include "core/grammar/HugePages.h"

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

// What every stored weight table starts with: its number of classes and its weight scale.
struct TableHeader {
    std::uint32_t classes = 0;
    float scale = 0.0F;
};
void writeTableHeader(ByteWriter& out, const TableHeader& header);
// Throws ModelError for no classes, more than maxClasses, or a scale that is not positive.
TableHeader readTableHeader(ByteReader& in, std::uint32_t maxClasses);

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
    std::size_t entryCount() const { return m_entryCount; }

    // Adds the weights of count features (any count) to scores. The slots of a batch of
    // features are fetched ahead of use, then the long rows they point to, so their cache
    // misses overlap instead of following one another.
    static constexpr std::size_t kMaxBatch = 128;
    void addAll(const std::uint32_t* keys, std::size_t count, std::int32_t* scores) const;

    // Asks for the slots of count features to be fetched into the cache ahead of addAll.
    void prefetch(const std::uint32_t* keys, std::size_t count) const {
        if (m_slots.empty()) return;
        for (std::size_t i = 0; i < count; ++i)
            __builtin_prefetch(m_slots.data() + home(keys[i]));
    }

    // The rows in key order.
    std::vector<WeightRow> rows() const;

    void write(ByteWriter& out) const;
    static WeightTable read(ByteReader& in);

private:
    void build(const std::vector<WeightRow>& rows);

    std::uint32_t m_classes = 0;
    float m_scale = 1.0F;
    std::size_t m_features = 0;
    std::size_t m_entryCount = 0;
    std::uint32_t m_mask = 0;
    int m_shift = 32;
    // A slot: its key (0 = empty) and either up to kInline entries, the unused ones kEmpty;
    // or kLong, the start of the row in m_entries and its length; or kDense and the start of
    // the row's block in m_dense: the classes it has, a 64-bit mask in kMaskWords weights,
    // then one weight per class.
    static constexpr std::uint32_t kInline = 3;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFU;
    static constexpr std::uint32_t kLong = 0xFFFFFFFEU;
    static constexpr std::uint32_t kDense = 0xFFFFFFFDU;
    static constexpr std::uint32_t kMaskWords = 4;
    struct alignas(16) Slot {
        std::uint32_t key = 0;
        std::uint32_t e[kInline] = {kEmpty, kEmpty, kEmpty};
    };
    // An entry: class << 16 | 16-bit weight.
    static void addEntries(const std::uint32_t* e, std::uint32_t len, std::int32_t* scores) {
        for (std::uint32_t k = 0; k < len; ++k)
            scores[e[k] >> 16] += static_cast<std::int16_t>(e[k] & 0xFFFFU);
    }
    void addDense(std::uint32_t start, std::int32_t* scores) const {
        const std::int16_t* w = m_dense.data() + start + kMaskWords;
        const std::uint32_t n = m_classes; // a local: the stores to scores cannot change it
        for (std::uint32_t c = 0; c < n; ++c)
            scores[c] += w[c];
    }
    static std::uint32_t inlineLength(const Slot& s) {
        std::uint32_t len = 0;
        while (len < kInline && s.e[len] != kEmpty)
            ++len;
        return len;
    }
    // A key's probe starts at the first slot of a cache line (four slots), so that most
    // look-ups, found or not, read that one line.
    static constexpr std::uint32_t kLineSlots = HugePageAllocator<Slot>::kCacheLine / sizeof(Slot);
    std::uint32_t home(std::uint32_t key) const {
        return ((key * 0x9E3779B1U) >> m_shift) & ~(kLineSlots - 1);
    }

    std::vector<Slot, HugePageAllocator<Slot>> m_slots;
    std::vector<std::uint32_t, HugePageAllocator<std::uint32_t>> m_entries;
    std::vector<std::int16_t, HugePageAllocator<std::int16_t>> m_dense;
};

} // namespace qm::grammar
