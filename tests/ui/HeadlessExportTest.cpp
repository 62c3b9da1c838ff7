// Export from the headless runner: the text showing as an EPUB that reads back line for line,
// and as a PDF of the reader's pages whose text pdftotext gives back in reading order, one
// phrase line per line, with its fonts embedded and its contents linked to the chapters.
#include "UiSupport.h"
#include "core/encoding/Windows1252.h"
#include "core/import/BookReader.h"
#include "core/port/FileSystem.h"
#include "core/text/BuiltInTexts.h"
#include "core/text/LineFormat.h"
#include "core/text/Tags.h"
#include "ui/CommandLine.h"
#include "ui/Headless.h"
#include "ui/QtPlatform.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

// A command's standard output, or nothing when it cannot run.
std::optional<std::string> output(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buf[4096];
    while (const std::size_t n = std::fread(buf, 1, sizeof buf, pipe))
        out.append(buf, n);
    if (::pclose(pipe) != 0) return std::nullopt;
    return out;
}

// The trimmed lines that show words.
std::vector<std::string> wordLines(const std::string& text) {
    std::vector<std::string> lines;
    for (const std::string& line : qm::splitLines(text)) {
        std::string t = qm::trimBlanksAndControls(line);
        if (!t.empty()) lines.push_back(t);
    }
    return lines;
}

// A line's characters as pdftotext's heuristics leave them comparable: no blanks (it spaces
// words by their gaps, and reads none between the stars of "* * *") and a dash "--" as one
// hyphen (it drops a glyph repeated close beside itself).
std::string withoutBlanks(std::string line) {
    std::erase(line, ' ');
    for (std::size_t at = line.find("--"); at != std::string::npos; at = line.find("--", at))
        line.erase(at, 1);
    return line;
}

class HeadlessExport : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ensureApplication();
        ASSERT_TRUE(m_data.isValid());
    }
    int run(std::vector<std::string> args) {
        const auto parsed = qm::parseCommandLine(args);
        EXPECT_EQ(parsed.error, "");
        err.str("");
        std::ostringstream out;
        return qm::runHeadless(parsed.options, std::string(QM_BINARY_DIR) + "/bin/quillmar",
                               m_data.path().toStdString() + "/", *m_fs, m_platform, out, err);
    }
    std::string path(const char* name) const { return m_data.filePath(name).toStdString(); }

    std::ostringstream err;

private:
    QTemporaryDir m_data;
    std::unique_ptr<qm::FileSystem> m_fs = qm::makeRealFileSystem();
    qm::QtPlatform m_platform;
};

TEST_F(HeadlessExport, EpubOfTheBookShowingReadsBackLineForLine) {
    const std::string epub = path("tales.epub");
    ASSERT_EQ(run({"--toc", "3", "--export", epub}), 0) << err.str();
    const qm::cascade::Document doc = qm::import::readBook("tales.epub", readAll(epub));
    ASSERT_TRUE(doc.laidOut);
    qm::Lines book;
    qm::rebuildEmbeddedBook(book);
    ASSERT_EQ(doc.laidOut->lines.size(), book.size());
    for (std::size_t i = 0; i < book.size(); ++i)
        ASSERT_EQ(qm::encoding::utf8ToWindows1252(doc.laidOut->lines[i]), book[i]) << i;
    EXPECT_EQ(doc.chapters.size(), 4u);
}

TEST_F(HeadlessExport, AnExistingFileIsReplacedOnlyWhenAsked) {
    const std::string epub = path("kept.epub");
    QFile file(QString::fromStdString(epub));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("mine");
    file.close();
    EXPECT_EQ(run({"--toc", "3", "--export", epub}), 1);
    EXPECT_NE(err.str().find("already exists"), std::string::npos) << err.str();
    EXPECT_EQ(readAll(epub), "mine");
    EXPECT_EQ(run({"--toc", "3", "--export", epub, "--replace"}), 0) << err.str();
    EXPECT_TRUE(readAll(epub).starts_with("PK"));
}

TEST_F(HeadlessExport, BadTargetsGetAClearMessageAndNoFile) {
    const struct {
        std::string target;
        const char* message;
    } cases[] = {
        {path("book.txt"), "must end in .epub"},
        {path("no-such-folder/book.epub"), "does not exist"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run({"--export", c.target}), 1) << c.target;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_FALSE(QFile::exists(QString::fromStdString(c.target)));
    }
}

TEST_F(HeadlessExport, PdfTextComesOutInReadingOrderOnePhrasePerLine) {
    const std::string pdf = path("tales.pdf");
    ASSERT_EQ(run({"--toc", "3", "--export", pdf, "--page-size", "ereader"}), 0) << err.str();
    const std::optional<std::string> text = output("pdftotext '" + pdf + "' -");
    if (!text) GTEST_SKIP() << "pdftotext (poppler-utils) is missing";

    // What the pages show: every display line's words, tags removed, in order.
    qm::Lines book;
    qm::rebuildEmbeddedBook(book);
    std::vector<std::string> shown;
    for (const std::string& line : qm::prepareDisplayLines(book, qm::ConversionPass::Plain)) {
        if (line.empty() || line.front() == 'p' || line.find("refp") != std::string::npos ||
            line.find("s000") != std::string::npos)
            continue;
        const std::string words = qm::trimBlanksAndControls(qm::removeTags(line));
        if (!words.empty()) shown.push_back(qm::encoding::windows1252ToUtf8(words));
    }
    std::vector<std::string> got = wordLines(*text);
    // The contents page comes first: its heading, then a line per story with its page.
    ASSERT_GE(got.size(), 5u);
    EXPECT_EQ(got[0], "Contents");
    EXPECT_TRUE(got[1].starts_with("THE LITTLE MATCH-SELLER")) << got[1];
    got.erase(got.begin(), got.begin() + 5);
    // pdftotext joins a line ending in "-" to the next, taking the hyphen for a broken word.
    std::size_t g = 0;
    for (std::size_t i = 0; i < shown.size() && g < got.size(); ++i, ++g) {
        std::string expected = shown[i];
        while (expected.ends_with('-') && i + 1 < shown.size() &&
               withoutBlanks(got[g]).size() > withoutBlanks(expected).size()) {
            expected.pop_back();
            expected += shown[++i];
        }
        ASSERT_EQ(withoutBlanks(got[g]), withoutBlanks(expected))
            << "line " << i << " after " << (g ? got[g - 1] : "");
    }
    EXPECT_EQ(g, got.size());

    const std::optional<std::string> fonts = output("pdffonts '" + pdf + "'");
    ASSERT_TRUE(fonts);
    const std::vector<std::string> rows = wordLines(*fonts);
    ASSERT_GE(rows.size(), 3u);
    for (std::size_t i = 2; i < rows.size(); ++i)
        EXPECT_NE(rows[i].find(" yes "), std::string::npos) << "not embedded: " << rows[i];
    // One link per story on the contents page, each to a page of its own.
    const std::string bytes = readAll(pdf);
    std::size_t links = 0;
    for (std::size_t at = bytes.find("/Subtype /Link"); at != std::string::npos;
         at = bytes.find("/Subtype /Link", at + 1))
        ++links;
    EXPECT_EQ(links, 4u);
}

} // namespace
