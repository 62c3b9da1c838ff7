// mkindex: writes the word index of the embedded book, so the Index tab works out of the box.
//
//   mkindex OUT.tvx [TEXT.tvt]
//
// The text is opened exactly as the reader opens it from the contents tree (the embedded book
// for the key "qdemo"), so the references are the reader's display-line indices.
#include "support/ToolModel.h"
#include "core/base/Error.h"
#include "core/index/WordIndex.h"
#include "core/port/FileSystem.h"
#include "core/shell/CollectionText.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: mkindex OUT.tvx [TEXT.tvt]\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string text = argc == 3 ? argv[2] : "/qdemo/qdemo.tvt";
    try {
        auto disk = qm::makeRealFileSystem();
        // The key "qdemo" selects the embedded book, so the default reads no file.
        qm::cascade::ModelParser parser(*disk, qm::tools::modelBesideTool());
        const qm::Lines lines = qm::openedTextLines(*disk, text, &parser);
        const qm::Lines index = qm::makeWordIndex(lines);
        disk->writeFile(out, qm::joinLinesCrLf(index));
        std::printf("mkindex: %zu words over %zu display lines -> %s\n", index.size(), lines.size(),
                    out.c_str());
    } catch (const qm::UserError& e) {
        std::fprintf(stderr, "mkindex: %s\n", e.what());
        return 1;
    }
    return 0;
}
