#pragma once
// Runs a check in a forked child whose files cannot grow past a size: a write beyond it fails
// for real with EFBIG (SIGXFSZ is ignored), as on a full disk. The child's own test state is
// thrown away with it; only the check's result comes back.
#include "support/ForkAlone.h"

#include <csignal>
#include <cstddef>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qmtest {

// True when the check ran in the limited child and returned true.
inline bool passesWithFileSizeLimit(std::size_t limitBytes, const std::function<bool()>& check) {
    const pid_t child = qmtest::forkAlone();
    if (child < 0) return false;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace qmtest
