#include "core/shell/Session.h"
#include "core/shell/WindowPlacement.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>

namespace {

struct LayoutCase {
    int clientWidth;
    bool panelShown;
    qm::Rect pageControl1, pageControl2, programIcon, memo1, okButton, bookTitleLabel;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, PlacesPartsFromClientWidth) {
    const auto& c = GetParam();
    const auto l = qm::Session::computeLayout(c.clientWidth, 457, c.panelShown, {0, 0, 75, 25});
    EXPECT_EQ(l.pageControl1, c.pageControl1);
    EXPECT_EQ(l.pageControl2, c.pageControl2);
    EXPECT_EQ(l.programIcon, c.programIcon);
    EXPECT_EQ(l.memo1, c.memo1);
    EXPECT_EQ(l.okButton, c.okButton);
    EXPECT_EQ(l.bookTitleLabel, c.bookTitleLabel);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, LayoutTest,
    ::testing::Values(
        // 713 wide with the panel: the picture and memo are 256-pixel squares side by side,
        // the OK button straddles their border and the title label is centred below.
        LayoutCase{713,
                   true,
                   {0, 0, 513, 457},
                   {513, 0, 200, 457},
                   {0, 0, 256, 256},
                   {256, 0, 256, 256},
                   {219, 264, 75, 25},
                   {124, 338, 265, 13}},
        LayoutCase{713,
                   false,
                   {0, 0, 713, 457},
                   {713, 0, 0, 457},
                   {0, 0, 356, 356},
                   {356, 0, 356, 356},
                   {319, 364, 75, 25},
                   {224, 438, 265, 13}},
        // Narrower than the label: its left goes negative and it is cut at the edge.
        LayoutCase{400,
                   true,
                   {0, 0, 200, 457},
                   {200, 0, 200, 457},
                   {0, 0, 100, 100},
                   {100, 0, 100, 100},
                   {63, 108, 75, 25},
                   {-32, 182, 265, 13}}));

TEST(WindowPlacement, ASavedWindowIsKeptOnAScreen) {
    const qm::Rect left{0, 0, 1600, 1000}, right{1600, 200, 1280, 1024};
    const struct {
        qm::Rect bounds;
        std::vector<qm::Rect> screens;
        qm::Rect placed;
    } cases[] = {
        {{100, 80, 600, 500}, {left}, {100, 80, 600, 500}},            // on the screen: as it is
        {{-1, -20, 704, 950}, {left}, {0, 0, 704, 950}},               // pushed past the top left
        {{1400, 900, 700, 900}, {left}, {900, 100, 700, 900}},         // past the bottom right
        {{5000, 4000, 700, 900}, {left, right}, {900, 100, 700, 900}}, // off every screen
        {{2000, 100, 600, 500}, {left, right}, {2000, 200, 600, 500}},
        {{1500, 300, 600, 500}, {left, right}, {1600, 300, 600, 500}}, // most on the right
        {{-300, 0, 1800, 1200}, {left}, {0, 0, 1800, 1200}},           // larger than the screen
        {{-300, 10, 700, 900}, {}, {-300, 10, 700, 900}},              // no screen known
    };
    for (const auto& c : cases) {
        const qm::Rect placed = qm::placeOnScreens(c.bounds, c.screens);
        EXPECT_EQ(placed, c.placed)
            << c.bounds.left << "," << c.bounds.top << " -> " << placed.left << "," << placed.top;
    }
}

class ShellSession : public ::testing::Test {
protected:
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surface{800, 600};

