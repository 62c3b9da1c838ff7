#pragma once
// Writes a whole file through a temporary beside it, flushed and then renamed over the
// target, so a failed write never leaves a half-written model behind.
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace qm::grammar::tools {

inline void writeFileSafely(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            throw std::runtime_error("cannot write " + temporary);
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot rename " + temporary + " to " + path);
    }
}

} // namespace qm::grammar::tools
