#include "core/encoding/Decode.h"

#include "core/encoding/Utf8.h"
#include "core/encoding/Windows1252.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

namespace qm::encoding {
namespace {

constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr char32_t kReplacement = 0xFFFD;

// UTF-16 without a byte-order mark, from where its zero bytes fall. Its blanks, line ends,
// digits and punctuation (and, in a Latin script, nearly every letter) are units with a zero
// high byte, so at least one unit in eight has one; a zero low byte is rare (U+0100, U+4E00,
// ...), so they are at most a sixteenth of those. Single-byte and UTF-8 text has no zero bytes
// at all, and a binary file with a few, or with zeros in both halves of its units, keeps its
// single-byte reading; so does a text too short to tell (fewer than four such units). Text
// without a mark whose every character is outside Latin-1 (CJK with no blanks) is not told
// apart.
Encoding utf16ByZeroBytes(std::string_view bytes) {
    constexpr std::size_t kFewest = 4;
    const std::size_t units = bytes.size() / 2;
    std::size_t evenZeros = 0; // zero bytes at even offsets
    std::size_t oddZeros = 0;
    for (std::size_t k = 0; k < units; ++k) {
        evenZeros += bytes[2 * k] == '\0';
        oddZeros += bytes[2 * k + 1] == '\0';
    }
    const auto utf16 = [units](std::size_t highZeros, std::size_t lowZeros) {
        return highZeros >= kFewest && 8 * highZeros >= units && 16 * lowZeros <= highZeros;
    };
    if (utf16(oddZeros, evenZeros)) return Encoding::Utf16Le;
    if (utf16(evenZeros, oddZeros)) return Encoding::Utf16Be;
    return Encoding::Windows1252;
}

std::string utf8Repaired(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        if (s[i] < 0x80) {
            out.push_back(static_cast<char>(s[i++]));
            continue;
        }
        UChar32 c;
        std::int32_t j = 0;
        const auto len = static_cast<std::int32_t>(std::min<std::size_t>(n - i, 4));
        U8_NEXT(s + i, j, len, c);
        appendUtf8(out, c < 0 ? kReplacement : static_cast<char32_t>(c));
        i += static_cast<std::size_t>(j);
    }
    return out;
}

std::string utf16ToUtf8(std::string_view bytes, bool little) {
    const std::size_t units = bytes.size() / 2;
    std::string out;
    out.reserve(units + units / 2);
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
    auto unit = [&](std::size_t k) -> UChar {
        const std::uint8_t a = s[2 * k], b = s[2 * k + 1];
        return static_cast<UChar>(little ? (b << 8 | a) : (a << 8 | b));
    };
    for (std::size_t k = 0; k < units;) {
        const UChar u = unit(k++);
        char32_t c = u;
        if (U16_IS_LEAD(u) && k < units && U16_IS_TRAIL(unit(k))) {
            c = static_cast<char32_t>(U16_GET_SUPPLEMENTARY(u, unit(k)));
            ++k;
        } else if (U16_IS_SURROGATE(u)) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    // An odd byte count leaves half a character at the end.
    if (bytes.size() % 2 != 0) appendUtf8(out, kReplacement);
    return out;
}

} // namespace

Encoding detectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) return Encoding::Utf8Bom;
    if (bytes.starts_with(kUtf16LeBom)) return Encoding::Utf16Le;
    if (bytes.starts_with(kUtf16BeBom)) return Encoding::Utf16Be;
    if (bytes.find('\0') != std::string_view::npos) {
        const Encoding e = utf16ByZeroBytes(bytes);
        if (e != Encoding::Windows1252) return e;
    }
    return isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1252;
}

std::string decodeToUtf8(std::string_view bytes) {
    const Encoding e = detectEncoding(bytes);
    // Detection has just checked the whole text.
    if (e == Encoding::Utf8) return std::string(bytes);
    return decodeToUtf8(bytes, e);
}

std::string decodeToUtf8(std::string_view bytes, Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8:
        if (isValidUtf8(bytes)) return std::string(bytes);
        return utf8Repaired(withoutUtf8Bom(bytes));
    case Encoding::Utf8Bom:
        return utf8Repaired(withoutUtf8Bom(bytes));
    case Encoding::Utf16Le:
        if (bytes.starts_with(kUtf16LeBom)) bytes.remove_prefix(kUtf16LeBom.size());
        return utf16ToUtf8(bytes, true);
    case Encoding::Utf16Be:
        if (bytes.starts_with(kUtf16BeBom)) bytes.remove_prefix(kUtf16BeBom.size());
        return utf16ToUtf8(bytes, false);
    case Encoding::Windows1252:
        return windows1252ToUtf8(bytes);
    }
    return {};
}

} // namespace qm::encoding
