// The window as a user meets it: the real program started on the X display in DISPLAY
// (scripts/bench.sh starts a virtual one), each run with a fresh home and data folder, measured
// by its start-up probe (src/ui/StartupProbe.h). Each figure stands beside its floor, measured
// in the same repetition:
//   launch to the first drawn frame, and the peak resident memory of an idle start, against a
//     minimal Qt Widgets window (the two started alternately, minimal first on even runs);
//   memory while reading a 5 MB book (opened at start-up, twenty pages turned), above the peak
//     of an idle start, against the book's stored size;
//   PageDown to its frame on the screen, against the core's page turn (ShowNextPage on the
//     same book at the same page size, on an offscreen surface, in this process); beside them
//     the display's own cost of a turn: PageDown to its frame in a window of the same page size
//     that only shows one of two prepared page images (bench/page_flip_window), timed by the
//     same probe with the same count of presses; both with the presses back to back, and
//     again with a reader's pause of 100 ms before each press (when the reader has drawn the
//     next page ahead);
//   Load Index of 1,000,000 references to the first painted tree, and the memory the load adds,
//     against the core's load of the same file (read and built into nodes, in this process);
//   launch to the first frame with a 5 MB book file named at start-up, against an idle start.
#include "core/cascade/Cascader.h"
#include "core/index/IndexTree.h"
#include "core/port/FileSystem.h"
#include "core/port/NullViewPort.h"
#include "core/shell/Session.h"
#include "core/testing/ShippedParser.h"
#include "support/LargeIndex.h"
#include "ui/QtSurface.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const fs::path kBin = fs::path(QM_BINARY_DIR) / "bin";

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// This process's own scratch folder, removed at exit.
const fs::path& scratch() {
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "qm-bench-window-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        return fs::path(made ? made : "/tmp");
    }();
    return folder;
}

struct Run {
    bool ok = false;
    double firstPaintMs = -1; // launch to the line "first paint"
    double peakRssMb = 0;     // the process's high-water mark, as it reports it
    std::vector<std::string> lines;

    // The words after "key " on the line that starts with it.
    std::vector<std::string> values(const std::string& key) const {
        for (const std::string& line : lines)
            if (line.rfind(key + " ", 0) == 0) {
                std::istringstream in(line.substr(key.size() + 1));
                std::vector<std::string> words;
                for (std::string w; in >> w;)
                    words.push_back(w);
                return words;
            }
        return {};
    }
};

// Starts a program with a fresh home, data and runtime folder and the probe mode, reads what
// it prints until it exits, and collects its figures.
Run launch(const fs::path& program, const std::vector<std::string>& args,
           const std::string& probe) {
    static int serial = 0;
    const fs::path home = scratch() / ("home" + std::to_string(++serial));
    fs::create_directories(home / "runtime");
    fs::permissions(home / "runtime", fs::perms::owner_all, fs::perm_options::replace);

    std::vector<std::string> env;
    const auto inherited = [](const std::string& s) {
        for (const char* own : {"HOME=", "XDG_", "QT_QPA_PLATFORM=", "QUILLMAR_"})
            if (s.rfind(own, 0) == 0) return false;
        return true;
    };
    for (char** e = environ; *e; ++e)
        if (inherited(*e)) env.emplace_back(*e);
    env.push_back("HOME=" + home.string());
    env.push_back("XDG_RUNTIME_DIR=" + (home / "runtime").string());
    env.push_back("QT_QPA_PLATFORM=xcb");
    env.push_back("QUILLMAR_STARTUP_PROBE=" + probe);

    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    if (program.filename() == "quillmar") {
        argv.push_back("--data-dir");
        argv.push_back((home / "data").string());
        std::rotate(argv.begin() + 1, argv.end() - 2, argv.end()); // options before the text
    }
    std::vector<char*> envp, argp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    for (auto& a : argv)
        argp.push_back(a.data());
    argp.push_back(nullptr);

    Run run;
    int out[2];
    if (pipe(out) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return run;
    }
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
        if (run.firstPaintMs < 0 && text.find("first paint\n") != std::string::npos)
            run.firstPaintMs = msSince(start);
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    // The child's own high-water mark: the kernel's figure for a child started by vfork (as
    // posix_spawn starts it) is at least this process's own high-water mark at the exec.
    const auto peak = run.values("peak_kb");
    run.peakRssMb =
        peak.empty() ? static_cast<double>(usage.ru_maxrss) / 1024.0 : std::stod(peak[0]) / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && run.firstPaintMs >= 0;
    fs::remove_all(home);
    return run;
}

