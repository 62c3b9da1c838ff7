#pragma once
// The program's icon, from the icon pictures of every size compiled into the program, and the
// logo picture the About page shows, made from the largest of them.
#include <QIcon>
#include <QImage>

namespace qm {

// The sizes the icon comes in, in pixels, smallest first.
inline constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

QIcon applicationIcon();

// A square logo picture of the given side: the largest icon scaled smoothly onto white.
QImage logoPicture(int side);

} // namespace qm
