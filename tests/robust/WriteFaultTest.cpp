// Every write the reader makes, failed once in every way a write can fail: the user gets the
// reader's message naming the file, the old file stays byte for byte, nothing is left behind,
// and the same operation goes through once the fault is gone, giving exactly the file a
// fault-free run gives.
//
// The in-memory file system covers the table quickly; on the real file system each case runs
// in a child of its own (this program started again), with a real file-size limit, a full
// tmpfs, a removed folder, or a preloaded library failing one call.
#include "robust/WriteFaultSupport.h"

using namespace qmrobust;
using namespace writefault;

namespace {

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

} // namespace
