#include "core/text/TextEncoding.h"

#include "core/text/Cp1252Table.h"

#include <optional>

namespace qm {

namespace {

SingleByteConverter& installed() {
    static SingleByteConverter converter;
    return converter;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The Windows-1252 byte of a character, if it has one.
std::optional<char> singleByteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

class ScanningReader final : public FileReader {
public:
    ScanningReader(std::unique_ptr<FileReader> inner, Utf8Scan& scan)
        : m_inner(std::move(inner))
        , m_scan(scan) {}
    std::optional<std::size_t> read(char* data, std::size_t size) override {
        const std::optional<std::size_t> got = m_inner->read(data, size);
        if (got) m_scan.feed(std::string_view(data, *got));
        return got;
    }

private:
    std::unique_ptr<FileReader> m_inner;
    Utf8Scan& m_scan;
};

} // namespace

void installSingleByteConverter(SingleByteConverter converter) {
    installed() = std::move(converter);
}

std::string toSingleByte(std::string_view utf8) {
    const SingleByteConverter& converter = installed();
    return converter ? converter(utf8) : builtInToSingleByte(utf8);
}

std::string builtInToSingleByte(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back(s[i++]);
            continue;
        }
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
        char32_t c = extra == 3 ? b & 0x07u : extra == 2 ? b & 0x0Fu : b & 0x1Fu;
        bool ok = extra > 0 && b < 0xF5;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + static_cast<std::size_t>(k) >= s.size()) {
                ok = false;
                break;
            }
            const unsigned char cb = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((cb & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (cb & 0x3Fu);
        }
        if (!ok) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (c == 0xFEFF) continue; // a byte-order mark shows nothing
        // An over-long form of an ASCII byte never becomes that byte (a line end, a bar).
        out.push_back(c < 0x80 ? '?' : singleByteOf(c).value_or('?'));
    }
    return out;
}

void Utf8Scan::feed(std::string_view piece) {
    for (const char ch : piece) {
        const unsigned b = static_cast<unsigned char>(ch);
        if (m_seen < 3) m_head[m_seen] = static_cast<unsigned char>(b);
        ++m_seen;
        if (m_seen == 3) m_bom = m_head[0] == 0xEF && m_head[1] == 0xBB && m_head[2] == 0xBF;
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

bool Utf8Scan::isUtf8() const {
    return m_bom || (m_nonAscii && !m_invalid && m_pending == 0);
}

bool isUtf8Text(std::string_view bytes) {
    Utf8Scan scan;
    scan.feed(bytes);
    return scan.isUtf8();
}

std::string_view withoutUtf8Bom(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
    return bytes;
}

std::unique_ptr<FileReader> scanningReader(std::unique_ptr<FileReader> inner, Utf8Scan& scan) {
    return std::make_unique<ScanningReader>(std::move(inner), scan);
}

} // namespace qm
