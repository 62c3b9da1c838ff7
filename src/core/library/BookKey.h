#pragma once
// The key a book is kept under in the library: the SHA-256 digest of its source file's bytes,
// so the same file opened again from anywhere finds its stored form, an edited file is a new
// book, and no made-up file can be taken for another. Books stored before the digest kept a
// 64-bit FNV-1a hash as their key; they keep it (their bookmark and settings files are named
// by it) and their manifest records the digest, which is checked at every open.
#include <cstdint>
#include <string>
#include <string_view>

namespace qm::library {

// The SHA-256 digest of the bytes as 64 lower-case hexadecimal digits.
std::string contentDigest(std::string_view bytes);

// The key a book of these bytes is stored under now: its digest.
std::string bookKey(std::string_view bytes);

// 64-bit FNV-1a of the bytes; the same on every machine and in every run.
std::uint64_t contentHash(std::string_view bytes);

// The key books were stored under before the digest: the FNV-1a hash as 16 lower-case
// hexadecimal digits (lower case, as collection base names are).
std::string earlierBookKey(std::string_view bytes);

// True for 64 (a digest) or 16 (an earlier key) lower-case hexadecimal digits.
bool isBookKey(std::string_view key);

} // namespace qm::library
