#pragma once
// An in-memory file system for tests, with injectable write failures. Folders are implied by
// the files and folders in them unless added explicitly; the root "/" always exists.
#include "core/port/FileSystem.h"

#include <map>
#include <set>

namespace qm {

class MemoryFileSystem final : public FileSystem {
public:
    enum class Fault { None, CannotCreate, WriteFails, RenameFails };

    bool fileExists(const std::string& path) const override;
    bool folderExists(const std::string& path) const override;
    void createFolder(const std::string& path) override;
    void writeFile(const std::string& path, const std::string& bytes) override;
    bool removeFile(const std::string& path) override;
    bool removeFolder(const std::string& path) override;
    std::vector<FolderEntry> listFolder(const std::string& folder) const override;
    // Only this process sees the files, so there is no one to lock out.
    std::unique_ptr<FileLock> lock(const std::string&) override { return nullptr; }
    // Fails as writeFile does: a fault set before it is started fails it when it starts
    // (CannotCreate), at its first piece or its commit (WriteFails), or at its commit
    // (RenameFails). The file is there only once committed.
    std::unique_ptr<FileWriter> beginWrite(const std::string& path) override;
    // Files listed by listFolder report this age (default: an hour).
    void setAge(const std::string& path, long long seconds) { m_ages[path] = seconds; }

    // The next write fails in the given way (once); the old file stays as it was.
    void failNextWrite(Fault fault) { m_fault = fault; }
    // Every write fails while set.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    void addFolder(const std::string& path) { m_folders.insert(stripSlash(path)); }
    // A file of `size` zero bytes held as its size only, as a sparse file is on disk; a read
    // within the cap makes its bytes.
    void addSparseFile(const std::string& path, std::uint64_t size);
    int writeCount() const { return m_writes; }
    const std::map<std::string, std::string>& files() const { return m_files; }

protected:
    std::optional<std::string> readCapped(const std::string& path,
                                          const FileCap& cap) const override;

private:
    static std::string stripSlash(const std::string& path);
    std::map<std::string, std::string> m_files;
    std::set<std::string> m_folders;
    std::map<std::string, long long> m_ages;
    std::map<std::string, std::uint64_t> m_sparse;
    Fault m_fault = Fault::None;
    bool m_readOnly = false;
    int m_writes = 0;
};

} // namespace qm
