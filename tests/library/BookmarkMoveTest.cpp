// Moving bookmarks to the same words in a new layout, and reporting those that cannot move;
// the catalogue's nesting of chapters.
#include "core/library/BookmarkMove.h"
#include "core/library/BookCatalogue.h"
#include "core/library/BookKey.h"
#include "core/library/BookManifest.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Display lines of one short text laid out two ways.
const Lines kOld = {"|refpt001> ",                        // 0
                    "|b>The Wind|n> ",                    // 1
                    "p001 ",                              // 2
                    "     The wind rose ",                // 3
                    "         over the hill, ",           // 4
                    "     and the boat ",                 // 5
                    "         went home. ",               // 6
                    "s000 ",                              // 7
                    "     It|7> rained|4>. ",             // 8
                    "s000 "};                             // 9
const Lines kNew = {"|refpt001> ",                        // 0
                    "|b>The Wind|n> ",                    // 1
                    "p001 ",                              // 2
                    "     The wind rose over the hill, ", // 3
                    "         and the boat went home. ",  // 4
                    "s000 ",                              // 5
                    "                 * * * ",            // 6
                    "s000 ",                              // 7
                    "     It rained. ",                   // 8
                    "s000 "};                             // 9

struct MoveCase {
    const char* name;
    std::string entry;
    std::string expected;
    bool moves;
};

class MoveBookmarks : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveBookmarks, ToTheSameWordsOrReported) {
    const MoveCase& c = GetParam();
    const library::MovedBookmarks m = library::moveBookmarks(kOld, kNew, {c.entry});
    ASSERT_EQ(m.entries.size(), 1u);
    EXPECT_EQ(m.entries[0], c.expected);
    EXPECT_EQ(m.moved, c.moves ? 1u : 0u);
    EXPECT_EQ(m.unmoved, c.moves || c.entry.front() != '#' ? std::vector<std::string>{}
                                                           : std::vector<std::string>{c.entry});
}

