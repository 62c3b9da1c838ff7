#pragma once
// Where the reader keeps its settings and bookmarks, and making that folder.
//
// The folder is the one named with --data-dir, else by QUILLMAR_DATA_DIR, else "Halvorn/" in
// the user's data folder: XDG_DATA_HOME when it is an absolute path (a relative value is
// ignored, as the XDG rules say), else ".local/share" in the home folder, from HOME when it is
// an absolute path, else from the password database. A folder given relative is taken from
// the working folder. Paths are bytes as the system gave them: a name that is not UTF-8 is
// used as it stands, never replaced by a look-alike.
#include "core/port/FileSystem.h"

#include <functional>
#include <optional>
#include <string>

namespace qm {

// What the choice is made from; the system's in the program, fakes in tests.
struct DataFolderSources {
    std::optional<std::string> option; // --data-dir
    // An environment variable's value; nothing when it is unset.
    std::function<std::optional<std::string>(const char* name)> variable;
    // This user's home folder in the password database; nothing when there is none.
    std::function<std::optional<std::string>()> passwordHome;
    std::string workingFolder;
};

struct DataFolderChoice {
    std::string folder; // absolute, with its final separator; empty when none can be chosen
    std::string error;  // why none can be chosen, naming --data-dir
};

DataFolderChoice chooseDataFolder(const DataFolderSources& sources);

// The system's environment, password database and working folder.
DataFolderSources systemDataFolderSources(std::optional<std::string> option);

// Makes the data folder and every missing folder above it. A folder another copy of the reader
// made a moment before is fine. Throws UserError saying what is wrong and what to do when a
// file, or a link to nothing, stands where a folder should be, or with the system's message.
void makeDataFolder(FileSystem& fs, const std::string& folder);

} // namespace qm
