#include "ui/StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace qm {
namespace {

class StartupProbe : public QObject {
public:
    StartupProbe(QObject* parent, bool quit)
        : QObject(parent)
        , m_quit(quit) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_done && event->type() == QEvent::Paint && watched->isWidgetType()) {
            const auto* widget = static_cast<QWidget*>(watched);
            if (widget->window() && widget->window()->objectName() == "Form1") {
                m_done = true;
                std::puts("first paint");
                std::fflush(stdout);
                if (m_quit) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            }
        }
        return false;
    }

private:
    bool m_quit;
    bool m_done = false;
};

} // namespace

void installStartupProbe(QObject* application) {
    const QByteArray mode = qgetenv("QUILLMAR_STARTUP_PROBE");
    if (mode.isEmpty()) return;
    application->installEventFilter(new StartupProbe(application, mode == "quit"));
}

} // namespace qm
