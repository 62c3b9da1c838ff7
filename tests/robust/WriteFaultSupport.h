#pragma once
// The write-fault table shared by the in-memory and the on-disk runs: the operations, a world
// to run them in, a fault to inject, and the report of one case.
#include "core/base/Error.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "robust/RobustSupport.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <iostream>
#include <map>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace writefault {

using namespace qmrobust;

enum class Op {
    Startup,
    SaveAtClose,
    Reset,
    SeedBookmarks,
    AddBookmark,
    DeleteBookmark,
    ClosingMark,
    SectionFixUp,
    SaveScreen
};
inline const std::vector<std::pair<Op, std::string>> kOps = {
    {Op::Startup, "startup"},
    {Op::SaveAtClose, "save-at-close"},
    {Op::Reset, "reset"},
    {Op::SeedBookmarks, "seed-bookmarks"},
    {Op::AddBookmark, "add-bookmark"},
    {Op::DeleteBookmark, "delete-bookmark"},
    {Op::ClosingMark, "closing-mark"},
    {Op::SectionFixUp, "section-fix-up"},
    {Op::SaveScreen, "save-screen"},
};

// What the user is told: a file that could not be made, or one that could not be written.
enum class MessageKind { CannotCreate, UnableToWrite };

struct Kind {
    std::string name;
    MessageKind message;
};

// A reader on some file system with its program, data and output folders under root.
class World {
public:
    World(qm::FileSystem& fileSystem, std::string rootFolder)
        : fs(fileSystem)
        , root(std::move(rootFolder)) {
        s.setSurface(&surface);
    }
    std::string exe() const { return root + "/prog/quillmar"; }
    std::string dataFolder() const { return root + "/data/"; }
    std::string settingsFile() const { return root + "/data/quillmar.ini"; }
    std::string bookmarkFile() const { return root + "/data/quillmar.bm"; }
    std::string screenFile() const { return root + "/out/screen.txt"; }
    void makeFolders() {
        for (const char* sub : {"/prog", "/data", "/out"})
            fs.createFolder(root + sub);
    }
    void start() {
        s.FormCreate(exe(), dataFolder(), "");
        s.FormActivate();
    }

    qm::FileSystem& fs;
    std::string root;
    qmtest::RecordingView view;
    qmtest::FixedPlatform platform;
    qm::FakeSurface surface{640, 480};
    qm::Session s{view, fs, platform};
};

inline std::string targetOf(const World& w, Op op) {
    switch (op) {
    case Op::Startup:
    case Op::SaveAtClose:
    case Op::Reset:
        return w.settingsFile();
    case Op::SaveScreen:
        return w.screenFile();
    default:
        return w.bookmarkFile();
    }
}

inline std::string folderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
}

// Brings the reader to the moment just before the operation; every write here succeeds.
inline void prepare(World& w, Op op) {
    w.makeFolders();
    if (op == Op::Startup) return;
    w.start();
    if (!w.view.messages.empty()) throw std::runtime_error("start-up failed");
    switch (op) {
    case Op::Reset:
        w.fs.writeFile(w.settingsFile(), "[how]\r\nfontsize=21\r\ntwocolor=1\r\n");
        break;
    case Op::SeedBookmarks:
        w.fs.removeFile(w.bookmarkFile());
        break;
    case Op::AddBookmark:
    case Op::ClosingMark:
        qm::SessionTestAccess(w.s).setTextKey("qdemo");
        w.s.BMMenuClick();
        break;
    case Op::DeleteBookmark:
        qm::SessionTestAccess(w.s).setTextKey("qdemo");
        w.s.BMMenuClick();
        w.view.bookmarkNames.push_back("to be deleted");
        w.s.BMAddItemClick();
        w.s.BMMenuClick();
        break;
    case Op::SectionFixUp:
        qm::SessionTestAccess(w.s).setTextKey("a text with no section yet");
        break;
    case Op::SaveScreen:
        w.s.openText(w.root + "/prog/qdemo.tvt", "00000");
        w.fs.writeFile(w.screenFile(), "the screen saved before\r\n");
        break;
    default:
        break;
    }
    if (!w.view.messages.empty()) throw std::runtime_error("preparing failed");
}

