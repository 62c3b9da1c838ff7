// The desktop entry, the AppStream data, the file types and the icons: each passes the desktop's
// own validator, and the files agree with one another on names, types and version.
#include "InstallSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <regex>
#include <set>

namespace qm::installtest {
namespace {

const fs::path kData = kSourceDir / "data";
const fs::path kDesktopFile = kData / "quillmar.desktop";
const fs::path kMetainfoFile = kData / "org.quillmar.Quillmar.metainfo.xml";
const fs::path kMimeFile = kData / "mime" / "quillmar.xml";

std::map<std::string, std::string> desktopEntryKeys(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::istringstream in(text);
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (inEntry && equals != std::string::npos)
            keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

std::set<std::string> splitList(const std::string& value, char separator) {
    std::set<std::string> items;
    std::istringstream in(value);
    std::string item;
    while (std::getline(in, item, separator))
        if (!item.empty()) items.insert(item);
    return items;
}

std::set<std::string> allMatches(const std::string& text, const std::string& pattern) {
    std::set<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
         ++it)
        found.insert((*it)[1].str());
    return found;
}

std::set<std::string> declaredMimeTypes() {
    return allMatches(readFile(kMimeFile), R"re(<mime-type\s+type="([^"]+)")re");
}

std::string projectVersion() {
    std::smatch match;
    const std::string cmake = readFile(kSourceDir / "CMakeLists.txt");
    if (std::regex_search(cmake, match,
                          std::regex(R"re(project\(Quillmar\s+VERSION\s+([0-9.]+))re")))
        return match[1].str();
    return {};
}

// Copies a data file into a temporary folder with one piece of text replaced.
fs::path brokenCopy(const TempDir& dir, const fs::path& original, const std::string& from,
                    const std::string& to) {
    std::string text = readFile(original);
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from << " not found in " << original;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    const fs::path copy = dir.path() / original.filename();
    writeFile(copy, text);
    return copy;
}

TEST(DesktopEntry, PassesTheValidatorWithoutRemarks) {
    const auto tool = findProgram("desktop-file-validate");
    if (!tool) GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    const auto result = runCommand({tool->string(), kDesktopFile.string()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output, "");
}

// The validator run must notice a broken entry, or the test above proves nothing.
TEST(DesktopEntry, ValidatorRejectsBrokenCopies) {
    const auto tool = findProgram("desktop-file-validate");
    if (!tool) GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    const std::array<std::pair<const char*, const char*>, 3> breakages{{
        {"Type=Application\n", ""},
        {"Name=Quillmar\n", ""},
        {"Exec=quillmar %f", "Exec=quillmar %f %u"},
    }};
    for (const auto& [from, to] : breakages) {
        TempDir dir;
        ASSERT_TRUE(dir.valid());
        const auto copy = brokenCopy(dir, kDesktopFile, from, to);
        const auto result = runCommand({tool->string(), copy.string()});
        EXPECT_NE(result.exitCode, 0) << "accepted with '" << from << "' replaced";
    }
}

TEST(DesktopEntry, StartsTheInstalledCommandWithItsIconAndFileTypes) {
    const auto keys = desktopEntryKeys(readFile(kDesktopFile));
    ASSERT_FALSE(keys.empty()) << kDesktopFile;
    EXPECT_EQ(keys.at("Exec"), "quillmar %f");
    EXPECT_EQ(keys.at("Icon"), "quillmar");
    EXPECT_TRUE(fs::exists(kData / "icons" / "scalable" / (keys.at("Icon") + ".svg")));

    const auto listed = splitList(keys.at("MimeType"), ';');
    const auto declared = declaredMimeTypes();
    ASSERT_EQ(declared.size(), 3u);
    for (const auto& type : declared)
        EXPECT_TRUE(listed.count(type)) << type << " not opened";
    EXPECT_TRUE(listed.count("text/plain"));
}

TEST(Metainfo, PassesTheValidator) {
    const auto tool = findProgram("appstreamcli");
    if (!tool) GTEST_SKIP() << "appstreamcli is not installed (appstream)";
    const auto result =
        runCommand({tool->string(), "validate", "--no-net", kMetainfoFile.string()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

TEST(Metainfo, ValidatorRejectsBrokenCopies) {
    const auto tool = findProgram("appstreamcli");
    if (!tool) GTEST_SKIP() << "appstreamcli is not installed (appstream)";
    const std::array<std::pair<const char*, const char*>, 2> breakages{{
        {"<summary>", "<summary-x>"},
        {"<id>org.quillmar.Quillmar</id>", ""},
    }};
    for (const auto& [from, to] : breakages) {
        TempDir dir;
        ASSERT_TRUE(dir.valid());
        const auto copy = brokenCopy(dir, kMetainfoFile, from, to);
        const auto result = runCommand({tool->string(), "validate", "--no-net", copy.string()});
        EXPECT_NE(result.exitCode, 0) << "accepted with '" << from << "' replaced";
    }
}

TEST(Metainfo, AgreesWithTheDesktopEntryFileTypesAndVersion) {
    const std::string text = readFile(kMetainfoFile);
    const auto launchables = allMatches(text, R"re(<launchable type="desktop-id">([^<]+)<)re");
    ASSERT_EQ(launchables.size(), 1u);
    EXPECT_TRUE(fs::exists(kData / *launchables.begin())) << *launchables.begin();

    EXPECT_EQ(allMatches(text, R"re(<binary>([^<]+)<)re"), std::set<std::string>{"quillmar"});
    EXPECT_EQ(allMatches(text, R"re(<mediatype>([^<]+)<)re"), declaredMimeTypes());

    const auto versions = allMatches(text, R"re(<release version="([^"]+)")re");
    ASSERT_FALSE(projectVersion().empty());
    EXPECT_TRUE(versions.count(projectVersion()))
        << "no release entry for version " << projectVersion();
}

TEST(MimeTypes, PackageIsWellFormed) {
    const auto tool = findProgram("xmllint");
    if (!tool) GTEST_SKIP() << "xmllint is not installed (libxml2-utils)";
    for (const auto& file : {kMimeFile, kMetainfoFile, kData / "icons/scalable/quillmar.svg"}) {
        const auto result = runCommand({tool->string(), "--noout", file.string()});
        EXPECT_EQ(result.exitCode, 0) << file << "\n" << result.output;
    }
}

// The desktop's own database compiler reads the package and maps each extension to its type.
TEST(MimeTypes, DatabaseMapsEachExtensionToItsTextType) {
    const auto tool = findProgram("update-mime-database");
    if (!tool) GTEST_SKIP() << "update-mime-database is not installed (shared-mime-info)";
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    fs::create_directories(dir.path() / "packages");
    fs::copy_file(kMimeFile, dir.path() / "packages" / "quillmar.xml");
    const auto result = runCommand({tool->string(), dir.path().string()});
    ASSERT_EQ(result.exitCode, 0) << result.output;

    const std::string globs = readFile(dir.path() / "globs2");
    const std::string subclasses = readFile(dir.path() / "subclasses");
    const std::array<std::pair<const char*, const char*>, 3> cases{{
        {"*.tvt", "text/x-quillmar-cascade"},
        {"*.toc", "text/x-quillmar-catalogue"},
        {"*.cdb", "text/x-quillmar-record-catalogue"},
    }};
    for (const auto& [glob, type] : cases) {
        EXPECT_NE(globs.find(std::string(":") + type + ":" + glob + "\n"), std::string::npos)
            << glob << " -> " << type << " missing from\n"
            << globs;
        EXPECT_NE(subclasses.find(std::string(type) + " text/plain\n"), std::string::npos)
            << type << " is not a kind of plain text";
    }
}

struct PngSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

std::uint32_t bigEndian32(const std::string& bytes, size_t at) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Width and height from the IHDR chunk that every PNG starts with, or nothing if the bytes do
// not start like a PNG.
std::optional<PngSize> pngSize(const std::string& bytes) {
    static const std::string signature{"\x89PNG\r\n\x1a\n", 8};
    if (bytes.size() < 24 || bytes.compare(0, 8, signature) != 0) return std::nullopt;
    if (bigEndian32(bytes, 8) != 13 || bytes.compare(12, 4, "IHDR") != 0) return std::nullopt;
    return PngSize{bigEndian32(bytes, 16), bigEndian32(bytes, 20)};
}

const std::array<int, 6> kIconSizes{16, 32, 48, 64, 128, 256};

class IconRendering : public ::testing::TestWithParam<int> {};

TEST_P(IconRendering, HasItsDeclaredSize) {
    const int size = GetParam();
    const auto folder = std::to_string(size) + "x" + std::to_string(size);
    const auto file = kData / "icons" / folder / "quillmar.png";
    ASSERT_TRUE(fs::exists(file)) << file;
    const auto header = pngSize(readFile(file));
    ASSERT_TRUE(header.has_value()) << file << " is not a PNG";
    EXPECT_EQ(header->width, static_cast<std::uint32_t>(size)) << file;
    EXPECT_EQ(header->height, static_cast<std::uint32_t>(size)) << file;
}

INSTANTIATE_TEST_SUITE_P(Sizes, IconRendering, ::testing::ValuesIn(kIconSizes));

TEST(IconRendering, HeaderReaderRejectsWhatIsNotAPng) {
    const std::string good = readFile(kData / "icons/16x16/quillmar.png");
    ASSERT_TRUE(pngSize(good).has_value());
    EXPECT_FALSE(pngSize(good.substr(0, 20)).has_value());
    EXPECT_FALSE(pngSize("<svg/>").has_value());
    std::string wrongChunk = good;
    wrongChunk[12] = 'X';
    EXPECT_FALSE(pngSize(wrongChunk).has_value());
}

// Every size folder is one the install rules know; a stray one would never reach the desktop.
TEST(IconRendering, FoldersAreExactlyTheInstalledSizes) {
    std::set<std::string> expected{"scalable"};
    for (int size : kIconSizes)
        expected.insert(std::to_string(size) + "x" + std::to_string(size));
    std::set<std::string> present;
    for (const auto& entry : fs::directory_iterator(kData / "icons"))
        if (entry.is_directory()) present.insert(entry.path().filename().string());
    EXPECT_EQ(present, expected);
}

} // namespace
} // namespace qm::installtest
