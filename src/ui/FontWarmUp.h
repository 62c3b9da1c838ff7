#pragma once
// Reads the font configuration on a thread of its own while the main thread starts the
// application, then builds Qt's font database there while the main thread makes the window.
//
// Reading the configuration (its files, the font caches) is the larger part of the work the
// first text costs; neither step needs the display. The configuration library is thread-safe;
// the main thread waits for the read to end before the application can ask for a font (a
// second read at once would only repeat the work), and Qt's font database takes its own lock,
// so a font looked up while the database is being built waits for it.
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qm {

class FontWarmUp {
public:
    // Starts reading the font configuration.
    FontWarmUp();
    // Waits for whatever was started.
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // To call once the application exists and before it is asked for a font: waits for the
    // configuration to be read, then has the thread build Qt's font database.
    void applicationReady();
    // Waits for the thread to end; to call before the application is destroyed.
    void join();

private:
    enum class Stage { Reading, Read, BuildDatabase, Done };
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Stage m_stage = Stage::Reading;
    std::thread m_thread;
};

} // namespace qm
