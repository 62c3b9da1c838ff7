// The command line: options understood, values checked, and the headless runner's output for
// the start-up page and a story.
#include "ui/CommandLine.h"
#include "UiSupport.h"
#include "core/catalogue/Catalogue.h"
#include "core/port/FileSystem.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/ShippedParser.h"
#include "ui/Headless.h"
#include "ui/QtPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using qm::parseCommandLine;

TEST(CommandLineTest, ReadsEveryOption) {
    const auto parsed = parseCommandLine({"--data-dir",
                                          "/tmp/d",
                                          "--size",
                                          "640x480",
                                          "--toc",
                                          "6",
                                          "--scheme",
                                          "dark",
                                          "--no-colored-text",
                                          "--single-shade",
                                          "--two-columns",
                                          "--font-size",
                                          "22",
                                          "--next",
                                          "3",
                                          "--prev",
                                          "1",
                                          "--find",
                                          "the queen",
                                          "--find-up",
                                          "--match-case",
                                          "--read-aloud",
                                          "12",
                                          "--page-text",
                                          "--save-screen",
                                          "out.txt",
                                          "--page-info",
                                          "--render",
                                          "p.png",
                                          "book.tvt"});
    ASSERT_EQ(parsed.error, "");
    const qm::CommandLine& o = parsed.options;
    EXPECT_EQ(o.dataDir, "/tmp/d");
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 480);
    EXPECT_EQ(o.toc, 6);
    EXPECT_EQ(o.scheme, 1);
    EXPECT_TRUE(o.noColoredText && o.singleShade && o.twoColumns);
    EXPECT_EQ(o.fontSize, 22);
    EXPECT_EQ(o.next, 3);
    EXPECT_EQ(o.prev, 1);
    EXPECT_EQ(o.find, "the queen");
    EXPECT_EQ(o.readAloud, 12);
    EXPECT_TRUE(o.findUp && o.matchCase && o.pageText && o.pageInfo);
    EXPECT_EQ(o.saveScreen, "out.txt");
    EXPECT_EQ(o.render, "p.png");
    EXPECT_EQ(o.text, "book.tvt");
    EXPECT_TRUE(o.headless());
    EXPECT_FALSE(o.toolsOnly());
}

TEST(CommandLineTest, RejectsWhatItCannotUseWithItsMessage) {
    const std::string size = "' is not WIDTHxHEIGHT (1 to 16384 each)";
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--size", "800"}, "--size: '800" + size},
        {{"--size", "0x600"}, "--size: '0x600" + size},
        {{"--size", "800x-1"}, "--size: '800x-1" + size},
        {{"--size", "99999x10"}, "--size: '99999x10" + size},
        {{"--toc", "-1"}, "--toc: '-1' is not a number from 0 to 1073741824"},
        {{"--toc", "five"}, "--toc: 'five' is not a number from 0 to 1073741824"},
        {{"--font-size", "3"}, "--font-size: '3' is not a number from 4 to 40"},
        {{"--font-size", "41"}, "--font-size: '41' is not a number from 4 to 40"},
        {{"--scheme", "blue"}, "--scheme: 'blue' is not light, dark or windows"},
        {{"--next"}, "--next needs a value"},
        {{"--read-aloud", "0"}, "--read-aloud: '0' is not a number from 1 to 1000000"},
        {{"--size"}, "--size needs a value"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"a.tvt", "b.tvt"}, "only one text can be named: 'b.tvt'"},
        {{"--next", "99999999999"}, "--next: '99999999999' is not a number from 0 to 1000000"},
        // The first fault is the one named.
        {{"--toc", "x", "--frobnicate"}, "--toc: 'x' is not a number from 0 to 1073741824"},
    };
    for (const auto& [args, message] : bad)
        EXPECT_EQ(parseCommandLine(args).error, message) << args.front();
}

TEST(CommandLineTest, TellsWindowRunsHeadlessRunsAndToolRunsApart) {
    EXPECT_FALSE(parseCommandLine({}).options.headless());
    EXPECT_FALSE(parseCommandLine({"--data-dir", "d", "book.tvt"}).options.headless());
    EXPECT_TRUE(parseCommandLine({"--page-info"}).options.headless());
    EXPECT_TRUE(parseCommandLine({"--read-aloud", "3"}).options.headless());
    EXPECT_TRUE(parseCommandLine({"--cascade", "p.txt"}).options.toolsOnly());
    EXPECT_FALSE(parseCommandLine({"--cascade", "p.txt", "--page-info"}).options.toolsOnly());
    EXPECT_EQ(parseCommandLine({"--", "--help"}).options.text, "--help");
    for (const char* option : {"--toc", "--scheme", "--font-size", "--next", "--page-text",
                               "--read-aloud", "--render", "--cascade", "--make-index", "--version"})
        EXPECT_NE(qm::usageText().find(option), std::string::npos) << option;
}

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ensureApplication();
        ASSERT_TRUE(m_data.isValid());
    }
    int run(const std::vector<std::string>& args) {
        const auto parsed = parseCommandLine(args);
        EXPECT_EQ(parsed.error, "");
        out.str("");
        err.str("");
        return qm::runHeadless(parsed.options, std::string(QM_BINARY_DIR) + "/bin/quillmar",
                               m_data.path().toStdString() + "/", *m_fs, m_platform, out, err);
    }
    QString dataPath(const char* name) const { return m_data.filePath(name); }

    std::ostringstream out, err;

