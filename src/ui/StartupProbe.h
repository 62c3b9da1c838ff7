#pragma once
// A probe for measuring the window, driven by the environment variable QUILLMAR_STARTUP_PROBE.
// Does nothing when it is unset. Otherwise the first paint of the main window prints
// "first paint" on standard output, and then, by the variable's value:
//   (any other value) the program runs on;
//   quit              the program quits;
//   idle              the program settles for a moment and quits;
//   pagedown:N[:P]    the Reading page is brought forward, then N PageDown presses are made
//                     one after the other, each timed from the key press to its frame on the
//                     screen; with P, each press comes after P milliseconds of an idle event
//                     loop (a reader's pause), without it as soon as the frame before is on the
//                     screen; prints "page WxH" and "pagedown_ms T1 T2 ...", then quits;
//   index             the Index page is brought forward and the Load Index button is
//                     clicked; prints "index_ms T" (from the click to the first painted tree
//                     on the screen) and "index_added_kb K" (the high-water mark of the
//                     resident set during the load, above the resident set before it), then
//                     quits.
// Whenever the probe makes the program quit, it prints "peak_kb K" last: the high-water mark of
// the resident set (since start, or since the index load began in the index mode). A parent's
// own figure for its child can be larger: a child started by vfork inherits the parent's
// high-water mark at exec.
// A frame is on the screen when the paint that draws it has been flushed to the display and
// the display has answered a request sent after it.
class QObject;

namespace qm {
// Installs the probe on the application when the variable is set; returns it (owned by the
// application), or nullptr.
QObject* installStartupProbe(QObject* application);
} // namespace qm
