// DrawPage over fuzzed lines on the fixed-metrics surface, in one and two columns and at
// several sizes, including a surface smaller than one line.
#include "FuzzSession.h"
#include "core/testing/SessionTestAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    qmfuzz::FuzzSession f;
    qm::SessionTestAccess(f.s).setDisplayLines(qm::splitLines(qmfuzz::bytesOf(data + 1, size - 1)));
    f.s.setControlChecked(qm::Control::TwoColCheckBox, (data[0] & 1) != 0);
    f.s.run([&] { f.s.FontSizeTrackBarChange(4 + data[0] % 37); });
    f.surface.resize(data[0] & 2 ? 3 : 500, data[0] & 4 ? 2 : 400);
    for (int step = 0; step < 4; ++step)
        f.s.run([&] { f.s.ShowNextPage(); });
    f.s.run([&] { f.s.ShowPreviousPage(); });
    f.s.run([&] { f.s.drawPage(-3); });
    return 0;
}
