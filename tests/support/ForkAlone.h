#pragma once
// Forking a test process only while it runs no other thread. A child forked while another
// thread holds a lock (the allocator's, the sanitizers' own, a file syncer's) inherits that lock
// held for ever and hangs at its next use of it. The real file system's syncer thread ends on
// its own a moment after the last write, so forkAlone waits for it.
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <unistd.h>

namespace qmtest {

// The threads this process runs now.
inline int threadCount() {
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir) return -1;
    int n = 0;
    while (const dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.') ++n;
    ::closedir(dir);
    return n;
}

// Waits up to ten seconds for the other threads to end, then forks; when they do not end,
// says so and returns -1 without forking.
inline pid_t forkAlone() {
    int threads = threadCount();
    for (int waited = 0; threads > 1 && waited < 10000; ++waited) {
        ::usleep(1000);
        threads = threadCount();
    }
    if (threads > 1) {
        std::fprintf(stderr, "not forking: %d threads still run in this process\n", threads);
        errno = EAGAIN;
        return -1;
    }
    return ::fork();
}

} // namespace qmtest
