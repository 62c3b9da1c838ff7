#pragma once
// Fills Qt's font database (the list of every installed face, read from the font
// configuration) on a thread of its own while the main thread makes the window's first
// widgets: the first text measured needs the database, and filling it takes longer than
// anything the window does before that.
//
// Why this is safe: every QFontDatabase function and the font look-up of a QFont
// (QFontDatabasePrivate::findFont) take Qt's one font database lock (a recursive mutex) and
// fill the database under it, once, for whichever thread comes first; the other thread
// waits on the lock and then finds it filled. The font configuration library is thread-safe,
// and its configuration is read (FontWarmUp) before this thread starts; the one lock it makes
// on first use is published by an atomic compare-and-swap (a thread checker, which cannot see
// that uninstrumented swap, reports it as a race between this thread and the main thread). The
// thread makes no font engine (Qt keeps those per thread) and touches nothing of the window. The
// platform integration it reaches through the database must outlive it: the object is made after
// the application object and joins the thread when it goes, before the application does.
#include <thread>

namespace qm {

class FontDatabaseWarmUp {
public:
    // Starts filling the database; the application object must exist.
    FontDatabaseWarmUp();
    // Joins the thread if join() was not called.
    ~FontDatabaseWarmUp();
    FontDatabaseWarmUp(const FontDatabaseWarmUp&) = delete;
    FontDatabaseWarmUp& operator=(const FontDatabaseWarmUp&) = delete;

    // Waits until the database is filled.
    void join();

private:
    std::thread m_thread;
};

} // namespace qm
