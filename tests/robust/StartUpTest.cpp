// Starting the reader in hostile places: copies at once making the same folders, and the
// program itself run with data folders and files that used to end or misplace it.
#include "core/library/BookFile.h"
#include "core/port/FileCaps.h"
#include "core/shell/Session.h"
#include "install/InstallSupport.h"
#include "robust/RobustSupport.h"
#include "support/Fakes.h"
#include "support/ForkAlone.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace qmrobust;

// One copy of the reader starting: the creation makes the data folder (and the folders above
// it), then the book opens into the library, whose folders and files it makes. 0, or 1 with
// the message on the error stream.
int startReader(const std::string& root) {
    auto fs = qm::makeRealFileSystem();
    qmtest::RecordingView view;
    qmtest::FixedPlatform platform;
    qm::Session s(view, *fs, platform);
    const std::string data = root + "/share/Halvorn/";
    const bool ok = s.run([&] { s.FormCreate(root + "/prog/quillmar", data, ""); }) &&
                    s.run([&] { qm::library::openBookFile(*fs, data, root + "/tale.txt", {}); });
    for (const std::string& m : view.messages)
        std::fprintf(stderr, "%s\n", m.c_str());
    return ok ? 0 : 1;
}

// Copies let go at the same moment, round after round, each time into folders not made yet: a
// folder another copy made first, or a book file another copy wrote a moment ago, is no
// failure.
TEST(StartUp, ReadersStartingAtOnceAllStart) {
    constexpr int kRounds = 80, kCopies = 4;
    int failed = 0, started = 0;
    for (int round = 0; round < kRounds; ++round) {
        TempFolder dir;
        fsys::create_directories(dir.path() + "/prog");
        writeBytes(dir.path() + "/tale.txt", "The wind rose.\n\nThe boat went home.\n");
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        pid_t children[kCopies];
        for (pid_t& child : children) {
            std::fflush(nullptr);
            child = qmtest::forkAlone();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::close(gate[1]);
                char c;
                (void)!::read(gate[0], &c, 1); // returns when the parent closes the gate
                ::alarm(20);
                ::_exit(startReader(dir.path()));
            }
        }
        ::close(gate[0]);
        ::close(gate[1]);
        for (const pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            failed += !ok;
            started += ok;
        }
    }
    report("readers at once", {{"rounds", kRounds}, {"started", started}, {"failed", failed}});
    EXPECT_EQ(failed, 0);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// The program as a user starts it, from an empty working folder with a home of its own.
// Each case names the file that must hold the settings afterwards, or the message a failing
// run must give; no run may leave anything in the working folder.
TEST(StartUp, TheProgramKeepsItsDataWhereItWasToldOrSaysWhy) {
    TempFolder dir;
    const std::string root = dir.path();
    for (const char* sub : {"/work", "/home", "/runtime"})
        fsys::create_directories(root + sub);
    fsys::permissions(root + "/runtime", fsys::perms::owner_all);
    writeBytes(root + "/big", "");
    fsys::resize_file(root + "/big", 2ull << 30);
    const std::vector<std::string> env = {"env",
                                          "-C",
                                          root + "/work",
                                          "-u",
                                          "QUILLMAR_DATA_DIR",
                                          "-u",
                                          "XDG_DATA_HOME",
                                          "HOME=" + root + "/home",
                                          "XDG_RUNTIME_DIR=" + root + "/runtime",
                                          "QT_QPA_PLATFORM=offscreen"};
    std::vector<std::string> relativeXdg = env;
    relativeXdg.push_back("XDG_DATA_HOME=share");
    // Under a memory cap a file read whole would end the program; refused by size, it cannot.
    std::vector<std::string> capped = env;
    if (!kSanitized)
        capped.insert(capped.end(), {"sh", "-c", "ulimit -v 1500000 && exec \"$0\" \"$@\""});
    struct Case {
        std::vector<std::string> prefix, args;
        std::string expected; // the settings file left, or a failing run's message
        bool fails;
    };
    const Case cases[] = {
        {env, {"--data-dir", root + "/d\xff", "--page-info"}, root + "/d\xff/quillmar.ini", false},
        {relativeXdg, {"--page-info"}, root + "/home/.local/share/Halvorn/quillmar.ini", false},
        {capped,
         {"--data-dir", root + "/data", "--page-info", root + "/big"},
         qm::fileTooLargeMessage(root + "/big", qm::kStoredTextCap) + "\n",
         true},
        {capped,
         {"--cascade", root + "/big"},
         qm::fileTooLargeMessage(root + "/big", qm::kBookFileCap) + "\n",
         true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> line = c.prefix;
        line.push_back(std::string(QM_BINARY_DIR) + "/bin/quillmar");
        line.insert(line.end(), c.args.begin(), c.args.end());
        const auto run = qm::installtest::runCommand(line);
        EXPECT_EQ(run.exitCode, c.fails ? 1 : 0) << c.expected << ": " << run.output;
        if (c.fails) {
            EXPECT_NE(run.output.find(c.expected), std::string::npos) << run.output;
        } else {
            EXPECT_TRUE(fsys::is_regular_file(c.expected)) << c.expected;
        }
        EXPECT_EQ(folderEntries(root + "/work"), std::set<std::string>{}) << c.expected;
    }
    // No look-alike of the name that is not UTF-8.
    EXPECT_EQ(folderEntries(root).count("d\xEF\xBF\xBD"), 0u);
}

} // namespace
