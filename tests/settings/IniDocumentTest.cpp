#include "core/settings/IniDocument.h"

#include <gtest/gtest.h>

#include <string>

using qm::IniDocument;

namespace {

struct ReadCase {
    const char* name;
    std::string bytes;
    const char* section;
    const char* key;
    int expected; // read default is -1
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, ReadsIntegerOrDefault) {
    const ReadCase& c = GetParam();
    const IniDocument ini(c.bytes);
    EXPECT_EQ(ini.readInteger(c.section, c.key, -1), c.expected);
}

const ReadCase kReadCases[] = {
    {"plain", "[how]\r\nfontsize=20\r\n", "how", "fontsize", 20},
    {"negative", "[how]\r\nbackground=-5\r\n", "how", "background", -5},
    {"dollarHex", "[how]\r\nfontsize=$1A\r\n", "how", "fontsize", 26},
    {"zeroXHex", "[how]\r\nfontsize=0X1a\r\n", "how", "fontsize", 26},
    {"blanksAroundNameAndValue", "  [ how ]\n  fontsize  =  21  \n", "how", "fontsize", 21},
    {"caseOfNames", "[HOW]\nFontSize=22\n", "how", "fontsize", 22},
    {"notAnInteger", "[how]\nfontsize=12pt\n", "how", "fontsize", -1},
    {"emptyValue", "[how]\nfontsize=\n", "how", "fontsize", -1},
    {"tooLarge", "[how]\nfontsize=99999999999\n", "how", "fontsize", -1},
    {"missingKey", "[how]\nfont=20\n", "how", "fontsize", -1},
    {"missingSection", "fontsize=20\n", "how", "fontsize", -1},
    {"keyInOtherSection", "[how]\nx=1\n[why]\nfontsize=20\n", "how", "fontsize", -1},
    {"duplicateKeyFirstWins", "[how]\nfontsize=20\nfontsize=30\n", "how", "fontsize", 20},
    {"duplicateSectionFirstWins", "[how]\nfontsize=20\n[how]\nfontsize=30\n", "how", "fontsize",
     20},
    {"commentIsNoKey", "[how]\n;fontsize=20\n", "how", "fontsize", -1},
    {"pathSection", "[c:\\readers\\reader.toc]\nfontsize=7\n[how]\nfontsize=8\n",
     "c:\\readers\\reader.toc", "fontsize", 7},
    {"posixPathSection", "[/home/ann/books/quillmar.toc]\r\nk=9\r\n",
     "/home/ann/books/quillmar.toc", "k", 9},
    {"crOnlyLineEnds", "[how]\rfontsize=23\rbackground=2", "how", "fontsize", 23},
    {"binaryJunk", std::string("\0\xff\x80\n[how]\n\xfe=\x01\nfontsize=24\n\0", 27), "how",
     "fontsize", 24},
    {"unclosedHeaderIsNoSection", "[how\nfontsize=25\n", "how", "fontsize", -1},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniRead, ::testing::ValuesIn(kReadCases),
                         [](const auto& p) { return std::string(p.param.name); });

struct WriteCase {
    const char* name;
    std::string before;
    const char* key;
    const char* value;
    std::string after;
};

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyTheKeysLine) {
    const WriteCase& c = GetParam();
    IniDocument ini(c.before);
    ini.writeString("how", c.key, c.value);
    EXPECT_EQ(ini.bytes(), c.after);
    EXPECT_EQ(IniDocument(ini.bytes()).readString("how", c.key, "?"), c.value);
}

const WriteCase kWriteCases[] = {
    {"replaceInPlaceKeepsLineEnds", "; mine\n[how]\nfontsize=15\nx=1\n", "fontsize", "20",
     "; mine\n[how]\nfontsize=20\nx=1\n"},
    {"replaceFirstOfDuplicates", "[how]\r\nk=1\r\nk=2\r\n", "k", "3", "[how]\r\nk=3\r\nk=2\r\n"},
    {"replaceKeepsCaseInsensitiveMatch", "[How]\r\n Fontsize = 9 \r\n", "fontsize", "10",
     "[How]\r\nfontsize=10\r\n"},
    {"addAfterLastKeyBeforeBlankLines", "[how]\r\na=1\r\n\r\n[other]\r\nb=2\r\n", "c", "3",
     "[how]\r\na=1\r\nc=3\r\n\r\n[other]\r\nb=2\r\n"},
    {"addToEmptySection", "[how]\r\n[x]\r\n", "c", "3", "[how]\r\nc=3\r\n[x]\r\n"},
    {"addToFirstOfDuplicateSections", "[how]\r\n[how]\r\nc=1\r\n", "d", "2",
     "[how]\r\nd=2\r\n[how]\r\nc=1\r\n"},
    {"addSectionToEmptyFile", "", "k", "1", "[how]\r\nk=1\r\n"},
    {"addSectionAfterLastLineWithoutEnd", "[x]\r\na=1", "k", "-4",
     "[x]\r\na=1\r\n[how]\r\nk=-4\r\n"},
    {"keepsNoFinalLineEndOnReplace", "[how]\r\nk=1", "k", "2", "[how]\r\nk=2"},
    {"keepsOtherSectionsAndJunk", "[c:\\r\\reader.toc]\r\n\x01\xff junk\r\n[how]\r\nk=1\r\n;c\r\n",
     "k", "2", "[c:\\r\\reader.toc]\r\n\x01\xff junk\r\n[how]\r\nk=2\r\n;c\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniWrite, ::testing::ValuesIn(kWriteCases),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
