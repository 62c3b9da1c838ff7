#include "core/shell/Session.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"
#include "support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using qm::Control;
using qm::Lines;
using qm::Rect;

namespace {

// Records every font size the contents tree is given, in order.
class TreeFontView : public qmtest::RecordingView {
public:
    void setTocFontSize(int size) override {
        RecordingView::setTocFontSize(size);
        treeSizes.push_back(size);
    }
    std::vector<int> treeSizes;
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        qm::SessionTestAccess(s).setLocation(&qm::Locations::dataFolder, "/data/");
        fs.addFolder("/data");
        qm::SessionTestAccess(s).setLocation(&qm::Locations::settingsFile, "/data/quillmar.ini");
        qm::SessionTestAccess(s).setLocation(&qm::Locations::catalogueFile,
                                             "/opt/quillmar/quillmar.toc");
    }
    void putSettings(const std::string& bytes) { fs.writeFile(s.locations().settingsFile, bytes); }
    std::string settingsBytes() const {
        return fs.readFile(s.locations().settingsFile).value_or("<none>");
    }

    TreeFontView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
};

// ---- The default file ----

struct DefaultsCase {
    int width, height;
    Lines geometry; // lines 9 to 16
};

class DefaultSettings : public SettingsTest, public ::testing::WithParamInterface<DefaultsCase> {};

