#pragma once
// Shared by the index benchmarks: a platform that starts nothing, and a large word index
// written once per process.
#include "core/base/Text.h"
#include "core/port/Platform.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace qmbench {

class NoPlatform : public qm::Platform {
public:
    std::string localDateTimeText() const override { return {}; }
    bool startDetached(const std::string&, const std::vector<std::string>&) override {
        return false;
    }
};

// Writes the index file once: 50,000 distinct words in case-insensitive order, 20 references
// each, mixing the 10- and 11-character forms. `tag` keeps the files of two programs apart.
inline const std::string& largeIndexPath(const char* tag) {
    static const std::string path = [tag] {
        std::mt19937 rng(5);
        std::set<std::string> seen;
        std::vector<std::string> words;
        while (words.size() < 50'000) {
            std::string w;
            const std::size_t len = 3 + rng() % 8;
            for (std::size_t i = 0; i < len; ++i)
                w += static_cast<char>('a' + rng() % 26);
            if (rng() % 5 == 0) w[0] = static_cast<char>(w[0] - 32);
            if (seen.insert(qm::toLowerAscii(w)).second) words.push_back(w);
        }
        std::sort(words.begin(), words.end(), [](const std::string& a, const std::string& b) {
            return qm::toLowerAscii(a) < qm::toLowerAscii(b);
        });
        std::string bytes;
        char ref[16];
        for (const auto& w : words) {
            bytes += w;
            for (int r = 0; r < 20; ++r) {
                const unsigned line = static_cast<unsigned>(rng() % 1'000'000);
                if (line < 100'000)
                    std::snprintf(ref, sizeof ref, "|0000%05u", line);
                else
                    std::snprintf(ref, sizeof ref, "|0000%06u", line);
                bytes += ref;
            }
            bytes += "\r\n";
        }
        const std::string p =
            std::string("/tmp/qm-bench-") + tag + "-" + std::to_string(getpid()) + ".tvx";
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }();
    return path;
}

} // namespace qmbench
