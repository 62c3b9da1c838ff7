// Installing the build into a temporary prefix puts the reader and every companion file in one
// program folder, and the command on the search path resolves into that folder.
#include "InstallSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>

namespace qm::installtest {
namespace {

class InstallLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_prefix = std::make_unique<TempDir>();
        s_skipReason.clear();
        s_failure.clear();
        if (!fs::exists(kBinaryDir / "bin" / "quillmar")) {
            s_skipReason = "the quillmar executable is not built yet in " + kBinaryDir.string();
            return;
        }
        const auto cmake = cacheValue("CMAKE_COMMAND");
        const auto libDir = cacheValue("CMAKE_INSTALL_LIBDIR");
        const auto binDir = cacheValue("CMAKE_INSTALL_BINDIR");
        if (!cmake || !libDir || !binDir) {
            s_failure = "CMakeCache.txt lacks CMAKE_COMMAND or the install folders";
            return;
        }
        s_programDir = s_prefix->path() / *libDir / "quillmar";
        s_command = s_prefix->path() / *binDir / "quillmar";
        // DESTDIR would stage the files below another root; the test wants the plain prefix.
        const auto result =
            runCommand({"env", "-u", "DESTDIR", *cmake, "--install", kBinaryDir.string(),
                        "--prefix", s_prefix->path().string()});
        if (result.exitCode != 0) s_failure = "cmake --install failed:\n" + result.output;
    }

    static void TearDownTestSuite() { s_prefix.reset(); }

    void SetUp() override {
        if (!s_skipReason.empty()) GTEST_SKIP() << s_skipReason;
        ASSERT_TRUE(s_prefix->valid());
        ASSERT_EQ(s_failure, "");
    }

    static bool isExecutableFile(const fs::path& path) {
        struct stat info {};
        return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               (info.st_mode & S_IXUSR) != 0;
    }

    static inline std::unique_ptr<TempDir> s_prefix;
    static inline std::string s_skipReason;
    static inline std::string s_failure;
    static inline fs::path s_programDir;
    static inline fs::path s_command;
};

TEST_F(InstallLayout, ReaderLivesInItsProgramFolder) {
    EXPECT_TRUE(isExecutableFile(s_programDir / "quillmar")) << s_programDir;
    EXPECT_EQ(fs::file_size(s_programDir / "quillmar"),
              fs::file_size(kBinaryDir / "bin" / "quillmar"));
}

// The link is relative, so it survives staging into a package tree, and it resolves to the real
// executable: the program folder the reader derives from its resolved path is the one above.
TEST_F(InstallLayout, CommandIsARelativeLinkIntoTheProgramFolder) {
    ASSERT_TRUE(fs::is_symlink(s_command)) << s_command << " is not a symbolic link";
    EXPECT_TRUE(fs::read_symlink(s_command).is_relative()) << fs::read_symlink(s_command);
    EXPECT_EQ(fs::canonical(s_command), fs::canonical(s_programDir / "quillmar"));
    EXPECT_EQ(fs::canonical(s_command).parent_path(), fs::canonical(s_programDir));
}