// One try of the operation; true when it went through without a message.
inline bool attempt(World& w, Op op) {
    const std::size_t before = w.view.messages.size();
    qm::Session& s = w.s;
    bool ok = true;
    switch (op) {
    case Op::Startup:
        ok = s.run([&] { s.FormCreate(w.exe(), w.dataFolder(), ""); });
        break;
    case Op::SaveAtClose:
        w.view.bounds = {10, 20, 640, 480};
        s.FormClose();
        break;
    case Op::Reset:
        ok = s.run([&] { s.ResetToStartupDefaultsButtonClick(); });
        break;
    case Op::SeedBookmarks:
        ok = s.run([&] { s.buildCatalogue(); });
        break;
    case Op::AddBookmark:
        w.view.bookmarkNames.push_back("robust mark");
        ok = s.run([&] { s.BMAddItemClick(); });
        break;
    case Op::DeleteBookmark:
        ok = s.run([&] { s.BMDeletePopupHandler(0); });
        break;
    case Op::ClosingMark:
        qm::SessionTestAccess(s).setPageTurned(true);
        ok = s.run([&] { s.writeClosingMark(); });
        break;
    case Op::SectionFixUp:
        ok = s.run([&] { s.BMMenuClick(); });
        break;
    case Op::SaveScreen:
        w.view.saveAnswers.push_back(w.screenFile());
        ok = s.run([&] { s.SaveScreenItemClick(); });
        break;
    }
    return ok && w.view.messages.size() == before;
}

// A file's bytes with the world's root written as "<root>", so files of two worlds compare.
inline std::optional<std::string> normalised(const World& w, const std::string& path) {
    std::optional<std::string> bytes = w.fs.readFile(path);
    if (!bytes) return bytes;
    for (std::size_t at = bytes->find(w.root); at != std::string::npos;
         at = bytes->find(w.root, at))
        bytes->replace(at, w.root.size(), "<root>");
    return bytes;
}

// How the fault is brought about and taken away again.
class Fault {
public:
    virtual ~Fault() = default;
    virtual void arm(World& w, const std::string& target) = 0;
    virtual void disarm(World& w, const std::string& target) = 0;
    // False when the fault never hit any call (the case proves nothing then).
    virtual bool fired(const World& w) const = 0;
};

// What one case saw; the same fields come from an in-process case and from a child.
struct CaseReport {
    std::string target;
    bool skipped = false;
    std::string skipReason;
    bool fired = false;
    bool failed = false; // the faulty try did not go through
    std::vector<std::string> messages;
    bool oldIntact = false;
    std::vector<std::string> leftovers; // new names in the target's folder after the try
    bool folderStillGone = false;
    long long leakedDescriptors = 0;
    bool retryOk = false;
    std::vector<std::string> retryMessages;
    bool retryMatchesReference = false;
    bool targetAfterRetry = false;

    std::string serialise() const {
        std::ostringstream out;
        out << "target=" << target << "\nskipped=" << skipped << "\nskipReason=" << skipReason
            << "\nfired=" << fired << "\nfailed=" << failed << "\noldIntact=" << oldIntact
            << "\nfolderStillGone=" << folderStillGone
            << "\nleakedDescriptors=" << leakedDescriptors << "\nretryOk=" << retryOk
            << "\nretryMatchesReference=" << retryMatchesReference
            << "\ntargetAfterRetry=" << targetAfterRetry << "\n";
        for (const auto& m : messages)
            out << "message=" << m << "\n";
        for (const auto& m : retryMessages)
            out << "retryMessage=" << m << "\n";
        for (const auto& l : leftovers)
            out << "leftover=" << l << "\n";
        return out.str();
    }
    static CaseReport parse(const std::string& text) {
        CaseReport r;
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            const auto eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            const bool on = value == "1";
            if (key == "target")
                r.target = value;
            else if (key == "skipped")
                r.skipped = on;
            else if (key == "skipReason")
                r.skipReason = value;
            else if (key == "fired")
                r.fired = on;
            else if (key == "failed")
                r.failed = on;
            else if (key == "oldIntact")
                r.oldIntact = on;
            else if (key == "folderStillGone")
                r.folderStillGone = on;
            else if (key == "leakedDescriptors")
                r.leakedDescriptors = std::stoll(value);
            else if (key == "retryOk")
                r.retryOk = on;
            else if (key == "retryMatchesReference")
                r.retryMatchesReference = on;
            else if (key == "targetAfterRetry")
                r.targetAfterRetry = on;
            else if (key == "message")
                r.messages.push_back(value);
            else if (key == "retryMessage")
                r.retryMessages.push_back(value);
            else if (key == "leftover")
                r.leftovers.push_back(value);
        }
        return r;
    }
};

