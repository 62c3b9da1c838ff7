#include "core/index/WordIndex.h"
#include "core/base/Error.h"
#include "core/index/IndexTree.h"
#include "core/shell/CollectionText.h"
#include "core/shell/Session.h"
#include "core/shell/WordIndexFile.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "core/testing/ShippedParser.h"
#include "core/text/Tags.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

// The words of the loaded tree with the line indices of their references.
std::map<std::string, std::vector<int>> loadedWords(const qm::Lines& indexLines) {
    const auto nodes = qm::buildIndexTree(qm::joinLinesCrLf(indexLines));
    std::map<std::string, std::vector<int>> words;
    for (const auto& n : nodes) {
        if (n.level != 3) continue;
        EXPECT_GE(n.parent, 0);
        if (n.parent < 0) continue;
        const auto& word = nodes[static_cast<std::size_t>(n.parent)];
        EXPECT_EQ(word.level, 2) << word.text;
        words[word.text].push_back(qm::toInteger(n.text));
    }
    return words;
}

TEST(WordIndex, WordsOfTheLinesWithoutTagsMarkersAndShortWords) {
    const qm::Lines lines = {
        "|refpt001> ",
        "|b>THE LANTERN|n> ",
        "p001 ",
        "     the |9>Wind|4> and the wind ",
        "          blew on a lantern's |6>glass|4> ",
        "  |image>castle.jpg ",
        "s000",
        "     glass, Glass; wind-blown ",
        " ",
    };
    const auto words = loadedWords(qm::makeWordIndex(lines));
    const std::map<std::string, std::vector<int>> expected = {
        {"blew", {4}},    {"blown", {7}},     {"glass", {4, 7}}, {"Glass", {7}},
        {"LANTERN", {1}}, {"lantern's", {4}}, {"wind", {3, 7}},  {"Wind", {3}},
    };
    EXPECT_EQ(words, expected);
}

TEST(WordIndex, OrderedWithoutRegardToCaseSoLettersStayTogether) {
    const qm::Lines lines = {"Zebra apple Apple banana Bear zebra ", " "};
    const qm::Lines index = qm::makeWordIndex(lines);
    std::vector<std::string> order;
    for (const auto& l : index)
        order.push_back(l.substr(0, l.find('|')));
    EXPECT_EQ(order,
              (std::vector<std::string>{"Apple", "apple", "banana", "Bear", "Zebra", "zebra"}));
    const auto nodes = qm::buildIndexTree(qm::joinLinesCrLf(index));
    int letters = 0;
    for (const auto& n : nodes)
        letters += n.level == 1;
    EXPECT_EQ(letters, 3);
}

