#pragma once
// Keeping the main window on the screen: the bounds a settings file gives may lie off every
// screen there is now (a screen since removed, a position a window manager's frame pushed
// past the edge), and a window placed there could not be reached.
#include "core/port/ViewPort.h"

#include <vector>

namespace qm {

// The bounds moved onto the screen they overlap most (the first screen when they overlap
// none), so that the whole frame lies on it, or its top-left part when the frame is larger
// than the screen. The size is kept. With no screens given the bounds stay as they are.
Rect placeOnScreens(const Rect& bounds, const std::vector<Rect>& screens);

} // namespace qm
