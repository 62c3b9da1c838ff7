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

} // namespace qm
