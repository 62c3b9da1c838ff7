#pragma once
// A zip archive in memory, read entry by entry with limits that hold however the archive
// lies about itself: sizes are counted while inflating, not taken from its directory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace qm::import {

struct ZipLimits {
    std::uint64_t maxEntries = 20000;
    std::uint64_t maxEntryBytes = 64ull << 20;  // one entry inflated
    std::uint64_t maxTotalBytes = 256ull << 20; // all entries read, together
};

class ZipArchive {
public:
    // Opens the archive; throws UserError when the bytes are no zip archive, when it has too
    // many entries, or when an entry's name climbs out of it ("../", "/", "C:").
    explicit ZipArchive(std::string_view bytes, ZipLimits limits = {});
    // The archive reads the caller's bytes in place: a temporary would be gone before the reads.
    explicit ZipArchive(std::string&& bytes, ZipLimits limits = {}) = delete;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool contains(std::string_view name) const;
    // The entry inflated; throws UserError when it is missing, damaged, encrypted or larger
    // than the limits allow.
    std::string read(std::string_view name);
    // The entry inflated, or nothing when it is missing, damaged, encrypted or would inflate
    // past maxBytes (or the limits): for files the book does without.
    std::optional<std::string> readAtMost(std::string_view name, std::uint64_t maxBytes);

private:
    std::string read(std::string_view name, std::uint64_t maxEntryBytes);
    long long indexOf(std::string_view name) const;

    zip* m_zip = nullptr;
    ZipLimits m_limits;
    std::uint64_t m_totalRead = 0;
};

// True when an entry name stays inside the archive: relative, no ".." step.
bool isSafeEntryName(std::string_view name);

} // namespace qm::import
