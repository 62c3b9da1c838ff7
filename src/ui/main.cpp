// quillmar [options] [text]: the reader's window, or a headless run when an action or output
// option is given (see --help).
#include "core/base/Paths.h"
#include "core/cascade/GrammarParser.h"
#include "core/port/FileSystem.h"
#include "ui/CommandLine.h"
#include "ui/Cp1252.h"
#include "ui/FontWarmUp.h"
#include "ui/Headless.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/StartupProbe.h"
#include "ui/StartupStyle.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

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

// The data folder, with its final separator; its parents are created, its last level is
// created by the start-up itself.
std::string dataFolder(const qm::CommandLine& options) {
    QString folder;
    if (options.dataDir)
        folder = qm::fromLocalPath(*options.dataDir);
    else if (const QByteArray env = qgetenv("QUILLMAR_DATA_DIR"); !env.isEmpty())
        folder = QFile::decodeName(env);
    else
        folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Halvorn/";
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    const QFileInfo info(folder);
    QDir().mkpath(info.absolutePath());
    return qm::toLocalPath(folder) + "/";
}

// The grammar model in the program folder (the executable's, links resolved), for the tools:
// they run before the application object that knows the executable's path.
std::string toolModelPath() {
    const std::string exe =
        qm::toLocalPath(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    return qm::cascade::modelPathIn(qm::deriveProgramLocation(exe, qm::PathStyle::Posix).folder);
}

} // namespace

int main(int argc, char** argv) {
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
    const std::string data = dataFolder(options);
    qm::QtPlatform platform;

    if (options.headless()) {
        int code = qm::runHeadless(options, exePath, data, *fs, platform, std::cout, std::cerr);
        if (code == 0 && (options.cascade || options.makeIndex)) {
            qm::cascade::ModelParser parser(*fs, toolModelPath());
            code = qm::runTools(options, &parser, *fs, std::cout, std::cerr);
        }
        return code;
    }

    QApplication::setStyle(new qm::StartupStyle(QApplication::style()->name()));
    qm::TForm1 form(*fs, platform);
    form.create({exePath, data, options.text});
    form.show();
    return app.exec();
}
