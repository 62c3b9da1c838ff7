// Runs the built print-column program on real files, as the reader starts it: one argument
// per path, no shell.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kProgram = QM_BINARY_DIR "/bin/prtcol";

int run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string program = kProgram;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (auto& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, kProgram.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int pageCount(const std::string& pdf) {
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        pages += pdf.compare(at, 12, "/Type /Pages") != 0;
    return pages;
}

class PrintColumn : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kProgram)) GTEST_SKIP() << kProgram << " is not built";
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        dir = fs::temp_directory_path() / ("qm-prtcol-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }
    fs::path dir;
};

TEST_F(PrintColumn, WritesAPdfOfAStoredTextWithAnAwkwardName) {
    // A stored text long enough for several pages, in a file whose name a shell would break.
    const fs::path text = dir / "my book; $(touch pwned) 'q' \"dq\".tvt";
    std::ofstream out(text, std::ios::binary);
    out << "Banner line\r\n";
    for (int i = 0; i < 400; ++i) {
        out << "l05the |9>lantern|4> line " << i << " \r\n";
        if (i % 20 == 19) out << "p00" << i % 10 << " \r\n";
    }
    out.close();
    const fs::path pdf = dir / "out put.pdf";
    ASSERT_EQ(run({"--pdf", pdf.string(), text.string()}), 0);
    const std::string bytes = readAll(pdf);
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    EXPECT_GE(pageCount(bytes), 2);
    EXPECT_FALSE(fs::exists(dir / "pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
}

TEST_F(PrintColumn, PrintsTheEmbeddedBookByItsKey) {
    const fs::path pdf = dir / "book.pdf";
    ASSERT_EQ(run({"--pdf", pdf.string(), (dir / "qdemo.tvt").string()}), 0);
    EXPECT_GE(pageCount(readAll(pdf)), 2);
}

TEST_F(PrintColumn, MissingTextOrArgumentFails) {
    const fs::path pdf = dir / "none.pdf";
    EXPECT_EQ(run({"--pdf", pdf.string(), (dir / "missing.tvt").string()}), 1);
    EXPECT_FALSE(fs::exists(pdf));
    EXPECT_EQ(run({"--pdf", pdf.string()}), 2);
    EXPECT_EQ(run({}), 2);
}

} // namespace
