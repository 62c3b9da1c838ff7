#pragma once
// Reads the font configuration (its files and the font caches) on a thread of its own while the
// main thread loads the platform plugin and connects to the display: the larger part of what
// the window's first text costs, and none of it needs the display.
//
// The configuration library is thread-safe, but a second read started while the first runs
// would only repeat the work: the main thread joins the thread before anything can ask for a
// font (before the first widget is made).
#include <thread>

namespace qm {

class FontWarmUp {
public:
    // Starts reading the font configuration.
    FontWarmUp();
    // Joins the thread if join() was not called.
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // Waits until the configuration is read.
    void join();

private:
    std::thread m_thread;
};

} // namespace qm
