#include "core/library/BookKey.h"

#include <cstdio>

namespace qm::library {

std::uint64_t contentHash(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return h;
}

std::string bookKey(std::string_view bytes) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(contentHash(bytes)));
    return buf;
}

bool isBookKey(std::string_view key) {
    if (key.size() != 16) return false;
    for (const char c : key) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

} // namespace qm::library
