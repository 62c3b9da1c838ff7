#pragma once
// Deriving the program folder and program base name from a path (the executable's, or a
// catalogue file's). Two path styles: the Windows style of the original rules (folder
// lower-cased, base name cut at the first "." of the whole path) and this platform's style
// (folder case kept, base name cut at the first "." of the file name, so a "." in a folder
// such as ~/.local cannot empty it).
#include <string>
#include <string_view>

namespace qm {

enum class PathStyle { Windows, Posix };

struct ProgramLocation {
    std::string folder;   // up to and including the last separator
    std::string baseName; // lower-cased
};

ProgramLocation deriveProgramLocation(const std::string& path, PathStyle style);

// The text key of a path: its file name up to, not including, its first "." (empty when the
// file name holds no "."); letter case kept.
std::string textKeyOf(const std::string& path);

// The file-name part of a path (after the last "/" or "\").
std::string fileNameOf(const std::string& path);

// Whether the path ends with the suffix, ignoring the letter case of A to Z.
bool hasSuffixIgnoringCase(std::string_view path, std::string_view suffix);
// A plain prose file (".txt"), cascaded when it is opened.
bool isPlainProseFile(std::string_view path);
// A collection's catalogue (".toc" or ".cdb").
bool isCollectionFile(std::string_view path);

} // namespace qm
