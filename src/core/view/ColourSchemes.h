#pragma once
// The colour table the page renderer reads and the three schemes that fill it, with the two
// options that rewrite it ("No Colored Text" and "1 Color Background ").
//
// The table has two shade rows (0 and 1) of nine slots numbered 1 to 9 (index 0 unused):
// slot 1 is the shade's background, slot 4 its text colour, slots 6 to 9 its accents, and
// slots 2, 3 and 5 are never written by a scheme and stay black.
#include "core/port/Surface.h"

#include <array>

namespace qm {

using ColourRow = std::array<Color, 10>;
using ColourTable = std::array<ColourRow, 2>;

// The radio group's items, in order.
enum class ColourScheme { Light = 0, Dark = 1, Windows = 2 };

// Maps a radio group item to its scheme; any other item (such as -1, none) selects nothing.
bool schemeFromItem(int item, ColourScheme& scheme);

// Writes the six set slots (1, 4, 6, 7, 8, 9) of shade 1, then those of shade 0.
void writeScheme(ColourTable& table, ColourScheme scheme);

// "No Colored Text": in shade 1 and then shade 0 the accents take the shade's text colour.
void useTextColourForAccents(ColourTable& table);

// "1 Color Background ": shade 0 takes shade 1's background and accents (not its text colour).
void copySecondShadeToFirst(ColourTable& table);

// The band behind the line read aloud, for a shade of the table: a pale yellow under dark
// text, a deep blue under light text, the platform's tooltip background under the platform's
// colours; every text and accent colour of the schemes stays readable on it.
Color litBandColour(const ColourTable& table, int shade);

} // namespace qm
