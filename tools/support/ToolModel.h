#pragma once
// The grammar model the build-time tools cascade with: the one the build copies beside them
// into the program folder, found from the running tool's own path (links resolved).
#include "core/cascade/GrammarParser.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace qm::tools {

// The model's path beside the running tool; empty when the tool's path cannot be read.
inline std::string modelBesideTool() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return cascade::modelPathIn(exe.parent_path().string() + "/");
}

} // namespace qm::tools
