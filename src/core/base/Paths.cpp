#include "core/base/Paths.h"

#include "core/base/Text.h"

namespace qm {

static std::size_t lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

std::string fileNameOf(const std::string& path) {
    const auto sep = lastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

ProgramLocation deriveProgramLocation(const std::string& path, PathStyle style) {
    ProgramLocation loc;
    const auto sep = lastSeparator(path);
    loc.folder = sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
    if (style == PathStyle::Windows) {
        loc.folder = toLowerAscii(loc.folder);
        const auto dot = path.find('.');
        const std::string cut = dot == std::string::npos ? path : path.substr(0, dot);
        loc.baseName = toLowerAscii(fileNameOf(cut));
    } else {
        const std::string name = fileNameOf(path);
        loc.baseName = toLowerAscii(name.substr(0, name.find('.')));
    }
    return loc;
}

std::string textKeyOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.find('.');
    return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

bool hasSuffixIgnoringCase(std::string_view path, std::string_view suffix) {
    return path.size() >= suffix.size() &&
           toLowerAscii(path.substr(path.size() - suffix.size())) == toLowerAscii(suffix);
}

bool isPlainProseFile(std::string_view path) {
    return hasSuffixIgnoringCase(path, ".txt");
}

bool isCollectionFile(std::string_view path) {
    return hasSuffixIgnoringCase(path, ".toc") || hasSuffixIgnoringCase(path, ".cdb");
}

} // namespace qm
