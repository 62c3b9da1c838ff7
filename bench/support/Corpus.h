#pragma once
// The novel of the shared corpus beside the project, read once. A clone with nothing beside
// it lacks the file: then the benchmarks that need it are skipped with a message naming it.
#include <benchmark/benchmark.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace qmbench {

inline const char* corpusPath() {
    return QM_SHARED_DIR "/corpus/pride-and-prejudice.txt";
}

// The novel's bytes, or nothing when the file is missing or empty.
inline const std::optional<std::string>& corpusProse() {
    static const std::optional<std::string> prose = []() -> std::optional<std::string> {
        std::ifstream in(corpusPath(), std::ios::binary);
        std::stringstream buf;
        buf << in.rdbuf();
        if (!in || buf.str().empty()) return std::nullopt;
        return buf.str();
    }();
    return prose;
}

// Marks the benchmark skipped when the novel is missing; true when it may run.
inline bool haveCorpus(benchmark::State& state) {
    if (corpusProse()) return true;
    state.SkipWithError((std::string("skipped: missing file ") + corpusPath()).c_str());
    return false;
}

} // namespace qmbench
