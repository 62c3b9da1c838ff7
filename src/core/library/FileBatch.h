#pragma once
// Files written as one change: when it is not committed (a write failed, the work was
// cancelled), the files it wrote are put back as they were or removed again, newest first.
#include "core/port/FileSystem.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm::library {

class FileBatch {
public:
    explicit FileBatch(FileSystem& fs)
        : m_fs(fs) {}
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;
    ~FileBatch() { rollBack(); }

    // Throws UserError when the file cannot be written (or its old bytes cannot be read).
    void write(const std::string& path, const std::string& bytes);
    // The same for a file written in pieces: `fill` writes them, and the file is replaced
    // only when it returns. Whatever `fill` throws leaves the file as it was.
    void writeInPieces(const std::string& path, const std::function<void(FileWriter&)>& fill);
    void commit() { m_done.clear(); }

private:
    // Stops at the first file it cannot put back: the files written before it stay, so a
    // file that names others never names files that are gone.
    void rollBack() noexcept;

    struct Written {
        std::string path;
        std::optional<std::string> old;
    };
    FileSystem& m_fs;
    std::vector<Written> m_done;
};

} // namespace qm::library
