// The reader killed at random moments while it rewrites its files: afterwards each file is
// exactly one of the versions it wrote, never a mix or a cut-off one, and only the stray
// temporaries ".quillmar-tmp-name-XXXXXX" of interrupted writes are left beside it.
#include "core/base/Error.h"
#include "core/port/FileSystem.h"
#include "core/shell/Session.h"
#include "robust/RobustSupport.h"
#include "support/Fakes.h"
#include "support/ForkAlone.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace qmrobust;

// FNV-1a, enough to tell a damaged version from a whole one.
std::uint64_t checksum(std::string_view bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

// About 200 KB of lines of random letters, made once and shared with the children.
const std::string& letterBlock() {
    static const std::string block = [] {
        std::mt19937_64 random(20260712);
        static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz     ";
        std::string text;
        for (int line = 0; line < 3200; ++line) {
            for (int i = 0; i < 60; ++i)
                text += kLetters[random() % (sizeof kLetters - 1)];
            text += "\r\n";
        }
        return text;
    }();
    return block;
}

// Version n of a file: its number on the first line, the letter block turned by an amount
// that differs from version to version, and a checksum of everything before it on the last
// line.
std::string version(long long n, const std::string& tag) {
    const std::string& block = letterBlock();
    const std::size_t turn = static_cast<std::size_t>(n) * 62 % block.size();
    std::string text = "version " + std::to_string(n) + " " + tag + "\r\n";
    text.append(block, turn, std::string::npos);
    text.append(block, 0, turn);
    text += "sum " + std::to_string(checksum(text)) + "\r\n";
    return text;
}

// The version number of a whole version, or -1 for anything else.
long long versionOf(const std::string& bytes, const std::string& tag) {
    const std::string head = "version ";
    if (bytes.compare(0, head.size(), head) != 0) return -1;
    const auto end = bytes.find(' ', head.size());
    if (end == std::string::npos) return -1;
    long long n = -1;
    try {
        n = std::stoll(bytes.substr(head.size(), end - head.size()));
    } catch (...) {
        return -1;
    }
    return n >= 0 && bytes == version(n, tag) ? n : -1;
}

// A leftover is allowed only as a stray temporary of one of the files.
bool isStrayTemporary(const std::string& name, const std::vector<std::string>& files) {
    for (const auto& f : files) {
        const std::regex stray(R"(\.quillmar-tmp-)" +
                               std::regex_replace(f, std::regex(R"(\.)"), R"(\.)") +
                               R"(-[A-Za-z0-9]{6})");
        if (std::regex_match(name, stray)) return true;
    }
    return false;
}

// Starts `body` in a child, which calls the function it is given just before its first write;
// kills it `delay` microseconds after that and reaps it. Returns false when the child ended on
// its own.
using Body = std::function<void(const std::function<void()>& ready)>;
bool killMidway(const Body& body, unsigned delayMicroseconds) {
    int ready[2];
    if (::pipe(ready) != 0) return false;
    const pid_t pid = qmtest::forkAlone();
    if (pid < 0) return false;
    if (pid == 0) {
        ::close(ready[0]);
        ::alarm(30);
        try {
            body([&] {
                const char go = 'g';
                if (::write(ready[1], &go, 1) != 1) ::_exit(90);
            });
        } catch (...) {
            ::_exit(91);
        }
        ::_exit(92);
    }
    ::close(ready[1]);
    char go = 0;
    const bool started = ::read(ready[0], &go, 1) == 1;
    ::close(ready[0]);
    if (started) ::usleep(delayMicroseconds);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return started && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Microseconds one step takes here (the mean of four), to spread the kills over the steps.
unsigned stepMicroseconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i)
        step();
    const auto spent = std::chrono::steady_clock::now() - start;
    return static_cast<unsigned>(
        std::chrono::duration_cast<std::chrono::microseconds>(spent).count() / 4 + 1);
}

