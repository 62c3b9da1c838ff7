// Makes the built-in book: cascades the four stories' prose into the stored book file.
// Usage: mkbook SOURCE_FOLDER OUTPUT_FILE. The output has CR LF line ends and is replaced
// only once it has been written whole.
#include "support/ToolModel.h"
#include "core/cascade/StoredBook.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mkbook SOURCE_FOLDER OUTPUT_FILE\n";
        return 2;
    }
    const std::string folder = argv[1];
    const std::string output = argv[2];
    std::vector<std::string> stories;
    for (std::string_view name : qm::kStoredBookSources) {
        const std::string path = folder + "/" + std::string(name);
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::cerr << "mkbook: cannot read " << path << "\n";
            return 1;
        }
        std::stringstream buf;
        buf << in.rdbuf();
        stories.push_back(buf.str());
    }
    // The book ships laid out by the program's own model; without one it takes the lexicon
    // rules, as the program would.
    const std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
    qm::cascade::ModelParser parser(*fs, qm::tools::modelBesideTool());
    const std::string bytes = qm::joinLinesCrLf(qm::makeStoredBook(stories, &parser));
    const std::string temp = output + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::cerr << "mkbook: cannot write " << temp << "\n";
            std::remove(temp.c_str());
            return 1;
        }
    }
    if (std::rename(temp.c_str(), output.c_str()) != 0) {
        std::cerr << "mkbook: cannot replace " << output << "\n";
        std::remove(temp.c_str());
        return 1;
    }
    return 0;
}
