#include "core/base/Paths.h"

#include <gtest/gtest.h>

namespace {

struct LocationCase {
    const char* path;
    qm::PathStyle style;
    const char* folder;
    const char* baseName;
};

class ProgramLocationTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(ProgramLocationTest, DerivesFolderAndBaseName) {
    const auto& c = GetParam();
    const auto loc = qm::deriveProgramLocation(c.path, c.style);
    EXPECT_EQ(loc.folder, c.folder);
    EXPECT_EQ(loc.baseName, c.baseName);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ProgramLocationTest,
    ::testing::Values(
        LocationCase{"C:\\Apps\\READER.EXE", qm::PathStyle::Windows, "c:\\apps\\", "reader"},
        LocationCase{"C:\\Readers\\Reader.exe", qm::PathStyle::Windows, "c:\\readers\\", "reader"},
        // The Windows rule cuts at the first "." of the whole path.
        LocationCase{"c:\\my.tools\\reader.exe", qm::PathStyle::Windows, "c:\\my.tools\\", "my"},
        LocationCase{"c:\\old.cdb\\books.toc", qm::PathStyle::Windows, "c:\\old.cdb\\", "old"},
        // This platform keeps the folder's case and cuts at the first "." of the file name.
        LocationCase{"/home/ann/.local/bin/Quillmar", qm::PathStyle::Posix, "/home/ann/.local/bin/",
                     "quillmar"},
        LocationCase{"/opt/My.Tools/reader.bin", qm::PathStyle::Posix, "/opt/My.Tools/", "reader"},
        LocationCase{"quillmar", qm::PathStyle::Posix, "", "quillmar"}));

TEST(TextKeyTest, IsFileNameUpToFirstDotCaseKept) {
    EXPECT_EQ(qm::textKeyOf("/books/qdemo.tvt"), "qdemo");
    EXPECT_EQ(qm::textKeyOf("/books/QDEMO.tvt"), "QDEMO");
    EXPECT_EQ(qm::textKeyOf("/some.dir/qdemo.x.tvt"), "qdemo");
    EXPECT_EQ(qm::textKeyOf("/books/readme"), "");
    EXPECT_EQ(qm::textKeyOf("c:\\books\\none.tvt"), "none");
}

struct SuffixCase {
    const char* path;
    bool prose, collection;
};

TEST(FileKindTest, SuffixDecidesIgnoringLetterCase) {
    const SuffixCase cases[] = {
        {"/books/notes.txt", true, false},
        {"/books/NOTES.TxT", true, false},
        {".txt", true, false},
        {"txt", false, false},
        {"/books/a.txt.bak", false, false},
        {"/lib/Shelf.TOC", false, true},
        {"/lib/records.cdb", false, true},
        {"/lib/old.cdb/books.tvt", false, false},
        {"", false, false},
    };
    for (const SuffixCase& c : cases) {
        EXPECT_EQ(qm::isPlainProseFile(c.path), c.prose) << c.path;
        EXPECT_EQ(qm::isCollectionFile(c.path), c.collection) << c.path;
    }
}

} // namespace
