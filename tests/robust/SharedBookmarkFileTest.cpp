// Two running readers adding bookmarks and closing marks to one bookmark file at once, a
// thousand operations each, in a shared section and in a section of their own: every entry
// lands exactly once, in its section, newest first, and the file stays well formed.
#include "core/bookmarks/BookmarkList.h"
#include "core/port/FileSystem.h"
#include "core/shell/Session.h"
#include "core/testing/SessionTestAccess.h"
#include "robust/RobustSupport.h"
#include "support/Fakes.h"
#include "support/ForkAlone.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace qmrobust;

constexpr int kOps = 1000;
const qm::Lines kSeed = {"<<none", "<<title", "<<qdemo", ""};

std::string ownKey(const std::string& tag) {
    return "own-" + tag;
}

// What operation `op` of reader `tag` adds, and to which section.
struct Planned {
    std::string section;
    std::string line;
};
Planned planned(const std::string& tag, int op) {
    const std::string n = std::to_string(op);
    switch (op % 4) {
    case 0:
    case 1:
        return {"<<shared", "#" + n + " " + tag + " shared " + n};
    case 2:
        return {"<<shared", "#" + n + " Closed book at " + tag + " " + n};
    default:
        return {"<<" + ownKey(tag), "#" + n + " " + tag + " own " + n};
    }
}

// One reader; returns 0 when every operation went through without a message.
int runReader(const std::string& path, const std::string& tag) {
    auto fs = qm::makeRealFileSystem();
    qmtest::RecordingView view;
    qmtest::FixedPlatform platform;
    qm::Session s(view, *fs, platform);
    qm::SessionTestAccess(s).setLocation(&qm::Locations::bookmarkFile, path);
    for (int op = 0; op < kOps; ++op) {
        qm::SessionTestAccess(s).setTopLine(op);
        const std::string n = std::to_string(op);
        switch (op % 4) {
        case 0:
        case 1:
            qm::SessionTestAccess(s).setTextKey("shared");
            s.BMMenuClick();
            view.bookmarkNames.push_back(tag + " shared " + n);
            s.BMAddItemClick();
            break;
        case 2:
            qm::SessionTestAccess(s).setTextKey("shared");
            s.BMMenuClick();
            qm::SessionTestAccess(s).setPageTurned(true);
            platform.now = tag + " " + n;
            s.writeClosingMark();
            break;
        default:
            qm::SessionTestAccess(s).setTextKey(ownKey(tag));
            s.BMMenuClick();
            view.bookmarkNames.push_back(tag + " own " + n);
            s.BMAddItemClick();
        }
        if (!view.messages.empty()) return 3;
    }
    return 0;
}

TEST(SharedBookmarkFile, TwoReadersAThousandOperationsEach) {
    TempFolder dir;
    const std::string path = dir.path() + "/quillmar.bm";
    auto fs = qm::makeRealFileSystem();
    fs->writeFile(path, qm::joinLinesCrLf(kSeed));
    const std::vector<std::string> tags = {"a", "b"};

    std::vector<pid_t> pids;
    for (const auto& tag : tags) {
        const pid_t pid = qmtest::forkAlone();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::alarm(120);
            int code = 97;
            try {
                code = runReader(path, tag);
            } catch (...) {
            }
            ::_exit(code);
        }
        pids.push_back(pid);
    }
    for (std::size_t i = 0; i < pids.size(); ++i) {
        int status = 0;
        ASSERT_EQ(::waitpid(pids[i], &status, 0), pids[i]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "reader " << tags[i] << " status " << status;
    }

    const qm::Lines lines = qm::splitLines(fs->readFile(path).value_or(""));
    ASSERT_GE(lines.size(), kSeed.size());
    // Where every line sits: its section (the header above it) and its position.
    std::map<std::string, std::vector<std::pair<std::string, std::size_t>>> where;
    std::map<std::string, int> headers;
    std::string section;
    int malformed = 0;
    const std::regex entry(R"(#\d+ .*)");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.rfind("<<", 0) == 0) {
            section = l;
            ++headers[l];
        } else if (std::regex_match(l, entry)) {
            where[l].push_back({section, i});
        } else if (!(l.empty() && i + 1 == lines.size())) {
            ++malformed;
        }
    }

    int lost = 0, duplicated = 0, misplaced = 0, outOfOrder = 0, added = 0;
    for (const auto& tag : tags) {
        // Per section, the position of this reader's newer entries is above the older ones.
        std::map<std::string, std::size_t> lastPosition;
        for (int op = 0; op < kOps; ++op) {
            const Planned p = planned(tag, op);
            ++added;
            const auto it = where.find(p.line);
            if (it == where.end()) {
                ++lost;
                continue;
            }
            if (it->second.size() != 1) ++duplicated;
            const auto& [sec, position] = it->second.front();
            if (sec != p.section) ++misplaced;
            const auto last = lastPosition.find(sec);
            if (last != lastPosition.end() && position >= last->second) ++outOfOrder;
            lastPosition[sec] = position;
        }
    }
    report("two readers on one bookmark file",
           {{"readers", static_cast<long long>(tags.size())},
            {"operationsPerReader", kOps},
            {"entriesAdded", added},
            {"lost", lost},
            {"duplicated", duplicated},
            {"misplaced", misplaced},
            {"outOfOrder", outOfOrder},
            {"malformedLines", malformed},
            {"fileLines", static_cast<long long>(lines.size())}});
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(duplicated, 0);
    EXPECT_EQ(misplaced, 0);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(malformed, 0);
    // The seed's lines stay first, each section has one header, nothing else came in.
    EXPECT_EQ(qm::Lines(lines.begin(), lines.begin() + 3),
              qm::Lines(kSeed.begin(), kSeed.begin() + 3));
    for (const char* h : {"<<none", "<<title", "<<qdemo", "<<shared", "<<own-a", "<<own-b"})
        EXPECT_EQ(headers[h], 1) << h;
    EXPECT_EQ(headers.size(), 6u);
    EXPECT_EQ(lines.size(), 6 + static_cast<std::size_t>(added) + 1);
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(folderEntries(dir.path()), (std::set<std::string>{"quillmar.bm"}));
}

} // namespace
