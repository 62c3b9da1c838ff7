// The folders whose renames are made durable later: each handed-over folder is synced once,
// and none is left unsynced when the syncer goes.
#include "core/port/FolderSync.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A wait far longer than any test: the syncs can only come from the destructor, which must not
// wait it out (the test would hang).
TEST(FolderSync, SyncsEveryFolderOnceBeforeItGoes) {
    struct Case {
        const char* label;
        std::vector<std::string> added;
        std::map<std::string, int> synced;
    };
    const Case cases[] = {
        {"one", {"/data/"}, {{"/data/", 1}}},
        {"the same folder twice", {"/data/", "/data/"}, {{"/data/", 1}}},
        {"two folders", {"/data/", "/books/", "/data/"}, {{"/data/", 1}, {"/books/", 1}}},
    };
    for (const auto& c : cases) {
        std::map<std::string, int> synced; // written on the syncer's thread, read after it ends
        {
            qm::FolderSync folders([&](const std::string& folder) { ++synced[folder]; },
                                   std::chrono::hours(1));
            for (const std::string& folder : c.added)
                folders.add(folder);
        }
        EXPECT_EQ(synced, c.synced) << c.label;
    }
}

} // namespace
