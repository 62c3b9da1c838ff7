// The folders whose renames are made durable later: each handed-over folder is synced, once
// while it waits, and none is left unsynced when the syncer goes.
#include "core/port/FolderSync.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Counted {
    std::mutex mutex;
    std::map<std::string, int> syncs;
    qm::FolderSync::Sync sync() {
        return [this](const std::string& folder) {
            const std::lock_guard lock(mutex);
            ++syncs[folder];
        };
    }
};

// A wait far longer than any test: the syncs can only have come from the destructor, which
// must not wait it out (the test would hang).
TEST(FolderSync, SyncsEveryFolderOnceBeforeItGoes) {
    struct Case {
        const char* label;
        std::vector<std::string> added;
        std::map<std::string, int> synced;
    };
    const Case cases[] = {
        {"none", {}, {}},
        {"one", {"/data/"}, {{"/data/", 1}}},
        {"the same folder twice", {"/data/", "/data/"}, {{"/data/", 1}}},
        {"two folders", {"/data/", "/books/", "/data/"}, {{"/data/", 1}, {"/books/", 1}}},
    };
    for (const auto& c : cases) {
        Counted counted;
        {
            qm::FolderSync folders(counted.sync(), 1h);
            for (const std::string& folder : c.added)
                folders.add(folder);
        }
        EXPECT_EQ(counted.syncs, c.synced) << c.label;
    }
}

// Once synced, a folder written to again is synced again.
TEST(FolderSync, SyncsAFolderAgainAfterALaterWrite) {
    Counted counted;
    {
        qm::FolderSync folders(counted.sync(), 0ms);
        folders.add("/data/");
        for (;;) {
            const std::lock_guard lock(counted.mutex);
            if (counted.syncs["/data/"] == 1) break;
            std::this_thread::yield();
        }
        folders.add("/data/");
    }
    EXPECT_EQ(counted.syncs["/data/"], 2);
}

} // namespace
