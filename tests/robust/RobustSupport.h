#pragma once
// Helpers of the robustness tests: private temporary folders, children with a time bound,
// re-running this test program as a child (so a preloaded library can be put under it), and
// the failing-call library built from its source at test time.
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qmrobust {

namespace fsys = std::filesystem;

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Names in the folder (not recursive); empty when the folder does not exist.
std::set<std::string> folderEntries(const std::string& folder);
std::optional<std::string> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

// How a child process ended.
struct ChildEnd {
    bool exited = false; // ended by _exit / exit
    int exitCode = -1;   // when exited
    int signal = 0;      // the signal that ended it, if any
    std::string output;  // what it wrote to its standard output (runSelf only)
    std::string describe() const;
};

// Runs fn in a forked child with an alarm of `seconds`; the child's result is fn's return value
// (an escaping exception gives 97).
ChildEnd runForked(const std::function<int()>& fn, unsigned seconds);

// Runs this test program again as a child with these arguments after "--robust-child",
// with extra environment variables (NAME=value) and an alarm of `seconds`; collects stdout.
ChildEnd runSelf(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 unsigned seconds);

// The failing-call library, built once per run into a temporary folder; nothing when no C
// compiler is found or the build fails.
std::optional<std::string> failShimLibrary();

// Entry of a child started by runSelf; returns its exit code. Defined by the test that owns
// each child kind and dispatched from main.
using ChildEntry = int (*)(const std::vector<std::string>& args);
void registerChild(const std::string& name, ChildEntry entry);

// Counts printed once per test as "[ robust ] name: key=value ..." and recorded as
// properties of the test.
void report(const std::string& name, const std::vector<std::pair<std::string, long long>>& counts);

} // namespace qmrobust
