#include "core/grammar/ByteIo.h"

#include <bit>
#include <cmath>

namespace qm::grammar {

std::uint64_t checksum(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return h;
}

void ByteWriter::f32(float v) {
    u32(std::bit_cast<std::uint32_t>(v));
}

float ByteReader::f32() {
    const float v = std::bit_cast<float>(u32());
    if (!std::isfinite(v)) throw ModelError("a number in the file is not finite");
    return v;
}

} // namespace qm::grammar
