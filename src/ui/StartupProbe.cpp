#include "ui/StartupProbe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace qm {
namespace {

// A field of /proc/self/status in kilobytes, or -1 where there is none.
long statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts a new high-water mark of the resident set at the present resident set.
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

void print(const std::string& line) {
    std::puts(line.c_str());
    std::fflush(stdout);
}

class StartupProbe : public QObject {
public:
    StartupProbe(QObject* parent, QByteArray mode)
        : QObject(parent)
        , m_mode(std::move(mode)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (m_target && (widget == m_target || m_target->isAncestorOf(widget)))
            m_targetPainted = true;
        if (!m_done && widget->window() && widget->window()->objectName() == "Form1") {
            m_done = true;
            m_form = widget->window();
            print("first paint");
            QTimer::singleShot(0, this, [this] { afterFirstPaint(); });
        }
        return false;
    }

private:
    void afterFirstPaint() {
        if (m_mode == "quit") {
            quit();
        } else if (m_mode == "idle") {
            QTimer::singleShot(200, this, &StartupProbe::quit);
        } else if (m_mode.startsWith("pagedown:")) {
            // pagedown:N or pagedown:N:P, P the pause in milliseconds before each press.
            const QList<QByteArray> fields = m_mode.mid(9).split(':');
            pageDown(fields.value(0).toInt(), fields.value(1).toInt());
            quit();
        } else if (m_mode == "index") {
            loadIndex();
            quit();
        }
    }

    void quit() {
        print("peak_kb " + std::to_string(statusKb("VmHWM")));
        qApp->quit();
    }

    // Runs the event loop until target has painted and the display has the frame; false
    // when it has not painted within ten seconds.
    bool untilOnScreen(QWidget* target) {
        QElapsedTimer waited;
        waited.start();
        while (!m_targetPainted && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        m_target = nullptr;
        // A request answered by the display: it has handled everything sent before it.
        (void)QCursor::pos();
        return target != nullptr && waited.elapsed() < 10000;
    }

    void watch(QWidget* target) {
        m_target = target;
        m_targetPainted = false;
    }

    template <class W> W* find(const char* name) { return m_form->findChild<W*>(name); }

    // Brings a page of a page control forward and waits until it is on the screen.
    bool bringForward(const char* tabs, const char* page) {
        auto* control = find<QTabWidget>(tabs);
        auto* sheet = find<QWidget>(page);
        if (!control || !sheet) return false;
        if (control->currentWidget() == sheet) return true;
        watch(sheet);
        control->setCurrentWidget(sheet);
        return untilOnScreen(sheet);
    }

    void pageDown(int presses, int pauseMs) {
        if (!bringForward("PageControl1", "ReadTabSheet")) return;
        auto* page = find<QWidget>("Image1");
        if (!page) return;
        print("page " + std::to_string(page->width()) + "x" + std::to_string(page->height()));
        std::string times = "pagedown_ms";
        for (int i = 0; i < presses; ++i) {
            // With a pause, the event loop runs idle before each press, as it does while a
            // user reads; the time runs from the press to its frame either way.
            if (pauseMs > 0) pause(pauseMs);
            QWidget* focus = QApplication::focusWidget();
            QWidget* receiver = focus && focus->window() == m_form ? focus : m_form;
            QElapsedTimer timer;
            watch(page);
            timer.start();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
            QApplication::sendEvent(receiver, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
            QApplication::sendEvent(receiver, &release);
            if (!untilOnScreen(page)) return;
            times += " " + std::to_string(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        print(times);
    }

    static void pause(int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    void loadIndex() {
        if (!bringForward("PageControl2", "IndexTabSheet")) return;
        auto* button = find<QAbstractButton>("IndexLoadButton");
        auto* tree = find<QWidget>("InxTreeView");
        if (!button || !tree) return;
        const long before = statusKb("VmRSS");
        resetPeakMemory();
        QElapsedTimer timer;
        watch(tree);
        timer.start();
        button->click();
        if (!untilOnScreen(tree)) return;
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        print("index_ms " + std::to_string(ms));
        print("index_added_kb " + std::to_string(statusKb("VmHWM") - before));
    }

    QByteArray m_mode;
    bool m_done = false;
    QWidget* m_form = nullptr;
    QWidget* m_target = nullptr;
    bool m_targetPainted = false;
};

} // namespace

QObject* installStartupProbe(QObject* application) {
    const QByteArray mode = qgetenv("QUILLMAR_STARTUP_PROBE");
    if (mode.isEmpty()) return nullptr;
    auto* probe = new StartupProbe(application, mode);
    application->installEventFilter(probe);
    return probe;
}

} // namespace qm
