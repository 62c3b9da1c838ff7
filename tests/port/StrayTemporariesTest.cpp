#include "core/base/Error.h"
#include "core/testing/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct StrayCase {
    const char* name;
    long long ageSeconds;
    bool removed;
};

TEST(StrayTemporaries, OnlyOldTemporariesOfTheFileGo) {
    const StrayCase cases[] = {
        {".quillmar-tmp-quillmar.ini-Ab12Cd", 3600, true},
        {".quillmar-tmp-quillmar.ini-x9Y8z7", 61, true},
        {".quillmar-tmp-quillmar.ini-Qw3rTy", 5, false}, // a copy may be writing it right now
        {"quillmar.ini", 3600, false},
        // The user's own files, however much they look like a temporary.
        {"quillmar.ini.Ab12Cd", 3600, false},
        {"quillmar.ini.orig01", 3600, false},
        {"quillmar.ini.bak", 3600, false},
        {"quillmar.bm.backup", 3600, false},
        {"quillmar.bm.ABC123", 3600, false},
        {".quillmar-tmp-quillmar.ini-toolong", 3600, false},
        {".quillmar-tmp-quillmar.ini-ab-12c", 3600, false},
        {".quillmar-tmp-quillmar.ini-Ab12C", 3600, false},
        {".quillmar-tmp-quillmar.ini.Ab12Cd", 3600, false},
        {"quillmar-tmp-quillmar.ini-Ab12Cd", 3600, false},
        {".quillmar-tmp-quillmar.in-Ab12Cd", 3600, false},
        {".quillmar-tmp-quillmar.bm-Ab12Cd", 3600, false}, // another file's: its own call
        {".quillmar-tmp-other.ini-Ab12Cd", 3600, false},
    };
    qm::MemoryFileSystem fs;
    fs.addFolder("/data");
    fs.addFolder("/data/sub");
    fs.writeFile("/data/sub/.quillmar-tmp-quillmar.ini-Ab12Cd", "deeper folder");
    for (const auto& c : cases) {
        fs.writeFile(std::string("/data/") + c.name, "x");
        fs.setAge(std::string("/data/") + c.name, c.ageSeconds);
    }
    qm::removeStrayTemporaries(fs, "/data/quillmar.ini");
    for (const auto& c : cases)
        EXPECT_EQ(fs.fileExists(std::string("/data/") + c.name), !c.removed) << c.name;
    EXPECT_TRUE(fs.fileExists("/data/sub/.quillmar-tmp-quillmar.ini-Ab12Cd"));
}

TEST(ReadingFiles, RefusesWhatIsNotARegularFile) {
    auto fs = qm::makeRealFileSystem();
    char pattern[] = "/tmp/qm-read-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // No writer ever opens the pipe: a blocking open would hang here.
    EXPECT_FALSE(fs->readFile(fifo).has_value());
    EXPECT_FALSE(fs->readFile(dir).has_value());
    EXPECT_FALSE(fs->readFile(dir + "/missing").has_value());
    fs->writeFile(dir + "/plain", std::string("a\0b", 3));
    EXPECT_EQ(fs->readFile(dir + "/plain"), std::string("a\0b", 3));
    std::remove(fifo.c_str());
    std::remove((dir + "/plain").c_str());
    rmdir(dir.c_str());
}

// A file another copy of the reader writes, or takes away, between two looks at it: the reads
// give the scripted answers in turn (the last one stays), and so does the look.
class ChangingFile final : public qm::FileSystem {
public:
    ChangingFile(std::deque<std::optional<std::string>> reads, std::deque<bool> looks)
        : m_reads(std::move(reads))
        , m_looks(std::move(looks)) {}
    bool fileExists(const std::string&) const override { return next(m_looks); }
    bool folderExists(const std::string&) const override { return true; }
    void createFolder(const std::string&) override {}
    void writeFile(const std::string&, const std::string&) override {}
    bool removeFile(const std::string&) override { return false; }
    bool removeFolder(const std::string&) override { return false; }
    std::vector<FolderEntry> listFolder(const std::string&) const override { return {}; }
    std::unique_ptr<qm::FileLock> lock(const std::string&) override { return nullptr; }

private:
    std::optional<std::string> readCapped(const std::string&, const qm::FileCap&) const override {
        return next(m_reads);
    }
    template <typename T> static T next(std::deque<T>& answers) {
        T answer = answers.front();
        if (answers.size() > 1) answers.pop_front();
        return answer;
    }
    mutable std::deque<std::optional<std::string>> m_reads;
    mutable std::deque<bool> m_looks;
};

// What a write must keep before it replaces a file: nothing only when there is no file, the
// bytes of one that appeared a moment ago, and a refusal for one that is there unreadable.
TEST(ReadingFiles, BeforeAReplacingWriteAFileIsReadOrRefused) {
    const std::optional<std::string> none;
    struct Case {
        const char* name;
        std::deque<std::optional<std::string>> reads;
        std::deque<bool> looks;
        std::optional<std::string> kept; // "!" for a refusal
    };
    const Case cases[] = {
        {"readable", {"old"}, {true}, "old"},
        {"absent", {none}, {false}, none},
        {"written by another copy meanwhile", {none, "theirs"}, {true}, "theirs"},
        {"there but unreadable", {none}, {true}, "!"},
    };
    for (const Case& c : cases) {
        ChangingFile fs(c.reads, c.looks);
        std::optional<std::string> kept;
        try {
            kept = fs.readBeforeReplacing("/data/file");
        } catch (const qm::UserError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to /data/file") << c.name;
            kept = "!";
        }
        EXPECT_EQ(kept, c.kept) << c.name;
    }
}

} // namespace
