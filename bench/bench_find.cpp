// A find step that misses across a text of 1,000,000 display lines, against the floor of a
// memmem scan for the same word over the same lines.
#include "core/find/Find.h"
#include "support/Corpus.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// Display lines made from real prose: indented phrases of a few words, some with colour tags,
// each with its trailing blank, and a paragraph marker now and then.
const qm::Lines& bookLines() {
    static const qm::Lines lines = [] {
        std::stringstream text(qmbench::corpusProse().value_or(std::string()));
        std::vector<std::string> words;
        std::string w;
        while (text >> w)
            words.push_back(w);
        if (words.empty()) words.push_back("word");
        qm::Lines out;
        out.reserve(1'000'000);
        std::size_t next = 0;
        auto take = [&] { return words[next++ % words.size()]; };
        for (std::size_t i = 0; out.size() < 1'000'000; ++i) {
            if (i % 40 == 39) {
                out.push_back("p" + std::to_string(100 + i % 900) + " ");
                continue;
            }
            std::string line(5 + (i * 7) % 20, ' ');
            const std::size_t n = 2 + i % 4;
            for (std::size_t k = 0; k < n; ++k) {
                if (k) line += ' ';
                if (i % 3 == 0 && k == 1) line += "|9>";
                line += take();
                if (i % 3 == 0 && k == 1) line += "|4>";
            }
            line += ' ';
            out.push_back(std::move(line));
        }
        return out;
    }();
    return lines;
}

constexpr const char* kMissing = "quillwort";

void findMiss(benchmark::State& state, bool matchCase) {
    const qm::Lines& lines = bookLines();
    for (auto _ : state) {
        const auto r = qm::findStep(lines, 0, 1, kMissing, true, matchCase);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(lines.size()));
}

void BM_FindMiss(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    findMiss(state, false);
}
void BM_FindMissMatchCase(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    findMiss(state, true);
}

void BM_FindFloor(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    const qm::Lines& lines = bookLines();
    const std::size_t len = std::strlen(kMissing);
    for (auto _ : state) {
        std::size_t hits = 0;
        for (const auto& l : lines)
            hits += memmem(l.data(), l.size(), kMissing, len) != nullptr;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(lines.size()));
}

BENCHMARK(BM_FindMiss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindMissMatchCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindFloor)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
