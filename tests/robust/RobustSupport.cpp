#include "robust/RobustSupport.h"

#include "support/ForkAlone.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace qmrobust {

TempFolder::TempFolder() {
    char pattern[] = "/tmp/qm-robust-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fsys::remove_all(m_path, ec);
}

std::set<std::string> folderEntries(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (fsys::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.insert(it->path().filename().string());
    return names;
}

std::optional<std::string> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ChildEnd::describe() const {
    if (exited) return "exited with " + std::to_string(exitCode);
    if (signal) return std::string("killed by signal ") + ::strsignal(signal);
    return "did not end normally";
}

namespace {

ChildEnd endOf(int status) {
    ChildEnd end;
    if (WIFEXITED(status)) {
        end.exited = true;
        end.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        end.signal = WTERMSIG(status);
    }
    return end;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

std::string selfPath() {
    std::error_code ec;
    return fsys::read_symlink("/proc/self/exe", ec).string();
}

std::map<std::string, ChildEntry>& children() {
    static std::map<std::string, ChildEntry> entries;
    return entries;
}

} // namespace

ChildEnd runForked(const std::function<int()>& fn, unsigned seconds) {
    std::fflush(nullptr);
    const pid_t pid = qmtest::forkAlone();
    if (pid < 0) return {};
    if (pid == 0) {
        ::alarm(seconds);
        int code = 97;
        try {
            code = fn();
        } catch (...) {
        }
        ::_exit(code);
    }
    return endOf(waitFor(pid));
}

ChildEnd runSelf(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 unsigned seconds) {
    const std::string self = selfPath();
    std::vector<std::string> argStore{self, "--robust-child"};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe(fds) != 0) return {};
    std::fflush(nullptr);
    const pid_t pid = qmtest::forkAlone();
    if (pid < 0) return {};
    if (pid == 0) {
        ::close(fds[0]);
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[1]);
        for (const auto& e : env) {
            const auto eq = e.find('=');
            ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        ::alarm(seconds); // kept across exec
        ::execv(self.c_str(), argv.data());
        ::_exit(96);
    }
    ::close(fds[1]);
    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    ChildEnd end = endOf(waitFor(pid));
    end.output = std::move(output);
    return end;
}

std::optional<std::string> failShimLibrary() {
    static const std::optional<std::string> built = []() -> std::optional<std::string> {
        static TempFolder folder; // lives until the program ends
        const std::string source = std::string(QM_SOURCE_DIR) + "/tests/robust/failshim.c";
        const std::string library = folder.path() + "/failshim.so";
        for (const char* compiler : {"cc", "gcc", "clang"}) {
            const std::string command = std::string(compiler) + " -shared -fPIC -O1 -o '" +
                                        library + "' '" + source + "' -ldl >/dev/null 2>&1";
            if (std::system(command.c_str()) == 0 && fsys::exists(library)) return library;
        }
        return std::nullopt;
    }();
    return built;
}

void registerChild(const std::string& name, ChildEntry entry) {
    children()[name] = entry;
}

void report(const std::string& name, const std::vector<std::pair<std::string, long long>>& counts) {
    std::string line = "[ robust   ] " + name + ":";
    for (const auto& [key, value] : counts) {
        line += " " + key + "=" + std::to_string(value);
        ::testing::Test::RecordProperty(key, std::to_string(value));
    }
    std::cout << line << std::endl;
}

} // namespace qmrobust

// A child started by runSelf runs its entry instead of the tests.
int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--robust-child") == 0) {
        const auto& entries = qmrobust::children();
        const auto it = entries.find(argv[2]);
        if (it == entries.end()) return 95;
        return it->second(std::vector<std::string>(argv + 3, argv + argc));
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
