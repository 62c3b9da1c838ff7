#include "core/encoding/Windows1252.h"

#include "core/encoding/Utf8.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::encoding {
namespace {

// The code page both ways, read from ICU's converter once: byte to character, and character
// to byte for the few thousand code points up to the highest the page holds.
class CodePage {
public:
    static const CodePage& instance() {
        static const CodePage page;
        return page;
    }
    const std::array<char16_t, 256>& characters() const { return m_characters; }
    int byteOf(char32_t c) const { return c < m_bytes.size() ? m_bytes[c] : -1; }

private:
    CodePage() {
        for (std::size_t b = 0; b < 0x80; ++b)
            m_characters[b] = static_cast<char16_t>(b);
        UErrorCode status = U_ZERO_ERROR;
        UConverter* conv = ucnv_open("windows-1252", &status);
        for (std::size_t b = 0x80; b < 0x100; ++b) {
            char16_t c = 0xFFFD;
            if (U_SUCCESS(status)) {
                UErrorCode st = U_ZERO_ERROR;
                ucnv_reset(conv);
                ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &st);
                const char byte = static_cast<char>(b);
                UChar u[4];
                const std::int32_t n = ucnv_toUChars(conv, u, 4, &byte, 1, &st);
                if (U_SUCCESS(st) && n == 1) c = u[0];
            }
            m_characters[b] = c;
        }
        if (conv) ucnv_close(conv);
        const char16_t top = *std::max_element(m_characters.begin(), m_characters.end());
        m_bytes.assign(std::size_t{top} + 1, -1);
        for (std::size_t b = 0; b < 0x100; ++b)
            if (m_characters[b] != 0xFFFD) m_bytes[m_characters[b]] = static_cast<std::int16_t>(b);
    }
    std::array<char16_t, 256> m_characters{};
    std::vector<std::int16_t> m_bytes;
};

} // namespace

const std::array<char16_t, 256>& windows1252Characters() {
    return CodePage::instance().characters();
}

int windows1252ByteOf(char32_t c) {
    return CodePage::instance().byteOf(c);
}

std::string windows1252ToUtf8(std::string_view bytes) {
    const std::array<char16_t, 256>& chars = windows1252Characters();
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out.push_back(ch);
        else
            appendUtf8(out, chars[b]);
    }
    return out;
}

} // namespace qm::encoding