// Started through the link, the installed reader takes the real program folder as its own: a new
// settings file names the catalogue file there (program folder + base name + ".toc").
TEST_F(InstallLayout, ReaderStartedThroughTheLinkUsesTheProgramFolder) {
    TempDir data;
    ASSERT_TRUE(data.valid());
    const auto result = runCommand({"env", "QT_QPA_PLATFORM=offscreen", s_command.string(),
                                    "--data-dir", data.path().string(), "--page-info"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    std::istringstream settings(readFile(data.path() / "quillmar.ini"));
    std::string firstLine;
    std::getline(settings, firstLine);
    if (!firstLine.empty() && firstLine.back() == '\r') firstLine.pop_back();
    EXPECT_EQ(firstLine, "[" + (fs::canonical(s_programDir) / "quillmar.toc").string() + "]");
}

struct DesktopFile {
    const char* installed; // below the installed data folder
    const char* source;    // below the source folder
};

TEST_F(InstallLayout, DesktopFilesReachTheirStandardPlaces) {
    const DesktopFile files[] = {
        {"applications/quillmar.desktop", "data/quillmar.desktop"},
        {"metainfo/org.quillmar.Quillmar.metainfo.xml", "data/org.quillmar.Quillmar.metainfo.xml"},
        {"mime/packages/quillmar.xml", "data/mime/quillmar.xml"},
        {"icons/hicolor/scalable/apps/quillmar.svg", "data/icons/scalable/quillmar.svg"},
        {"icons/hicolor/16x16/apps/quillmar.png", "data/icons/16x16/quillmar.png"},
        {"icons/hicolor/32x32/apps/quillmar.png", "data/icons/32x32/quillmar.png"},
        {"icons/hicolor/48x48/apps/quillmar.png", "data/icons/48x48/quillmar.png"},
        {"icons/hicolor/64x64/apps/quillmar.png", "data/icons/64x64/quillmar.png"},
        {"icons/hicolor/128x128/apps/quillmar.png", "data/icons/128x128/quillmar.png"},
        {"icons/hicolor/256x256/apps/quillmar.png", "data/icons/256x256/quillmar.png"},
        {"doc/quillmar/copyright", "LICENSE"},
    };
    // An empty data folder in the cache means "the data root", as GNUInstallDirs reads it.
    std::string dataDir = cacheValue("CMAKE_INSTALL_DATADIR").value_or("");
    if (dataDir.empty()) dataDir = cacheValue("CMAKE_INSTALL_DATAROOTDIR").value_or("share");
    for (const auto& file : files) {
        const fs::path installed = s_prefix->path() / dataDir / file.installed;
        ASSERT_TRUE(fs::is_regular_file(installed)) << installed;
        EXPECT_EQ(readFile(installed), readFile(kSourceDir / file.source)) << installed;
    }
}

// The manual page and the change log are installed gzip-compressed, as Debian keeps them.
TEST_F(InstallLayout, CompressedDocumentsHoldTheirSources) {
    const std::string dataRoot = cacheValue("CMAKE_INSTALL_DATAROOTDIR").value_or("share");
    std::string manDir = cacheValue("CMAKE_INSTALL_MANDIR").value_or("");
    if (manDir.empty()) manDir = dataRoot + "/man";
    const std::pair<fs::path, fs::path> documents[] = {
        {s_prefix->path() / manDir / "man1/quillmar.1.gz", kSourceDir / "data/quillmar.1"},
        {s_prefix->path() / dataRoot / "doc/quillmar/changelog.gz", kSourceDir / "data/changelog"},
    };
    for (const auto& [installed, source] : documents) {
        ASSERT_TRUE(fs::is_regular_file(installed)) << installed;
        const auto unpacked = runCommand({"gzip", "-d", "-c", installed.string()});
        EXPECT_EQ(unpacked.exitCode, 0) << installed;
        EXPECT_EQ(unpacked.output, readFile(source)) << installed;
    }
}

// Companion files made by other parts of the build: each one that exists in the output folder
// must sit beside the installed reader.
struct Companion {
    const char* name;
    bool executable;
};

void PrintTo(const Companion& companion, std::ostream* out) {
    *out << companion.name;
}

class InstalledCompanion : public InstallLayout, public ::testing::WithParamInterface<Companion> {};

TEST_P(InstalledCompanion, SitsBesideTheReader) {
    const Companion companion = GetParam();
    const fs::path built = kBinaryDir / "bin" / companion.name;
    if (!fs::exists(built))
        GTEST_SKIP() << companion.name << " is not built yet in " << built.parent_path();
    const fs::path installed = s_programDir / companion.name;
    ASSERT_TRUE(fs::is_regular_file(installed)) << installed;
    if (companion.executable) {
        EXPECT_TRUE(isExecutableFile(installed)) << installed;
        EXPECT_EQ(fs::file_size(installed), fs::file_size(built));
    } else {
        EXPECT_EQ(readFile(installed), readFile(built)) << installed;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, InstalledCompanion,
                         ::testing::Values(Companion{"qdemo.tvx", false},
                                           Companion{"readme.htm", false},
                                           Companion{"english.qmg", false},
                                           Companion{"prtcol", true}),
                         [](const auto& testInfo) {
                             std::string name = testInfo.param.name;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

} // namespace
} // namespace qm::installtest
