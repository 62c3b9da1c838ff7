#include "core/testing/MemoryFileSystem.h"

#include "core/base/Error.h"

namespace qm {

std::string MemoryFileSystem::stripSlash(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && (p.back() == '/' || p.back() == '\\'))
        p.pop_back();
    return p;
}

bool MemoryFileSystem::fileExists(const std::string& path) const {
    return m_files.count(path) > 0;
}

bool MemoryFileSystem::folderExists(const std::string& path) const {
    const std::string p = stripSlash(path);
    if (p == "/" || m_folders.count(p)) return true;
    // A folder holding a file or a folder is there too.
    const std::string prefix = p + "/";
    const auto file = m_files.lower_bound(prefix);
    if (file != m_files.end() && file->first.compare(0, prefix.size(), prefix) == 0) return true;
    const auto folder = m_folders.lower_bound(prefix);
    return folder != m_folders.end() && folder->compare(0, prefix.size(), prefix) == 0;
}

void MemoryFileSystem::createFolder(const std::string& path) {
    if (folderExists(path)) return;
    if (m_readOnly) throw UserError("File access denied");
    if (fileExists(stripSlash(path)))
        throw UserError("Cannot make the folder " + path + ": a file has that name.");
    m_folders.insert(stripSlash(path));
}

void MemoryFileSystem::addSparseFile(const std::string& path, std::uint64_t size) {
    m_files[path].clear();
    m_sparse[path] = size;
}

std::optional<std::string> MemoryFileSystem::readCapped(const std::string& path,
                                                        const FileCap& cap) const {
    const auto it = m_files.find(path);
    if (it == m_files.end()) return std::nullopt;
    const auto sparse = m_sparse.find(path);
    const std::uint64_t size = sparse == m_sparse.end() ? it->second.size() : sparse->second;
    if (size > cap.bytes) throw FileTooLarge(path, cap);
    if (sparse != m_sparse.end()) return std::string(static_cast<std::size_t>(size), '\0');
    return it->second;
}

void MemoryFileSystem::writeFile(const std::string& path, const std::string& bytes) {
    const Fault fault = m_fault;
    m_fault = Fault::None;
    if (m_readOnly || fault == Fault::CannotCreate) throw UserError(cannotCreateFileMessage(path));
    if (fault == Fault::WriteFails) throw UserError(unableToWriteMessage(path));
    if (fault == Fault::RenameFails) throw UserError(cannotCreateFileMessage(path));
    const auto slash = path.find_last_of('/');
    if (path.empty() || (slash != std::string::npos && !folderExists(path.substr(0, slash + 1))))
        throw UserError(cannotCreateFileMessage(path));
    m_files[path] = bytes;
    m_sparse.erase(path);
    ++m_writes;
}

namespace {

class MemoryFileWriter final : public FileWriter {
public:
    MemoryFileWriter(MemoryFileSystem& fs, std::string path, MemoryFileSystem::Fault fault)
        : m_fs(fs)
        , m_path(std::move(path))
        , m_fault(fault) {}
    void write(std::string_view bytes) override {
        if (m_fault == MemoryFileSystem::Fault::WriteFails)
            throw UserError(unableToWriteMessage(m_path));
        m_bytes += bytes;
    }
    void commit() override {
        m_fs.failNextWrite(m_fault);
        m_fs.writeFile(m_path, m_bytes);
    }

private:
    MemoryFileSystem& m_fs;
    std::string m_path;
    MemoryFileSystem::Fault m_fault;
    std::string m_bytes;
};

} // namespace

std::unique_ptr<FileWriter> MemoryFileSystem::beginWrite(const std::string& path) {
    const Fault fault = m_fault;
    m_fault = Fault::None;
    if (m_readOnly || fault == Fault::CannotCreate) throw UserError(cannotCreateFileMessage(path));
    return std::make_unique<MemoryFileWriter>(*this, path, fault);
}

bool MemoryFileSystem::removeFile(const std::string& path) {
    m_sparse.erase(path);
    return m_files.erase(path) > 0;
}

bool MemoryFileSystem::removeFolder(const std::string& path) {
    const std::string p = stripSlash(path);
    if (m_readOnly || !m_folders.count(p)) return false;
    const std::string prefix = p + "/";
    const auto it = m_files.lower_bound(prefix);
    if (it != m_files.end() && it->first.compare(0, prefix.size(), prefix) == 0) return false;
    for (const std::string& folder : m_folders)
        if (folder.compare(0, prefix.size(), prefix) == 0) return false;
    return m_folders.erase(p) > 0;
}

std::vector<FileSystem::FolderEntry> MemoryFileSystem::listFolder(const std::string& folder) const {
    std::vector<FolderEntry> entries;
    const std::string prefix = stripSlash(folder) == "/" ? "/" : stripSlash(folder) + "/";
    for (auto it = m_files.lower_bound(prefix);
         it != m_files.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        const std::string name = it->first.substr(prefix.size());
        if (name.find('/') != std::string::npos) continue;
        const auto age = m_ages.find(it->first);
        entries.push_back({name, age == m_ages.end() ? 3600 : age->second});
    }
    return entries;
}

} // namespace qm
