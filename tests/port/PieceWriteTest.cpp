// A file written in pieces is as safe as one written whole: the file changes only at the
// commit, a writer given up or failing on the way leaves the old file and nothing beside it,
// on the real file system and under the in-memory one's faults alike.
#include "core/base/Error.h"
#include "core/port/FileSystem.h"
#include "core/testing/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdlib.h>

namespace {

namespace fsys = std::filesystem;

std::set<std::string> entriesOf(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fsys::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// Pieces small and large (larger than the writer gathers before it writes), in order.
const std::vector<std::string> kPieces = {"first ", std::string(100000, 'x'), "", "end\n",
                                          std::string(70000, 'y')};

std::string joined() {
    std::string all;
    for (const std::string& p : kPieces)
        all += p;
    return all;
}

TEST(PieceWrite, TheFileChangesOnlyAtTheCommitOnDisk) {
    for (const bool existed : {false, true}) {
        for (const bool commit : {false, true}) {
            SCOPED_TRACE(std::string(existed ? "replacing" : "new") + (commit ? ", committed" : ""));
            char pattern[] = "/tmp/qm-pieces-XXXXXX";
            const std::string folder = ::mkdtemp(pattern);
            const std::string file = folder + "/book.tvt";
            auto fs = qm::makeRealFileSystem();
            if (existed) fs->writeFile(file, "old");
            {
                const std::unique_ptr<qm::FileWriter> out = fs->beginWrite(file);
                for (const std::string& p : kPieces)
                    out->write(p);
                EXPECT_EQ(fs->readFile(file), existed ? std::optional<std::string>("old")
                                                      : std::nullopt);
                if (commit) out->commit();
            }
            const std::optional<std::string> expected =
                commit ? std::optional<std::string>(joined())
                       : existed ? std::optional<std::string>("old") : std::nullopt;
            EXPECT_EQ(fs->readFile(file), expected);
            EXPECT_EQ(entriesOf(folder), existed || commit ? std::set<std::string>{"book.tvt"}
                                                           : std::set<std::string>{});
            fsys::remove_all(folder);
        }
    }
}

TEST(PieceWrite, EachFaultLeavesTheOldFileInMemory) {
    using F = qm::MemoryFileSystem::Fault;
    const struct {
        F fault;
        bool readOnly;
        std::string message; // of the write's failure, wherever it comes
    } cases[] = {
        {F::CannotCreate, false, qm::cannotCreateFileMessage("/w/a.tvt")},
        {F::WriteFails, false, qm::unableToWriteMessage("/w/a.tvt")},
        {F::RenameFails, false, qm::cannotCreateFileMessage("/w/a.tvt")},
        {F::None, true, qm::cannotCreateFileMessage("/w/a.tvt")},
    };
    for (const auto& c : cases) {
        qm::MemoryFileSystem fs;
        fs.addFolder("/w");
        fs.writeFile("/w/a.tvt", "old");
        fs.failNextWrite(c.fault);
        fs.setReadOnly(c.readOnly);
        try {
            const std::unique_ptr<qm::FileWriter> out = fs.beginWrite("/w/a.tvt");
            for (const std::string& p : kPieces)
                out->write(p);
            out->commit();
            ADD_FAILURE() << "the fault did not fail the write: " << c.message;
        } catch (const qm::UserError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(fs.readFile("/w/a.tvt"), "old") << c.message;
        // The fault is spent: the next write goes through.
        fs.setReadOnly(false);
        const std::unique_ptr<qm::FileWriter> again = fs.beginWrite("/w/a.tvt");
        for (const std::string& p : kPieces)
            again->write(p);
        again->commit();
        EXPECT_EQ(fs.readFile("/w/a.tvt"), joined()) << c.message;
    }
}

} // namespace
