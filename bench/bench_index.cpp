// Loading a word index of 50,000 words and 1,000,000 references into the node list, against
// the floor of reading the same file and splitting it into lines. Every run starts cold (see
// startCold). Peak RSS of each is reported in megabytes (the process's high-water mark).
#include "core/index/IndexTree.h"
#include "core/port/NullViewPort.h"
#include "core/shell/Session.h"
#include "core/testing/SessionTestAccess.h"

#include <benchmark/benchmark.h>

#include "support/LargeIndex.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <random>
#include <set>
#include <string>
#include <unistd.h>

namespace {

using qmbench::NoPlatform;

const std::string& indexPath() {
    return qmbench::largeIndexPath("index");
}

// Each run starts as a first load in a fresh process does: the memory freed by the run before
// goes back to the system and the high-water mark of the resident set is reset. Without the
// trim the allocator hands a warm heap to whatever fits below its mapping threshold (the floor's
// 11 MB) but a fresh mapping to the node list (42 MB, above it), which compares a warm floor
// with a cold load.
void startCold() {
    malloc_trim(0);
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

double peakRssMb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

void BM_IndexLoad(benchmark::State& state) {
    const std::string path = indexPath();
    qm::NullViewPort view;
    auto fs = qm::makeRealFileSystem();
    NoPlatform platform;
    double peak = 0;
    std::size_t nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<qm::Session>(view, *fs, platform);
        qm::SessionTestAccess(*s).setIndexFile(path);
        startCold();
        state.ResumeTiming();
        s->IndexLoadButtonClick();
        state.PauseTiming();
        peak = std::max(peak, peakRssMb());
        nodes = s->indexNodes().size();
        s.reset();
        state.ResumeTiming();
    }
    state.counters["peak_rss_mb"] = peak;
    state.counters["nodes"] = static_cast<double>(nodes);
}

void BM_IndexFloor(benchmark::State& state) {
    const std::string path = indexPath();
    auto fs = qm::makeRealFileSystem();
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        startCold();
        state.ResumeTiming();
        const auto bytes = fs->readFile(path);
        qm::Lines lines = qm::splitLines(bytes ? *bytes : std::string());
        benchmark::DoNotOptimize(lines);
        state.PauseTiming();
        peak = std::max(peak, peakRssMb());
        lines = {};
        state.ResumeTiming();
    }
    state.counters["peak_rss_mb"] = peak;
}

// Not the floor, a reference: the same file read and cut into the index list's own lines (one
// string per word and per reference, 1,050,000 in all), the list the tree's rules speak of.
void BM_IndexListReference(benchmark::State& state) {
    const std::string path = indexPath();
    auto fs = qm::makeRealFileSystem();
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        startCold();
        state.ResumeTiming();
        const auto bytes = fs->readFile(path);
        const std::string_view all = bytes ? std::string_view(*bytes) : std::string_view{};
        std::vector<std::string> list;
        list.reserve(all.size() / 10);
        std::size_t start = 0;
        for (std::size_t i = 0; i <= all.size(); ++i) {
            if (i == all.size() || all[i] == '|' || all[i] == '\r' || all[i] == '\n') {
                if (i > start) list.emplace_back(all.substr(start, i - start));
                start = (i < all.size() && all[i] == '|') ? i : i + 1;
            }
        }
        benchmark::DoNotOptimize(list);
        state.PauseTiming();
        peak = std::max(peak, peakRssMb());
        list = {};
        state.ResumeTiming();
    }
    state.counters["peak_rss_mb"] = peak;
}

BENCHMARK(BM_IndexLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IndexFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IndexListReference)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(indexPath().c_str());
    return 0;
}
