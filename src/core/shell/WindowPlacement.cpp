#include "core/shell/WindowPlacement.h"

#include <algorithm>

namespace qm {

namespace {

long long overlap(const Rect& a, const Rect& b) {
    const long long w = std::min<long long>(a.left + a.width, b.left + b.width) -
                        std::max<long long>(a.left, b.left);
    const long long h =
        std::min<long long>(a.top + a.height, b.top + b.height) - std::max<long long>(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// The start that keeps [start, start + size) within [from, from + room), or `from` when it
// cannot fit.
int within(int start, int size, int from, int room) {
    const long long last = static_cast<long long>(from) + room - size;
    if (last <= from) return from;
    return static_cast<int>(std::clamp<long long>(start, from, last));
}

} // namespace

Rect placeOnScreens(const Rect& bounds, const std::vector<Rect>& screens) {
    if (screens.empty()) return bounds;
    const Rect* screen = &screens.front();
    long long best = 0;
    for (const Rect& s : screens) {
        if (const long long o = overlap(bounds, s); o > best) {
            best = o;
            screen = &s;
        }
    }
    Rect placed = bounds;
    placed.left = within(bounds.left, bounds.width, screen->left, screen->width);
    placed.top = within(bounds.top, bounds.height, screen->top, screen->height);
    return placed;
}

} // namespace qm
