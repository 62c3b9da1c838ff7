// Catalogue-line parsing and the caption walk, as plain functions over lines.
#include "core/catalogue/Catalogue.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* line;
    const char* entryKey;
    const char* title;
};

TEST(CatalogueLineTest, EntryKeyAndTitle) {
    const LineCase cases[] = {
        {"  Two Fables <<2fables  ", "fables", "Two Fables"},
        {"THE FOX<<3fables@refpt002", "fables@refpt002", "THE FOX"},
        {"Root<<0", "", "Root"}, // nothing after the level character
        {"Root<<", "", "Root"},  // no level character either
        {"no marker here", "", "no marker here"},
        {"a<<1b<<2c", "b<<2c", "a"}, // the first "<<" counts
        {"<<1 key ", "key", ""},
        {"", "", ""},
    };
    for (const LineCase& c : cases) {
        EXPECT_EQ(qm::entryKeyOfLine(c.line), c.entryKey) << c.line;
        EXPECT_EQ(qm::titleOfLine(c.line), c.title) << c.line;
    }
}

TEST(CatalogueLineTest, StoryTakesTheTitleOfTheBookAboveIt) {
    const qm::Lines catalogue = {
        "Books<<0",                   // 0
        "Two Fables<<1fables",        // 1
        "THE CROW<<2fables@refpt001", // 2
        "THE FOX<<2fables@refpt002",  // 3
        "Weather<<1weather",          // 4
        "Note @ home<<1note",         // 5: "@" in the title, not in the key
        "EVENING<<2weather@refpt001", // 6: walks up past line 5, which holds "@"
        "(END)",                      // 7
    };
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 4}, {5, 5}, {6, 4}, {7, 7}, {99, 99},
    };
    for (const auto& [line, caption] : cases)
        EXPECT_EQ(qm::captionLineFor(catalogue, line), caption) << line;
    // A story with nothing above it but stories ends at the first line.
    EXPECT_EQ(qm::captionLineFor({"A<<2x@1", "B<<2x@2"}, 1), 0u);
}

} // namespace
