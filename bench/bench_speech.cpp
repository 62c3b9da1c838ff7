// Reading aloud in the real window (offscreen) through the desktop's speech service:
// - the Start command to the first mark's arrival in the reader, against the same SSML sent
//   straight through the client library to its first index mark, the two alternating;
// - a mark to its lit line painted on the reading page, against painting the page alone;
// - the reader's processor time while it reads (the synthesizer runs in the service's own
//   processes) as a share of a core at a voice's pace, and its memory above the same window
//   not reading.
// The service is the one libspeechd finds (SPEECHD_ADDRESS, or the user's); without one the
// figures that need it are skipped with a message.
#include "core/speech/SpeechText.h"
#include "core/testing/FakeSpeechEngine.h"
#include "support/Peak.h"
#include "support/VoicePace.h"
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
#include <optional>
#include <vector>

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

// The floor: the same SSML the reader sends first, straight through the client library on a
// connection of its own, to its first index mark.
struct FirstMark {
    std::mutex mutex;
    std::condition_variable came;
    bool marked = false;
};
FirstMark g_firstMark;

class ClientLibrary {
public:
    ClientLibrary() {
        char* error = nullptr;
        SPDConnectionAddress* address = spd_get_default_address(&error);
        std::free(error);
        error = nullptr;
        if (address)
            m_c =
                spd_open2("bench_speech", "floor", nullptr, SPD_MODE_THREADED, address, 0, &error);
        std::free(error);
        if (address) SPDConnectionAddress__free(address);
        if (!m_c) return;
        m_c->callback_im = [](std::size_t, std::size_t, SPDNotificationType, char*) {
            const std::lock_guard lock(g_firstMark.mutex);
            g_firstMark.marked = true;
            g_firstMark.came.notify_all();
        };
        spd_set_notification_on(m_c, SPD_INDEX_MARKS);
        spd_set_data_mode(m_c, SPD_DATA_SSML);
    }
    ~ClientLibrary() {
        if (m_c) spd_close(m_c);
    }
    bool open() const { return m_c != nullptr; }
    // Seconds from sending the SSML to its first mark, or nothing when none came.
    std::optional<double> firstMark(const std::string& ssml) {
        {
            const std::lock_guard lock(g_firstMark.mutex);
            g_firstMark.marked = false;
        }
        const auto start = Clock::now();
        spd_say(m_c, SPD_TEXT, ssml.c_str());
        std::unique_lock lock(g_firstMark.mutex);
        if (!g_firstMark.came.wait_for(lock, std::chrono::seconds(10),
                                       [] { return g_firstMark.marked; }))
            return std::nullopt;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        lock.unlock();
        spd_cancel(m_c);
        return seconds;
    }

private:
    SPDConnection* m_c = nullptr;
};