TEST(KilledWhileWriting, SettingsAndBookmarkFilesAreOldOrNew) {
    TempFolder dir;
    auto fs = qm::makeRealFileSystem();
    const std::vector<std::string> names = {"quillmar.ini", "quillmar.bm"};
    std::vector<std::string> paths;
    for (const auto& n : names)
        paths.push_back(dir.path() + "/" + n);
    for (const auto& p : paths)
        fs->writeFile(p, version(0, p));
    const std::string scratch = dir.path() + "/scratch";
    const unsigned perStep =
        stepMicroseconds([&] { fs->writeFile(scratch, version(1, paths[0])); });
    fs->removeFile(scratch);

    constexpr int kKills = 200;
    std::mt19937 random(20260712);
    std::uniform_int_distribution<unsigned> delay(0, 6 * perStep);
    std::vector<long long> last(paths.size(), 0);
    int kills = 0, damaged = 0, wentBack = 0;
    for (int k = 0; k < kKills; ++k) {
        // The child carries on after the version the file written last holds now.
        const auto body = [&](const std::function<void()>& ready) {
            const long long start = versionOf(fs->readFile(paths[1]).value_or(""), paths[1]) + 1;
            ready();
            for (long long n = start;; ++n)
                for (const auto& p : paths)
                    fs->writeFile(p, version(n, p));
        };
        if (!killMidway(body, delay(random))) {
            ADD_FAILURE() << "the writing child did not run until killed";
            break;
        }
        ++kills;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const long long n = versionOf(readBytes(paths[i]).value_or(""), paths[i]);
            if (n < 0)
                ++damaged;
            else if (n < last[i])
                ++wentBack;
            else
                last[i] = n;
        }
        // The files are written in turn, so the second is never ahead of the first.
        EXPECT_TRUE(last[1] == last[0] || last[1] == last[0] - 1) << last[0] << " " << last[1];
    }
    int strays = 0, others = 0;
    for (const auto& name : folderEntries(dir.path())) {
        if (std::find(names.begin(), names.end(), name) != names.end()) continue;
        if (isStrayTemporary(name, names))
            ++strays;
        else
            ++others;
    }
    report("kills during safe writes", {{"kills", kills},
                                        {"microsecondsPerStep", perStep},
                                        {"damaged", damaged},
                                        {"wentBack", wentBack},
                                        {"versionsWritten", last[0]},
                                        {"strayTemporaries", strays},
                                        {"otherLeftovers", others}});
    EXPECT_EQ(kills, kKills);
    EXPECT_EQ(damaged, 0);
    EXPECT_EQ(wentBack, 0);
    EXPECT_EQ(others, 0);
    // Writes were under way when the kills landed: some versions got through and some
    // writes were cut off between making the temporary and renaming it.
    EXPECT_GT(last[0], 0);
    EXPECT_GT(strays, 0);
}

// The same check catches a rewrite in place (truncate, then write): the kills above could
// find damage if there were any.
TEST(KilledWhileWriting, ARewriteInPlaceIsCaughtDamaged) {
    TempFolder dir;
    const std::string path = dir.path() + "/naive.ini";
    writeBytes(path, version(0, path));
    std::mt19937 random(3);
    std::uniform_int_distribution<unsigned> delay(0, 3000);
    int kills = 0, damaged = 0;
    while (kills < 300 && damaged == 0) {
        const auto body = [&](const std::function<void()>& ready) {
            ready();
            for (long long n = 1;; ++n)
                writeBytes(path, version(n, path));
        };
        if (!killMidway(body, delay(random))) break;
        ++kills;
        if (versionOf(readBytes(path).value_or(""), path) < 0) ++damaged;
    }
    report("kills during rewrites in place", {{"kills", kills}, {"damaged", damaged}});
    EXPECT_GT(damaged, 0);
}

// The bookmark file rewritten by the reader's own operations (adding bookmarks and closing
// marks), killed at random: the file always holds the first K operations for some K.
const std::string kHeader = "<<qdemo";

qm::Lines baseBookmarkLines() {
    qm::Lines lines = {"<<none", "<<title", kHeader};
    // A long section makes every write about 200 KB.
    for (int i = 0; i < 3000; ++i)
        lines.push_back("#" + std::to_string(100000 + i) + " an older bookmark of this book, " +
                        std::to_string(i));
    lines.emplace_back("<<other");
    lines.emplace_back("");
    return lines;
}

std::string entryFor(long long k) {
    return k % 2 ? "#" + std::to_string(k) + " mark " + std::to_string(k)
                 : "#" + std::to_string(k) + " Closed book at " + std::to_string(k);
}

// The file after the first k operations.
std::string bookmarkBytesAfter(long long k) {
    qm::Lines lines = baseBookmarkLines();
    qm::Lines entries;
    for (long long i = k; i >= 1; --i)
        entries.push_back(entryFor(i));
    lines.insert(lines.begin() + 3, entries.begin(), entries.end());
    return qm::joinLinesCrLf(lines);
}

// How many operations the file holds, or -1 when it is not exactly such a file.
long long operationsIn(const std::string& bytes) {
    const qm::Lines lines = qm::splitLines(bytes);
    if (lines.size() < 4 || lines[2] != kHeader || lines[3].empty() || lines[3][0] != '#')
        return -1;
    long long k = 0;
    try {
        k = qm::toInteger(lines[3].substr(1, lines[3].find(' ') - 1));
    } catch (const qm::UserError&) {
        return -1;
    }
    if (k >= 100000) k = 0; // the newest line is one of the older bookmarks
    return k >= 0 && bytes == bookmarkBytesAfter(k) ? k : -1;
}

