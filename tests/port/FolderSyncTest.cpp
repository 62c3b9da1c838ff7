// The folders whose renames are made durable later: each handed-over folder is synced once,
// and none is left unsynced when the syncer goes.
#include "core/port/FolderSync.h"
#include "support/ForkAlone.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

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

// The syncer's thread ends once it has synced everything handed over, so a program that stopped
// writing runs no thread for it; a folder handed over after that starts it again.
TEST(FolderSync, ThreadEndsWhenIdleAndStartsAgain) {
    const int before = qmtest::threadCount();
    ASSERT_GT(before, 0);
    std::atomic<int> synced = 0;
    qm::FolderSync folders([&](const std::string&) { ++synced; }, std::chrono::milliseconds(1));
    const auto settles = [&](int expected) {
        for (int i = 0; i < 5000; ++i) {
            if (synced == expected && qmtest::threadCount() == before) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    };
    folders.add("/data/");
    EXPECT_TRUE(settles(1)) << synced << " syncs, " << qmtest::threadCount() << " threads";
    folders.add("/data/");
    EXPECT_TRUE(settles(2)) << synced << " syncs, " << qmtest::threadCount() << " threads";
}

} // namespace