// The Start command to the first mark's arrival in the reader (the core told of it, before
// the band is drawn), against the floor; the two alternate, which goes first changing each
// time, so that both meet the service and the machine in the same state. The first Start of
// the run, which also connects to the service, is timed apart (first_start_ms) and not
// counted.
void BM_CommandToFirstMark(benchmark::State& state) {
    if (!serviceReachable()) return state.SkipWithError("no speech service to reach");
    static Reader& r = *new Reader(false);
    static ClientLibrary& floor = *new ClientLibrary;
    if (!floor.open()) return state.SkipWithError("no speech service to reach");
    const std::string ssml =
        qm::speech::utteranceFrom(r.session().displayLines(), r.session().topLine())->ssml;
    bool marked = false;
    QEventLoop loop;
    r.session().setSpeechListener([&](const Note& n) {
        if (n.kind != Note::Kind::Reached || std::exchange(marked, true)) return;
        loop.quit();
    });
    const auto command = [&]() -> std::optional<double> {
        marked = false;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(10000);
        const auto start = Clock::now();
        r.form->ReadAloudStartItem->trigger();
        if (!marked) loop.exec();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        r.form->ReadAloudStopItem->trigger();
        r.idle(0.05);
        if (!marked) return std::nullopt;
        return seconds;
    };
    static const std::optional<double> firstStart = command();
    double floorTotal = 0, readerTotal = 0;
    int pairs = 0;
    for (auto _ : state) {
        std::optional<double> reader, direct;
        if (pairs % 2 == 0) reader = command();
        direct = floor.firstMark(ssml);
        r.idle(0.05);
        if (pairs % 2 == 1) reader = command();
        if (!reader || !direct) return state.SkipWithError("no mark came");
        state.SetIterationTime(*reader);
        readerTotal += *reader;
        floorTotal += *direct;
        ++pairs;
    }
    r.session().setSpeechListener({});
    state.counters["floor_ms"] = 1000 * floorTotal / pairs;
    state.counters["x_floor"] = readerTotal / floorTotal;
    if (firstStart) state.counters["first_start_ms"] = 1000 * *firstStart;
}
BENCHMARK(BM_CommandToFirstMark)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Counts the paints a widget gets.
struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A mark handed to the window's thread, to its lit line painted on the reading page (the fake
// engine fires the marks the reader asked for, line after line): the rows that changed, or
// the whole page when the mark turned it.
void BM_MarkToPaintedLine(benchmark::State& state) {
    static Reader& r = *new Reader(true);
    qm::FakeSpeechEngine& fake = *r.fake;
    PaintCount painted;
    r.form->Image1->installEventFilter(&painted);
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
        // The window shows what the mark changed, as its event loop would.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    r.form->Image1->removeEventFilter(&painted);
    r.form->ReadAloudStopItem->trigger();
    if (painted.paints < state.iterations()) state.SkipWithError("a lit line was not painted");
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

// The reader's processor time while reading, as a share of one core at a voice's pace. The
// service here speaks far faster than a voice (its sound goes to the null device, which takes
// it at once), so the share is not measured over the reading's own time: the reader reads the
// first sentences of the story to their end (until the next sentence's first line is lit),
// and its processor time for them, less what the same window takes idle over the same time,
// is spread over the seconds a voice takes to speak those sentences at its normal rate
// (espeak-ng writes their sound to files; see support/VoicePace.h), to which the idle share
// is added. The idle share is taken over three seconds of the window not reading, just before.
// Also the share over the reading's own time at the service's pace, the lines lit, and the
// peak memory above the same window before it first read (connection, library thread and
// all).
constexpr int kSentences = 24;

void BM_ReadingAloudProcessorShare(benchmark::State& state) {
    if (!serviceReachable()) return state.SkipWithError("no speech service to reach");
    static Reader& r = *new Reader(false);
    static long idleKb = 0;
    if (idleKb == 0) {
        r.idle(0.5);
        qmbench::resetPeak();
        idleKb = qmbench::statusKb("VmRSS");
    }
    // The sentences read, and the line whose lighting ends them.
    const qm::LineBuffer& lines = r.session().displayLines();
    std::vector<std::string> ssml;
    int from = r.session().topLine();
    for (int k = 0; k < kSentences; ++k) {
        const auto utterance = qm::speech::utteranceFrom(lines, from);
        if (!utterance) return state.SkipWithError("the story is shorter than the sentences");
        ssml.push_back(utterance->ssml);
        from = utterance->end;
    }
    const auto after = qm::speech::utteranceFrom(lines, from);
    if (!after) return state.SkipWithError("the story is shorter than the sentences");
    const int endLine = after->lines.front();
    static const std::optional<double> voiceSeconds =
        qmbench::spokenSeconds(ssml, r.data.path().toStdString());
    if (!voiceSeconds || *voiceSeconds <= 0)
        return state.SkipWithError("espeak-ng could not say how long the sentences take");

    int lit = 0;
    bool done = false;
    r.session().setSpeechListener([&](const Note& n) {
        if (n.kind != Note::Kind::Lit) return;
        ++lit;
        done = done || n.line >= endLine;
    });
    double atVoicePace = 0, atServicePace = 0, idlePercent = 0;
    for (auto _ : state) {
        const int top = r.session().topLine();
        const double idleStart = processorSeconds();
        const auto idleWallStart = Clock::now();
        r.idle(3.0);
        const double idleShare =
            (processorSeconds() - idleStart) /
            std::chrono::duration<double>(Clock::now() - idleWallStart).count();
        idlePercent = 100 * idleShare;
        lit = 0;
        done = false;
        const double cpu = processorSeconds();
        const auto start = Clock::now();
        r.form->ReadAloudStartItem->trigger();
        const bool finished = r.waitFor([&done] { return done; }, 60);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double used = processorSeconds() - cpu;
        r.form->ReadAloudStopItem->trigger();
        if (!finished) return state.SkipWithError("the sentences were not read in a minute");
        state.SetIterationTime(used);
        atServicePace = 100 * used / wall;
        atVoicePace = 100 * (idleShare + (used - idleShare * wall) / *voiceSeconds);
        // Back to the page read from, for the next repetition.
        for (int pages = 0; r.session().topLine() > top && pages < 100; ++pages)
            r.form->handle([] { r.session().FormKeyDown(qm::Session::kPageUpKey); });
        if (r.session().topLine() != top) return state.SkipWithError("the story's page moved");
        r.idle(0.2);
    }
    r.session().setSpeechListener({});
    state.counters["cpu_percent_at_voice_pace"] = atVoicePace;
    state.counters["cpu_percent_at_service_pace"] = atServicePace;
    state.counters["cpu_percent_idle"] = idlePercent;
    state.counters["voice_seconds"] = *voiceSeconds;
    state.counters["lines_lit"] = lit;
    state.counters["peak_MB_above_idle"] =
        static_cast<double>(qmbench::statusKb("VmHWM") - idleKb) / 1024;
}
BENCHMARK(BM_ReadingAloudProcessorShare)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
