// Every write the reader makes, failed once in every way a write can fail: the user gets the
// reader's message naming the file, the old file stays byte for byte, nothing is left behind,
// and the same operation goes through once the fault is gone, giving exactly the file a
// fault-free run gives.
//
// The in-memory file system covers the table quickly; on the real file system each case runs
// in a child of its own (this program started again), with a real file-size limit, a full
// tmpfs, a removed folder, or a preloaded library failing one call.
#include "core/base/Error.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "robust/RobustSupport.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <iostream>
#include <map>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

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
const std::vector<std::pair<Op, std::string>> kOps = {
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

std::string targetOf(const World& w, Op op) {
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

std::string folderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
}

// Brings the reader to the moment just before the operation; every write here succeeds.
void prepare(World& w, Op op) {
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
        w.s.textKey = "qdemo";
        w.s.BMMenuClick();
        break;
    case Op::DeleteBookmark:
        w.s.textKey = "qdemo";
        w.s.BMMenuClick();
        w.view.bookmarkNames.push_back("to be deleted");
        w.s.BMAddItemClick();
        w.s.BMMenuClick();
        break;
    case Op::SectionFixUp:
        w.s.textKey = "a text with no section yet";
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
bool attempt(World& w, Op op) {
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
        s.pageTurned = true;
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
std::optional<std::string> normalised(const World& w, const std::string& path) {
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

std::set<std::string> listMemory(const qm::FileSystem& fs, const std::string& folder) {
    std::set<std::string> names;
    const std::string prefix = folder + "/";
    for (const auto& [path, bytes] : dynamic_cast<const qm::MemoryFileSystem&>(fs).files()) {
        if (path.compare(0, prefix.size(), prefix) == 0 &&
            path.find('/', prefix.size()) == std::string::npos)
            names.insert(path.substr(prefix.size()));
    }
    return names;
}

std::set<std::string> listDisk(const qm::FileSystem&, const std::string& folder) {
    return folderEntries(folder);
}

long long openDescriptors() {
    long long n = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++n;
        ::closedir(dir);
    }
    return n;
}

// Runs the operation fault-free in `reference` and with the fault in `faulty`, then again
// with the fault gone.
CaseReport runCase(Op op, World& reference, World& faulty, Fault& fault, Lister list) {
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
std::string expectedMessage(Op op, MessageKind kind, const std::string& path) {
    if (op == Op::SaveAtClose || kind == MessageKind::UnableToWrite)
        return qm::unableToWriteMessage(path);
    return qm::cannotCreateFileMessage(path);
}

// The common checks of a case where the write was made to fail.
void checkFailedCase(const CaseReport& r, Op op, MessageKind kind, const std::string& label,
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

class MemoryFault final : public Fault {
public:
    explicit MemoryFault(qm::MemoryFileSystem::Fault f)
        : m_fault(f) {}
    void arm(World& w, const std::string&) override {
        auto& fs = dynamic_cast<qm::MemoryFileSystem&>(w.fs);
        m_writes = fs.writeCount();
        if (m_fault == qm::MemoryFileSystem::Fault::None)
            fs.setReadOnly(true);
        else
            fs.failNextWrite(m_fault);
    }
    void disarm(World& w, const std::string&) override {
        auto& fs = dynamic_cast<qm::MemoryFileSystem&>(w.fs);
        fs.setReadOnly(false);
        fs.failNextWrite(qm::MemoryFileSystem::Fault::None);
    }
    bool fired(const World& w) const override {
        return !w.view.messages.empty() &&
               dynamic_cast<const qm::MemoryFileSystem&>(w.fs).writeCount() == m_writes;
    }

private:
    qm::MemoryFileSystem::Fault m_fault;
    int m_writes = 0;
};

TEST(WriteFaults, EveryWriteFailsOnceInMemory) {
    using F = qm::MemoryFileSystem::Fault;
    struct MemoryKind {
        std::string name;
        F fault; // None: the file system refuses every write while armed
        MessageKind message;
    };
    const std::vector<MemoryKind> kinds = {
        {"cannot-create", F::CannotCreate, MessageKind::CannotCreate},
        {"write-fails", F::WriteFails, MessageKind::UnableToWrite},
        {"rename-fails", F::RenameFails, MessageKind::CannotCreate},
        {"read-only", F::None, MessageKind::CannotCreate},
    };
    int cases = 0;
    for (const auto& [op, opName] : kOps) {
        for (const auto& kind : kinds) {
            qm::MemoryFileSystem refFs, faultyFs;
            refFs.addFolder("/w");
            faultyFs.addFolder("/w");
            World reference(refFs, "/w"), faulty(faultyFs, "/w");
            MemoryFault fault(kind.fault);
            const CaseReport r = runCase(op, reference, faulty, fault, listMemory);
            checkFailedCase(r, op, kind.message, opName + " / " + kind.name, true);
            ++cases;
        }
    }
    report("in-memory write faults", {{"operations", static_cast<long long>(kOps.size())},
                                      {"kinds", static_cast<long long>(kinds.size())},
                                      {"injected", cases}});
}

// A failed write touches no other file either: the whole in-memory file system is as it was.
TEST(WriteFaults, NoOtherFileChangesInMemory) {
    int cases = 0;
    for (const auto& [op, opName] : kOps) {
        qm::MemoryFileSystem fs;
        fs.addFolder("/w");
        World w(fs, "/w");
        prepare(w, op);
        const auto before = fs.files();
        fs.setReadOnly(true);
        attempt(w, op);
        EXPECT_EQ(fs.files(), before) << opName;
        EXPECT_EQ(w.view.messages.size(), 1u) << opName;
        ++cases;
    }
    report("read-only file system", {{"operations", cases}});
}

// ---------------- On disk ----------------

using ArmFn = void (*)(const char*, int, int);
using FiredFn = int (*)();

// The preloaded library fails the first matching call.
class ShimFault final : public Fault {
public:
    ShimFault(std::string call, int error)
        : m_call(std::move(call))
        , m_error(error) {
        m_arm = reinterpret_cast<ArmFn>(::dlsym(RTLD_DEFAULT, "qm_failshim_arm"));
        m_fired = reinterpret_cast<FiredFn>(::dlsym(RTLD_DEFAULT, "qm_failshim_fired"));
        if (!m_arm || !m_fired) throw std::runtime_error("the failing-call library is not loaded");
    }
    void arm(World&, const std::string&) override {
        m_before = m_fired();
        m_arm(m_call.c_str(), 1, m_error);
    }
    void disarm(World&, const std::string&) override { m_arm("", 0, 0); }
    bool fired(const World&) const override { return m_fired() > m_before; }

private:
    std::string m_call;
    int m_error;
    ArmFn m_arm = nullptr;
    FiredFn m_fired = nullptr;
    int m_before = 0;
};

// The file-size limit: writes past a few bytes fail with EFBIG (SIGXFSZ ignored).
class SizeLimitFault final : public Fault {
public:
    void arm(World&, const std::string&) override {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit");
    }
    void disarm(World&, const std::string&) override {
        const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &none);
    }
    bool fired(const World&) const override { return true; }
};

// The folder the file goes into is removed (with everything in it).
class FolderGoneFault final : public Fault {
public:
    void arm(World&, const std::string& target) override { fsys::remove_all(folderOf(target)); }
    void disarm(World& w, const std::string& target) override {
        if (!w.fs.folderExists(folderOf(target))) w.fs.createFolder(folderOf(target));
    }
    bool fired(const World&) const override { return true; }
};

// The disk is full: the world lives on a small tmpfs, filled up before the try.
class FullDiskFault final : public Fault {
public:
    void arm(World& w, const std::string&) override {
        m_filler = w.root + "/filler";
        FILE* f = std::fopen(m_filler.c_str(), "wb");
        if (!f) throw std::runtime_error("cannot make the filler file");
        std::setvbuf(f, nullptr, _IONBF, 0);
        static const std::string chunk(65536, 'x');
        while (std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size()) {
        }
        std::fclose(f);
    }
    void disarm(World&, const std::string&) override { ::unlink(m_filler.c_str()); }
    bool fired(const World&) const override { return true; }

private:
    std::string m_filler;
};

// Mounts a small tmpfs at `folder` in a mount namespace of this process alone.
bool mountPrivateTmpfs(const std::string& folder, std::string& why) {
    if (::unshare(CLONE_NEWNS) != 0) {
        why = std::string("unshare: ") + std::strerror(errno);
        return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("qmrobust", folder.c_str(), "tmpfs", 0, "size=1m") != 0) {
        why = std::string("mount: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Child entry: write-fault <operation> <kind> <folder>; prints the case's report.
int writeFaultChild(const std::vector<std::string>& args) {
    if (args.size() != 3) return 2;
    Op op{};
    bool found = false;
    for (const auto& [o, name] : kOps)
        if (name == args[0]) {
            op = o;
            found = true;
        }
    if (!found) return 3;
    const std::string& kind = args[1];
    const std::string refRoot = args[2] + "/ref", faultRoot = args[2] + "/faulty";
    fsys::create_directories(refRoot);
    fsys::create_directories(faultRoot);

    CaseReport r;
    std::unique_ptr<Fault> fault;
    if (kind == "file-size-limit")
        fault = std::make_unique<SizeLimitFault>();
    else if (kind == "folder-removed")
        fault = std::make_unique<FolderGoneFault>();
    else if (kind == "disk-full") {
        if (!mountPrivateTmpfs(faultRoot, r.skipReason)) {
            r.skipped = true;
            std::cout << r.serialise();
            return 0;
        }
        fault = std::make_unique<FullDiskFault>();
    } else if (kind == "write-enospc")
        fault = std::make_unique<ShimFault>("write", ENOSPC);
    else if (kind == "sync-eio")
        fault = std::make_unique<ShimFault>("sync", EIO);
    else if (kind == "create-eacces")
        fault = std::make_unique<ShimFault>("create", EACCES);
    else if (kind == "rename-eperm")
        fault = std::make_unique<ShimFault>("rename", EPERM);
    else
        return 4;

    auto refFs = qm::makeRealFileSystem(), faultyFs = qm::makeRealFileSystem();
    World reference(*refFs, refRoot), faulty(*faultyFs, faultRoot);
    r = runCase(op, reference, faulty, *fault, listDisk);
    std::cout << r.serialise();
    return 0;
}

struct Registrar {
    Registrar() { registerChild("write-fault", writeFaultChild); }
} registrar;

// Runs every operation with each of these kinds in children; returns the count of cases run.
int runOnDisk(const std::vector<Kind>& kinds, const std::vector<std::string>& env,
              std::map<std::string, int>& skipped) {
    int cases = 0;
    for (const auto& [op, opName] : kOps) {
        for (const auto& kind : kinds) {
            const std::string label = opName + " / " + kind.name;
            TempFolder dir;
            const ChildEnd end = runSelf({"write-fault", opName, kind.name, dir.path()}, env, 20);
            if (!end.exited || end.exitCode != 0) {
                ADD_FAILURE() << label << ": the child " << end.describe() << "\n" << end.output;
                continue;
            }
            const CaseReport r = CaseReport::parse(end.output);
            if (r.skipped) {
                ++skipped[kind.name + " (" + r.skipReason + ")"];
                continue;
            }
            ++cases;
            if (kind.name == "folder-removed") {
                SCOPED_TRACE(label);
                if (op == Op::Startup || op == Op::SeedBookmarks) {
                    // These make the data folder again and go on.
                    EXPECT_FALSE(r.failed);
                    EXPECT_EQ(r.messages, std::vector<std::string>{});
                    EXPECT_TRUE(r.retryMatchesReference);
                    continue;
                }
                if (op == Op::SectionFixUp) {
                    // No bookmark file, no section to fix.
                    EXPECT_FALSE(r.failed);
                    EXPECT_TRUE(r.folderStillGone);
                    continue;
                }
                EXPECT_TRUE(r.folderStillGone) << "a write made the removed folder again";
                // Without the old file some operations start from what they know, so the
                // retried result need not match a fault-free run.
                checkFailedCase(r, op, kind.message, label, false);
                continue;
            }
            checkFailedCase(r, op, kind.message, label, true);
        }
    }
    return cases;
}

TEST(WriteFaultsOnDisk, SizeLimitFullDiskAndRemovedFolder) {
    const std::vector<Kind> kinds = {
        {"file-size-limit", MessageKind::UnableToWrite},
        {"disk-full", MessageKind::UnableToWrite},
        {"folder-removed", MessageKind::CannotCreate},
    };
    std::map<std::string, int> skipped;
    const int cases = runOnDisk(kinds, {}, skipped);
    for (const auto& [why, n] : skipped)
        std::cout << "[ robust   ] skipped " << n << " cases: " << why << std::endl;
    report("on-disk write faults", {{"operations", static_cast<long long>(kOps.size())},
                                    {"kinds", static_cast<long long>(kinds.size())},
                                    {"injected", cases}});
}

TEST(WriteFaultsOnDisk, OneFailingCallThroughPreloadedLibrary) {
    const auto shim = failShimLibrary();
    if (!shim) GTEST_SKIP() << "no C compiler to build the failing-call library";
    const std::vector<Kind> kinds = {
        {"write-enospc", MessageKind::UnableToWrite},
        {"sync-eio", MessageKind::UnableToWrite},
        {"create-eacces", MessageKind::CannotCreate},
        {"rename-eperm", MessageKind::CannotCreate},
    };
    std::string asan = "verify_asan_link_order=0";
    if (const char* a = std::getenv("ASAN_OPTIONS")) asan = std::string(a) + ":" + asan;
    std::map<std::string, int> skipped;
    const int cases = runOnDisk(kinds, {"LD_PRELOAD=" + *shim, "ASAN_OPTIONS=" + asan}, skipped);
    EXPECT_TRUE(skipped.empty());
    report("preloaded failing calls", {{"operations", static_cast<long long>(kOps.size())},
                                       {"kinds", static_cast<long long>(kinds.size())},
                                       {"injected", cases}});
}

} // namespace
