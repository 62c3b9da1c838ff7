// Cascading plain prose: 1 MB and 5 MB of real text (the corpus's tale repeated to reach the
// size), against the floor of splitting the same bytes into lines. BM_Cascade is the whole
// cascade as the reader runs it (tokenize, tag, parse, lay out; the lexicon rules alone when
// no grammar model is beside the program), BM_CascadeLexicon the lexicon rules alone, and
// BM_CascadeHostile 1 MB of input a parser must not be given whole (one sentence of words
// without punctuation, capitals, numbers, non-Latin script).
#include "core/base/Text.h"
#include "core/cascade/Cascader.h"
#include "core/testing/ShippedParser.h"
#include "support/Corpus.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string proseOfSize(std::size_t bytes) {
    static const std::string corpus = [] {
        // Only the tale itself: a licence footer in the middle of the repeated text would end
        // the cascade there.
        std::string text = qmbench::corpusProse().value_or(std::string());
        const std::size_t start = text.find("*** START OF");
        const std::size_t end = text.find("*** END OF");
        if (start != std::string::npos && end != std::string::npos && end > start) {
            const std::size_t from = text.find('\n', start);
            text = text.substr(from + 1, end - from - 1);
        }
        return text;
    }();
    std::string out;
    if (corpus.empty()) return out;
    out.reserve(bytes + corpus.size());
    while (out.size() < bytes)
        out += corpus;
    out.resize(bytes);
    return out;
}

void BM_Cascade(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    const std::string prose = proseOfSize(static_cast<std::size_t>(state.range(0)) << 20);
    for (auto _ : state) {
        qm::Lines lines = qm::cascadeText(prose, qm::shippedParser());
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(prose.size()));
}

void BM_CascadeLexicon(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    const std::string prose = proseOfSize(static_cast<std::size_t>(state.range(0)) << 20);
    for (auto _ : state) {
        qm::Cascader cascader(nullptr);
        cascader.addStory(prose);
        qm::Lines lines = cascader.finish();
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(prose.size()));
    state.counters["parser"] = qm::shippedParser() != nullptr ? 1 : 0;
}

std::string hostile(int kind, std::size_t bytes) {
    static const char* const kPieces[] = {
        "the soldier stood in the window and looked ", "THE SOLDIER STOOD IN THE WINDOW. ",
        "1914 2020 37 0.5 1,000 42 ",
        "\xd0\xbe\xd0\xbd \xd1\x81\xd1\x82\xd0\xbe\xd1\x8f\xd0\xbb. "};
    std::string out;
    while (out.size() < bytes)
        out += kPieces[kind];
    return out;
}

void BM_CascadeHostile(benchmark::State& state) {
    const std::string prose = hostile(static_cast<int>(state.range(0)), std::size_t{1} << 20);
    for (auto _ : state) {
        qm::Lines lines = qm::cascadeText(prose, qm::shippedParser());
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(prose.size()));
}

// The floor: the same bytes split into lines, as every reader of the text must do.
void BM_SplitLinesFloor(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    const std::string prose = proseOfSize(static_cast<std::size_t>(state.range(0)) << 20);
    for (auto _ : state) {
        qm::Lines lines = qm::splitLines(prose);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(prose.size()));
}

} // namespace

BENCHMARK(BM_Cascade)
    ->Arg(1)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_CascadeLexicon)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
// 0: no punctuation, 1: capitals, 2: numbers only, 3: non-Latin script.
BENCHMARK(BM_CascadeHostile)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLinesFloor)
    ->Arg(1)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
