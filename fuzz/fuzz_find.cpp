// The find step over fuzzed lines: the first line is the find text, the rest the text.
#include "FuzzSession.h"
#include "core/testing/SessionTestAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    qmfuzz::FuzzSession f;
    qm::Lines lines = qm::splitLines(qmfuzz::bytesOf(data + 1, size - 1));
    if (lines.empty()) return 0;
    const std::string pattern = lines.front();
    lines.erase(lines.begin());
    qm::SessionTestAccess(f.s).setDisplayLines(lines);
    qm::SessionTestAccess(f.s).setTopLine(data[0] % 8);
    qm::SessionTestAccess(f.s).setNextTopLine(data[0] / 8);
    f.s.run([&] { f.s.FindDialog1Find(pattern, (data[0] & 1) != 0, (data[0] & 2) != 0); });
    f.s.run([&] { f.s.FindDialog1Find(pattern, true, false); });
    return 0;
}
