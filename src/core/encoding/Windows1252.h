#pragma once
// The page's single-byte form, Windows-1252: its table (read from ICU's converter once), and
// text to and from it. Safe to use from several threads.
#include <array>
#include <string>
#include <string_view>

namespace qm::encoding {

// The character of every byte. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) keep the C1 control of the same value.
const std::array<char16_t, 256>& windows1252Characters();

// The byte holding a character, or -1 when the code page has none.
int windows1252ByteOf(char32_t c);

// Windows-1252 bytes as UTF-8 (the page's form read back).
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 text in the page's form. Characters Windows-1252 holds (accents, curly quotes, dashes)
// become their bytes; others are transliterated ("ő" to "o", Greek and Cyrillic to Latin
// letters, decomposed accents composed first); what has no Latin form becomes "?", and so do
// ill-formed UTF-8 and the C1 controls. The time taken grows in step with the text.
std::string utf8ToWindows1252(std::string_view utf8);

} // namespace qm::encoding
