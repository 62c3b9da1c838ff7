#pragma once
// The pure rules of paging and of the font size setting.
#include "core/base/LineBuffer.h"
#include "core/base/Text.h"

namespace qm {

constexpr int kMinFontSize = 4;
constexpr int kMaxFontSize = 40;

// Holds a font size from any source (track bar, up-down, settings file) to 4..40.
int clampFontSize(int size);

// Where a step back from `top` starts, given the rows of one column: `top - rows` when that
// is 0 or more, moved forward to the first line from there that is a backward page-break
// point and lies before `top`; 0 when `top - rows` is negative. Lines outside the list are
// not looked at.
int previousPageTop(const LineBuffer& lines, int top, int rows);

} // namespace qm
