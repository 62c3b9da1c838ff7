#include "SessionFixture.h"

#include "core/cascade/Cascader.h"
#include "core/testing/SessionTestAccess.h"
#include "core/testing/ShippedParser.h"

namespace {

using qm::Lines;
using qmtest::SessionFixture;

const std::string kEnd(qm::kEndLine);

enum class Expect { Book, Greeting, ByTitle, ByAuthor, AuthorEntry };

struct SourceCase {
    const char* path;
    Expect source;
};

class OpenTextSource : public SessionFixture, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(OpenTextSource, KeyChoosesTheSourceExactly) {
    const auto& c = GetParam();
    s.openText(c.path, "00000");
    EXPECT_EQ(s.currentTextPath(), c.path);
    const qm::LineBuffer& d = s.displayLines();
    switch (c.source) {
    case Expect::Book: {
        const Lines book = bookLines();
        ASSERT_EQ(d.size(), book.size() + 2);
        EXPECT_EQ(d[0], qm::phraseDisplayLine(book[1]));
        EXPECT_EQ(d[d.size() - 4], "END");
        break;
    }
    case Expect::Greeting:
        ASSERT_EQ(d.size(), 33u);
        EXPECT_EQ(d[0], "     Welcome to Torvane!");
        EXPECT_EQ(d[1], "");
        EXPECT_EQ(d[11], "          \"+\"");
        EXPECT_EQ(d[15], "          \"+\"");
        EXPECT_EQ(d[28], "                        of the other windows.");
        break;
    case Expect::ByTitle:
    case Expect::ByAuthor:
        EXPECT_EQ(d, (Lines{"", "   This is a list", "      of books listed",
                            c.source == Expect::ByTitle ? "        by the title"
                                                        : "        by the author",
                            "       of the book.", "", "", "p999", kEnd, " "}));
        break;
    case Expect::AuthorEntry:
        EXPECT_EQ(d, (Lines{"|b>", "    Andersen, Hans Christian, 1805-1875", "|n>", "p000", "p999",
                            kEnd, " "}));
        break;
    }
    EXPECT_EQ(d.back(), " ");
}

INSTANTIATE_TEST_SUITE_P(Keys, OpenTextSource,
                         ::testing::Values(SourceCase{"/books/qdemo.tvt", Expect::Book},
                                           SourceCase{"/any/where/qdemo.x", Expect::Book},
                                           SourceCase{"/books/QDEMO.tvt", Expect::AuthorEntry},
                                           SourceCase{"/books/qdemo", Expect::AuthorEntry},
                                           SourceCase{"/books/q.d/qdemo", Expect::AuthorEntry},
                                           SourceCase{"/books/.tvt", Expect::AuthorEntry},
                                           SourceCase{"/books/qau.tvt", Expect::AuthorEntry},
                                           SourceCase{"/books/none.tvt", Expect::Greeting},
                                           SourceCase{"/books/title.tvt", Expect::ByTitle},
                                           SourceCase{"/books/author.tvt", Expect::ByAuthor}));

TEST_F(OpenTextSource, RecordPassLeavesPhraseCodesAlone) {
    qm::SessionTestAccess(s).setLocation(&qm::Locations::catalogueExtension, ".cdb");
    s.openText("/books/qdemo.tvt", " ");
    const Lines book = bookLines();
    ASSERT_EQ(s.displayLines().size(), book.size() + 2);
    EXPECT_TRUE(std::equal(book.begin() + 1, book.end(), s.displayLines().begin()));
    EXPECT_EQ(s.displayLines()[s.displayLines().size() - 2], "l08END OF FILE");
    // The pass is fixed when the text is built: a later change of catalogue does not
    // convert the open text again.
    qm::SessionTestAccess(s).setLocation(&qm::Locations::catalogueExtension, ".toc");
    s.openText("/books/qdemo.tvt", " ");
    EXPECT_EQ(s.displayLines()[s.displayLines().size() - 2], "l08END OF FILE");
}

TEST_F(OpenTextSource, ReferencePointChoosesTheLineAfterItsTag) {
    s.openText("/books/qdemo.tvt", "refpt002");
    const std::size_t tagLine = bookIndexOf("|refpt002>");
    // The banner is gone, so the book's line k is display line k - 1 and the top is k.
    EXPECT_EQ(s.topLine(), static_cast<int>(tagLine));
    EXPECT_EQ(s.displayLines()[tagLine].rfind("|b>", 0), 0u);
    EXPECT_GT(s.nextTopLine(), s.topLine());
    EXPECT_TRUE(view.questions.empty());

    s.openText("/books/qdemo.tvt", "refpt999");
    EXPECT_EQ(s.topLine(), 0);
}

TEST_F(OpenTextSource, SamePathOnlyRepositions) {
    s.openText("/books/qdemo.tvt", "refpt002");
    const std::size_t last = s.displayLines().size() - 4;
    qm::SessionTestAccess(s).setDisplayLine(last, "kept");
    s.openText("/books/qdemo.tvt", "refpt001");
    EXPECT_EQ(s.displayLines()[last], "kept");
    EXPECT_EQ(s.topLine(), static_cast<int>(bookIndexOf("|refpt001>")));
    // Another path, even of the same key, builds the text again.
    s.openText("/other/qdemo.tvt", "refpt001");
    EXPECT_EQ(s.displayLines()[last], "END");
}

TEST_F(OpenTextSource, WithoutReferencePointOffersTheNewestEntry) {
    putFile(s.locations().bookmarkFile,
            "<<none\r\n<<qdemo\r\n#120 Closed book at 1/2/2026\r\n#7 older\r\n<<author\r\n");
    view.yesNoAnswers = {true, false};
    ASSERT_EQ(surface.fontName(), qm::kDefaultFont) << "nothing has been drawn yet";
    s.openText("/books/qdemo.tvt", " ");
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].caption,
              "Do you want to start reading where you last closed the file?");
    EXPECT_EQ(view.questions[0].text, "Closed book at 1/2/2026");
    EXPECT_EQ(s.topLine(), 120);
    // The page resumed at keeps the book's font, which its title's tags set above it.
    ASSERT_FALSE(surface.texts.empty());
    EXPECT_EQ(surface.texts.front().font, qm::kSerifFont);
    // Asked again on the same path; No starts at the top.
    s.openText("/books/qdemo.tvt", "00000");
    EXPECT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(s.topLine(), 0);
    // A text whose section is empty is not asked about.
    s.openText("/books/none.tvt", "");
    EXPECT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(s.topLine(), 0);
}

