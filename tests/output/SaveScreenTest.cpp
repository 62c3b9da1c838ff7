#include "core/output/SaveScreen.h"
#include "core/base/Error.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace {

TEST(SaveScreenLine, EachSubStep) {
    struct Case {
        const char* line;
        const char* saved; // nullptr: dropped
    } cases[] = {
        {"       a |9>bright|4> day ", "       a bright day "},
        {"|refpt002> ", "fpt002> "},
        {"|b>THE TITLE|n> ", "THE TITLE "},
        {"p056 ", nullptr},
        {"p999", nullptr},
        {"s000", nullptr},
        {"soon ", nullptr},     // a four-letter word at level 0 looks like a marker
        {"  soon ", "  soon "}, // indented, its first character is a blank
        {"spring ", "spring "},
        {"pale", nullptr},
        {"p|4>ale", nullptr}, // four characters once the tag is gone
        {"|image>pic.jpg ", nullptr},
        {"                 |image>img0001.png ", nullptr}, // a picture and its further rows
        {"                 |image> ", nullptr},
        {"  the stage> is set", nullptr}, // "age>" anywhere
        {"", ""},
        {"     ", "     "},
        {"ends in a bar|", "ends in a bar"},
        {"ends in a bar|4", "ends in a bar"},
        {"\tp123\t", "\tp123\t"}, // the first character decides, not the trimmed one
        {"p\x01\x02\x03\x04", "p\x01\x02\x03\x04"},
    };
    for (const auto& c : cases) {
        std::string out;
        const bool kept = qm::saveScreenLine(c.line, out);
        EXPECT_EQ(kept, c.saved != nullptr) << c.line;
        if (kept && c.saved) {
            EXPECT_EQ(out, c.saved);
        }
    }
}

TEST(SaveScreenLines, RangeRunsThroughTheNextTopLine) {
    const qm::Lines lines = {"zero ", "  one ", "  two ", "p003 ", "  four ", "  five "};
    EXPECT_EQ(qm::saveScreenLines(lines, 1, 3), (qm::Lines{"  one ", "  two "}));
    // A page that ended at the end of the list writes the line after the last drawn one.
    EXPECT_EQ(qm::saveScreenLines(lines, 4, 5), (qm::Lines{"  four ", "  five "}));
    // The top line is taken even when the next top line lies before it.
    EXPECT_EQ(qm::saveScreenLines(lines, 2, 0), (qm::Lines{"  two "}));
}

TEST(SaveScreenLines, IndexOutsideTheListFails) {
    const qm::Lines lines = {"a ", "b ", "c "};
    struct Case {
        int top, nextTop;
        long long bad;
    } cases[] = {{1, 3, 3}, {2, 40, 3}, {7, 9, 7}, {5, 2, 5}, {-1, 1, -1}};
    for (const auto& c : cases) {
        try {
            qm::saveScreenLines(lines, c.top, c.nextTop);
            ADD_FAILURE() << "no error for " << c.top << ".." << c.nextTop;
        } catch (const qm::UserError& e) {
            EXPECT_EQ(e.what(), qm::listIndexOutOfBoundsMessage(c.bad));
        }
    }
}

class OutputSession : public ::testing::Test {
protected:
    OutputSession() {
        s.setSurface(&surf);
        qm::SessionTestAccess(s).setHaveDisplayList(true);
        qm::SessionTestAccess(s).setDisplayLines({"|refpt002> ", "l00 ",
                                                  "       a |9>bright|4> day ", "soon ", "p001 ",
                                                  "       more ", " "});
        fs.addFolder("/home/u");
    }
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surf{800, 600};
};

TEST_F(OutputSession, SaveScreenWritesThePageWithCrLf) {
    qm::SessionTestAccess(s).setTopLine(0);
    qm::SessionTestAccess(s).setNextTopLine(4);
    view.saveAnswers.push_back("/home/u/page.txt");
    EXPECT_TRUE(s.run([&] { s.SaveScreenItemClick(); }));
    ASSERT_EQ(view.saveDialogs, (std::vector<std::string>{"txt"}));
    EXPECT_EQ(fs.files().at("/home/u/page.txt"), "fpt002> \r\nl00 \r\n       a bright day \r\n");
}

