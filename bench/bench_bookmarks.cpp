// Bookmark file speed on the real file system.
//
// LocateSection: the section lookup on a 100,000-line bookmark file whose section is the last
// one; its floor, ReadAndSplit, reads and splits the same file. Closing: saving the settings
// and writing the closing mark with ordinary files, with the settings unchanged (0: only the
// bookmark file is written) or changed (1: both files are written); its floors, SafeWrites/1
// and SafeWrites/2, write one or both files safely without reading or changing anything.
#include "core/port/FileSystem.h"
#include "core/port/NullViewPort.h"
#include "core/shell/Session.h"
#include "core/testing/SessionTestAccess.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

class BenchPlatform : public qm::Platform {
public:
    std::string localDateTimeText() const override { return "12/7/2026 11:30:02"; }
    bool startDetached(const std::string&, const std::vector<std::string>&) override {
        return false;
    }
};

class BenchView : public qm::NullViewPort {
public:
    qm::Rect windowBounds() const override { return bounds; }
    qm::Rect bounds{90, 122, 729, 509};
};

struct Folder {
    Folder() {
        char pattern[] = "/tmp/qm-bench-bm-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const char* name) const { return path + "/" + name; }
    std::string path;
};

// 100,000 lines: 1,000 sections of 99 entries each behind a first line, the last section
// being the one looked up.
qm::Lines bigBookmarkList() {
    qm::Lines lines = {"<<none"};
    for (int section = 0; section < 1000; ++section) {
        lines.push_back("<<text" + std::to_string(section));
        for (int e = 0; e < 99; ++e)
            lines.push_back("#" + std::to_string(section * 100 + e) +
                            " Closed book at 12/7/2026 11:30:02");
    }
    lines.resize(99999);
    lines.push_back("<<end");
    return lines;
}

struct Fixture {
    Folder folder;
    std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
    BenchView view;
    BenchPlatform platform;
    qm::Session session{view, *fs, platform};

    Fixture() {
        qm::SessionTestAccess(session).setLocation(&qm::Locations::bookmarkFile,
                                                   folder.file("quillmar.bm"));
        qm::SessionTestAccess(session).setLocation(&qm::Locations::settingsFile,
                                                   folder.file("quillmar.ini"));
    }
};

void LocateSection(benchmark::State& state) {
    Fixture f;
    const qm::Lines big = bigBookmarkList();
    f.fs->writeFile(f.session.locations().bookmarkFile, qm::joinLinesCrLf(big));
    qm::SessionTestAccess(f.session).setTextKey("text999");
    for (auto _ : state) {
        f.session.locateSection();
        benchmark::DoNotOptimize(f.session.bookmarks().listedEnd());
    }
    if (f.session.bookmarks().headerIndex() + 1 >= f.session.bookmarks().listedEnd())
        state.SkipWithError("section not found");
}

void ReadAndSplit(benchmark::State& state) {
    Fixture f;
    f.fs->writeFile(f.session.locations().bookmarkFile, qm::joinLinesCrLf(bigBookmarkList()));
    for (auto _ : state) {
        qm::Lines lines =
            qm::splitLines(f.fs->readFile(f.session.locations().bookmarkFile).value());
        benchmark::DoNotOptimize(lines.data());
    }
}

const qm::Lines kSeeded = {"<<none", "<<title", "<<qdemo", "<<author", "<<qau", "<<qdemo"};

void Closing(benchmark::State& state) {
    Fixture f;
    qm::SessionTestAccess(f.session).setLocation(&qm::Locations::catalogueFile,
                                                 "/opt/quillmar/quillmar.toc");
    f.fs->writeFile(f.session.locations().settingsFile,
                    qm::joinLinesCrLf(f.session.defaultSettingsLines()));
    f.fs->writeFile(f.session.locations().bookmarkFile, qm::joinLinesCrLf(kSeeded));
    qm::SessionTestAccess(f.session).setTextKey("qdemo");
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Keep the file ordinary: start again from the seeded file now and then.
        if (++round % 50 == 0)
            f.fs->writeFile(f.session.locations().bookmarkFile, qm::joinLinesCrLf(kSeeded));
        f.session.locateSection();
        qm::SessionTestAccess(f.session).setPageTurned(true);
        qm::SessionTestAccess(f.session).setTopLine(round);
        // With argument 1 the window moved since the last close, so the settings change too.
        if (state.range(0) == 1) f.view.bounds.left = round % 200;
        state.ResumeTiming();
        f.session.saveSettings();
        f.session.writeClosingMark();
    }
}

void SafeWrites(benchmark::State& state) {
    Fixture f;
    qm::SessionTestAccess(f.session).setLocation(&qm::Locations::catalogueFile,
                                                 "/opt/quillmar/quillmar.toc");
    const std::string settings = qm::joinLinesCrLf(f.session.defaultSettingsLines());
    qm::Lines marks = kSeeded;
    for (int i = 0; i < 25; ++i)
        marks.push_back("#" + std::to_string(i) + " Closed book at x");
    const std::string bookmarks = qm::joinLinesCrLf(marks);
    for (auto _ : state) {
        if (state.range(0) == 2) f.fs->writeFile(f.session.locations().settingsFile, settings);
        f.fs->writeFile(f.session.locations().bookmarkFile, bookmarks);
    }
}

} // namespace

BENCHMARK(LocateSection)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(ReadAndSplit)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(Closing)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(SafeWrites)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
