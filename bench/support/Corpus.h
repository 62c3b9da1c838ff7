#pragma once
// Files of the shared corpus beside the project, the novel read once. A clone with nothing
// beside it lacks them: then the benchmarks that need the novel are skipped with a message
// naming it.
#include <benchmark/benchmark.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace qmbench {

inline const char* corpusPath() {
    return QM_SHARED_DIR "/corpus/pride-and-prejudice.txt";
}

// A file of the shared corpus, or nothing when it is missing or empty.
inline std::optional<std::string> corpusFile(const std::string& name) {
    std::ifstream in(std::string(QM_SHARED_DIR) + "/corpus/" + name, std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    if (!in || buf.str().empty()) return std::nullopt;
    return buf.str();
}

// The novel's bytes, or nothing when the file is missing or empty.
inline const std::optional<std::string>& corpusProse() {
    static const std::optional<std::string> prose = corpusFile("pride-and-prejudice.txt");
    return prose;
}

// Marks the benchmark skipped when the novel is missing; true when it may run.
inline bool haveCorpus(benchmark::State& state) {
    if (corpusProse()) return true;
    state.SkipWithError((std::string("skipped: missing file ") + corpusPath()).c_str());
    return false;
}

} // namespace qmbench
