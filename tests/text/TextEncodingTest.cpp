// UTF-8 texts on the single-byte page: telling UTF-8 from Windows-1252 (whole or in pieces),
// the built-in conversion, the installed hook, and opening UTF-8 stored texts and prose.
#include "core/text/TextEncoding.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/ShippedParser.h"
#include "core/text/OpenedText.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

struct ScanCase {
    const char* name;
    std::string bytes;
    bool utf8;
};

class Utf8Detection : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Utf8Detection, WholeAndInEveryTwoPieces) {
    const ScanCase& c = GetParam();
    EXPECT_EQ(isUtf8Text(c.bytes), c.utf8);
    // A sequence cut anywhere between two pieces reads the same.
    for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
        Utf8Scan scan;
        scan.feed(std::string_view(c.bytes).substr(0, cut));
        scan.feed(std::string_view(c.bytes).substr(cut));
        EXPECT_EQ(scan.isUtf8(), c.utf8) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Utf8Detection,
    ::testing::Values(ScanCase{"Ascii", "plain words\r\n", false}, ScanCase{"Empty", "", false},
                      ScanCase{"BomOnly", "\xEF\xBB\xBFplain", true},
                      ScanCase{"CurlyQuotes", "\xE2\x80\x9CHi,\xE2\x80\x9D she said", true},
                      ScanCase{"FourByte", "a \xF0\x9F\x93\x96 b", true},
                      ScanCase{"Windows1252", "caf\xE9 \x93quoted\x94", false},
                      ScanCase{"CutAtEnd", "caf\xC3", false},
                      ScanCase{"OverlongSlash", "a\xC0\xAF", false},
                      ScanCase{"Surrogate", "\xED\xA0\x80", false},
                      ScanCase{"BeyondUnicode", "\xF4\x90\x80\x80", false},
                      ScanCase{"StrayContinuation", "ok \x80 no", false}),
    [](const auto& p) { return std::string(p.param.name); });

struct ConvertCase {
    const char* name;
    std::string utf8;
    std::string single;
};

class BuiltInConversion : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(BuiltInConversion, MapsWhatTheCodePageHas) {
    EXPECT_EQ(builtInToSingleByte(GetParam().utf8), GetParam().single);
}

INSTANTIATE_TEST_SUITE_P(
    Text, BuiltInConversion,
    ::testing::Values(ConvertCase{"Ascii", "plain |b> text", "plain |b> text"},
                      ConvertCase{"Latin1", "caf\xC3\xA9 na\xC3\xAFve", "caf\xE9 na\xEFve"},
                      ConvertCase{"HighTable", "\xE2\x80\x9C\xE2\x82\xAC\xE2\x80\x94\xC5\x93",
                                  "\x93\x80\x97\x9C"},
                      ConvertCase{"Missing", "\xCE\xB1 \xF0\x9F\x93\x96", "? ?"},
                      ConvertCase{"Broken", "a\xC3 b\x80", "a? b?"},
                      ConvertCase{"OverlongLineEnd", "a\xE0\x80\x8A", "a?"},
                      ConvertCase{"BomDropped", "\xEF\xBB\xBFword", "word"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(SingleByteHook, InstalledConverterIsUsedUntilRemoved) {
    installSingleByteConverter([](std::string_view s) { return "<" + std::string(s) + ">"; });
    EXPECT_EQ(toSingleByte("x"), "<x>");
    installSingleByteConverter({});
    EXPECT_EQ(toSingleByte("caf\xC3\xA9"), "caf\xE9");
}

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
        OpenCase{"ProseUtf8", "/b/story.txt",
                 "\xEF\xBB\xBFThe caf\xC3\xA9 was closed. \xE2\x80\x9CNo,\xE2\x80\x9D he said.\n",
                 "caf\xE9", "\xC3"}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace qm