TEST(KilledWhileWriting, BookmarkOperationsAreWholeOrAbsent) {
    TempFolder dir;
    const std::string path = dir.path() + "/quillmar.bm";
    auto fs = qm::makeRealFileSystem();
    fs->writeFile(path, bookmarkBytesAfter(0));
    // One operation of the reader on a copy of the file, as the child runs them.
    const std::string scratch = dir.path() + "/scratch.bm";
    fs->writeFile(scratch, bookmarkBytesAfter(0));
    qmtest::RecordingView scratchView;
    qmtest::FixedPlatform scratchPlatform;
    qm::Session scratchSession(scratchView, *fs, scratchPlatform);
    scratchSession.setLocation(&qm::Locations::bookmarkFile, scratch);
    scratchSession.setTextKey("qdemo");
    const unsigned perStep = stepMicroseconds([&] {
        scratchSession.BMMenuClick();
        scratchSession.BMAddItemClick();
    });
    fs->removeFile(scratch);

    constexpr int kKills = 150;
    std::mt19937 random(7);
    std::uniform_int_distribution<unsigned> delay(0, 8 * perStep);
    long long last = 0;
    int kills = 0, damaged = 0, wentBack = 0;
    for (int i = 0; i < kKills; ++i) {
        const auto body = [&](const std::function<void()>& ready) {
            qmtest::RecordingView view;
            qmtest::FixedPlatform platform;
            qm::Session s(view, *fs, platform);
            s.setLocation(&qm::Locations::bookmarkFile, path);
            s.setTextKey("qdemo");
            const long long start = operationsIn(fs->readFile(path).value_or("")) + 1;
            ready();
            for (long long k = start;; ++k) {
                s.setTopLine(static_cast<int>(k));
                s.BMMenuClick();
                if (k % 2) {
                    view.bookmarkNames.push_back("mark " + std::to_string(k));
                    s.BMAddItemClick();
                } else {
                    s.setPageTurned(true);
                    platform.now = std::to_string(k);
                    s.writeClosingMark();
                }
                if (!view.messages.empty()) ::_exit(93);
            }
        };
        if (!killMidway(body, delay(random))) {
            ADD_FAILURE() << "the reader did not run until killed";
            break;
        }
        ++kills;
        const long long k = operationsIn(readBytes(path).value_or(""));
        if (k < 0)
            ++damaged;
        else if (k < last)
            ++wentBack;
        else
            last = k;
    }
    int strays = 0, others = 0;
    for (const auto& name : folderEntries(dir.path())) {
        if (name == "quillmar.bm") continue;
        if (isStrayTemporary(name, {"quillmar.bm"}))
            ++strays;
        else
            ++others;
    }
    report("kills during bookmark operations", {{"kills", kills},
                                                {"microsecondsPerStep", perStep},
                                                {"damaged", damaged},
                                                {"wentBack", wentBack},
                                                {"operationsKept", last},
                                                {"strayTemporaries", strays},
                                                {"otherLeftovers", others}});
    EXPECT_EQ(kills, kKills);
    EXPECT_EQ(damaged, 0);
    EXPECT_EQ(wentBack, 0);
    EXPECT_EQ(others, 0);
    EXPECT_GT(last, 0);
}

// A kill between making the temporary and renaming it leaves ".quillmar-tmp-name-XXXXXX" in
// the data folder; the next start-up clears such strays of the reader's own files (old enough
// not to belong to a copy that is writing right now) and nothing else, however much a user's
// file looks like one.
TEST(KilledWhileWriting, StartUpClearsStrayTemporaries) {
    TempFolder dir;
    const std::string data = dir.path() + "/data";
    fsys::create_directories(data);
    fsys::create_directories(dir.path() + "/prog");
    const std::vector<std::string> strays = {".quillmar-tmp-quillmar.ini-Ab12Cd",
                                             ".quillmar-tmp-quillmar.bm-XyZ789"};
    const std::vector<std::string> kept = {"quillmar.ini.bak",
                                           "other.txt.Ab12Cd",
                                           "quillmar.ini.toolong1",
                                           "quillmar.bm.backup",
                                           "quillmar.ini.orig01",
                                           "quillmar.bm.ABC123",
                                           ".quillmar-tmp-other.ini-Ab12Cd"};
    for (const auto& name : strays)
        writeBytes(data + "/" + name, "cut off");
    for (const auto& name : kept)
        writeBytes(data + "/" + name, "not ours");
    for (const auto& name : folderEntries(data))
        fsys::last_write_time(data + "/" + name,
                              fsys::file_time_type::clock::now() - std::chrono::hours(1));

    auto fs = qm::makeRealFileSystem();
    qmtest::RecordingView view;
    qmtest::FixedPlatform platform;
    qm::Session s(view, *fs, platform);
    ASSERT_TRUE(s.run([&] { s.FormCreate(dir.path() + "/prog/quillmar", data + "/", ""); }));

    const auto left = folderEntries(data);
    int cleared = 0;
    for (const auto& name : strays) {
        EXPECT_EQ(left.count(name), 0u) << name << " is still there";
        cleared += left.count(name) == 0;
    }
    for (const auto& name : kept)
        EXPECT_EQ(left.count(name), 1u) << name << " was removed";
    report("stray temporaries at start-up",
           {{"strays", static_cast<long long>(strays.size())}, {"cleared", cleared}});
}

} // namespace