TEST_P(DefaultSettings, SeventeenLinesForTheScreenClass) {
    platform.width = GetParam().width;
    platform.height = GetParam().height;
    Lines expected = {"[/opt/quillmar/quillmar.toc]",
                      "[how]",
                      "dictionary=0",
                      "fontsize=15",
                      "background=0",
                      "plainbkg=0",
                      "twocolor=0",
                      "twocolumn=0"};
    expected.insert(expected.end(), GetParam().geometry.begin(), GetParam().geometry.end());
    expected.push_back("");
    EXPECT_EQ(s.defaultSettingsLines(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    ScreenClasses, DefaultSettings,
    ::testing::Values(DefaultsCase{640,
                                   480,
                                   {"tleft=0", "twidth=500", "ttop=0", "theight=440", "pleft=501",
                                    "pwidth=130", "ptop=0", "pheight=200"}},
                      DefaultsCase{800,
                                   600,
                                   {"tleft=0", "twidth=600", "ttop=0", "theight=500", "pleft=601",
                                    "pwidth=190", "ptop=0", "pheight=250"}},
                      DefaultsCase{1024,
                                   768,
                                   {"tleft=0", "twidth=700", "ttop=0", "theight=668", "pleft=701",
                                    "pwidth=300", "ptop=0", "pheight=400"}},
                      // Only exact widths choose the small classes.
                      DefaultsCase{801,
                                   900,
                                   {"tleft=0", "twidth=700", "ttop=0", "theight=800", "pleft=701",
                                    "pwidth=300", "ptop=0", "pheight=400"}}));

// ---- Applying ----

struct ApplyCase {
    const char* name;
    std::optional<std::string> file; // nothing: no settings file
    Rect bounds;
    int firstTreeSize, trackBar, item;
    bool dictionary, twoColor, plain, twoColumns;
};

class ApplySettings : public SettingsTest, public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(ApplySettings, ControlsAndWindowFollowTheFile) {
    const ApplyCase& c = GetParam();
    if (c.file) putSettings(*c.file);
    qm::SessionTestAccess(s).adoptBookmarks({"<<none", "<<qdemo"}, 1);
    s.applySettings();

    EXPECT_EQ(view.bounds, c.bounds);
    ASSERT_FALSE(view.treeSizes.empty());
    EXPECT_EQ(view.treeSizes.front(), c.firstTreeSize);
    EXPECT_EQ(s.controls().position(Control::FontSizeTrackBar), c.trackBar);
    EXPECT_EQ(s.controls().position(Control::FontSizeUpDown), c.trackBar);
    EXPECT_EQ(s.controls().position(Control::BGColorRadioGroup), c.item);
    EXPECT_EQ(s.controls().checked(Control::DictCheckBox), c.dictionary);
    EXPECT_EQ(s.controls().checked(Control::TwoColorCheckBox), c.twoColor);
    EXPECT_EQ(s.controls().checked(Control::SingleShadeBgCheckBox), c.plain);
    EXPECT_EQ(s.controls().checked(Control::TwoColCheckBox), c.twoColumns);
    EXPECT_FALSE(s.controls().visible(Control::DictCheckBox));
    EXPECT_TRUE(s.controls().visible(Control::ExitButton));
    EXPECT_TRUE(s.controls().visible(Control::BMMenu));
    EXPECT_TRUE(s.bookmarks().lines().empty());
}

const Rect kReadDefaultBounds{100, 0, 500, 450};

const ApplyCase kApplyCases[] = {
    {"noFile", std::nullopt, kReadDefaultBounds, 15, 15, 1, false, false, false, false},
    {"defaultFileOn1024x768",
     "[/x.toc]\r\n[how]\r\ndictionary=0\r\nfontsize=15\r\nbackground=0\r\nplainbkg=0\r\n"
     "twocolor=0\r\ntwocolumn=0\r\ntleft=0\r\ntwidth=700\r\nttop=0\r\ntheight=668\r\n"
     "pleft=701\r\npwidth=300\r\nptop=0\r\npheight=400\r\n\r\n",
     {0, 0, 700, 668},
     15,
     15,
     0,
     false,
     false,
     false,
     false},
    {"onlyFontSize20", "[how]\r\nfontsize=20\r\n", kReadDefaultBounds, 20, 20, 1, false, false,
     false, false},
    {"fontSize99", "[how]\r\nfontsize=99\r\n", kReadDefaultBounds, 99, 40, 1, false, false, false,
     false},
    {"fontSize2", "[how]\r\nfontsize=2\r\n", kReadDefaultBounds, 2, 4, 1, false, false, false,
     false},
    {"background7", "[how]\r\nbackground=7\r\n", kReadDefaultBounds, 15, 15, 2, false, false, false,
     false},
    {"backgroundMinus5", "[how]\r\nbackground=-5\r\n", kReadDefaultBounds, 15, 15, -1, false, false,
     false, false},
    {"onlyOneIsOn", "[how]\r\nplainbkg=2\r\ntwocolor=-1\r\ndictionary=1\r\ntwocolumn=1\r\n",
     kReadDefaultBounds, 15, 15, 1, true, false, false, true},
    {"allOptionsOn", "[how]\r\nplainbkg=1\r\ntwocolor=1\r\ndictionary=$1\r\ntwocolumn=0x1\r\n",
     kReadDefaultBounds, 15, 15, 1, true, true, true, true},
    {"minimumWindow",
     "[how]\r\ntleft=-20\r\nttop=5\r\ntwidth=10\r\ntheight=449\r\n",
     {-20, 5, 400, 450},
     15,
     15,
     1,
     false,
     false,
     false,
     false},
    {"garbageValues", "[how]\r\nfontsize=big\r\nbackground=\r\ntleft=1e3\r\ntwidth=--5\r\n",
     kReadDefaultBounds, 15, 15, 1, false, false, false, false},
    {"duplicateKeysFirstWins", "[how]\r\nfontsize=22\r\nfontsize=30\r\nbackground=0\r\n",
     kReadDefaultBounds, 22, 22, 0, false, false, false, false},
    {"keysOutsideHowIgnored", "fontsize=22\r\n[where]\r\nbackground=0\r\n", kReadDefaultBounds, 15,
     15, 1, false, false, false, false},
    {"binaryJunk", std::string("\0\x80\xff\r[how\x00]\n=\n==\n[how]\nfontsize=\x00\x31\n", 34),
     kReadDefaultBounds, 15, 15, 1, false, false, false, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, ApplySettings, ::testing::ValuesIn(kApplyCases),
                         [](const auto& p) { return std::string(p.param.name); });

// The scheme and option actions run as the file is applied; their result is the colour table.
struct SchemeCase {
    const char* name;
    std::string file;
    qm::Color shade0Background, shade1Background, shade0Accent7, shade1Accent7;
};

class ApplyScheme : public SettingsTest, public ::testing::WithParamInterface<SchemeCase> {};

TEST_P(ApplyScheme, ColourTableFollowsSchemeAndOptions) {
    putSettings(GetParam().file);
    s.applySettings();
    EXPECT_EQ(s.colours()[0][1], GetParam().shade0Background);
    EXPECT_EQ(s.colours()[1][1], GetParam().shade1Background);
    EXPECT_EQ(s.colours()[0][7], GetParam().shade0Accent7);
    EXPECT_EQ(s.colours()[1][7], GetParam().shade1Accent7);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyScheme,
    ::testing::Values(
        SchemeCase{"readDefaultIsDark", "", 0x462F39, 0x454538, 0xACA4FB, 0x9DB1E1},
        SchemeCase{"light", "[how]\nbackground=0\n", 0x9FBCE3, 0xA6C2DD, 0x000097, 0x000097},
        SchemeCase{"windows", "[how]\nbackground=9\n", 0x80000005, 0x80000005, 0x80000011,
                   0x80000011},
        SchemeCase{"noItemNoScheme", "[how]\nbackground=-5\n", 0, 0, 0, 0},
        // Both options were set before the scheme existed; applying the scheme applies them
        // again on top of it.
        SchemeCase{"lightNoColouredTextOneShade", "[how]\nbackground=0\ntwocolor=1\nplainbkg=1\n",
                   0xA6C2DD, 0xA6C2DD, 0, 0},
        // Without "No Colored Text" the scheme applied last gives each shade its own colours
        // again, though the single-shade box stays checked.
        SchemeCase{"darkSingleShadeBoxOnly", "[how]\nplainbkg=1\n", 0x462F39, 0x454538, 0xACA4FB,
                   0x9DB1E1}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SettingsTest, OversizedFontReachesTreeAndPageAsForty) {
    putSettings("[how]\r\nfontsize=99\r\n");
    s.applySettings();
    ASSERT_GE(view.treeSizes.size(), 2u);
    EXPECT_EQ(view.treeSizes.front(), 99);
    EXPECT_EQ(view.treeSizes.back(), 40);
    EXPECT_EQ(s.controls().text(Control::FontSizeLabel), "Font Size = 40");
}

TEST_F(SettingsTest, SizeActionRunsEvenWhenThePositionStays) {
    // The track bar already stands at 15 and the radio group at item 0, so neither changes;
    // the scheme and the font-size action are applied all the same.
    putSettings("[how]\r\nfontsize=15\r\nbackground=0\r\n");
    s.applySettings();
    EXPECT_EQ(view.treeSizes, (std::vector<int>{15, 15}));
    EXPECT_EQ(s.controls().text(Control::FontSizeLabel), "Font Size = 15");
    EXPECT_EQ(s.controls().position(Control::FontSizeUpDown), 15);
    EXPECT_EQ(s.colours()[0][1], 0x9FBCE3u);
}

TEST_F(SettingsTest, ApplyingTwiceKeepsTheControlsWhereTheFileSays) {
    putSettings("[how]\r\nfontsize=22\r\nbackground=2\r\ntwocolor=1\r\n");
    s.applySettings();
    putSettings("[how]\r\nfontsize=9\r\nbackground=0\r\ntwocolor=0\r\n");
    s.applySettings();
    EXPECT_EQ(s.controls().position(Control::FontSizeTrackBar), 9);
    EXPECT_EQ(s.controls().position(Control::BGColorRadioGroup), 0);
    EXPECT_FALSE(s.controls().checked(Control::TwoColorCheckBox));
}

// ---- Saving ----

void setState(qm::Session& s, qmtest::RecordingView& view) {
    view.bounds = {12, 34, 640, 480};
    s.setControlPosition(Control::BGColorRadioGroup, 2);
    s.setControlPosition(Control::FontSizeTrackBar, 27);
    s.setControlChecked(Control::SingleShadeBgCheckBox, true);
    s.setControlChecked(Control::TwoColorCheckBox, false);
    s.setControlChecked(Control::DictCheckBox, true);
    s.setControlChecked(Control::TwoColCheckBox, true);
}

TEST_F(SettingsTest, SaveReplacesKeysInPlaceAndKeepsEveryOtherLine) {
    // Hand edits: a comment, an unknown key, another section, LF line ends, no final line end.
    putSettings("; my settings\n[c:\\readers\\reader.toc]\n[how]\nfontsize=15\ncolour=blue\n"
                "twocolumn=1\ntleft=0\n\n[extra]\nbackground=5\npheight=400");
    setState(s, view);
    ASSERT_TRUE(s.run([&] { s.saveSettings(); }));
    EXPECT_EQ(settingsBytes(), "; my settings\n[c:\\readers\\reader.toc]\n[how]\nfontsize=27\n"
                               "colour=blue\ntwocolumn=1\ntleft=12\nbackground=2\r\nttop=34\r\n"
                               "theight=480\r\ntwidth=640\r\nplainbkg=1\r\ntwocolor=0\r\n"
                               "dictionary=1\r\n\n[extra]\nbackground=5\npheight=400");
}

TEST_F(SettingsTest, SaveWithoutAFileWritesTheKeysInOrder) {
    setState(s, view);
    s.saveSettings();
    EXPECT_EQ(settingsBytes(), "[how]\r\nbackground=2\r\ntleft=12\r\nttop=34\r\ntheight=480\r\n"
                               "twidth=640\r\nfontsize=27\r\nplainbkg=1\r\ntwocolor=0\r\n"
                               "dictionary=1\r\n");
}

TEST_F(SettingsTest, HandEnteredTwoColumnsStaysOnAcrossRuns) {
    putSettings("[how]\r\ntwocolumn=1\r\n");
    for (int run = 0; run < 2; ++run) {
        TreeFontView v;
        qm::Session session(v, fs, platform);
        qm::SessionTestAccess(session).setLocations(s.locations());
        session.applySettings();
        EXPECT_TRUE(session.controls().checked(Control::TwoColCheckBox)) << "run " << run;
        session.setControlChecked(Control::TwoColCheckBox, false);
        session.saveSettings();
    }
    EXPECT_NE(settingsBytes().find("twocolumn=1\r\n"), std::string::npos);
}

TEST_F(SettingsTest, WindowSpanningTheScreenSavesNothing) {
    const std::string before = "[how]\r\nfontsize=11\r\nbackground=0\r\n; keep\r\n";
    for (const Rect bounds : {Rect{0, 0, 1024, 500}, Rect{5, 0, 700, 768}}) {
        putSettings(before);
        const int writes = fs.writeCount();
        setState(s, view);
        view.bounds = bounds;
        s.saveSettings();
        EXPECT_EQ(settingsBytes(), before);
        EXPECT_EQ(fs.writeCount(), writes);
    }
}

TEST_F(SettingsTest, SaveThenApplyRestoresTheSameState) {
    setState(s, view);
    s.saveSettings();
    TreeFontView v;
    qm::Session next(v, fs, platform);
    qm::SessionTestAccess(next).setLocations(s.locations());
    next.applySettings();
    EXPECT_EQ(v.bounds, (Rect{12, 34, 640, 480}));
    EXPECT_EQ(next.controls().position(Control::BGColorRadioGroup), 2);
    EXPECT_EQ(next.controls().position(Control::FontSizeTrackBar), 27);
    EXPECT_TRUE(next.controls().checked(Control::SingleShadeBgCheckBox));
    EXPECT_FALSE(next.controls().checked(Control::TwoColorCheckBox));
    EXPECT_TRUE(next.controls().checked(Control::DictCheckBox));
    EXPECT_FALSE(next.controls().checked(Control::TwoColCheckBox)); // never saved
}

TEST_F(SettingsTest, UnchangedSettingsAreNotRewritten) {
    setState(s, view);
    s.saveSettings();
    const int writes = fs.writeCount();
    s.saveSettings();
    EXPECT_EQ(fs.writeCount(), writes);
    view.bounds.left += 1;
    s.saveSettings();
    EXPECT_EQ(fs.writeCount(), writes + 1);
}

TEST_F(SettingsTest, FailedSaveLeavesTheFileAsItWas) {
    using Fault = qm::MemoryFileSystem::Fault;
    const std::string before = "[how]\r\nfontsize=11\r\n";
    for (Fault fault : {Fault::CannotCreate, Fault::WriteFails, Fault::RenameFails}) {
        putSettings(before);
        view.messages.clear();
        setState(s, view);
        fs.failNextWrite(fault);
        EXPECT_FALSE(s.run([&] { s.saveSettings(); }));
        EXPECT_EQ(view.messages, std::vector<std::string>{"Unable to write to /data/quillmar.ini"});
        EXPECT_EQ(settingsBytes(), before);
    }
}

TEST_F(SettingsTest, ResetOnAn800ScreenAppliesTheDefaults) {
    platform.width = 800;
    platform.height = 600;
    putSettings("[how]\r\nfontsize=30\r\nbackground=2\r\ntwocolor=1\r\nplainbkg=1\r\n"
                "twocolumn=1\r\ntleft=50\r\n");
    s.applySettings();
    qm::SessionTestAccess(s).adoptBookmarks({"<<none"}, 1);
    s.ResetToStartupDefaultsButtonClick();
    EXPECT_EQ(view.bounds, (Rect{0, 0, 600, 500}));
    EXPECT_EQ(s.controls().position(Control::BGColorRadioGroup), 0);
    EXPECT_EQ(s.controls().position(Control::FontSizeTrackBar), 15);
    EXPECT_FALSE(s.controls().checked(Control::TwoColorCheckBox));
    EXPECT_FALSE(s.controls().checked(Control::SingleShadeBgCheckBox));
    EXPECT_FALSE(s.controls().checked(Control::TwoColCheckBox));
    EXPECT_TRUE(s.bookmarks().lines().empty());
    EXPECT_EQ(settingsBytes(), qm::joinLinesCrLf(s.defaultSettingsLines()));
}

TEST_F(SettingsTest, FailedResetKeepsTheOldFile) {
    const std::string before = "[how]\r\nfontsize=30\r\n";
    putSettings(before);
    fs.failNextWrite(qm::MemoryFileSystem::Fault::CannotCreate);
    EXPECT_FALSE(s.run([&] { s.ResetToStartupDefaultsButtonClick(); }));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Cannot create file /data/quillmar.ini"});
    EXPECT_EQ(settingsBytes(), before);
}

// With the real file system: a file-size limit makes the write fail for real (EFBIG).
TEST(SettingsOnDisk, WriteBeyondTheFileSizeLimitKeepsTheOldFile) {
    char pattern[] = "/tmp/qm-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern;
    const std::string path = (dir / "quillmar.ini").string();
    auto fs = qm::makeRealFileSystem();
    const std::string before = "[how]\r\nfontsize=11\r\n";
    fs->writeFile(path, before);

    const bool failedAsExpected = qmtest::passesWithFileSizeLimit(before.size(), [&] {
        qmtest::RecordingView view;
        qmtest::FixedPlatform platform;
        qm::Session s(view, *fs, platform);
        qm::SessionTestAccess(s).setLocation(&qm::Locations::settingsFile, path);
        setState(s, view);
        const bool ok = s.run([&] { s.saveSettings(); });
        return !ok && view.messages == std::vector<std::string>{"Unable to write to " + path};
    });
    EXPECT_TRUE(failedAsExpected) << "the save did not fail with the expected message";
    EXPECT_EQ(fs->readFile(path), before);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
    std::filesystem::remove_all(dir);
}

} // namespace
