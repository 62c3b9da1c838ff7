#pragma once
// A data folder of its own for a benchmark under /tmp, removed with everything in it at the end.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

namespace qmbench {

class DataFolder {
public:
    // `name` goes into the folder's name, so a folder left by a killed run says whose it is.
    explicit DataFolder(const std::string& name) {
        std::string pattern = "/tmp/qm-bench-" + name + "-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        m_path = pattern + "/";
    }
    ~DataFolder() { std::filesystem::remove_all(m_path); }
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;
    const std::string& path() const { return m_path; }
    void clearLibrary() const { std::filesystem::remove_all(m_path + "library"); }

private:
    std::string m_path;
};

} // namespace qmbench