bool needDisplay(benchmark::State& state) {
    if (std::getenv("DISPLAY")) return true;
    state.SkipWithError("no DISPLAY: run under Xvfb (make bench starts one)");
    return false;
}

bool check(benchmark::State& state, const Run& run, const char* what) {
    if (run.ok) return true;
    state.SkipWithError((std::string(what) + " did not start, paint or exit cleanly").c_str());
    return false;
}

// ---- The book: the corpus novel cascaded (or the built-in book's prose when it is missing),
// its lines repeated to 5 MB, stored as a text file.

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

const fs::path& bookPath() {
    static const fs::path path = [] {
        std::string prose = readFile(QM_SHARED_DIR "/corpus/pride-and-prejudice.txt");
        if (prose.empty())
            for (const auto& entry : fs::directory_iterator(QM_SOURCE_DIR "/book/src"))
                if (entry.path().extension() == ".txt") prose += readFile(entry.path()) + "\n\n";
        const qm::Lines stored = qm::cascadeText(prose, qm::shippedParser());
        std::string bytes = (stored.empty() ? std::string("Book") : stored[0]) + "\r\n";
        constexpr std::size_t kSize = 5u << 20;
        while (bytes.size() < kSize && stored.size() > 1)
            for (std::size_t i = 1; i < stored.size() && bytes.size() < kSize; ++i)
                if (stored[i] != "END") bytes += stored[i] + "\r\n";
        bytes += "END\r\n";
        const fs::path p = scratch() / "book5.tvt";
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }();
    return path;
}

// ---- The core's page turn on the same book at the same page size.

class QuietView : public qm::NullViewPort {};

double coreTurnMs(int width, int height, int turns) {
    auto files = qm::makeRealFileSystem();
    QuietView view;
    qmbench::NoPlatform platform;
    qm::QtSurface surface(width, height);
    qm::Session session(view, *files, platform);
    session.setSurface(&surface);
    const fs::path data = scratch() / "core-data";
    fs::remove_all(data);
    session.FormCreate((kBin / "quillmar").string(), data.string() + "/", bookPath().string());
    session.FormActivate();
    std::vector<double> times;
    for (int i = 0; i < turns; ++i) {
        const auto start = Clock::now();
        session.ShowNextPage();
        times.push_back(msSince(start));
    }
    return median(times);
}

// ---- Figures

void BM_WindowLaunch(benchmark::State& state) {
    if (!needDisplay(state)) return;
    static int runs = 0;
    for (auto _ : state) {
        Run window, floor;
        if (runs++ % 2 == 0) {
            floor = launch(kBin / "minimal_window", {}, "");
            window = launch(kBin / "quillmar", {}, "idle");
        } else {
            window = launch(kBin / "quillmar", {}, "idle");
            floor = launch(kBin / "minimal_window", {}, "");
        }
        if (!check(state, window, "quillmar") || !check(state, floor, "minimal_window")) return;
        state.SetIterationTime(window.firstPaintMs / 1e3);
        state.counters["floor_ms"] = floor.firstPaintMs;
        state.counters["peak_rss_mb"] = window.peakRssMb;
        state.counters["floor_rss_mb"] = floor.peakRssMb;
    }
}

// The pause before each press in the runs that model a reader.
const std::string kPauseMs = "100";

// The times of a probe's page turns.
std::vector<double> turnTimes(const Run& run) {
    std::vector<double> out;
    for (const std::string& t : run.values("pagedown_ms"))
        out.push_back(std::stod(t));
    return out;
}

