#pragma once
// Where the program and its files live, and the paths built from them.
#include <string>

namespace qm {

struct Locations {
    std::string programFolder;   // ends with the path separator
    std::string programBaseName; // file name of the executable or catalogue, cut at its first "."
    std::string dataFolder;      // ends with the path separator
    std::string catalogueExtension = ".toc";

    std::string settingsFile;
    std::string bookmarkFile;
    std::string catalogueFile;
    std::string collectionIndexFile; // empty when no such file exists
    std::string helpFile;
};

} // namespace qm
