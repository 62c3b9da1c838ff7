#include "core/library/BookKey.h"

#include <nettle/sha2.h>

#include <cstdio>

namespace qm::library {

namespace {

std::string hexOf(const unsigned char* bytes, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * size);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

bool isLowerHex(std::string_view s) {
    for (const char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

} // namespace

std::string contentDigest(std::string_view bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    unsigned char digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    return hexOf(digest, sizeof digest);
}

std::string bookKey(std::string_view bytes) {
    return contentDigest(bytes);
}

std::uint64_t contentHash(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return h;
}

std::string earlierBookKey(std::string_view bytes) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(contentHash(bytes)));
    return buf;
}

bool isBookKey(std::string_view key) {
    return (key.size() == 2 * SHA256_DIGEST_SIZE || key.size() == 16) && isLowerHex(key);
}

} // namespace qm::library
