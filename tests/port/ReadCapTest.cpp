// Every read names a size cap: a larger file is refused before it is read (a sparse file of
// 64 GB costs nothing to refuse), and one that grows past the cap while it is read is refused
// then, on the real file system and the in-memory one alike.
#include "core/port/FileSystem.h"
#include "core/testing/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fsys = std::filesystem;

constexpr qm::FileCap kSmall{16, "a test file"};

// Reads the whole file through openFile, piece by piece; nothing when it cannot be opened.
std::optional<std::string> readInPieces(const qm::FileSystem& fs, const std::string& path,
                                        const qm::FileCap& cap) {
    std::unique_ptr<qm::FileReader> reader = fs.openFile(path, cap);
    if (!reader) return std::nullopt;
    std::string bytes;
    char piece[5];
    while (const std::optional<std::size_t> got = reader->read(piece, sizeof piece)) {
        if (*got == 0) return bytes;
        bytes.append(piece, *got);
    }
    return std::nullopt;
}

// The message of the refusal, or "" when the read went through.
template <typename Read> std::string refusal(Read read) {
    try {
        read();
        return "";
    } catch (const qm::FileTooLarge& e) {
        return e.what();
    }
}

TEST(ReadCap, AFileAboveItsCapIsRefusedWithItsNameAndTheCap) {
    char pattern[] = "/tmp/qm-cap-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    auto real = qm::makeRealFileSystem();
    qm::MemoryFileSystem memory;
    const auto put = [&](const std::string& name, std::uint64_t size) {
        const std::string path = dir + "/" + name;
        std::ofstream(path).close();
        fsys::resize_file(path, size);
        memory.addSparseFile(path, size);
        return path;
    };
    struct Case {
        std::string path;
        qm::FileCap cap;
        bool refused;
    };
    const Case cases[] = {
        {put("at-cap", 16), kSmall, false},
        {put("one-over", 17), kSmall, true},
        {put("settings.ini", 64ull << 30), qm::kSettingsFileCap, true},
        {put("book.tvt", 2ull << 30), qm::kStoredTextCap, true},
        {put("empty", 0), kSmall, false},
    };
    for (const qm::FileSystem* fs : {static_cast<const qm::FileSystem*>(real.get()),
                                     static_cast<const qm::FileSystem*>(&memory)}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.path + (fs == &memory ? " in memory" : " on disk"));
            const std::string expected = c.refused ? qm::fileTooLargeMessage(c.path, c.cap) : "";
            EXPECT_EQ(refusal([&] { EXPECT_TRUE(fs->readFile(c.path, c.cap)); }), expected);
            EXPECT_EQ(refusal([&] { EXPECT_TRUE(readInPieces(*fs, c.path, c.cap)); }), expected);
        }
    }
    EXPECT_EQ(qm::fileTooLargeMessage(dir + "/settings.ini", qm::kSettingsFileCap),
              "Cannot read " + dir +
                  "/settings.ini: the file is larger than 1 MB, more than a settings file needs.");
    fsys::remove_all(dir);
}

// A file whose size says less than it holds (the system's own files say 0) or that grows
// after it was opened is refused when the bytes read pass the cap.
TEST(ReadCap, AFileGrowingPastItsCapWhileReadIsRefused) {
    auto fs = qm::makeRealFileSystem();
    const std::string status = "/proc/self/status";
    ASSERT_TRUE(fs->readFile(status)) << "no " << status;
    EXPECT_EQ(refusal([&] { fs->readFile(status, kSmall); }),
              qm::fileTooLargeMessage(status, kSmall));
    EXPECT_EQ(refusal([&] { readInPieces(*fs, status, kSmall); }),
              qm::fileTooLargeMessage(status, kSmall));

    char pattern[] = "/tmp/qm-cap-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    const std::string path = dir + "/growing";
    std::ofstream(path) << "0123456789";
    std::unique_ptr<qm::FileReader> reader = fs->openFile(path, kSmall);
    ASSERT_TRUE(reader);
    std::ofstream(path, std::ios::app) << "0123456789";
    char bytes[64];
    EXPECT_THROW(reader->read(bytes, sizeof bytes), qm::FileTooLarge);
    fsys::remove_all(dir);
}

} // namespace
