#include "core/shell/DataFolder.h"

#include "core/base/Error.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace qm {

namespace {

constexpr const char* kAdvice = "choose another data folder with --data-dir.";

bool isAbsolute(const std::optional<std::string>& path) {
    return path && !path->empty() && path->front() == '/';
}

// The absolute path without "." and ".." levels or doubled separators, with a final separator.
std::string cleanFolder(const std::string& absolute) {
    std::vector<std::string> levels;
    std::size_t start = 0;
    while (start <= absolute.size()) {
        std::size_t end = absolute.find('/', start);
        if (end == std::string::npos) end = absolute.size();
        const std::string level = absolute.substr(start, end - start);
        if (level == "..") {
            if (!levels.empty()) levels.pop_back();
        } else if (!level.empty() && level != ".") {
            levels.push_back(level);
        }
        start = end + 1;
    }
    std::string folder = "/";
    for (const std::string& level : levels)
        folder += level + "/";
    return folder;
}

// A folder named by the user: an absolute path as it is, a relative one from the working
// folder.
DataFolderChoice namedFolder(const std::string& named, const std::string& workingFolder,
                             const char* source) {
    if (named.front() == '/') return {cleanFolder(named), {}};
    if (workingFolder.empty())
        return {{},
                "Cannot tell where the data folder " + named + " given by " + source +
                    " is: the working folder is not known. Give a full path with --data-dir."};
    return {cleanFolder(workingFolder + "/" + named), {}};
}

} // namespace

DataFolderChoice chooseDataFolder(const DataFolderSources& sources) {
    const auto variable = [&sources](const char* name) -> std::optional<std::string> {
        if (!sources.variable) return std::nullopt;
        std::optional<std::string> value = sources.variable(name);
        if (value && value->empty()) return std::nullopt;
        return value;
    };
    if (sources.option) {
        if (sources.option->empty())
            return {{}, "--data-dir names no folder: give the folder for settings and bookmarks."};
        return namedFolder(*sources.option, sources.workingFolder, "--data-dir");
    }
    if (const auto named = variable("QUILLMAR_DATA_DIR"))
        return namedFolder(*named, sources.workingFolder, "QUILLMAR_DATA_DIR");
    if (const auto xdg = variable("XDG_DATA_HOME"); isAbsolute(xdg))
        return {cleanFolder(*xdg + "/Halvorn"), {}};
    std::optional<std::string> home = variable("HOME");
    if (!isAbsolute(home) && sources.passwordHome) home = sources.passwordHome();
    if (isAbsolute(home)) return {cleanFolder(*home + "/.local/share/Halvorn"), {}};
    return {{},
            "There is no home folder to keep the settings and bookmarks in: HOME is not set to "
            "a full path and the password database has no home for this user. Choose a data "
            "folder with --data-dir."};
}

DataFolderSources systemDataFolderSources(std::optional<std::string> option) {
    DataFolderSources sources;
    sources.option = std::move(option);
    sources.variable = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (!value) return std::nullopt;
        return std::string(value);
    };
    sources.passwordHome = []() -> std::optional<std::string> {
        const passwd* entry = ::getpwuid(::geteuid());
        if (!entry || !entry->pw_dir) return std::nullopt;
        return std::string(entry->pw_dir);
    };
    for (std::size_t size = 256; size <= (std::size_t{1} << 20); size *= 2) {
        std::string buffer(size, '\0');
        if (::getcwd(buffer.data(), buffer.size())) {
            sources.workingFolder = buffer.c_str();
            break;
        }
        if (errno != ERANGE) break;
    }
    return sources;
}

void makeDataFolder(FileSystem& fs, const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (path.empty())
        throw UserError("There is no data folder to keep the settings and bookmarks in: " +
                        std::string(kAdvice));
    // Each level from the top; only a level that is not a folder yet is looked at.
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string level = path.substr(0, end);
        if (!level.empty() && level.back() != '/' && !fs.folderExists(level)) {
            const std::string what = level == path
                                         ? "The data folder " + path
                                         : "Cannot make the data folder " + path + ": " + level;
            if (fs.fileExists(level))
                throw UserError(what + " is a file, not a folder. Move the file away, or " +
                                kAdvice);
            if (const std::string target = fs.writeTarget(level); target != level)
                throw UserError(what + " is a link to " + target +
                                ", which is not a folder. Make that folder, or " + kAdvice);
            fs.createFolder(level);
        }
        if (end == std::string::npos) break;
    }
}

} // namespace qm
