#pragma once
// The cascader: turns plain prose into the stored plain form of a cascaded text.
// PLACEHOLDER body in Cascader.cpp until the cascader is built; the interface stays.
#include "core/io/Text.h"

#include <string_view>

namespace qm {

// Cascades plain prose (any bytes; CR, LF or CR LF line ends) into stored lines: a banner
// line first, then phrase lines, markers, a reference point and bold title for each heading,
// and "END" as the last line.
Lines cascadeText(std::string_view prose);

} // namespace qm
