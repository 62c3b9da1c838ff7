#pragma once
// Peak resident memory of a step, measured in the benchmark's own process: reset the
// high-water mark, note the resident size, run the step, read the mark again.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>

namespace qmbench {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
inline long statusKb(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') kb = std::atol(line + n + 1);
    std::fclose(f);
    return kb;
}

// Resets the resident high-water mark to the present size, so that the setup's own peak
// (reading the corpus, building the EPUB) does not hide the reader's.
inline void resetPeak() {
    // Free heap pages go back to the system first: a step reusing pages that an earlier one
    // left resident would seem to cost nothing.
    malloc_trim(0);
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

} // namespace qmbench
