// Writes on the real file system replace the file the user has, as the user has it: through
// links, with its mode, never over a read-only file, and without leaving anything beside it.
#include "core/base/Error.h"
#include "core/port/FileSystem.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fsys = std::filesystem;

struct Folder {
    Folder() {
        char pattern[] = "/tmp/qm-safe-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~Folder() { fsys::remove_all(path); }
    std::set<std::string> entries(const std::string& sub = "") const {
        std::set<std::string> names;
        for (const auto& e : fsys::directory_iterator(path + sub))
            names.insert(e.path().filename().string());
        return names;
    }
    std::string path;
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// The mode, and the owner where the process may set it (the superuser may; others keep
// their own files, so the owner stays theirs anyway).
TEST(SafeWrite, KeepsTheModeAndOwnerOfTheFileItReplaces) {
    const bool mayChown = ::geteuid() == 0;
    for (const mode_t mode : {0600, 0640, 0664, 0604}) {
        Folder dir;
        auto fs = qm::makeRealFileSystem();
        const std::string file = dir.path + "/quillmar.ini";
        fs->writeFile(file, "old");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        const uid_t owner = mayChown ? 4321 : ::geteuid();
        const gid_t group = mayChown ? 4321 : ::getegid();
        if (mayChown) {
            ASSERT_EQ(::chown(file.c_str(), owner, group), 0);
        }
        fs->writeFile(file, "new");
        EXPECT_EQ(modeOf(file), mode) << std::oct << mode;
        struct stat st {};
        ::stat(file.c_str(), &st);
        EXPECT_EQ(st.st_uid, owner);
        EXPECT_EQ(st.st_gid, group);
        EXPECT_EQ(fs->readFile(file), "new");
        EXPECT_EQ(dir.entries(), std::set<std::string>{"quillmar.ini"});
    }
}

// A link, a link to a link, a relative link into another folder and a link to a file not made
// yet: the write lands in the file at the end, and every link stays a link.
TEST(SafeWrite, WritesThroughLinksBesideTheirTarget) {
    struct LinkCase {
        const char* label;
        std::vector<std::pair<const char*, const char*>> links; // name, where it points
        const char* target;
        bool targetExists;
    };
    const LinkCase cases[] = {
        {"absolute", {{"quillmar.bm", "@/real/books.bm"}}, "real/books.bm", true},
        {"relative", {{"quillmar.bm", "real/books.bm"}}, "real/books.bm", true},
        {"chain", {{"quillmar.bm", "hop.bm"}, {"hop.bm", "real/books.bm"}}, "real/books.bm", true},
        {"dangling", {{"quillmar.bm", "real/new.bm"}}, "real/new.bm", false},
    };
    for (const auto& c : cases) {
        Folder dir;
        auto fs = qm::makeRealFileSystem();
        fsys::create_directory(dir.path + "/real");
        const std::string target = dir.path + "/" + c.target;
        if (c.targetExists) {
            fs->writeFile(target, "old");
            ::chmod(target.c_str(), 0600);
        }
        for (const auto& [name, to] : c.links) {
            const std::string where = to[0] == '@' ? dir.path + (to + 1) : std::string(to);
            fsys::create_symlink(where, dir.path + "/" + name);
        }
        fs->writeFile(dir.path + "/quillmar.bm", "new");
        EXPECT_EQ(fs->readFile(target), "new") << c.label;
        for (const auto& link : c.links)
            EXPECT_TRUE(fsys::is_symlink(dir.path + "/" + link.first)) << c.label;
        if (c.targetExists) {
            EXPECT_EQ(modeOf(target), 0600u) << c.label;
        }
        // Nothing left beside the links nor beside the target.
        EXPECT_EQ(dir.entries().size(), c.links.size() + 1) << c.label;
        EXPECT_EQ(dir.entries("/real").size(), 1u) << c.label;
    }
}

// A file no one may write is refused with the message a direct write gives, through a link
// too, and stays as it was.
TEST(SafeWrite, RefusesAReadOnlyFileAndLosesNothing) {
    Folder dir;
    auto fs = qm::makeRealFileSystem();
    const std::string file = dir.path + "/quillmar.ini";
    const std::string link = dir.path + "/linked.ini";
    fs->writeFile(file, "keep me");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    fsys::create_symlink(file, link);
    for (const std::string& path : {file, link}) {
        try {
            fs->writeFile(path, "lost");
            ADD_FAILURE() << "a read-only file was overwritten through " << path;
        } catch (const qm::UserError& e) {
            EXPECT_EQ(std::string(e.what()), qm::unableToWriteMessage(path));
        }
    }
    EXPECT_EQ(fs->readFile(file), "keep me");
    EXPECT_EQ(modeOf(file), 0444u);
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"quillmar.ini", "linked.ini"}));
}

// The lock leaves nothing behind, and while one holder has it another cannot take it.
TEST(SafeWrite, TheLockLeavesNoFileAndExcludesOthers) {
    Folder dir;
    auto fs = qm::makeRealFileSystem();
    const std::string file = dir.path + "/quillmar.bm";
    fs->writeFile(file, "x");
    {
        const std::unique_ptr<qm::FileLock> lock = fs->lock(file);
        ASSERT_TRUE(lock);
        // A second open of the same folder stands for another running copy.
        const int other = ::open(dir.path.c_str(), O_RDONLY | O_DIRECTORY);
        EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
        // The write under the lock replaces the file; the lock still holds.
        fs->writeFile(file, "y");
        EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
        ::close(other);
    }
    const int other = ::open(dir.path.c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
    EXPECT_EQ(dir.entries(), std::set<std::string>{"quillmar.bm"});
}

} // namespace
