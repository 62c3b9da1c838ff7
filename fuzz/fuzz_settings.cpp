// A settings file of any bytes through ApplySettings and a save.
#include "FuzzSession.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmfuzz::FuzzSession f;
    f.fs.writeFile(f.s.locations().settingsFile, qmfuzz::bytesOf(data, size));
    f.s.run([&] { f.s.applySettings(); });
    const int font = f.s.controls().position(qm::Control::FontSizeTrackBar);
    if (font < 4 || font > 40) __builtin_trap();
    f.view.bounds = {10, 10, 700, 500};
    f.s.run([&] { f.s.saveSettings(); });
    return 0;
}
