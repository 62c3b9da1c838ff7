#include "core/library/FileBatch.h"

namespace qm::library {

void FileBatch::write(const std::string& path, const std::string& bytes) {
    writeInPieces(path, [&bytes](FileWriter& out) { out.write(bytes); });
}

void FileBatch::writeInPieces(const std::string& path,
                              const std::function<void(FileWriter&)>& fill) {
    std::optional<std::string> old = m_fs.readBeforeReplacing(path);
    const std::unique_ptr<FileWriter> out = m_fs.beginWrite(path);
    fill(*out);
    out->commit();
    m_done.push_back({path, std::move(old)});
}

void FileBatch::rollBack() noexcept {
    for (auto it = m_done.rbegin(); it != m_done.rend(); ++it) {
        try {
            if (it->old)
                m_fs.writeFile(it->path, *it->old);
            else if (!m_fs.removeFile(it->path) && m_fs.fileExists(it->path))
                break;
        } catch (...) {
            break; // the failure already being reported is the one the user hears of
        }
    }
    m_done.clear();
}

} // namespace qm::library
