#include "core/grammar/ByteIo.h"

#include <bit>
#include <cmath>

namespace qm::grammar {

void ByteWriter::f32(float v) {
    u32(std::bit_cast<std::uint32_t>(v));
}

float ByteReader::f32() {
    const float v = std::bit_cast<float>(u32());
    if (!std::isfinite(v)) throw ModelError("a number in the file is not finite");
    return v;
}

} // namespace qm::grammar
