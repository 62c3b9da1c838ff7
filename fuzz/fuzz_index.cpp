// An index file of any bytes through Load index and following every node.
#include "FuzzSession.h"
#include "core/testing/SessionTestAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmfuzz::FuzzSession f;
    f.fs.writeFile("/prog/qdemo.tvx", qmfuzz::bytesOf(data, size));
    qm::SessionTestAccess(f.s).setIndexFile("/prog/qdemo.tvx");
    f.s.run([&] { f.s.IndexLoadButtonClick(); });
    if (f.s.controls().visible(qm::Control::LoadingIndexLabel)) __builtin_trap();
    const int nodes = static_cast<int>(f.s.indexNodes().size());
    for (int i = 0; i < nodes && i < 256; ++i)
        f.s.run([&] { f.s.InxTreeViewClick(i); });
    return 0;
}