TEST_F(OutputSession, NothingIsWrittenWhenCancelledOrOutOfRange) {
    qm::SessionTestAccess(s).setTopLine(0);
    qm::SessionTestAccess(s).setNextTopLine(4);
    s.SaveScreenItemClick(); // cancelled
    EXPECT_EQ(fs.writeCount(), 0);

    fs.writeFile("/home/u/page.txt", "old");
    qm::SessionTestAccess(s).setTopLine(5);
    qm::SessionTestAccess(s).setNextTopLine(9);
    view.saveAnswers.push_back("/home/u/page.txt");
    EXPECT_FALSE(s.run([&] { s.SaveScreenItemClick(); }));
    EXPECT_EQ(view.messages, (std::vector<std::string>{"List index out of bounds (7)"}));
    EXPECT_EQ(fs.files().at("/home/u/page.txt"), "old");

    // A file that cannot be created reports its path and leaves the old one.
    view.messages.clear();
    qm::SessionTestAccess(s).setTopLine(0);
    qm::SessionTestAccess(s).setNextTopLine(4);
    view.saveAnswers.push_back("/home/u/page.txt");
    fs.failNextWrite(qm::MemoryFileSystem::Fault::CannotCreate);
    EXPECT_FALSE(s.run([&] { s.SaveScreenItemClick(); }));
    EXPECT_EQ(view.messages, (std::vector<std::string>{"Cannot create file /home/u/page.txt"}));
    EXPECT_EQ(fs.files().at("/home/u/page.txt"), "old");
}

TEST_F(OutputSession, PrintColumnPassesThePathAsOneArgument) {
    qm::SessionTestAccess(s).setLocation(&qm::Locations::programFolder, "/opt/quillmar/");
    const std::string paths[] = {
        "/home/u/my books/qdemo.tvt", "/home/u/\"quoted\" 'single'.tvt",
        "/tmp/a;rm -rf ~;b.tvt",      "/tmp/$(touch x) `id` $HOME.tvt",
        "/tmp/new\nline|&>.tvt",
    };
    for (const auto& path : paths) {
        platform.started.clear();
        qm::SessionTestAccess(s).setCurrentTextPath(path);
        s.PrintColButtonClick();
        ASSERT_EQ(platform.started.size(), 1u);
        EXPECT_EQ(platform.started[0].program, "/opt/quillmar/prtcol");
        EXPECT_EQ(platform.started[0].args, std::vector<std::string>{path});
        EXPECT_FALSE(s.controls().visible(qm::Control::LoadingPrintColLabel));
        EXPECT_TRUE(s.controls().enabled(qm::Control::PrintColButton));
    }
    // No text open: the program starts without an argument. A failed start reports nothing.
    platform.started.clear();
    platform.startSucceeds = false;
    qm::SessionTestAccess(s).setCurrentTextPath({});
    EXPECT_TRUE(s.run([&] { s.PrintColButtonClick(); }));
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_TRUE(platform.started[0].args.empty());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(s.controls().enabled(qm::Control::PrintColButton));
}

TEST_F(OutputSession, CompanionFilesStayBesideTheExecutable) {
    // Opening a catalogue moves the program folder; the print-column program and the readme
    // page are still found beside the executable.
    qm::SessionTestAccess(s).setExeFolderForPrograms("/opt/quillmar/");
    qm::SessionTestAccess(s).setLocation(&qm::Locations::programFolder, "/media/collection/");
    qm::SessionTestAccess(s).setCurrentTextPath("/media/collection/qdemo.tvt");
    s.PrintColButtonClick();
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].program, "/opt/quillmar/prtcol");
    s.HempMenuClick();
    EXPECT_EQ(view.messages,
              (std::vector<std::string>{
                  "The complete Readme/Help file is at:\r/opt/quillmar/readme.htm"}));
}

} // namespace