private:
    QTemporaryDir m_data;
    std::unique_ptr<qm::FileSystem> m_fs = qm::makeRealFileSystem();
    qm::QtPlatform m_platform;
};

// The welcome page is drawn from line 0 without storing where it ends: the page text (lines
// from the top line to the next top line) is empty, and the first page turn starts at line 0.
TEST_F(HeadlessTest, PrintsTheWelcomePageOfAFreshStart) {
    ASSERT_EQ(run({"--page-info"}), 0) << err.str();
    EXPECT_EQ(out.str(), "top line 0, next top line 0, lines 19\n");
    ASSERT_EQ(run({"--next", "1", "--page-info", "--page-text"}), 0) << err.str();
    std::istringstream lines(out.str());
    std::vector<std::string> text;
    for (std::string line; std::getline(lines, line);)
        text.push_back(line);
    ASSERT_EQ(text.size(), 19u);
    EXPECT_EQ(text[1], "Select a Book");
    EXPECT_EQ(text[16], "           of the Book.");
    EXPECT_EQ(text[18], "top line 0, next top line 17, lines 19");
}

TEST_F(HeadlessTest, OpensAStoryPagesAndRendersThePage) {
    auto topLine = [this] {
        const std::string info = out.str();
        return std::stoi(info.substr(9, info.find(',') - 9));
    };
    ASSERT_EQ(run({"--size", "500x300", "--toc", "6", "--page-info"}), 0) << err.str();
    const int opened = topLine();
    EXPECT_GT(opened, 0);
    ASSERT_EQ(run({"--size", "500x300", "--toc", "6", "--next", "2", "--page-info"}), 0);
    EXPECT_GT(topLine(), opened);

    const std::string png = dataPath("page.png").toStdString();
    ASSERT_EQ(run({"--size", "500x300", "--toc", "6", "--two-columns", "--render", png}), 0)
        << err.str();
    const QImage page(QString::fromStdString(png));
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.size(), QSize(500, 300));
    // The column separator is drawn grey down the middle.
    EXPECT_EQ(page.pixelColor(247, 150), QColor(0x80, 0x80, 0x80));
}

// The catalogue "Shelf" with one story, written under the given name in the data folder.
std::string writeShelf(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Shelf<<0none\r\nThe Nightingale<<1qdemo@refpt003\r\n(END)\r\n");
    return path.toStdString();
}

TEST_F(HeadlessTest, ACollectionFileNamedAtStartUpOpensAsTheCatalogueCommandWould) {
    // The welcome page as a redraw leaves it (opening a collection applies its settings,
    // which redraws the page).
    const std::string welcome = [this] {
        EXPECT_EQ(run({"--font-size", "15", "--page-text"}), 0) << err.str();
        return out.str();
    }();
    for (const char* name : {"Upper.TOC", "lower.cdb", "Mixed.cDb", "plain.toc"}) {
        SCOPED_TRACE(name);
        const std::string path = writeShelf(dataPath(name));
        ASSERT_EQ(run({"--page-text", path}), 0) << err.str();
        // Not opened as a text: the start-up page is still the welcome page.
        EXPECT_EQ(out.str(), welcome);
        // Opened as a collection: its own settings file was made beside the reader's.
        const QString settings = QFileInfo(QString(name)).completeBaseName().toLower() + ".ini";
        QStringList files = QDir(dataPath("")).entryList(QDir::Files);
        for (QString& f : files)
            f = f.toLower();
        EXPECT_TRUE(files.contains(settings)) << files.join(' ').toStdString();
    }

    // The contents tree is the collection's: its first story is the built-in catalogue's
    // story of the same reference point.
    const std::string shelf = writeShelf(dataPath("Shelf.TOC"));
    const qm::Lines builtIn = qm::builtInCatalogueLines();
    const auto story = std::find_if(builtIn.begin(), builtIn.end(), [](const std::string& line) {
        return line.find("@refpt003") != std::string::npos;
    });
    ASSERT_NE(story, builtIn.end());
    ASSERT_EQ(run({"--toc", std::to_string(story - builtIn.begin()), "--page-info"}), 0);
    const std::string expected = out.str();
    ASSERT_EQ(run({"--toc", "1", "--page-info", shelf}), 0) << err.str();
    EXPECT_EQ(out.str(), expected);

    // Any other name is a text, opened by the creation itself.
    ASSERT_EQ(run({"--page-text", dataPath("notes.toc.tvt").toStdString()}), 0) << err.str();
    EXPECT_NE(out.str(), welcome);
}

