#pragma once
// Little-endian bytes of a model file. The reader checks every length against what is left
// and throws ModelError on a short or inconsistent file, so any bytes give a message.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace qm::grammar {

class ModelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// FNV-1a over the bytes: the model file ends with it, so a changed or cut file is caught.
std::uint64_t checksum(std::string_view bytes);

class ByteWriter {
public:
    void u8(std::uint8_t v) { m_bytes.push_back(static_cast<char>(v)); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void f32(float v);
    void bytes(std::string_view s) { m_bytes.append(s); }
    const std::string& data() const { return m_bytes; }
    std::string take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

class ByteReader {
public:
    explicit ByteReader(std::string_view bytes)
        : m_bytes(bytes) {}
    std::uint8_t u8() {
        need(1);
        return static_cast<std::uint8_t>(m_bytes[m_pos++]);
    }
    std::uint16_t u16() {
        const std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (static_cast<std::uint16_t>(u8()) << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    float f32();
    std::string_view bytes(std::size_t n) {
        need(n);
        const std::string_view s = m_bytes.substr(m_pos, n);
        m_pos += n;
        return s;
    }
    // Throws unless at least n bytes are left; a count read from the file is checked this way
    // before anything is allocated for it.
    void need(std::size_t n) const {
        if (n > m_bytes.size() - m_pos) throw ModelError("the file ends too early");
    }
    std::size_t left() const { return m_bytes.size() - m_pos; }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

} // namespace qm::grammar
