// Reading aloud in the real window (offscreen) through the desktop's speech service:
// - the Start command to the first lit line, against the same SSML sent straight through the
//   client library to its first index mark, in the same run;
// - a mark to its lit line painted on the reading page, against painting the page alone;
// - the reader's processor time while it reads (the synthesizer runs in the service's own
//   processes), and its memory above the same window not reading.
// The service is the one libspeechd finds (SPEECHD_ADDRESS, or the user's); without one the
// figures that need it are skipped with a message.
#include "core/speech/SpeechText.h"
#include "core/testing/FakeSpeechEngine.h"
#include "support/Peak.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/SpeechDispatcher.h"
#include "ui/Widgets.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <libspeechd.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;
using Note = qm::Session::SpeechNote;

// The application and the windows live to the process's end: destroyed among the exit
// handlers, after Qt's own globals, they would crash.
QApplication& app() {
    static int argc = 1;
    static char name[] = "bench_speech";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// A real window over a fresh data folder, the built-in book open at its first story's page.
struct Reader {
    explicit Reader(bool fakeEngine) {
        app();
        form = std::make_unique<qm::TForm1>(*fs, platform);
        form->create({std::string(QM_BINARY_DIR) + "/bin/quillmar", data.path().toStdString() + "/",
                      ""});
        form->resize(1000, 900);
        form->show();
        QApplication::processEvents();
        form->handle([this] { session().TOCTreeViewClick(2); });
        form->PageControl1->setCurrentWidget(form->ReadTabSheet);
        QApplication::processEvents();
        if (fakeEngine) {
            auto engine = std::make_unique<qm::FakeSpeechEngine>();
            fake = engine.get();
            form->setSpeechEngine(std::move(engine));
        }
    }
    qm::Session& session() { return form->session(); }

    // Runs the window's event loop, sleeping while it has nothing to do, until `done` holds
    // (asked each millisecond) or the seconds pass; whether it held.
    bool waitFor(const std::function<bool()>& done, double seconds) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done()) loop.quit();
        });
        if (done) poll.start(1);
        if (!done || !done()) loop.exec();
        return done && done();
    }
    // Runs the event loop for the seconds, asking nothing.
    void idle(double seconds) { waitFor({}, seconds); }

    QTemporaryDir data;
    std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
    qm::QtPlatform platform;
    std::unique_ptr<qm::TForm1> form;
    qm::FakeSpeechEngine* fake = nullptr;
};

bool serviceReachable() {
    static const bool reachable = [] {
        qm::SpeechDispatcher probe([](const std::function<void()>& f) {
            f();
            return true;
        });
        return !probe.open();
    }();
    return reachable;
}

// Reads from the page's top line until the first line is lit; the time it took.
void BM_CommandToFirstMark(benchmark::State& state) {
    if (!serviceReachable()) return state.SkipWithError("no speech service to reach");
    static Reader& r = *new Reader(false);
    bool lit = false;
    QEventLoop loop;
    r.session().setSpeechListener([&](const Note& n) {
        if (n.kind != Note::Kind::Lit || std::exchange(lit, true)) return;
        loop.quit();
    });
    for (auto _ : state) {
        lit = false;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(10000);
        const auto start = Clock::now();
        r.form->ReadAloudStartItem->trigger();
        if (!lit) loop.exec();
        const auto end = Clock::now();
        if (!lit) return state.SkipWithError("no mark came");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        r.form->ReadAloudStopItem->trigger();
        r.idle(0.05);
    }
    r.session().setSpeechListener({});
}
BENCHMARK(BM_CommandToFirstMark)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The floor: the same SSML the reader sends first, straight through the client library, to
// its first index mark.
struct FirstMark {
    std::mutex mutex;
    std::condition_variable came;
    bool marked = false;
};
FirstMark g_firstMark;

