// A bookmark file of any bytes through Locate section with its fix-up, Newest entry, adding,
// going to and deleting entries, and the closing mark.
#include "FuzzSession.h"
#include "core/testing/SessionTestAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmfuzz::FuzzSession f;
    f.fs.writeFile(f.s.locations().bookmarkFile, qmfuzz::bytesOf(data, size));
    qm::SessionTestAccess(f.s).setTextKey("qdemo");
    f.s.run([&] { f.s.BMMenuClick(); });
    f.s.run([&] { (void)f.s.newestEntry(); });
    f.view.bookmarkNames.push_back("fuzz mark");
    f.s.run([&] { f.s.BMAddItemClick(); });
    f.s.run([&] { f.s.BMGotoPopupHandler(0); });
    f.s.run([&] { f.s.BMDeletePopupHandler(0); });
    qm::SessionTestAccess(f.s).setPageTurned(true);
    f.s.run([&] { f.s.writeClosingMark(); });
    return 0;
}
