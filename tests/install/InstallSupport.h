// Helpers for the installation tests: running the desktop tools, reading the build's cache,
// temporary folders that clean up after themselves.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace qm::installtest {

namespace fs = std::filesystem;

inline const fs::path kSourceDir{QM_SOURCE_DIR};
inline const fs::path kBinaryDir{QM_BINARY_DIR};

struct CommandResult {
    int exitCode = -1;
    std::string output; // standard output and standard error together
};

// Single-quotes an argument for /bin/sh.
inline std::string shellQuote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += "'";
    return quoted;
}

inline CommandResult runCommand(const std::vector<std::string>& args) {
    std::string line;
    for (const auto& arg : args) {
        if (!line.empty()) line += ' ';
        line += shellQuote(arg);
    }
    line += " 2>&1 </dev/null";
    CommandResult result;
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    const int status = pclose(pipe);
    result.exitCode = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return result;
}

// Full path of a program on the search path, or nothing.
inline std::optional<fs::path> findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders{path != nullptr ? path : "/usr/bin:/bin"};
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        const fs::path candidate = fs::path(folder) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

// The value of a variable in the build's CMakeCache.txt ("NAME:TYPE=value"), or nothing.
inline std::optional<std::string> cacheValue(const std::string& name) {
    std::ifstream in(kBinaryDir / "CMakeCache.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + ":", 0) != 0) continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        return line.substr(equals + 1);
    }
    return std::nullopt;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "qm-install-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!m_path.empty()) fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return m_path; }
    bool valid() const { return !m_path.empty(); }

private:
    fs::path m_path;
};

} // namespace qm::installtest