    void SetUp() override {
        fs.addFolder("/opt/quillmar");
        fs.addFolder("/home/ann/.local/share");
        s.setSurface(&surface);
    }
    void create(const std::string& argument = "") {
        ASSERT_TRUE(s.run([&] {
            s.FormCreate("/opt/quillmar/quillmar", "/home/ann/.local/share/Halvorn/", argument);
        }));
    }
};

TEST_F(ShellSession, CreationDerivesEveryPathAndMakesTheDataFolder) {
    create();
    EXPECT_TRUE(fs.folderExists("/home/ann/.local/share/Halvorn"));
    EXPECT_EQ(s.locations().programFolder, "/opt/quillmar/");
    EXPECT_EQ(s.locations().programBaseName, "quillmar");
    EXPECT_EQ(s.locations().settingsFile, "/home/ann/.local/share/Halvorn/quillmar.ini");
    EXPECT_EQ(s.locations().bookmarkFile, "/home/ann/.local/share/Halvorn/quillmar.bm");
    EXPECT_EQ(s.locations().catalogueFile, "/opt/quillmar/quillmar.toc");
    EXPECT_EQ(s.locations().helpFile, "/opt/quillmar/tv_br.hlp");
    // No index beside the program: the path is emptied and the Index tab hidden.
    EXPECT_EQ(s.locations().collectionIndexFile, "");
    EXPECT_FALSE(view.tabVisible.at(qm::Page::IndexTabSheet));
    EXPECT_FALSE(s.controls().visible(qm::Control::PrintColButton));
    EXPECT_TRUE(s.haveDisplayList());
    EXPECT_TRUE(s.displayLines().empty());
}

TEST_F(ShellSession, CompanionFilesBesideTheProgramAreFound) {
    fs.writeFile("/opt/quillmar/quillmar.tvx", "alpha|00000012\r\n");
    fs.writeFile("/opt/quillmar/prtcol", "");
    create();
    EXPECT_EQ(s.locations().collectionIndexFile, "/opt/quillmar/quillmar.tvx");
    EXPECT_TRUE(view.tabVisible.at(qm::Page::IndexTabSheet));
    EXPECT_TRUE(s.controls().visible(qm::Control::PrintColButton));
}

TEST_F(ShellSession, AnExistingSettingsFileIsNeverTouched) {
    fs.addFolder("/home/ann/.local/share/Halvorn");
    const std::string mine = "[how]\r\nfontsize=22\r\n; my note\r\n";
    fs.writeFile("/home/ann/.local/share/Halvorn/quillmar.ini", mine);
    s.run([&] { s.deriveCollectionPaths(); });
    create();
    EXPECT_EQ(*fs.readFile("/home/ann/.local/share/Halvorn/quillmar.ini"), mine);
}

// A failed creation step stops the steps after it: no settings applied (DictCheckBox is still
// shown), no command-line text opened, no catalogue built. The first activation still runs,
// and so does closing.
TEST_F(ShellSession, AFailedCreationStepStopsTheStepsAfterIt) {
    const std::string data = "/home/ann/.local/share/Halvorn";
    enum class Fault { ReadOnly, FileInPlace, SettingsWrite };
    struct Case {
        const char* name;
        Fault fault;
        std::string message;
    };
    const std::string advice = "choose another data folder with --data-dir.";
    const Case cases[] = {
        {"data folder", Fault::ReadOnly, "File access denied"},
        {"data folder is a file", Fault::FileInPlace,
         "The data folder " + data + " is a file, not a folder. Move the file away, or " + advice},
        {"default settings file", Fault::SettingsWrite,
         "Cannot create file " + data + "/quillmar.ini"},
    };
    for (const Case& c : cases) {
        qmtest::RecordingView v;
        qm::MemoryFileSystem files;
        files.addFolder("/home/ann/.local/share");
        if (c.fault == Fault::ReadOnly) files.setReadOnly(true);
        if (c.fault == Fault::FileInPlace) files.writeFile(data, "mine");
        if (c.fault == Fault::SettingsWrite)
            files.failNextWrite(qm::MemoryFileSystem::Fault::CannotCreate);
        const bool dataFolderFails = c.fault != Fault::SettingsWrite;
        qm::Session session{v, files, platform};
        qm::FakeSurface page{800, 600};
        session.setSurface(&page);
        EXPECT_FALSE(session.run([&] {
            session.FormCreate("/opt/quillmar/quillmar", data + "/", "/opt/quillmar/title.tvt");
        })) << c.name;
        EXPECT_EQ(v.messages, std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(session.locations().catalogueExtension, ".toc") << c.name;
        EXPECT_EQ(session.locations().settingsFile.empty(), dataFolderFails) << c.name;
        EXPECT_TRUE(session.controls().visible(qm::Control::DictCheckBox)) << c.name;
        EXPECT_EQ(session.currentTextPath(), "") << c.name;
        EXPECT_TRUE(session.catalogue().empty()) << c.name;

        session.FormActivate();
        EXPECT_EQ(session.displayLines().size(), 19u) << c.name;
        EXPECT_EQ(session.topLine(), 0) << c.name;

        // Closing saves what it can: with no data folder there is no settings file to write
        // (and no message about a file without a name).
        v.messages.clear();
        files.setReadOnly(false);
        EXPECT_TRUE(session.run([&] { session.FormClose(); })) << c.name;
        EXPECT_EQ(v.messages, std::vector<std::string>{}) << c.name;
        EXPECT_EQ(files.fileExists(data + "/quillmar.ini"), !dataFolderFails) << c.name;
    }
}

// Whatever a handler throws is its message, and the handler stops: running out of memory or
// any other failure too, never the end of the program.
TEST_F(ShellSession, EveryFailureOfAHandlerIsAMessage) {
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] { throw qm::UserError("Cannot create file /x"); }, "Cannot create file /x"},
        {[] { throw std::bad_alloc(); },
         "There is not enough memory to finish this; it was stopped."},
        {[] { throw std::length_error("vector::reserve"); },
         "This stopped on an unexpected error: vector::reserve"},
        {[] { throw 7; }, "This stopped on an unexpected error."},
        {[] {}, ""},
    };
    for (const auto& [handler, message] : cases) {
        view.messages.clear();
        EXPECT_EQ(s.run(handler), message.empty());
        EXPECT_EQ(view.messages,
                  message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    }
}

