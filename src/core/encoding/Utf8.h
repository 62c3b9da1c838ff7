#pragma once
// UTF-8: telling well-formed bytes from others, whole or read in pieces, and writing a
// character's bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace qm::encoding {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Reads bytes in pieces and tells whether they are well-formed UTF-8 (no over-long forms, no
// surrogates, nothing beyond U+10FFFF), and whether they are UTF-8 text as a whole: a UTF-8
// byte-order mark at the start, or well-formed with at least one byte above 0x7F. A sequence
// cut between two pieces is carried over.
class Utf8Scan {
public:
    void feed(std::string_view piece);
    bool isWellFormed() const { return !m_invalid && m_pending == 0; }
    bool isUtf8Text() const { return m_bom || (m_nonAscii && isWellFormed()); }

private:
    std::size_t m_seen = 0;
    int m_pending = 0;        // continuation bytes still expected
    unsigned m_lowest = 0x80; // lowest allowed value of the next continuation byte
    unsigned m_highest = 0xBF;
    bool m_bom = false;
    bool m_nonAscii = false;
    bool m_invalid = false;
    unsigned char m_head[3] = {0, 0, 0};
};

// True when the bytes are well-formed UTF-8 (plain ASCII included).
bool isValidUtf8(std::string_view bytes);

// True for a UTF-8 byte-order mark at the start, or well-formed UTF-8 with a byte above 0x7F.
bool isUtf8Text(std::string_view bytes);

// The bytes without a UTF-8 byte-order mark at their start.
std::string_view withoutUtf8Bom(std::string_view bytes);

// Appends the UTF-8 bytes of a code point; one that is not a character (a surrogate, beyond
// U+10FFFF) is written as U+FFFD.
void appendUtf8(std::string& out, char32_t c);

} // namespace qm::encoding