using Lister = std::set<std::string> (*)(const qm::FileSystem&, const std::string& folder);

inline std::set<std::string> listMemory(const qm::FileSystem& fs, const std::string& folder) {
    std::set<std::string> names;
    const std::string prefix = folder + "/";
    for (const auto& [path, bytes] : dynamic_cast<const qm::MemoryFileSystem&>(fs).files()) {
        if (path.compare(0, prefix.size(), prefix) == 0 &&
            path.find('/', prefix.size()) == std::string::npos)
            names.insert(path.substr(prefix.size()));
    }
    return names;
}

inline std::set<std::string> listDisk(const qm::FileSystem&, const std::string& folder) {
    return folderEntries(folder);
}

// Open descriptors other than folders: the folder syncer's thread opens a folder for a moment
// to make a rename durable, whenever its wait ends, so counting folders would count its work
// as a leak or a close. A write's leaked handle is a file's.
inline long long openDescriptors() {
    long long n = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        const int own = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            char* end = nullptr;
            const long fd = std::strtol(entry->d_name, &end, 10);
            if (end == entry->d_name || *end != '\0' || fd == own) continue;
            struct stat st {};
            if (::fstat(static_cast<int>(fd), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            ++n;
        }
        ::closedir(dir);
    }
    return n;
}

// Runs the operation fault-free in `reference` and with the fault in `faulty`, then again
// with the fault gone.
inline CaseReport runCase(Op op, World& reference, World& faulty, Fault& fault, Lister list) {
    CaseReport r;
    prepare(reference, op);
    if (!attempt(reference, op)) throw std::runtime_error("the fault-free run failed");
    const auto expected = normalised(reference, targetOf(reference, op));

    prepare(faulty, op);
    r.target = targetOf(faulty, op);
    const std::string folder = folderOf(r.target);
    fault.arm(faulty, r.target);
    const auto old = faulty.fs.readFile(r.target);
    const auto namesBefore = list(faulty.fs, folder);
    const long long descriptors = openDescriptors();

    r.failed = !attempt(faulty, op);
    r.fired = fault.fired(faulty);
    r.messages = faulty.view.messages;
    r.leakedDescriptors = openDescriptors() - descriptors;
    r.oldIntact = faulty.fs.readFile(r.target) == old;
    for (const auto& name : list(faulty.fs, folder))
        if (!namesBefore.count(name)) r.leftovers.push_back(name);
    r.folderStillGone = !faulty.fs.folderExists(folder);

    fault.disarm(faulty, r.target);
    faulty.view.messages.clear();
    r.retryOk = attempt(faulty, op);
    r.retryMessages = faulty.view.messages;
    r.targetAfterRetry = faulty.fs.fileExists(r.target);
    r.retryMatchesReference = normalised(faulty, r.target) == expected;
    return r;
}

// The message the reader gives for a fault of this kind during this operation. The settings
// written at close are always reported as a file that could not be written to.
inline std::string expectedMessage(Op op, MessageKind kind, const std::string& path) {
    if (op == Op::SaveAtClose || kind == MessageKind::UnableToWrite)
        return qm::unableToWriteMessage(path);
    return qm::cannotCreateFileMessage(path);
}

// The common checks of a case where the write was made to fail.
inline void checkFailedCase(const CaseReport& r, Op op, MessageKind kind, const std::string& label,
                            bool matchReference) {
    SCOPED_TRACE(label);
    EXPECT_TRUE(r.fired) << "the fault never hit a call";
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.messages, std::vector<std::string>{expectedMessage(op, kind, r.target)});
    EXPECT_TRUE(r.oldIntact) << "the old file changed";
    EXPECT_EQ(r.leftovers, std::vector<std::string>{}) << "left behind";
    EXPECT_EQ(r.leakedDescriptors, 0);
    EXPECT_TRUE(r.retryOk) << "the operation fails after the fault is gone";
    EXPECT_EQ(r.retryMessages, std::vector<std::string>{});
    EXPECT_TRUE(r.targetAfterRetry);
    if (matchReference) {
        EXPECT_TRUE(r.retryMatchesReference) << "differs from a fault-free run";
    }
}

// ---------------- In memory ----------------

} // namespace writefault