// The text named on the command line is opened during creation; the welcome lines follow its
// end sentinels, the page shows the list from line 0, and that drawing's result is not kept.
TEST_F(ShellSession, ATextNamedAtStartUpStandsBeforeTheWelcomeLines) {
    create("/opt/quillmar/title.tvt");
    EXPECT_EQ(s.openDialogFileName(), "/opt/quillmar/title.tvt");
    EXPECT_EQ(s.currentTextPath(), "/opt/quillmar/title.tvt");
    EXPECT_FALSE(s.catalogue().empty());
    const qm::Lines text = s.displayLines().toLines();
    ASSERT_EQ(text.back(), " ");

    s.FormActivate();
    ASSERT_EQ(s.displayLines().size(), text.size() + 19);
    EXPECT_TRUE(std::equal(text.begin(), text.end(), s.displayLines().begin()));
    EXPECT_EQ(s.displayLines()[text.size() + 1], "Select a Book");
    EXPECT_EQ(s.topLine(), 0);
    // The layout's redraw stored the end of the text's first page; the drawing of the
    // longer list from line 0 that follows it reaches into the welcome lines but is not kept.
    EXPECT_LT(s.nextTopLine(), static_cast<int>(text.size()));
    EXPECT_GT(s.drawPage(0), static_cast<int>(text.size()));
}

