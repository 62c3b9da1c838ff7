#pragma once
// A headless session over an in-memory file system and a fixed-metrics surface, for fuzz
// targets that drive whole operations the way the window does.
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "support/Fakes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qmfuzz {

struct FuzzSession {
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::FakeSurface surface{640, 480};
    qm::Session s{view, fs, platform};

    FuzzSession() {
        fs.addFolder("/prog");
        fs.addFolder("/data");
        s.setSurface(&surface);
        s.run([this] { s.FormCreate("/prog/quillmar", "/data/", ""); });
        s.FormActivate();
    }
};

inline std::string bytesOf(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace qmfuzz