TEST(WordIndex, LongTextsUseSixDigitReferences) {
    qm::Lines lines(100'003, " ");
    lines[7] = "  comet ";
    lines[99'999] = "  comet ";
    lines[100'000] = "  comet ";
    lines[100'002] = "  comet ";
    const qm::Lines index = qm::makeWordIndex(lines);
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index[0], "comet|000000007|000099999|0000100000|0000100002");
    EXPECT_EQ(loadedWords(index).at("comet"), (std::vector<int>{7, 99'999, 100'000, 100'002}));
}

TEST(WordIndex, EmbeddedBookIndexLeadsToItsWords) {
    qm::MemoryFileSystem fs;
    const qm::Lines lines = qm::openedTextLines(fs, "/x/qdemo.tvt", qm::shippedParser());
    ASSERT_GT(lines.size(), 100u);
    const auto words = loadedWords(qm::makeWordIndex(lines));
    ASSERT_GT(words.size(), 50u);
    std::size_t refs = 0;
    for (const auto& [word, at] : words) {
        for (const int n : at) {
            ASSERT_LT(static_cast<std::size_t>(n), lines.size());
            EXPECT_NE(qm::removeTags(lines[static_cast<std::size_t>(n)]).find(word),
                      std::string::npos)
                << word << " at " << n;
            ++refs;
        }
    }
    EXPECT_GT(refs, words.size());
}

TEST(WordIndex, WrittenForTheOpenTextAndFollowedInTheTree) {
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s(view, fs, platform);
    qm::FakeSurface surf(800, 600);
    s.setSurface(&surf);
    qm::SessionTestAccess(s).setHaveDisplayList(true);
    fs.addFolder("/opt/q");
    qm::writeWordIndexFor(s, "/opt/q/qdemo.tvt", "/opt/q/qdemo.tvx");
    ASSERT_TRUE(fs.fileExists("/opt/q/qdemo.tvx"));

    qm::SessionTestAccess(s).setIndexFile("/opt/q/qdemo.tvx");
    s.IndexLoadButtonClick();
    // Follow the first reference of the first word.
    std::optional<int> ref;
    for (std::size_t i = 0; i < s.indexNodes().size() && !ref; ++i)
        if (s.indexNodes()[i].level == 3) ref = static_cast<int>(i);
    ASSERT_TRUE(ref);
    const auto& node = s.indexNodes()[static_cast<std::size_t>(*ref)];
    const int line = qm::toInteger(node.text);
    const std::string word = s.indexNodes()[static_cast<std::size_t>(node.parent)].text;
    s.InxTreeViewClick(ref);
    EXPECT_EQ(s.topLine(), std::max(line - 5, 0));
    EXPECT_NE(qm::removeTags(s.displayLines()[static_cast<std::size_t>(line)]).find(word),
              std::string::npos);
}

} // namespace

namespace {

// The display lines the reader shows for a text opened in a collection of this form.
qm::Lines openedAs(qm::FileSystem& fs, const std::string& path, const std::string& extension) {
    qmtest::RecordingView view;
    qmtest::FixedPlatform platform;
    qm::Session s(view, fs, platform);
    qm::SessionTestAccess(s).setHaveDisplayList(true);
    qm::SessionTestAccess(s).setLocation(&qm::Locations::catalogueExtension, extension);
    s.openText(path, "refpt001");
    return s.displayLines().toLines();
}

// The tool reads a text as the reader does in the text's own collection: record form for the
// texts of a ".cdb" catalogue beside them, plain form otherwise.
TEST(WordIndex, TextsAreOpenedInTheFormOfTheirCollection) {
    auto fs = qm::makeRealFileSystem();
    const std::string examples = std::string(QM_SOURCE_DIR) + "/examples/";
    const struct {
        std::string path;
        const char* form;
        const char* other;
    } cases[] = {
        {examples + "records/ledger.tvt", ".cdb", ".toc"},
        {examples + "fables.tvt", ".toc", ".cdb"},
    };
    for (const auto& c : cases) {
        const qm::Lines expected = openedAs(*fs, c.path, c.form);
        ASSERT_NE(expected, openedAs(*fs, c.path, c.other)) << c.path << ": both forms agree";
        EXPECT_EQ(qm::openedTextLines(*fs, c.path, qm::shippedParser()), expected) << c.path;
    }
}

// A text that cannot be read gives no index (the reader would show its author page), and the
// reader's own end line adds no words to any index.
TEST(WordIndex, NoIndexOfAMissingTextAndNoWordsOfTheEndLine) {
    qm::MemoryFileSystem fs;
    fs.addFolder("/books");
    for (const std::string path : {"/books/missing.tvt", "/books/", "missing.tvt"}) {
        try {
            qm::openedTextLines(fs, path, qm::shippedParser());
            ADD_FAILURE() << path << " was indexed";
        } catch (const qm::UserError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
        }
    }
    fs.writeFile("/books/story.tvt", "banner\r\nl03The END of the story\r\nl05ends FILE here\r\n");
    const qm::Lines lines = qm::openedTextLines(fs, "/books/story.tvt", qm::shippedParser());
    ASSERT_EQ(lines[lines.size() - 2], "        END OF FILE");
    const auto words = loadedWords(qm::makeWordIndex(lines));
    EXPECT_EQ(words.at("END"), std::vector<int>{0});
    EXPECT_EQ(words.at("FILE"), std::vector<int>{1});
    const auto book = loadedWords(
        qm::makeWordIndex(qm::openedTextLines(fs, "/x/qdemo.tvt", qm::shippedParser())));
    EXPECT_EQ(book.count("FILE"), 0u);
}

// The builder keeps each distinct word's letters once and one reference per word and line,
// and a word found once costs a bounded number of bytes beside its letters: a text of
// distinct letter runs (a line of random letters) is held in a few times its size.
TEST(WordIndex, BuilderKeepsEachWordOnceAndOneReferencePerLine) {
    qm::Lines pieces;
    for (int n = 0; n < 10000; ++n) {
        std::string piece(32, 'Q');
        for (int i = 0, v = n; v != 0; ++i, v /= 26)
            piece[static_cast<std::size_t>(i)] = static_cast<char>('a' + v % 26);
        pieces.push_back("     " + piece + " ");
    }
    const qm::Lines sameWord(5000, "  word, |9>word|4> ");
    struct Case {
        const char* name;
        qm::Lines lines;
        std::size_t words, wordBytes, references;
    };
    const std::vector<Case> cases = {
        {"repeats on a line count once", {"  comet comet Comet ", "  |9>comet|4> tail "}, 3, 14, 4},
        {"short and function words add nothing", {"  the and of it with ", " an ox "}, 0, 0, 0},
        {"distinct letter runs", pieces, 10000, 10000 * 32, 10000},
        {"one word on every line", sameWord, 1, 4, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qm::WordIndexBuilder builder;
        for (const std::string& line : c.lines)
            builder.addLine(line);
        // The last two lines wait for the end: two blanks push the case's lines through.
        builder.addLine(" ");
        builder.addLine(" ");
        const qm::WordIndexBuilder::Footprint f = builder.footprint();
        EXPECT_EQ(f.words, c.words);
        EXPECT_EQ(f.wordBytes, c.wordBytes);
        EXPECT_EQ(f.references, c.references);
        EXPECT_LE(f.heldBytes, f.wordBytes + 48 * f.words + 16 * f.references + (256u << 10));
        // Every reference held comes out, each word's lines in order.
        const auto words = loadedWords(builder.finish());
        EXPECT_EQ(words.size(), c.words);
        std::size_t references = 0;
        for (const auto& [word, at] : words) {
            EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << word;
            references += at.size();
        }
        EXPECT_EQ(references, c.references);

        // The index file's bytes are the same whether made whole or handed out in pieces,
        // and no piece holds a long line whole.
        std::string whole, pieced;
        std::size_t largest = 0;
        for (int form = 0; form < 2; ++form) {
            qm::WordIndexBuilder b;
            for (const std::string& line : c.lines)
                b.addLine(line);
            if (form == 0) whole = b.finishFile();
            if (form == 1)
                b.finishFileTo([&](std::string_view piece) {
                    pieced += piece;
                    largest = std::max(largest, piece.size());
                });
        }
        EXPECT_EQ(pieced, whole);
        EXPECT_EQ(whole, qm::joinLinesCrLf(qm::makeWordIndex(qm::LineBuffer(c.lines))));
        EXPECT_LE(largest, 4200u);
    }
}

} // namespace
