// What a file's bytes are and their UTF-8: byte-order marks, UTF-16 without one, UTF-8
// (whole or read in pieces) and Windows-1252.
#include "core/encoding/Decode.h"
#include "core/encoding/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace qm::encoding {
namespace {

using namespace std::string_literals;

// The UTF-16 bytes of text in either byte order, without a byte-order mark.
std::string utf16(std::u16string_view text, bool little) {
    std::string out;
    for (const char16_t u : text) {
        const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
        out += little ? low : high;
        out += little ? high : low;
    }
    return out;
}

struct DetectCase {
    const char* name;
    std::string bytes;
    Encoding encoding;
    std::string utf8;
};

class Decoding : public ::testing::TestWithParam<DetectCase> {};

TEST_P(Decoding, RecognisesTheEncodingAndDecodesToUtf8) {
    const DetectCase& c = GetParam();
    EXPECT_EQ(detectEncoding(c.bytes), c.encoding);
    EXPECT_EQ(decodeToUtf8(c.bytes), c.utf8);
    EXPECT_TRUE(isValidUtf8(decodeToUtf8(c.bytes)));
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Decoding,
    ::testing::Values(
        DetectCase{"ascii", "plain text", Encoding::Utf8, "plain text"},
        DetectCase{"empty", "", Encoding::Utf8, ""},
        DetectCase{"utf8", "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D", Encoding::Utf8,
                   "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D"},
        DetectCase{"utf8Bom", "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9", Encoding::Utf8Bom,
                   "\xC3\xA9t\xC3\xA9"},
        DetectCase{"utf8BomWithBadBytes",
                   "\xEF\xBB\xBF"
                   "a\xFF"
                   "b",
                   Encoding::Utf8Bom,
                   "a\xEF\xBF\xBD"
                   "b"},
        DetectCase{"windows1252Quotes", "\x93Yes,\x94 she said \x96 caf\xE9", Encoding::Windows1252,
                   "\xE2\x80\x9CYes,\xE2\x80\x9D she said \xE2\x80\x93 caf\xC3\xA9"},
        DetectCase{"overlongIsNoUtf8", "\xC0\xAF", Encoding::Windows1252, "\xC3\x80\xC2\xAF"},
        DetectCase{"surrogateIsNoUtf8", "\xED\xA0\x80", Encoding::Windows1252,
                   "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        DetectCase{"utf16Le",
                   std::string("\xFF\xFE"
                               "A\0\xE9\0",
                               6),
                   Encoding::Utf16Le, "A\xC3\xA9"},
        DetectCase{"utf16Be", std::string("\xFE\xFF\0A\x20\x1C", 6), Encoding::Utf16Be,
                   "A\xE2\x80\x9C"},
        DetectCase{"utf16Pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), Encoding::Utf16Le,
                   "\xF0\x9F\x98\x80"},
        DetectCase{"utf16OddLength",
                   std::string("\xFF\xFE"
                               "A\0B",
                               5),
                   Encoding::Utf16Le, "A\xEF\xBF\xBD"},
        DetectCase{"utf16LoneSurrogate",
                   std::string("\xFF\xFE\x3D\xD8"
                               "A\0",
                               6),
                   Encoding::Utf16Le,
                   "\xEF\xBF\xBD"
                   "A"},
        // No byte-order mark: UTF-16 told by its zero bytes, in either byte order.
        DetectCase{"utf16LeNoMark", utf16(u"CHAPTER I\r\n\r\nA caf\u00E9.", true),
                   Encoding::Utf16Le, "CHAPTER I\r\n\r\nA caf\xC3\xA9."},
        DetectCase{"utf16BeNoMark", utf16(u"CHAPTER I\r\n\r\nA caf\u00E9.", false),
                   Encoding::Utf16Be, "CHAPTER I\r\n\r\nA caf\xC3\xA9."},
        DetectCase{"utf16LeNoMarkCyrillic", utf16(u"\u0413\u043B\u0430\u0432\u0430 1\r\n", true),
                   Encoding::Utf16Le, "\xD0\x93\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0 1\r\n"},
        DetectCase{"utf16BeNoMarkOddLength", "\0H\0e\0l\0l\0o\0"s, Encoding::Utf16Be,
                   "Hello\xEF\xBF\xBD"},
        // A few zero bytes, or zeros in both halves of the units, are no UTF-16.
        DetectCase{
            "fewNulsInSingleByteText", "The caf\xE9 was shut;\0 the rest of the line is plain\0."s,
            Encoding::Windows1252, "The caf\xC3\xA9 was shut;\0 the rest of the line is plain\0."s},
        DetectCase{"oneNulInAShortText", "abcdefgh\0j"s, Encoding::Utf8, "abcdefgh\0j"s},
        DetectCase{"fewNulsInUtf8Text", "na\xC3\xAFve\0 and the rest of it"s, Encoding::Utf8,
                   "na\xC3\xAFve\0 and the rest of it"s},
        DetectCase{"zerosInBothHalves", "\0\0\x01\0\x02\0\0\0\x03\x04\0\0"s, Encoding::Utf8,
                   "\0\0\x01\0\x02\0\0\0\x03\x04\0\0"s},
        DetectCase{"utf32IsNoUtf16", "A\0\0\0B\0\0\0"s, Encoding::Utf8, "A\0\0\0B\0\0\0"s}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

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
        EXPECT_EQ(scan.isUtf8Text(), c.utf8) << "cut at " << cut;
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

} // namespace
} // namespace qm::encoding