void BM_ClientLibraryToFirstMark(benchmark::State& state) {
    if (!serviceReachable()) return state.SkipWithError("no speech service to reach");
    static Reader& r = *new Reader(false);
    const std::string ssml = qm::speech::utteranceFrom(r.session().displayLines(),
                                                       r.session().topLine())
                                 ->ssml;
    char* error = nullptr;
    SPDConnectionAddress* address = spd_get_default_address(&error);
    std::free(error);
    SPDConnection* c = address ? spd_open2("bench_speech", "floor", nullptr, SPD_MODE_THREADED,
                                           address, 0, &error)
                               : nullptr;
    if (address) SPDConnectionAddress__free(address);
    if (!c) return state.SkipWithError("no speech service to reach");
    c->callback_im = [](std::size_t, std::size_t, SPDNotificationType, char*) {
        const std::lock_guard lock(g_firstMark.mutex);
        g_firstMark.marked = true;
        g_firstMark.came.notify_all();
    };
    spd_set_notification_on(c, SPD_INDEX_MARKS);
    spd_set_data_mode(c, SPD_DATA_SSML);
    for (auto _ : state) {
        {
            const std::lock_guard lock(g_firstMark.mutex);
            g_firstMark.marked = false;
        }
        const auto start = Clock::now();
        spd_say(c, SPD_TEXT, ssml.c_str());
        std::unique_lock lock(g_firstMark.mutex);
        if (!g_firstMark.came.wait_for(lock, std::chrono::seconds(10),
                                       [] { return g_firstMark.marked; })) {
            state.SkipWithError("no mark came");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        lock.unlock();
        spd_cancel(c);
        r.idle(0.05);
    }
    spd_close(c);
}
BENCHMARK(BM_ClientLibraryToFirstMark)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// A mark handed to the window's thread, to its lit line painted on the reading page (the fake
// engine fires the marks the reader asked for, line after line).
void BM_MarkToPaintedLine(benchmark::State& state) {
    static Reader& r = *new Reader(true);
    qm::FakeSpeechEngine& fake = *r.fake;
    const auto markWaiting = [&fake] {
        return !fake.queue.empty() && fake.queue.front().nextMark < fake.queue.front().marks.size();
    };
    for (auto _ : state) {
        state.PauseTiming();
        // The next utterance, or at the end of the text reading again from a page back.
        while (!markWaiting()) {
            if (fake.finishUtterance()) continue;
            r.form->handle([] { r.session().FormKeyDown(qm::Session::kPageUpKey); });
            r.form->ReadAloudStartItem->trigger();
        }
        state.ResumeTiming();
        fake.fireMark();
        r.form->Image1->repaint();
    }
    r.form->ReadAloudStopItem->trigger();
}
BENCHMARK(BM_MarkToPaintedLine)->Unit(benchmark::kMillisecond);

// Its floor: the same page painted again, nothing lit anew.
void BM_PaintPage(benchmark::State& state) {
    static Reader& r = *new Reader(true);
    for (auto _ : state)
        r.form->Image1->repaint();
}
BENCHMARK(BM_PaintPage)->Unit(benchmark::kMillisecond);

double processorSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// Three seconds of the window's event loop, reading aloud or idle: the reader's processor time
// as a share of one core and the lines lit; reading also gives the peak memory above the same
// window before it first read (connection, library thread and all), since that moment.
void readingLoad(benchmark::State& state, bool reading) {
    if (reading && !serviceReachable())
        return state.SkipWithError("no speech service to reach");
    static Reader& r = *new Reader(false);
    static long idleKb = 0;
    if (idleKb == 0) {
        r.idle(0.5);
        qmbench::resetPeak();
        idleKb = qmbench::statusKb("VmRSS");
    }
    int lit = 0;
    r.session().setSpeechListener([&lit](const Note& n) { lit += n.kind == Note::Kind::Lit; });
    double share = 0;
    for (auto _ : state) {
        lit = 0;
        r.idle(0.2);
        const double cpu = processorSeconds();
        const auto start = Clock::now();
        if (reading) r.form->ReadAloudStartItem->trigger();
        r.idle(3.0);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        share = 100 * (processorSeconds() - cpu) / wall;
        if (reading) r.form->ReadAloudStopItem->trigger();
        state.SetIterationTime(processorSeconds() - cpu);
    }
    r.session().setSpeechListener({});
    state.counters["cpu_percent"] = share;
    state.counters["lines_lit"] = lit;
    if (reading)
        state.counters["peak_MB_above_idle"] =
            static_cast<double>(qmbench::statusKb("VmHWM") - idleKb) / 1024;
}
void BM_ReadingAloudThreeSeconds(benchmark::State& state) {
    readingLoad(state, true);
}
void BM_IdleThreeSeconds(benchmark::State& state) {
    readingLoad(state, false);
}
BENCHMARK(BM_ReadingAloudThreeSeconds)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_IdleThreeSeconds)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
