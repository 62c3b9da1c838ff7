// Time from process start to the first page drawn: headless (the whole run of a page-info
// command) and in a window (to the main window's first paint, under the display in DISPLAY),
// each against a minimal Qt Widgets program that opens an empty window.
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const std::string kBin = std::filesystem::path(QM_BINARY_DIR) / "bin";

// Starts the program and waits until it prints a line (or exits); returns seconds.
double timeToFirstLine(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int out[2];
    if (pipe(out) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        envStrings.emplace_back(*e);
    for (const auto& e : env)
        envStrings.push_back(e);
    std::vector<char*> envp, args;
    for (auto& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argCopy = argv;
    for (auto& a : argCopy)
        args.push_back(a.data());
    args.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return -1;
    }
    char buffer[256];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    const auto end = std::chrono::steady_clock::now();
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (n <= 0) return -1;
    return std::chrono::duration<double>(end - start).count();
}

void run(benchmark::State& state, const std::vector<std::string>& argv,
         const std::vector<std::string>& env, bool needsDisplay) {
    if (needsDisplay && !std::getenv("DISPLAY")) {
        state.SkipWithError("no DISPLAY: run under Xvfb");
        return;
    }
    for (auto _ : state) {
        const double seconds = timeToFirstLine(argv, env);
        if (seconds < 0) {
            state.SkipWithError("the program did not start or printed nothing");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

std::string dataFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/qm-startup-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

void BM_StartupHeadless(benchmark::State& state) {
    run(state, {kBin + "/quillmar", "--data-dir", dataFolder(), "--page-info"},
        {"QT_QPA_PLATFORM=offscreen"}, false);
}
void BM_StartupHeadlessFloor(benchmark::State& state) {
    run(state, {kBin + "/minimal_window"}, {"QT_QPA_PLATFORM=offscreen"}, false);
}
void BM_StartupWindow(benchmark::State& state) {
    run(state, {kBin + "/quillmar", "--data-dir", dataFolder()}, {"QUILLMAR_STARTUP_PROBE=quit"},
        true);
}
void BM_StartupWindowFloor(benchmark::State& state) {
    run(state, {kBin + "/minimal_window"}, {}, true);
}

} // namespace

BENCHMARK(BM_StartupHeadless)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_StartupHeadlessFloor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_StartupWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_StartupWindowFloor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
