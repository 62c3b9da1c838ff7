#include "core/encoding/Utf8.h"

#include <unicode/utf8.h>

#include <cstdint>

namespace qm::encoding {

void Utf8Scan::feed(std::string_view piece) {
    for (const char ch : piece) {
        const unsigned b = static_cast<unsigned char>(ch);
        if (m_seen < 3) {
            m_head[m_seen] = static_cast<unsigned char>(b);
            if (m_seen == 2) m_bom = m_head[0] == 0xEF && m_head[1] == 0xBB && m_head[2] == 0xBF;
            ++m_seen;
        }
        if (m_invalid) continue;
        if (m_pending > 0) {
            if (b < m_lowest || b > m_highest) {
                m_invalid = true;
                continue;
            }
            --m_pending;
            m_lowest = 0x80;
            m_highest = 0xBF;
            continue;
        }
        if (b < 0x80) continue;
        m_nonAscii = true;
        if (b >= 0xC2 && b <= 0xDF) {
            m_pending = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_pending = 2;
            if (b == 0xE0) m_lowest = 0xA0;
            if (b == 0xED) m_highest = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_pending = 3;
            if (b == 0xF0) m_lowest = 0x90;
            if (b == 0xF4) m_highest = 0x8F;
        } else {
            m_invalid = true;
        }
    }
}

bool isValidUtf8(std::string_view bytes) {
    Utf8Scan scan;
    scan.feed(bytes);
    return scan.isWellFormed();
}

bool isUtf8Text(std::string_view bytes) {
    Utf8Scan scan;
    scan.feed(bytes);
    return scan.isUtf8Text();
}

std::string_view withoutUtf8Bom(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
    return bytes;
}

void appendUtf8(std::string& out, char32_t c) {
    char buf[U8_MAX_LENGTH];
    std::int32_t n = 0;
    UBool failed = false;
    U8_APPEND(buf, n, U8_MAX_LENGTH, static_cast<UChar32>(c), failed);
    if (failed) {
        out += "\xEF\xBF\xBD";
        return;
    }
    out.append(buf, static_cast<std::size_t>(n));
}

} // namespace qm::encoding
