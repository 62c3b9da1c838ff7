// The sample collections in examples/, opened from disk through the catalogue command and
// the contents tree as a user would.
#include "core/port/FileSystem.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/SessionTestAccess.h"
#include "core/text/LineFormat.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using qm::Lines;

const std::string kExamples = QM_SOURCE_DIR "/examples/";

class Examples : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qm-examples-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_data = pattern;
        s.setSurface(&surface);
        qm::SessionTestAccess(s).setHaveDisplayList(true);
        qm::SessionTestAccess(s).setLocation(&qm::Locations::dataFolder, m_data + "/");
    }
    void TearDown() override { std::filesystem::remove_all(m_data); }

    void openCatalogue(const std::string& path) {
        view.openAnswers = {path};
        ASSERT_TRUE(s.run([&] { s.OpenTOCItemClick(); }));
    }
    int nodeOf(const std::string& title) const {
        for (std::size_t i = 0; i < view.toc.size(); ++i)
            if (view.toc[i].text == title) return static_cast<int>(i);
        ADD_FAILURE() << "no node " << title;
        return -1;
    }

    std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
    qmtest::RecordingView view;
    qmtest::FixedPlatform platform;
    qm::FakeSurface surface{640, 480};
    qm::Session s{view, *fs, platform};
    std::string m_data;
};

TEST_F(Examples, SampleCollectionOpensItsOwnTexts) {
    openCatalogue(kExamples + "sample.toc");
    EXPECT_EQ(s.locations().programFolder, kExamples);
    EXPECT_EQ(s.catalogue(), qm::splitLines(*fs->readFile(kExamples + "sample.toc")));
    EXPECT_EQ(view.applicationTitle, "Quillmar Samples");
    EXPECT_TRUE(fs->fileExists(m_data + "/sample.bm"));

    struct Click {
        const char* node;
        const char* text;
        const char* caption;
        const char* top;
    };
    const Click clicks[] = {
        {"THE CROW AND THE PITCHER", "fables.tvt", "Two Short Fables",
         "|b>THE CROW AND THE PITCHER|n> "},
        {"THE FOX AND THE GRAPES", "fables.tvt", "Two Short Fables",
         "|b>THE FOX AND THE GRAPES|n> "},
        {"EVENING", "weather.tvt", "Harbour Weather", "|b>EVENING|n> "},
    };
    for (const Click& c : clicks) {
        s.TOCTreeViewClick(nodeOf(c.node));
        EXPECT_EQ(s.currentTextPath(), kExamples + c.text);
        EXPECT_EQ(view.caption, std::string("Quillmar -- ") + c.caption);
        ASSERT_LT(static_cast<std::size_t>(s.topLine()), s.displayLines().size());
        EXPECT_EQ(s.displayLines()[static_cast<std::size_t>(s.topLine())], c.top);
        EXPECT_EQ(s.displayLines().back(), " ");
        EXPECT_EQ(s.displayLines()[s.displayLines().size() - 2], std::string(qm::kEndLine));
    }
    // Phrase lines are indented by their level.
    EXPECT_EQ(s.displayLines()[3], "     Fog lies ");
    EXPECT_EQ(s.displayLines()[4], "         on the harbour ");
    // A key with no file of its own shows the author entry page.
    s.TOCTreeViewClick(nodeOf("Anonymous             "));
    EXPECT_EQ(s.displayLines()[1], "    Andersen, Hans Christian, 1805-1875");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Examples, RecordCollectionUsesTheRecordPass) {
    openCatalogue(kExamples + "records/records.cdb");
    EXPECT_EQ(s.locations().catalogueExtension, ".cdb");
    s.TOCTreeViewClick(nodeOf("AUTUMN"));
    EXPECT_EQ(view.caption, "Quillmar -- The Harbour Ledger");
    const Lines expected{"|refpt001> ",
                         "|b>SPRING|n> ",
                         "p000",
                         "     The ice leaves the bay ",
                         "         and the first boats ",
                         "             go out. ",
                         "p000",
                         "     Nets are mended ",
                         "         on the quay. ",
                         "s000",
                         "|refpt002> ",
                         "|b>AUTUMN|n> ",
                         "p000",
                         "     The catch is counted ",
                         "         and the boats ",
                         "             are drawn up ",
                         "                 for winter. ",
                         std::string(qm::kEndLine),
                         "p999",
                         "l08END OF FILE",
                         " "};
    EXPECT_EQ(s.displayLines(), expected);
    EXPECT_EQ(s.topLine(), 11);
}

} // namespace
