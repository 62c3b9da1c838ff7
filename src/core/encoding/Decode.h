#pragma once
// What a file's bytes are, and their UTF-8.
#include <string>
#include <string_view>

namespace qm::encoding {

enum class Encoding {
    Utf8Bom,    // UTF-8 behind its byte-order mark
    Utf16Le,    // UTF-16, little-endian: its byte-order mark, or no mark and its zero bytes
    Utf16Be,    // UTF-16, big-endian: likewise
    Utf8,       // no mark, but every byte sequence is valid UTF-8 (plain ASCII included)
    Windows1252 // anything else
};

// What the bytes are: a byte-order mark decides; else UTF-16 told by where its zero bytes
// fall (in one half of many of its 16-bit units, almost never in the other); else valid
// UTF-8; else Windows-1252.
Encoding detectEncoding(std::string_view bytes);

// The bytes decoded to UTF-8 without a byte-order mark. Ill-formed sequences (bad UTF-8 behind
// a mark, unpaired surrogates, the odd last byte of UTF-16) become U+FFFD; nothing throws.
std::string decodeToUtf8(std::string_view bytes);
std::string decodeToUtf8(std::string_view bytes, Encoding encoding);

} // namespace qm::encoding
