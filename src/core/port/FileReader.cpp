#include "core/port/FileSystem.h"

#include "core/base/Error.h"

#include <algorithm>
#include <cstring>

namespace qm {

namespace {

// Hands out a file read whole, for file systems that keep files in memory.
class WholeFileReader final : public FileReader {
public:
    explicit WholeFileReader(std::string bytes)
        : m_bytes(std::move(bytes)) {}
    std::optional<std::size_t> read(char* data, std::size_t size) override {
        const std::size_t n = std::min(size, m_bytes.size() - m_pos);
        if (n > 0) std::memcpy(data, m_bytes.data() + m_pos, n);
        m_pos += n;
        return n;
    }

private:
    std::string m_bytes;
    std::size_t m_pos = 0;
};

// Gathers the pieces and writes them whole at the commit, for file systems that have no
// write of their own in pieces.
class GatheringFileWriter final : public FileWriter {
public:
    GatheringFileWriter(FileSystem& fs, std::string path)
        : m_fs(fs)
        , m_path(std::move(path)) {}
    void write(std::string_view bytes) override { m_bytes += bytes; }
    void commit() override { m_fs.writeFile(m_path, m_bytes); }

private:
    FileSystem& m_fs;
    std::string m_path;
    std::string m_bytes;
};

} // namespace

std::unique_ptr<FileReader> FileSystem::openCapped(const std::string& path,
                                                   const FileCap& cap) const {
    std::optional<std::string> bytes = readCapped(path, cap);
    if (!bytes) return nullptr;
    return std::make_unique<WholeFileReader>(std::move(*bytes));
}

std::optional<std::string> FileSystem::readBeforeReplacing(const std::string& path,
                                                           const FileCap& cap) const {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (std::optional<std::string> bytes = readFile(path, cap)) return bytes;
        if (!fileExists(path)) return std::nullopt;
    }
    throw UserError(unableToWriteMessage(path));
}

std::unique_ptr<FileWriter> FileSystem::beginWrite(const std::string& path) {
    return std::make_unique<GatheringFileWriter>(*this, path);
}

} // namespace qm