TEST_F(HeadlessTest, AFailingStepPrintsItsMessageAndFails) {
    const std::string folder = dataPath("a-folder").toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    // Saving the page over a folder cannot work.
    EXPECT_EQ(run({"--save-screen", folder}), 1);
    EXPECT_NE(err.str().find(folder), std::string::npos) << err.str();

    // Reading aloud with no speech service to reach names what to install.
    const QByteArray address = qgetenv("SPEECHD_ADDRESS");
    qputenv("SPEECHD_ADDRESS", "inet_socket:127.0.0.1:1");
    EXPECT_EQ(run({"--toc", "2", "--read-aloud", "3"}), 1);
    if (address.isNull())
        qunsetenv("SPEECHD_ADDRESS");
    else
        qputenv("SPEECHD_ADDRESS", address);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("speech-dispatcher-espeak-ng"), std::string::npos) << err.str();
}

} // namespace

namespace {

TEST_F(HeadlessTest, ToolsPrintTheIndexAndTheCascadeOrTheirFailure) {
    auto fs = qm::makeRealFileSystem();
    std::ostringstream toolOut, toolErr;
    const auto index = parseCommandLine({"--make-index", "/anywhere/qdemo.tvt"});
    ASSERT_EQ(qm::runTools(index.options, qm::shippedParser(), *fs, toolOut, toolErr), 0)
        << toolErr.str();
    std::istringstream lines(toolOut.str());
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        // word, then references of a bar, four fillers and the line index.
        const auto bar = line.find('|');
        ASSERT_NE(bar, std::string::npos) << line;
        ASSERT_GT(bar, 0u) << line;
    }
    EXPECT_GT(count, 100);
    const std::string none = dataPath("nowhere.tvt").toStdString();
    const auto noText = parseCommandLine({"--make-index", none});
    EXPECT_EQ(qm::runTools(noText.options, qm::shippedParser(), *fs, toolOut, toolErr), 1);
    EXPECT_NE(toolErr.str().find("Cannot open file " + none), std::string::npos);

    const QString prose = dataPath("prose.txt");
    QFile file(prose);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("It was a dark and stormy night. The rain fell in torrents.\n");
    file.close();
    toolOut.str("");
    const auto cascade = parseCommandLine({"--cascade", prose.toStdString()});
    ASSERT_EQ(qm::runTools(cascade.options, qm::shippedParser(), *fs, toolOut, toolErr), 0)
        << toolErr.str();
    EXPECT_NE(toolOut.str().find("stormy"), std::string::npos);
    EXPECT_EQ(toolOut.str().substr(toolOut.str().size() - 4), "END\n");

    const auto missing = parseCommandLine({"--cascade", dataPath("none.txt").toStdString()});
    EXPECT_EQ(qm::runTools(missing.options, qm::shippedParser(), *fs, toolOut, toolErr), 1);
    EXPECT_NE(toolErr.str().find("none.txt"), std::string::npos);

    qm::MemoryFileSystem memory;
    memory.addSparseFile("/huge.tvt", qm::kStoredTextCap.bytes + 1);
    const auto huge = parseCommandLine({"--make-index", "/huge.tvt"});
    EXPECT_EQ(qm::runTools(huge.options, qm::shippedParser(), memory, toolOut, toolErr), 1);
    EXPECT_NE(toolErr.str().find(qm::fileTooLargeMessage("/huge.tvt", qm::kStoredTextCap)),
              std::string::npos);
}

TEST_F(HeadlessTest, CascadeTakesBookFormatsAndNamesTheChapters) {
    auto fs = qm::makeRealFileSystem();
    struct Case {
        const char* name;
        const char* bytes;
    };
    const Case cases[] = {
        {"book.html",
         "<html><head><title>Two</title></head><body><h1>First</h1>"
         "<p>She read <i>Emma</i> twice.</p><h1>Second</h1><p>Done.</p></body></html>"},
        {"book.txt", "CHAPTER I.\n\nShe read _Emma_ twice.\n\nCHAPTER II.\n\nDone.\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dataPath(c.name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        std::ostringstream toolOut, toolErr;
        const auto cascade = parseCommandLine({"--cascade", path.toStdString()});
        ASSERT_EQ(qm::runTools(cascade.options, qm::shippedParser(), *fs, toolOut, toolErr), 0)
            << toolErr.str();
        const std::string stored = toolOut.str();
        EXPECT_NE(stored.find("l00|refpt002> \n"), std::string::npos) << stored;
        EXPECT_NE(stored.find("|i>Emma|n>"), std::string::npos) << stored;
        EXPECT_EQ(stored.substr(stored.size() - 4), "END\n");
        EXPECT_EQ(toolErr.str().rfind("refpt001 ", 0), 0u) << toolErr.str();
        EXPECT_NE(toolErr.str().find("\nrefpt002 "), std::string::npos) << toolErr.str();
    }
}

} // namespace
