// quillmar [options] [text]: the reader's window, or a headless run when an action or output
// option is given (see --help).
#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/cascade/GrammarParser.h"
#include "core/port/FileSystem.h"
#include "core/shell/DataFolder.h"
#include "ui/CommandLine.h"
#include "ui/Cp1252.h"
#include "ui/FontWarmUp.h"
#include "ui/Headless.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/StartupProbe.h"
#include "ui/StartupStyle.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdlib>
#include <iostream>

namespace {

bool haveDisplay() {
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (set("DISPLAY") || set("WAYLAND_DISPLAY")) return true;
    // A platform plugin chosen by the user that needs no X or Wayland display.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return !platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland");
}

// The grammar model in the program folder (the executable's, links resolved), for the tools:
// they run before the application object that knows the executable's path.
std::string toolModelPath() {
    const std::string exe =
        qm::toLocalPath(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    return qm::cascade::modelPathIn(qm::deriveProgramLocation(exe, qm::PathStyle::Posix).folder);
}

int run(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    qm::ParsedCommandLine parsed = qm::parseCommandLine(args);
    if (!parsed.error.empty()) {
        std::cerr << "quillmar: " << parsed.error << "\nTry 'quillmar --help'.\n";
        return 2;
    }
    qm::CommandLine& options = parsed.options;
    if (options.help) {
        std::cout << qm::usageText();
        return 0;
    }
    if (options.version) {
        std::cout << "quillmar " << QUILLMAR_VERSION << '\n';
        return 0;
    }
    const std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
    if (options.toolsOnly()) {
        qm::cascade::ModelParser parser(*fs, toolModelPath());
        return qm::runTools(options, &parser, *fs, std::cout, std::cerr);
    }

    if (!options.headless() && !haveDisplay()) {
        std::cerr << "No display: printing and rendering the first page headless\n";
        options.pageText = true;
        options.render = "first-page.png";
    }
    if (options.headless()) qputenv("QT_QPA_PLATFORM", "offscreen");

    // Every path from here shows text: the font configuration is read while the application
    // starts (see FontWarmUp.h).
    qm::FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.join();
    // Qt's font database is filled from that configuration while the window is made (see
    // FontWarmUp.h); the thread is joined before the application object goes.
    qm::FontDatabaseWarmUp fontDatabase;
    qm::installStartupProbe(&app);
    // Lets a Wayland compositor match the window to the desktop entry and show its icon.
    QGuiApplication::setDesktopFileName("quillmar");
    const std::string exePath = qm::toLocalPath(QCoreApplication::applicationFilePath());
    // The data folder stays the bytes it was given: a name that is not UTF-8 never goes
    // through a QString, which would replace it by a look-alike.
    const qm::DataFolderChoice data =
        qm::chooseDataFolder(qm::systemDataFolderSources(options.dataDir));
    if (data.folder.empty()) {
        std::cerr << "quillmar: " << data.error << '\n';
        if (!options.headless())
            QMessageBox::critical(nullptr, "Quillmar", qm::fromLocalPath(data.error));
        return 1;
    }
    qm::QtPlatform platform;

    if (options.headless()) {
        int code =
            qm::runHeadless(options, exePath, data.folder, *fs, platform, std::cout, std::cerr);
        if (code == 0 && (options.cascade || options.makeIndex)) {
            qm::cascade::ModelParser parser(*fs, toolModelPath());
            code = qm::runTools(options, &parser, *fs, std::cout, std::cerr);
        }
        return code;
    }

    QApplication::setStyle(new qm::StartupStyle(QApplication::style()->name()));
    qm::TForm1 form(*fs, platform);
    form.create({exePath, data.folder, options.text});
    form.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    // The last resort: every handler reports its own failures and the reader goes on; what
    // fails outside them (running out of memory while starting, say) ends the program with
    // its message rather than an abort.
    try {
        return run(argc, argv);
    } catch (...) {
        std::cerr << "quillmar: " << qm::currentExceptionMessage() << '\n';
        return 1;
    }
}
