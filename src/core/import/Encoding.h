#pragma once
// Character encodings of book files: recognising what a file's bytes are, decoding them to
// UTF-8 for the book readers, and converting UTF-8 text to the page's single-byte form
// (Windows-1252), where characters that form lacks become their nearest Latin letters.
#include <string>
#include <string_view>

namespace qm::import {

enum class Encoding {
    Utf8Bom,    // UTF-8 behind its byte-order mark
    Utf16Le,    // UTF-16, little-endian byte-order mark
    Utf16Be,    // UTF-16, big-endian byte-order mark
    Utf8,       // no mark, but every byte sequence is valid UTF-8 (plain ASCII included)
    Windows1252 // anything else
};

// What the bytes are: a byte-order mark decides; else valid UTF-8; else Windows-1252.
Encoding detectEncoding(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

// The bytes decoded to UTF-8 without a byte-order mark. Ill-formed sequences (bad UTF-8 behind
// a mark, unpaired surrogates, the odd last byte of UTF-16) become U+FFFD; nothing throws.
std::string decodeToUtf8(std::string_view bytes);
std::string decodeToUtf8(std::string_view bytes, Encoding encoding);

// UTF-8 text in the page's single-byte form. Characters Windows-1252 holds (accents, curly
// quotes, dashes) become their bytes; others are transliterated ("ő" to "o", Greek and
// Cyrillic to Latin letters, decomposed accents composed first); what has no Latin form
// becomes "?". Ill-formed UTF-8 becomes "?" too. Safe to call from several threads.
std::string utf8ToWindows1252(std::string_view utf8);

// Windows-1252 bytes as UTF-8 (the page's form read back).
std::string windows1252ToUtf8(std::string_view bytes);

} // namespace qm::import