void BM_WindowBook(benchmark::State& state) {
    if (!needDisplay(state)) return;
    const double storedMb = static_cast<double>(fs::file_size(bookPath())) / (1 << 20);
    for (auto _ : state) {
        const Run idle = launch(kBin / "quillmar", {}, "idle");
        const Run book = launch(kBin / "quillmar", {bookPath().string()}, "pagedown:21");
        if (!check(state, idle, "quillmar") || !check(state, book, "quillmar with the book"))
            return;
        const std::vector<double> turns = turnTimes(book);
        const auto page = book.values("page");
        int width = 0, height = 0;
        if (page.empty() || std::sscanf(page[0].c_str(), "%dx%d", &width, &height) != 2 ||
            turns.empty()) {
            state.SkipWithError("the probe reported no page turns");
            return;
        }
        // The same turns after a reader's pause, then the page-flip window both ways.
        const Run paused =
            launch(kBin / "quillmar", {bookPath().string()}, "pagedown:21:" + kPauseMs);
        const Run flip = launch(kBin / "page_flip_window", {page[0]}, "pagedown:21");
        const Run pausedFlip =
            launch(kBin / "page_flip_window", {page[0]}, "pagedown:21:" + kPauseMs);
        if (!check(state, paused, "quillmar with pauses") ||
            !check(state, flip, "page_flip_window") ||
            !check(state, pausedFlip, "page_flip_window with pauses"))
            return;
        const std::vector<double> pausedTurns = turnTimes(paused), flips = turnTimes(flip),
                                  pausedFlips = turnTimes(pausedFlip);
        for (const Run* run : {&paused, &flip, &pausedFlip}) {
            const auto runPage = run->values("page");
            if (runPage.empty() || runPage[0] != page[0] ||
                turnTimes(*run).size() != turns.size()) {
                state.SkipWithError("a run did not turn as many pages of the same size");
                return;
            }
        }
        state.SetIterationTime(median(turns) / 1e3);
        state.counters["core_turn_ms"] = coreTurnMs(width, height, 21);
        state.counters["display_floor_ms"] = median(flips);
        state.counters["paused_ms"] = median(pausedTurns);
        state.counters["paused_floor_ms"] = median(pausedFlips);
        state.counters["added_mb"] = book.peakRssMb - idle.peakRssMb;
        state.counters["stored_mb"] = storedMb;
        state.counters["page_width"] = width;
        state.counters["page_height"] = height;
    }
}

void BM_WindowIndex(benchmark::State& state) {
    if (!needDisplay(state)) return;
    // The program folder of a copy of the reader holds the index as the collection's index.
    static const fs::path folder = [] {
        const fs::path f = scratch() / "program";
        fs::create_directories(f);
        fs::copy_file(kBin / "quillmar", f / "quillmar");
        fs::copy_file(qmbench::largeIndexPath("window"), f / "quillmar.tvx");
        fs::remove(qmbench::largeIndexPath("window"));
        return f;
    }();
    auto files = qm::makeRealFileSystem();
    for (auto _ : state) {
        const Run run = launch(folder / "quillmar", {}, "index");
        if (!check(state, run, "quillmar with the index")) return;
        const auto ms = run.values("index_ms");
        const auto kb = run.values("index_added_kb");
        if (ms.empty() || kb.empty()) {
            state.SkipWithError("the probe reported no index load");
            return;
        }
        state.SetIterationTime(std::stod(ms[0]) / 1e3);
        state.counters["added_mb"] = std::stod(kb[0]) / 1024.0;

        const auto start = Clock::now();
        const auto bytes = files->readFile((folder / "quillmar.tvx").string());
        const auto nodes = qm::buildIndexTree(bytes ? std::string_view(*bytes) : "");
        state.counters["floor_ms"] = msSince(start);
        state.counters["nodes"] = static_cast<double>(nodes.size());
    }
}

// A 5 MB book file named at start-up is read and laid out on a worker once the window is
// shown: the window's first frame against an idle start's, started alternately.
const fs::path& bookFilePath() {
    static const fs::path path = [] {
        std::string prose = readFile(QM_SHARED_DIR "/corpus/pride-and-prejudice.txt");
        if (prose.empty())
            for (const auto& entry : fs::directory_iterator(QM_SOURCE_DIR "/book/src"))
                if (entry.path().extension() == ".txt") prose += readFile(entry.path()) + "\n\n";
        std::string bytes;
        for (int part = 1; bytes.size() < (5u << 20); ++part)
            bytes += "PART " + std::to_string(part) + "\n\n" + prose + "\n\n";
        const fs::path p = scratch() / "book5.txt";
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }();
    return path;
}

void BM_WindowBookFileAtStartup(benchmark::State& state) {
    if (!needDisplay(state)) return;
    static int runs = 0;
    for (auto _ : state) {
        Run withBook, idle;
        if (runs++ % 2 == 0) {
            idle = launch(kBin / "quillmar", {}, "idle");
            withBook = launch(kBin / "quillmar", {bookFilePath().string()}, "idle");
        } else {
            withBook = launch(kBin / "quillmar", {bookFilePath().string()}, "idle");
            idle = launch(kBin / "quillmar", {}, "idle");
        }
        if (!check(state, withBook, "quillmar with a book file") || !check(state, idle, "quillmar"))
            return;
        state.SetIterationTime(withBook.firstPaintMs / 1e3);
        state.counters["floor_ms"] = idle.firstPaintMs;
        state.counters["book_mb"] = static_cast<double>(fs::file_size(bookFilePath())) / (1 << 20);
    }
}

BENCHMARK(BM_WindowLaunch)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK(BM_WindowBook)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK(BM_WindowIndex)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK(BM_WindowBookFileAtStartup)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    // This process draws offscreen; the programs it starts use the display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(scratch());
    return 0;
}
