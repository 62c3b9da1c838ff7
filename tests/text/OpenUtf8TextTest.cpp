// UTF-8 texts on the single-byte page: stored texts and prose open in the page's form, what
// it lacks transliterated, with nothing set up beforehand.
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/ShippedParser.h"
#include "core/text/OpenedText.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

struct OpenCase {
    const char* name;
    const char* path;
    std::string bytes;
    std::string expectedInSomeLine; // single-byte
    std::string absentFromAllLines;
};

class OpenUtf8 : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenUtf8, ShowsTheCodePageCharacters) {
    const OpenCase& c = GetParam();
    MemoryFileSystem fs;
    fs.addFolder("/b");
    fs.writeFile(c.path, c.bytes);
    const Lines lines = openedTextLines(fs, c.path, ".toc", shippedParser());
    bool found = false;
    for (const std::string& l : lines) {
        found = found || l.find(c.expectedInSomeLine) != std::string::npos;
        EXPECT_EQ(l.find(c.absentFromAllLines), std::string::npos) << l;
    }
    EXPECT_TRUE(found) << c.expectedInSomeLine;
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenUtf8,
    ::testing::Values(
        OpenCase{"StoredUtf8", "/b/story.tvt",
                 "Banner\r\nl05\xE2\x80\x9C"
                 "Caf\xC3\xA9,\xE2\x80\x9D she said \r\nEND\r\n",
                 "\x93"
                 "Caf\xE9,\x94 she said",
                 "\xC3"},
        OpenCase{"StoredWithBom", "/b/story.tvt",
                 "\xEF\xBB\xBF"
                 "Banner\r\nl05na\xC3\xAFve \r\n",
                 "na\xEFve", "\xEF\xBB"},
        OpenCase{"StoredWindows1252Untouched", "/b/story.tvt",
                 "Banner\r\nl05caf\xE9 \x93ok\x94 \r\n", "caf\xE9 \x93ok\x94", "?"},
        OpenCase{"StoredGreekTransliterated", "/b/story.tvt",
                 "Banner\r\nl05\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 caf\xC3\xA9 \r\n",
                 "Athena caf\xE9", "?"},
        OpenCase{"ProseUtf8", "/b/story.txt",
                 "\xEF\xBB\xBFThe caf\xC3\xA9 was closed. \xE2\x80\x9CNo,\xE2\x80\x9D he said.\n",
                 "caf\xE9", "\xC3"}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace qm
