#pragma once
// Shared helpers of the window tests: one application for the whole program (offscreen,
// private runtime folder, test-mode standard paths) and answering modal windows.
#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace uitest {

inline void ensureApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone, and tearing the
    // application down then crashes in the input devices the tests used.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// Runs answer on the next modal window (dialog, message box) or popup menu that opens, from
// inside its own event loop. Gives up after a few seconds so a test never hangs.
inline void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, answer = std::move(answer)] {
        QWidget* w = QApplication::activePopupWidget();
        if (!w) w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(w);
        } else if (++*tries > 1000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

} // namespace uitest
