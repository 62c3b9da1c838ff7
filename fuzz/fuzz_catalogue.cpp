// A catalogue file of any bytes through the catalogue command, the tree and a click on every
// node.
#include "FuzzSession.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmfuzz::FuzzSession f;
    f.fs.addFolder("/books");
    f.fs.writeFile("/books/mine.toc", qmfuzz::bytesOf(data, size));
    f.view.openAnswers.push_back(std::string("/books/mine.toc"));
    f.s.run([&] { f.s.OpenTOCItemClick(); });
    const int nodes = static_cast<int>(f.view.toc.size());
    for (int i = 0; i < nodes && i < 64; ++i)
        f.s.run([&] { f.s.TOCTreeViewDblClick(i); });
    f.s.run([&] { f.s.TOCTreeViewClick(std::nullopt); });
    return 0;
}
