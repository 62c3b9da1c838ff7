#pragma once
// The program's logo picture: an open book whose pages carry cascading lines.
#include <QImage>

namespace qm {

// A square logo picture of the given side, on white.
QImage makeLogoPicture(int side);

} // namespace qm
