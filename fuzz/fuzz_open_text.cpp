// Stored text of any bytes through clean-up, both conversion passes, drawing and paging.
#include "FuzzSession.h"
#include "core/testing/SessionTestAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmfuzz::FuzzSession f;
    const std::string bytes = qmfuzz::bytesOf(data, size);
    f.fs.writeFile("/prog/story.tvt", bytes);
    f.s.run([&] { f.s.openText("/prog/story.tvt", "refpt001"); });
    f.s.run([&] { f.s.ShowNextPage(); });
    f.s.run([&] { f.s.ShowPreviousPage(); });
    qm::SessionTestAccess(f.s).setLocation(&qm::Locations::catalogueExtension, ".cdb");
    f.fs.writeFile("/prog/record.tvt", bytes);
    f.s.run([&] { f.s.openText("/prog/record.tvt", " "); });
    f.s.run([&] { f.s.ShowNextPage(); });
    return 0;
}
