// Opening a large plain-form text from disk, against the floor of reading the same file and
// splitting it into lines; and rebuilding the embedded book list as every tree click does.
//
// Peak memory is measured in a process of its own, since the resident high-water mark never
// goes down:  bench_open --peak=open  or  bench_open --peak=floor  prints the growth of the
// maximum resident size over the idle footprint, and its ratio to the file's size.
#include "core/port/FileSystem.h"
#include "core/port/NullViewPort.h"
#include "core/shell/Session.h"
#include "core/testing/SessionTestAccess.h"
#include "core/text/BuiltInTexts.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int kLines = 1'000'000;

class QuietPlatform final : public qm::Platform {
public:
    std::string localDateTimeText() const override { return "1/1/2026 00:00:00"; }
    bool startDetached(const std::string&, const std::vector<std::string>&) override {
        return false;
    }
};

// A temporary folder holding a 1,000,000-line text in the plain form (about 40 MB): phrase
// lines at levels 05 to 24 with colour tags, paragraph and section markers, four reference
// points, CR LF line ends.
class LargeText {
public:
    LargeText() {
        char pattern[] = "/tmp/qm-bench-open-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        m_folder = pattern;
        m_path = m_folder + "/large.tvt";
        std::FILE* out = std::fopen(m_path.c_str(), "wb");
        if (!out) std::abort();
        static const char* const kWords[] = {
            "the wind",    "rose over", "the|6> grey|4> hill",   "and the",
            "little boat", "went home", "before the|9> rain|4>", "came down"};
        std::string line;
        std::fputs("Large text -- generated for the opening benchmark \r\n", out);
        for (int i = 1; i < kLines - 1; ++i) {
            line.clear();
            if (i % 250'000 == 1) {
                line = "l00|refpt00" + std::to_string(i / 250'000 + 1) + "> ";
            } else if (i % 400 == 0) {
                line = "s000 ";
            } else if (i % 30 == 0) {
                line = "p" + std::to_string(100 + i % 900) + " ";
            } else {
                const int level = 5 + (i * 7) % 20;
                line = "l" + std::string(level < 10 ? "0" : "") + std::to_string(level);
                line += kWords[i % 8];
                line += ' ';
                line += kWords[(i / 8) % 8];
                line += ' ';
                line += kWords[(i / 64) % 8];
                line += ' ';
            }
            line += "\r\n";
            std::fwrite(line.data(), 1, line.size(), out);
        }
        std::fputs("END\r\n", out);
        std::fclose(out);
        m_bytes = std::filesystem::file_size(m_path);
    }
    ~LargeText() { std::filesystem::remove_all(m_folder); }
    const std::string& path() const { return m_path; }
    std::uintmax_t bytes() const { return m_bytes; }

private:
    std::string m_folder, m_path;
    std::uintmax_t m_bytes = 0;
};

LargeText& largeText() {
    static LargeText text;
    return text;
}

struct Reader {
    qm::NullViewPort view;
    QuietPlatform platform;
    std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
    qm::Session session{view, *fs, platform};
    Reader() { qm::SessionTestAccess(session).setHaveDisplayList(true); }
    void open(const std::string& path) {
        qm::SessionTestAccess(session).setCurrentTextPath({});
        session.openText(path, "refpt004");
    }
};

void floor(const std::string& path, qm::FileSystem& fs, qm::Lines& lines) {
    const auto bytes = fs.readFile(path);
    lines = qm::splitLines(*bytes);
}

void BM_ReadAndSplitFloor(benchmark::State& state) {
    const LargeText& text = largeText();
    const auto fs = qm::makeRealFileSystem();
    for (auto _ : state) {
        qm::Lines lines;
        floor(text.path(), *fs, lines);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.bytes()));
}
BENCHMARK(BM_ReadAndSplitFloor)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_OpenTextFromDisk(benchmark::State& state) {
    const LargeText& text = largeText();
    Reader reader;
    for (auto _ : state) {
        reader.open(text.path());
        benchmark::DoNotOptimize(reader.session.displayLines().back().data());
    }
    if (reader.session.displayLines().size() != static_cast<std::size_t>(kLines) + 2)
        state.SkipWithError("unexpected line count");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.bytes()));
}
BENCHMARK(BM_OpenTextFromDisk)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_RebuildEmbeddedBook(benchmark::State& state) {
    qm::Lines list;
    qm::rebuildEmbeddedBook(list);
    for (auto _ : state) {
        qm::rebuildEmbeddedBook(list);
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_RebuildEmbeddedBook)->Unit(benchmark::kMicrosecond);

// The embedded book list built from nothing, as on the first open.
void BM_BuildEmbeddedBookFresh(benchmark::State& state) {
    for (auto _ : state) {
        qm::Lines list;
        qm::rebuildEmbeddedBook(list);
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_BuildEmbeddedBookFresh)->Unit(benchmark::kMicrosecond);

long maxResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int measurePeak(const char* what) {
    const LargeText& text = largeText();
    const long idle = maxResidentKb();
    std::size_t lines = 0;
    if (std::strcmp(what, "open") == 0) {
        Reader reader;
        reader.open(text.path());
        lines = reader.session.displayLines().size();
    } else {
        const auto fs = qm::makeRealFileSystem();
        qm::Lines split;
        floor(text.path(), *fs, split);
        lines = split.size();
    }
    const double grownMb = static_cast<double>(maxResidentKb() - idle) / 1024.0;
    const double fileMb = static_cast<double>(text.bytes()) / (1024.0 * 1024.0);
    std::printf("%s: %zu lines, file %.1f MB, peak resident growth %.1f MB (%.2fx the file)\n",
                what, lines, fileMb, grownMb, grownMb / fileMb);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--peak=", 7) == 0) return measurePeak(argv[i] + 7);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
