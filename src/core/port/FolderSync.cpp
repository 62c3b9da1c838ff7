#include "core/port/FolderSync.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace qm {

namespace {

// A folder that cannot be opened or synced is left as it is: the file in it is whole either
// way, as its bytes were synced before the rename.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

FolderSync::FolderSync(std::chrono::milliseconds wait)
    : FolderSync(syncFolder, wait) {}

FolderSync::FolderSync(Sync sync, std::chrono::milliseconds wait)
    : m_sync(std::move(sync))
    , m_wait(wait) {}

FolderSync::~FolderSync() {
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) m_thread.join();
}

void FolderSync::add(const std::string& folder) {
    {
        const std::lock_guard lock(m_mutex);
        if (std::find(m_waiting.begin(), m_waiting.end(), folder) == m_waiting.end())
            m_waiting.push_back(folder);
        if (!m_running) {
            // A thread that ended cleared m_running as its last step under the lock, so the
            // join does not wait for it to do anything more.
            if (m_thread.joinable()) m_thread.join();
            m_running = true;
            m_thread = std::thread([this] { run(); });
        }
    }
    m_wake.notify_one();
}

void FolderSync::run() {
    std::unique_lock lock(m_mutex);
    while (!m_waiting.empty()) {
        m_wake.wait_for(lock, m_wait, [this] { return m_closing; });
        std::vector<std::string> folders;
        folders.swap(m_waiting);
        lock.unlock();
        for (const std::string& folder : folders)
            m_sync(folder);
        lock.lock();
    }
    m_running = false;
}

} // namespace qm