// Closing saves the settings, then writes the closing mark. A settings file that cannot be
// written is reported and the closing mark is still written, so the place is not lost too.
TEST_F(ShellSession, ClosingSavesTheSettingsThenWritesTheClosingMark) {
    const std::string data = "/home/ann/.local/share/Halvorn/";
    for (const bool settingsFail : {false, true}) {
        qmtest::RecordingView v;
        qm::MemoryFileSystem files;
        files.addFolder("/home/ann/.local/share");
        qm::Session session{v, files, platform};
        qm::FakeSurface page{800, 600};
        session.setSurface(&page);
        ASSERT_TRUE(session.run([&] { session.FormCreate("/opt/quillmar/quillmar", data, ""); }));
        session.FormActivate();
        v.bounds = {10, 20, 640, 480};
        session.openText("/opt/quillmar/qdemo.tvt", " "); // loads the text's bookmark section
        session.ShowNextPage();
        const int top = session.topLine();
        ASSERT_GT(top, 0);
        // The first write at closing fails: it must be the settings file's.
        if (settingsFail) files.failNextWrite(qm::MemoryFileSystem::Fault::CannotCreate);

        EXPECT_TRUE(session.run([&] { session.FormClose(); }));
        EXPECT_EQ(v.messages, settingsFail ? std::vector<std::string>{"Unable to write to " + data +
                                                                      "quillmar.ini"}
                                           : std::vector<std::string>{});
        const std::string settings = files.readFile(data + "quillmar.ini").value_or("");
        EXPECT_EQ(settings.find("twidth=640") != std::string::npos, !settingsFail);
        const std::string marks = files.readFile(data + "quillmar.bm").value_or("");
        EXPECT_NE(marks.find("<<qdemo\r\n#" + std::to_string(top) + " Closed book at "),
                  std::string::npos)
            << marks;
    }
}

TEST_F(ShellSession, FirstActivationAppendsTheWelcomeLinesOnce) {
    create();
    s.FormActivate();
    ASSERT_EQ(s.displayLines().size(), 19u);
    EXPECT_EQ(s.displayLines()[0], " ");
    EXPECT_EQ(s.displayLines()[1], "Select a Book");
    EXPECT_EQ(s.displayLines()[2], "       from the Table of Contents");
    EXPECT_EQ(s.displayLines()[10], "     \"+\"");
    EXPECT_EQ(s.displayLines()[16], "           of the Book.");
    EXPECT_EQ(s.displayLines().back(), "p000");
    for (const auto& line : s.displayLines())
        EXPECT_TRUE(line == " " || line.back() != ' ') << "trailing blank in '" << line << "'";
    EXPECT_EQ(view.pagesShown.back(), qm::Page::ControlsTabSheet);
    ASSERT_EQ(view.lines[qm::Control::IndexMemo].size(), 10u);
    EXPECT_EQ(view.lines[qm::Control::IndexMemo][7], "index entries.  Clicking on ");

    s.FormActivate(); // a later activation changes nothing
    EXPECT_EQ(s.displayLines().size(), 19u);
}

TEST_F(ShellSession, PanelItemsToggleAndRestoreTheLayout) {
    create();
    s.FormResize(713, 457);
    const auto first = view.layout;
    qm::SessionTestAccess(s).setTopLine(3);
    s.HideControlPanelItemClick();
    EXPECT_FALSE(s.controls().visible(qm::Control::HideControlPanelItem));
    EXPECT_TRUE(s.controls().visible(qm::Control::ShowControlPanelItem));
    EXPECT_EQ(view.layout.pageControl1.width, 713);
    s.ShowControlPanelItemClick();
    EXPECT_EQ(view.layout, first);
    EXPECT_EQ(s.topLine(), 3);
}

TEST_F(ShellSession, TabCouplingAndButtons) {
    s.ReadTabSheetEnter();
    EXPECT_EQ(view.pagesShown.back(), qm::Page::ControlsTabSheet);
    s.ControlsTabSheetEnter();
    EXPECT_EQ(view.pagesShown.back(), qm::Page::ReadTabSheet);
    s.OKButtonClick();
    EXPECT_EQ(view.pagesShown.back(), qm::Page::TOCTabSheet);
    s.ExitButtonClick();
    s.ExitItemClick();
    EXPECT_EQ(view.closeRequests, 2);
}

} // namespace
