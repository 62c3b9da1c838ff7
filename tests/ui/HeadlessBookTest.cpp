// A book file named to the headless runner opens through the library as Open File opens it,
// so the reading actions and the outputs work on it.
#include "UiSupport.h"
#include "core/port/FileSystem.h"
#include "ui/CommandLine.h"
#include "ui/Headless.h"
#include "ui/QtPlatform.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

namespace {

class HeadlessBook : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ensureApplication();
        ASSERT_TRUE(m_data.isValid());
    }
    int run(const std::vector<std::string>& args) {
        const auto parsed = qm::parseCommandLine(args);
        EXPECT_EQ(parsed.error, "");
        out.str("");
        err.str("");
        return qm::runHeadless(parsed.options, std::string(QM_BINARY_DIR) + "/bin/quillmar",
                               m_data.path().toStdString() + "/", *m_fs, m_platform, out, err);
    }
    std::string write(const char* name, const char* bytes) {
        QFile file(m_data.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName().toStdString();
    }
    // The top line of a --page-info output.
    int topLine() const {
        const std::string info = out.str();
        const auto at = info.rfind("\ntop line ");
        return at == std::string::npos ? -1 : std::stoi(info.substr(at + 10));
    }
    std::string dataPath(const char* name) const { return m_data.filePath(name).toStdString(); }

    std::ostringstream out, err;

private:
    QTemporaryDir m_data;
    std::unique_ptr<qm::FileSystem> m_fs = qm::makeRealFileSystem();
    qm::QtPlatform m_platform;
};

TEST_F(HeadlessBook, ABookNamedAtStartUpOpensAtItsLineAndByChapter) {
    struct Case {
        const char* name;
        const char* bytes;
    };
    const Case cases[] = {
        {"tales.html",
         "<html><head><title>Two</title></head><body><h1>First</h1>"
         "<p>She read <i>Emma</i> twice.</p><h1>Second</h1><p>Done at last.</p></body></html>"},
        {"tales.txt", "CHAPTER I.\n\nShe read _Emma_ twice.\n\nCHAPTER II.\n\nDone at last.\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write(c.name, c.bytes);
        ASSERT_EQ(run({"--page-text", "--page-info", path}), 0) << err.str();
        EXPECT_NE(out.str().find("Emma"), std::string::npos) << out.str();
        EXPECT_EQ(topLine(), 0);

        // Node 2 of the book's contents tree is its second chapter: the page starts there.
        ASSERT_EQ(run({"--toc", "2", "--page-text", "--page-info", path}), 0) << err.str();
        EXPECT_NE(out.str().find("Done"), std::string::npos) << out.str();
        EXPECT_EQ(out.str().find("Emma"), std::string::npos) << out.str();
        EXPECT_GT(topLine(), 0);

        const std::string png = dataPath("page.png");
        ASSERT_EQ(run({"--toc", "2", "--render", png, path}), 0) << err.str();
        EXPECT_FALSE(QImage(QString::fromStdString(png)).isNull());
    }
    // Both books are in the library, each in a folder of its own.
    EXPECT_EQ(QDir(QString::fromStdString(dataPath("library")))
                  .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                  .size(),
              2);
}

TEST_F(HeadlessBook, ABookThatCannotBeReadFailsWithItsMessage) {
    const std::string path = write("broken.epub", "PK\x03\x04 no archive here");
    EXPECT_EQ(run({"--page-text", path}), 1);
    EXPECT_EQ(err.str().rfind("Cannot open broken.epub: ", 0), 0u) << err.str();
    EXPECT_FALSE(QDir(QString::fromStdString(dataPath("library"))).exists());
}

} // namespace
