#pragma once
// The program's window icon, from the icon pictures compiled into the program, and the logo
// picture the About page shows.
#include <QIcon>
#include <QImage>

namespace qm {

// The sizes the icon comes in, in pixels, smallest first (the installed icon theme has them
// all, for launchers and menus).
inline constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};
// The sizes the window icon carries: what a window manager shows in title bars, task bars and
// window switchers. Every size is decoded when the icon is made and sent to the display when
// the window is created, so the larger ones would cost start-up time for nothing.
inline constexpr int kWindowIconSizes[] = {16, 32, 48, 64};

QIcon applicationIcon();

// The side of the logo picture as compiled in: the largest icon scaled smoothly onto white.
inline constexpr int kLogoSide = 200;
// A square logo picture of the given side: the compiled-in logo, scaled smoothly if the side
// differs from it.
QImage logoPicture(int side);

} // namespace qm
