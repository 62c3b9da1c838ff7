#include "core/port/FileSystem.h"

namespace qm {

namespace {

// A write in progress keeps its temporary for milliseconds; one this old was left by a kill.
constexpr long long kStrayAgeSeconds = 60;

} // namespace

bool isTemporaryOf(const std::string& entry, const std::string& fileName) {
    const std::string prefix = temporaryPrefix(fileName);
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < entry.size(); ++i) {
        const char c = entry[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

std::string temporaryPrefix(const std::string& fileName) {
    return ".quillmar-tmp-" + fileName + "-";
}

bool isStale(const FileSystem::FolderEntry& entry) {
    return entry.ageSeconds >= kStrayAgeSeconds;
}

void removeStrayTemporaries(FileSystem& fs, const std::string& linkPath) {
    const std::string path = fs.writeTarget(linkPath);
    const auto slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (fileName.empty()) return;
    for (const auto& entry : fs.listFolder(folder)) {
        if (isStale(entry) && isTemporaryOf(entry.name, fileName))
            fs.removeFile(folder + entry.name);
    }
}

} // namespace qm