struct FileCase {
    const char* name;
    std::string bytes;
    Lines display;
};

class OpenTextFile : public SessionFixture, public ::testing::WithParamInterface<FileCase> {};

TEST_P(OpenTextFile, ReadsAnyBytesAndLineEnds) {
    const auto& c = GetParam();
    putFile("/books/fables.tvt", c.bytes);
    ASSERT_TRUE(s.run([&] { s.openText("/books/fables.tvt", "refpt001"); }));
    EXPECT_EQ(s.displayLines(), c.display);
    EXPECT_TRUE(view.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, OpenTextFile,
    ::testing::Values(
        FileCase{"CrLf",
                 "banner\r\nl00|refpt001> \r\nl02a \r\n",
                 {"|refpt001> ", "  a ", "p999", kEnd, " "}},
        FileCase{"CrOnly", "banner\rl02a\rs000 \r", {"  a", "s000 ", "p999", kEnd, " "}},
        FileCase{"Mixed", "b\nl01x\r\r\ny\r", {" x", "", "y", "p999", kEnd, " "}},
        FileCase{"NulAndHighBytes",
                 std::string("b\nl01x\0y\xff\n\x80\n", 12),
                 {std::string(" x\0y\xff", 5), "\x80", "p999", kEnd, " "}},
        FileCase{
            "TrailingBlankLines", "b\r\nl00a \r\n \t\r\n\x01\r\n\r\n", {"a ", "p999", kEnd, " "}},
        FileCase{"NoLineEnd", "only a banner", {"p999", kEnd, " "}},
        FileCase{"Empty", "", {kEnd, " "}}, FileCase{"OnlyBlanks", " \r\n\t\r\n", {kEnd, " "}}),
    [](const auto& p) { return p.param.name; });

TEST_F(OpenTextFile, MissingOrUnreadableFileShowsTheAuthorPage) {
    s.openText("/books/missing.tvt", " ");
    EXPECT_EQ(s.displayLines().size(), 7u);
    EXPECT_EQ(s.displayLines()[1], "    Andersen, Hans Christian, 1805-1875");
    fs.addFolder("/books/folder.tvt");
    s.openText("/books/folder.tvt", " ");
    EXPECT_EQ(s.displayLines()[1], "    Andersen, Hans Christian, 1805-1875");
}

TEST_F(OpenTextFile, BuiltInKeysIgnoreFiles) {
    putFile("/books/title.tvt", "banner\r\nl05from disk\r\n");
    s.openText("/books/title.tvt", " ");
    EXPECT_EQ(s.displayLines()[1], "   This is a list");
}

TEST_F(OpenTextFile, PlainTextFilesAreCascaded) {
    const std::string prose = "It was a bright cold day.\r\n\r\nThe clocks struck thirteen.\r\n";
    putFile("/books/Story.TXT", prose);
    s.openText("/books/Story.TXT", " ");
    EXPECT_EQ(s.displayLines(), qm::prepareDisplayLines(qm::cascadeText(prose, qm::shippedParser()),
                                                        qm::ConversionPass::Plain));
}

TEST_F(OpenTextFile, BadLevelStopsTheOpenAndKeepsWhatWasDone) {
    s.openText("/books/qdemo.tvt", "refpt002");
    const int top = s.topLine(), next = s.nextTopLine();
    putFile("/books/bad.tvt", "banner\nl03ok\nlxxoops\nl04more\n");
    EXPECT_FALSE(s.run([&] { s.openText("/books/bad.tvt", "refpt001"); }));
    EXPECT_EQ(view.messages, (std::vector<std::string>{"'xx' is not a valid integer value"}));
    EXPECT_EQ(s.currentTextPath(), "/books/bad.tvt");
    EXPECT_EQ(s.textKey(), "bad");
    EXPECT_EQ(s.displayLines(),
              (Lines{"   ok", "lxxoops", "l04more", "p999", "l08END OF FILE", " "}));
    EXPECT_EQ(s.topLine(), top);
    EXPECT_EQ(s.nextTopLine(), next);
    // Opening the same path again only positions: the list stays as it was left.
    EXPECT_TRUE(s.run([&] { s.openText("/books/bad.tvt", "refpt001"); }));
    EXPECT_EQ(s.displayLines()[1], "lxxoops");
}

TEST_F(OpenTextFile, HugeLinesAndManyLines) {
    std::string huge = "banner\nl07" + std::string(10 * 1024 * 1024, 'x');
    putFile("/books/huge.tvt", huge);
    s.openText("/books/huge.tvt", "nowhere");
    ASSERT_EQ(s.displayLines().size(), 4u);
    EXPECT_EQ(s.displayLines()[0].size(), 7u + 10 * 1024 * 1024);
    EXPECT_EQ(s.topLine(), 0);

    std::string many = "banner\n";
    for (int i = 0; i < 100000; ++i)
        many += "l" + std::to_string(10 + i % 90) + "phrase\r\n";
    many += "l00|refpt777> \r\nl00last\r\n";
    putFile("/books/many.tvt", many);
    s.openText("/books/many.tvt", "refpt777");
    EXPECT_EQ(s.displayLines().size(), 100005u);
    EXPECT_EQ(s.topLine(), 100001);
    EXPECT_EQ(s.displayLines()[100001], "last");
}

TEST_F(OpenTextFile, RecordFileUnderACdbCatalogue) {
    const std::string header = "p00000000000000000000011000000002000";
    putFile("/books/ledger.tvt",
            "banner\r\n" + header + "one \r\n" + header + "two\r\nEOF\r\njunk\r\nl08 tail\r\n");
    qm::SessionTestAccess(s).setLocation(&qm::Locations::catalogueExtension, ".cdb");
    s.openText("/books/ledger.tvt", " ");
    EXPECT_EQ(s.displayLines(),
              (Lines{"one ", "p000", "two", "s000", kEnd, "p999", "l08END OF FILE", " "}));
}

} // namespace
