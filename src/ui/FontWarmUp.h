#pragma once
// Start-up work on fonts done on threads of their own while the main thread does what needs
// the display, so that the window's first text finds it done.
//
// FontWarmUp reads the font configuration (its files and the font caches) while the main
// thread loads the platform plugin and connects to the display: the larger part of what the
// window's first text costs, and none of it needs the display. The configuration library is
// thread-safe, but a second read started while the first runs would only repeat the work: the
// main thread joins the thread before anything can ask for a font (before the first widget is
// made).
//
// FontDatabaseWarmUp fills Qt's font database (the list of every installed face, read from the
// font configuration) while the main thread makes the window's first widgets: the first text
// measured needs the database, and filling it takes longer than anything the window does
// before that. Why this is safe: every QFontDatabase function and the font look-up of a QFont
// (QFontDatabasePrivate::findFont) take Qt's one font database lock (a recursive mutex) and
// fill the database under it, once, for whichever thread comes first; the other thread waits
// on the lock and then finds it filled. The font configuration is read (FontWarmUp) before
// this thread starts; the one lock the configuration library makes on first use is published
// by an atomic compare-and-swap (a thread checker, which cannot see that uninstrumented swap,
// reports it as a race between this thread and the main thread). The thread makes no font
// engine (Qt keeps those per thread) and touches nothing of the window. The platform
// integration it reaches through the database must outlive it: the object is made after the
// application object and joins the thread when it goes, before the application does.
#include <thread>

namespace qm {

// A thread doing one piece of start-up work, joined when the object goes if not before.
class WarmUpThread {
public:
    explicit WarmUpThread(void (*work)())
        : m_thread(work) {}
    ~WarmUpThread() { join(); }
    WarmUpThread(const WarmUpThread&) = delete;
    WarmUpThread& operator=(const WarmUpThread&) = delete;

    // Waits until the work is done.
    void join() {
        if (m_thread.joinable()) m_thread.join();
    }

private:
    std::thread m_thread;
};

// Starts reading the font configuration.
class FontWarmUp : public WarmUpThread {
public:
    FontWarmUp();
};

// Starts filling Qt's font database; the application object must exist.
class FontDatabaseWarmUp : public WarmUpThread {
public:
    FontDatabaseWarmUp();
};

} // namespace qm
