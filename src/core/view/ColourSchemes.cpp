#include "core/view/ColourSchemes.h"

namespace qm {

namespace {

// The set slots of one shade, in slot order 1, 4, 6, 7, 8, 9.
struct ShadeColours {
    Color background, text, accent6, accent7, accent8, accent9;
};

constexpr ShadeColours kLight[2] = {
    {0x9FBCE3, 0x000000, 0x005500, 0x000097, 0x680000, 0x5B005B},
    {0xA6C2DD, 0x000000, 0x006200, 0x000097, 0x6C0000, 0x4A004A},
};
constexpr ShadeColours kDark[2] = {
    {0x462F39, 0x87D6E7, 0xC7F1BE, 0xACA4FB, 0xDBBEA4, 0xCFB4C9},
    {0x454538, 0x87D6E7, 0xC7F1BE, 0x9DB1E1, 0xDBBEA4, 0xC2B8CD},
};
constexpr ShadeColours kWindows = {kSystemWindow,   kSystemWindowText, kSystemGrayText,
                                   kSystemGrayText, kSystemGrayText,   kSystemGrayText};

// The bands behind the line read aloud (#FFF3B0 and #101828).
constexpr Color kLightBand = 0xB0F3FF;
constexpr Color kDarkBand = 0x281810;

void writeShade(ColourRow& row, const ShadeColours& c) {
    row[1] = c.background;
    row[4] = c.text;
    row[6] = c.accent6;
    row[7] = c.accent7;
    row[8] = c.accent8;
    row[9] = c.accent9;
}

} // namespace

bool schemeFromItem(int item, ColourScheme& scheme) {
    switch (item) {
    case 0:
        scheme = ColourScheme::Light;
        return true;
    case 1:
        scheme = ColourScheme::Dark;
        return true;
    case 2:
        scheme = ColourScheme::Windows;
        return true;
    default:
        return false;
    }
}

void writeScheme(ColourTable& table, ColourScheme scheme) {
    for (int shade : {1, 0}) {
        const auto index = static_cast<std::size_t>(shade);
        switch (scheme) {
        case ColourScheme::Light:
            writeShade(table[index], kLight[index]);
            break;
        case ColourScheme::Dark:
            writeShade(table[index], kDark[index]);
            break;
        case ColourScheme::Windows:
            writeShade(table[index], kWindows);
            break;
        }
    }
}

void useTextColourForAccents(ColourTable& table) {
    for (auto* row : {&table[1], &table[0]})
        for (std::size_t slot = 6; slot <= 9; ++slot)
            (*row)[slot] = (*row)[4];
}

void copySecondShadeToFirst(ColourTable& table) {
    table[0][1] = table[1][1];
    for (std::size_t slot = 6; slot <= 9; ++slot)
        table[0][slot] = table[1][slot];
}

Color litBandColour(const ColourTable& table, int shade) {
    const Color text = table[shade == 0 ? 0 : 1][4];
    if (text & 0x80000000u) return kSystemInfoBackground;
    // Relative brightness of the text colour (0x00BBGGRR), weighted as the eye sees it.
    const int r = static_cast<int>(text & 0xFF);
    const int g = static_cast<int>((text >> 8) & 0xFF);
    const int b = static_cast<int>((text >> 16) & 0xFF);
    const bool lightText = 2126 * r + 7152 * g + 722 * b > 128 * 10000;
    return lightText ? kDarkBand : kLightBand;
}

} // namespace qm
