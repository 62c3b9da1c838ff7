#pragma once
// Picture files made in memory for the tests: a small PNG that decodes, and PNG bytes whose
// header claims another size (for what reads only the header).
#include <cstddef>
#include <string>

namespace qmtest {

// An 8 x 6 PNG, all one red.
inline std::string tinyPng() {
    static const char kBytes[] =
        "\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x00\x08\x00"
        "\x00\x00\x06\x08\x02\x00\x00\x00\x71\x67\x48\xAC\x00\x00\x00\x11\x49\x44\x41\x54\x78"
        "\xDA\x63\x38\x21\x27\x87\x15\x31\x0C\xA4\x04\x00\x69\x88\x30\xC1\x19\x6A\x3D\xFC\x00"
        "\x00\x00\x00\x49\x45\x4E\x44\xAE\x42\x60\x82";
    return std::string(kBytes, sizeof kBytes - 1);
}

// The small PNG with its header claiming width x height (its pixels do not follow).
inline std::string pngClaiming(unsigned width, unsigned height) {
    std::string b = tinyPng();
    for (int k = 0; k < 4; ++k) {
        b[static_cast<std::size_t>(16 + k)] = static_cast<char>((width >> (24 - 8 * k)) & 0xFF);
        b[static_cast<std::size_t>(20 + k)] = static_cast<char>((height >> (24 - 8 * k)) & 0xFF);
    }
    return b;
}

} // namespace qmtest
