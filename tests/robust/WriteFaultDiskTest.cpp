// Every write the reader makes, failed on the real file system: each case runs in a child of
// its own (this program started again), with a real file-size limit, a full tmpfs, a removed
// folder, or a preloaded library failing one call.
#include "robust/WriteFaultSupport.h"

using namespace qmrobust;
using namespace writefault;

namespace {

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
