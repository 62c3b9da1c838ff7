#pragma once
// Makes the renames of safe writes durable without making the writer wait for the disk.
//
// A safe write syncs the new file's bytes before renaming it over the old one, so whatever the
// disk holds after a crash is either the old file or the whole new one. Syncing the folder
// afterwards only makes the rename itself survive a crash; every reader, this process included,
// sees the renamed file at once. On a journalling file system that sync waits for a journal
// commit, several milliseconds and far more while other programs write, so it runs on a thread
// of its own. It waits a moment first: writes that come together (the first start writes the
// settings and the bookmark file into one folder) get one sync between them, and the sync
// does not hold up the next write's own sync of its bytes. Every folder handed over is synced
// before the object is destroyed, at once, without that wait. The thread ends once nothing is
// left to sync, so a program that has stopped writing runs no thread for it (a process that
// forks, as the tests do, must have no other thread that may hold a lock at that moment).
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qm {

class FolderSync {
public:
    using Sync = std::function<void(const std::string& folder)>;

    // Syncs folders with fsync after `wait`.
    explicit FolderSync(std::chrono::milliseconds wait = std::chrono::milliseconds(100));
    // Syncs folders with `sync` (tests count them).
    FolderSync(Sync sync, std::chrono::milliseconds wait);
    // Syncs the folders still waiting, then returns.
    ~FolderSync();
    FolderSync(const FolderSync&) = delete;
    FolderSync& operator=(const FolderSync&) = delete;

    // Has the folder synced. A folder already waiting is synced once.
    void add(const std::string& folder);

private:
    void run();

    const Sync m_sync;
    const std::chrono::milliseconds m_wait;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::string> m_waiting;
    bool m_closing = false;
    bool m_running = false; // the thread is started and has not yet found nothing to sync
    std::thread m_thread;   // started by a folder when none is running
};

} // namespace qm
