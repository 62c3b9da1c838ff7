// The bookmark file on the real file system: two running copies of the reader sharing it, and
// writes that really fail.
#include "core/shell/Session.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"
#include "support/FileSizeLimit.h"
#include "support/ForkAlone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fsys = std::filesystem;

const qm::Lines kSeeded = {"<<none", "<<title", "<<qdemo", "<<author", "<<qau", "<<qdemo"};

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/qm-bookmarks-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        fsys::remove_all(path, ec);
    }
    fsys::path path;
};

std::vector<std::string> folderEntries(const fsys::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fsys::directory_iterator(dir))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string addName(const std::string& tag, int op) {
    return tag + " add " + std::to_string(op);
}
std::string addLine(const std::string& tag, int op) {
    return "#" + std::to_string(op) + " " + addName(tag, op);
}
std::string closingLine(const std::string& tag, int op) {
    return "#" + std::to_string(op) + " Closed book at " + tag + " " + std::to_string(op);
}

// One copy of the reader: adds, closing marks and deletes of its own entries, in turn.
// Returns 0 when every step went through.
int runCopy(const std::string& path, const std::string& tag, int ops) {
    try {
        auto fs = qm::makeRealFileSystem();
        qmtest::RecordingView view;
        qmtest::FixedPlatform platform;
        qm::Session s(view, *fs, platform);
        qm::SessionTestAccess(s).setLocation(&qm::Locations::bookmarkFile, path);
        qm::SessionTestAccess(s).setTextKey(
            "story"); // not in the seeded file: both copies race to add the section
        for (int op = 0; op < ops; ++op) {
            qm::SessionTestAccess(s).setTopLine(op);
            switch (op % 4) {
            case 0:
            case 1:
                s.BMMenuClick();
                view.bookmarkNames.push_back(addName(tag, op));
                s.BMAddItemClick();
                break;
            case 2:
                s.BMMenuClick();
                qm::SessionTestAccess(s).setPageTurned(true);
                platform.now = tag + " " + std::to_string(op);
                s.writeClosingMark();
                break;
            default: {
                s.BMMenuClick();
                const std::string target = addLine(tag, op - 3);
                int item = -1;
                for (int i = s.bookmarks().headerIndex() + 1; i < s.bookmarks().listedEnd(); ++i)
                    if (s.bookmarks().lines()[static_cast<std::size_t>(i)] == target)
                        item = i - s.bookmarks().headerIndex() - 1;
                if (item < 0) return 2;
                view.popupAnswers.push_back(item);
                s.BMDeleteItemClick();
            }
            }
            if (!view.messages.empty()) return 3;
        }
        return 0;
    } catch (...) {
        return 1;
    }
}

TEST(BookmarkFileOnDisk, TwoCopiesLoseNothing) {
    TempFolder dir;
    const std::string path = (dir.path / "quillmar.bm").string();
    auto fs = qm::makeRealFileSystem();
    // An empty closing line, so every entry is listed and can be deleted.
    qm::Lines seed = kSeeded;
    seed.emplace_back();
    fs->writeFile(path, qm::joinLinesCrLf(seed));
    constexpr int kOps = 240;

    const pid_t child = qmtest::forkAlone();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(runCopy(path, "child", kOps));
    const int parentResult = runCopy(path, "parent", kOps);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(parentResult, 0);

    const qm::Lines lines = qm::splitLines(fs->readFile(path).value());
    std::map<std::string, int> seen;
    for (const auto& l : lines)
        ++seen[l];
    EXPECT_EQ(seen["<<story"], 1);
    std::size_t expectedCount = kSeeded.size() + 2;
    for (const std::string tag : {"child", "parent"}) {
        for (int op = 0; op < kOps; ++op) {
            switch (op % 4) {
            case 0:
                EXPECT_EQ(seen[addLine(tag, op)], 0) << "deleted line is back";
                break;
            case 1:
                EXPECT_EQ(seen[addLine(tag, op)], 1) << addLine(tag, op);
                ++expectedCount;
                break;
            case 2:
                EXPECT_EQ(seen[closingLine(tag, op)], 1) << closingLine(tag, op);
                ++expectedCount;
                break;
            default:
                break;
            }
        }
    }
    EXPECT_EQ(lines.size(), expectedCount);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6), kSeeded);
    EXPECT_EQ(lines[6], "<<story");
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(folderEntries(dir.path), (std::vector<std::string>{"quillmar.bm"}));
}

// The write of every change fails for real (the file-size limit gives EFBIG): the old file
// stays byte for byte and no temporary file is left.
TEST(BookmarkFileOnDisk, WritesBeyondTheFileSizeLimitKeepTheOldFile) {
    TempFolder dir;
    const std::string path = (dir.path / "quillmar.bm").string();
    auto fs = qm::makeRealFileSystem();
    const std::string before = qm::joinLinesCrLf({"<<none", "<<qdemo", "#5 five", "<<x"});
    fs->writeFile(path, before);

    const bool failedAsExpected = qmtest::passesWithFileSizeLimit(before.size(), [&] {
        qmtest::RecordingView view;
        qmtest::FixedPlatform platform;
        qm::Session s(view, *fs, platform);
        qm::SessionTestAccess(s).setLocation(&qm::Locations::bookmarkFile, path);
        qm::SessionTestAccess(s).setTextKey("story");
        // The fix-up of the missing section, an add and a closing mark all fail.
        bool anyOk = s.run([&] { s.BMMenuClick(); });
        qm::SessionTestAccess(s).setTextKey("qdemo");
        s.BMMenuClick();
        view.bookmarkNames.push_back("a much longer name than fits");
        anyOk = s.run([&] { s.BMAddItemClick(); }) || anyOk;
        qm::SessionTestAccess(s).setPageTurned(true);
        anyOk = s.run([&] { s.writeClosingMark(); }) || anyOk;
        const std::vector<std::string> expected(3, "Unable to write to " + path);
        return !anyOk && view.messages == expected;
    });
    EXPECT_TRUE(failedAsExpected) << "a write did not fail with the expected message";
    EXPECT_EQ(fs->readFile(path), before);
    EXPECT_EQ(folderEntries(dir.path), (std::vector<std::string>{"quillmar.bm"}));
}

TEST(BookmarkFileOnDisk, FolderRemovedWhileRunning) {
    TempFolder dir;
    const std::string path = (dir.path / "quillmar.bm").string();
    auto fs = qm::makeRealFileSystem();
    fs->writeFile(path, qm::joinLinesCrLf(kSeeded));
    qmtest::RecordingView view;
    qmtest::FixedPlatform platform;
    qm::Session s(view, *fs, platform);
    qm::SessionTestAccess(s).setLocation(&qm::Locations::bookmarkFile, path);
    qm::SessionTestAccess(s).setTextKey("qdemo");
    s.BMMenuClick();
    fsys::remove_all(dir.path);

    EXPECT_FALSE(s.run([&] { s.BMAddItemClick(); }));
    qm::SessionTestAccess(s).setPageTurned(true);
    EXPECT_FALSE(s.run([&] { s.writeClosingMark(); }));
    EXPECT_EQ(view.messages, std::vector<std::string>(2, "Cannot create file " + path));
    EXPECT_EQ(s.bookmarks().lines(), kSeeded);
    EXPECT_FALSE(fsys::exists(dir.path));
}

} // namespace
