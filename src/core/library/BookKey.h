#pragma once
// The key a book is kept under in the library: a hash of its source file's bytes, so the same
// file opened again from anywhere finds its stored form, and an edited file is a new book.
#include <cstdint>
#include <string>
#include <string_view>

namespace qm::library {

// 64-bit FNV-1a of the bytes; the same on every machine and in every run.
std::uint64_t contentHash(std::string_view bytes);

// The hash as 16 lower-case hexadecimal digits (lower case, as collection base names are).
std::string bookKey(std::string_view bytes);

// True for 16 lower-case hexadecimal digits.
bool isBookKey(std::string_view key);

} // namespace qm::library