INSTANTIATE_TEST_SUITE_P(
    Entries, MoveBookmarks,
    ::testing::Values(
        MoveCase{"FirstLineOfWords", "#3 wind", "#3 wind", true},
        MoveCase{"WordJoinsTheLineAbove", "#4 over", "#3 over", true},
        MoveCase{"LaterLine", "#6 went home", "#4 went home", true},
        MoveCase{"ReferencePointStaysAboveItsHeading", "#0 chapter", "#0 chapter", true},
        MoveCase{"MarkerAboveWordsKeepsItsGap", "#7 after", "#7 after", true},
        MoveCase{"NameWithBlanksKept", "#8 It rained, said I", "#8 It rained, said I", true},
        MoveCase{"PastTheText", "#10 gone", "#10 gone", false},
        MoveCase{"NoWordBelow", "#9 end", "#9 end", false},
        MoveCase{"NotANumber", "#x3 odd", "#x3 odd", false},
        MoveCase{"Negative", "#-1 odd", "#-1 odd", false},
        MoveCase{"HeaderPassesUnchanged", "<<other", "<<other", false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(MoveBookmarks, OtherWordsAreNotTakenForTheSame) {
    Lines changed = kNew;
    changed[8] = "     Snow fell. ";
    const library::MovedBookmarks m =
        library::moveBookmarks(kOld, changed, {"#8 rain", "#3 wind", "#8 rain again"});
    EXPECT_EQ(m.entries, (Lines{"#8 rain", "#3 wind", "#8 rain again"}));
    EXPECT_EQ(m.unmoved, (std::vector<std::string>{"#8 rain", "#8 rain again"}));
    EXPECT_EQ(m.moved, 1u);
}

TEST(BookCatalogue, ChaptersNestOneLevelAtATimeUpToTheDeepest) {
    const std::vector<library::CatalogueChapter> chapters = {
        {"Part One", "refpt001", 0},   {"Deep jump", "refpt002", 3}, {"Deeper", "refpt003", 4},
        {"Deepest", "refpt004", 9},    {"No point", "", 0},          {"A <<b@c", "refpt005", 0},
        {"\tTabbed\r", "refpt006", -2}};
    // The catalogue file: a line each, each ended by CR LF.
    EXPECT_EQ(library::bookCatalogueText("k", "Book, by Me", chapters),
              joinLinesCrLf(Lines{"Book, by Me<<0k", "Part One<<1k@refpt001", "Deep jump<<2k@refpt002",
                     "Deeper<<3k@refpt003", "Deepest<<4k@refpt004", "A ( b(at)c<<1k@refpt005",
                     "Tabbed<<1k@refpt006", "(END)"}));
}

TEST(BookCatalogue, AnOlderOneBookCatalogueFoldsItsRootAway) {
    EXPECT_EQ(library::foldOneBookCatalogue({"Shelf<<0none", "Tale, by Me<<1k", "One<<2k@refpt001",
                                             "Two<<3k@refpt002", "(END)"}),
              (Lines{"Tale, by Me<<0k", "One<<1k@refpt001", "Two<<2k@refpt002", "(END)"}));
    const Lines unchanged[] = {
        {"Shelf<<0none", "A<<1a", "B<<1b", "(END)"},      // two books
        {"Shelf<<0qau", "Tale<<1k", "(END)"},             // the root is a page of its own
        {"Shelf<<0none", "Tale<<1k", "Odd<<7k", "(END)"}, // a line off the levels
        {"Shelf<<0none", "Tale<<1k", "One<<2k@refpt001"}, // no closing line
        {"Tale, by Me<<0k", "One<<1k@refpt001", "(END)"}, // already folded
    };
    for (const Lines& lines : unchanged)
        EXPECT_EQ(library::foldOneBookCatalogue(lines), lines) << lines[0] << " " << lines[1];
}

TEST(BookManifest, LayoutFolderAndMoveRecordReadBackOrAreRefused) {
    const Lines head = {"key=k", "layout=7"};
    const struct {
        Lines extra;
        std::optional<int> folder; // nothing: the manifest is refused
        std::optional<int> moving;
    } cases[] = {
        {{}, 0, std::nullopt},
        {{"files=2", "moving=1", "sha256=d1g35t"}, 2, 1},
        {{"files=3", "moving=3"}, 3, std::nullopt}, // never from the current layout
        {{"files=-1"}, std::nullopt, std::nullopt},
        {{"files=2147483647"}, std::nullopt, std::nullopt},
        {{"moving=x"}, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        Lines lines = head;
        lines.insert(lines.end(), c.extra.begin(), c.extra.end());
        const std::optional<library::BookManifest> read = library::parseManifest(lines);
        ASSERT_EQ(read.has_value(), c.folder.has_value()) << joinLinesCrLf(lines);
        if (!read) continue;
        EXPECT_EQ(read->layoutFolder, *c.folder);
        EXPECT_EQ(read->movingFrom, c.moving);
        EXPECT_EQ(library::parseManifest(library::manifestLines(*read))->movingFrom, c.moving);
    }
}

TEST(BookKey, DigestNowAndHashBefore) {
    EXPECT_EQ(library::bookKey("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(library::earlierBookKey("a"), "af63dc4c8601ec8c");
    EXPECT_NE(library::bookKey("ab"), library::bookKey("ba"));
    for (const std::string& valid : {library::bookKey("x"), library::earlierBookKey("x")})
        EXPECT_TRUE(library::isBookKey(valid)) << valid;
    const std::string invalid[] = {"../../etc/passwd", "CBF29CE484222325", "cbf29ce48422232",
                                   "cbf29ce484222325a", library::bookKey("x").substr(1)};
    for (const std::string& key : invalid)
        EXPECT_FALSE(library::isBookKey(key)) << key;
}

} // namespace
} // namespace qm
