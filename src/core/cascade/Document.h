#pragma once
// A book's structure as the readers of book files hand it to the cascader: its title and
// author, its blocks in reading order and its chapters. Text is UTF-8 with single blanks
// between words; the only bars in it are the style tags "|i>" (italic), "|b>" (bold) and
// "|n>" (plain again), which the cascader carries through to the phrase lines unchanged.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qm::cascade {

enum class BlockKind : unsigned char {
    Heading,    // a chapter or section title; `level` 1 (highest) to 6
    Paragraph,  // prose, cascaded phrase by phrase
    Verbatim,   // lines shown as they stand, one per line (a contents list, a table)
    SceneBreak, // a break between scenes ("* * *")
    Image,      // a picture in the book, shown as "[image]"
    Entry       // one heading-like line that is not prose, such as an entry of the book's
                // printed contents: wrapped to the line width, never coloured as names
};

struct Block {
    BlockKind kind = BlockKind::Paragraph;
    int level = 0;
    std::string text; // Verbatim: its lines separated by '\n'
};

// An entry of the book's own table of contents: its title and the block it opens at (a
// Heading block where the book has one), nested by depth from 0.
struct Chapter {
    std::string title;
    std::size_t block = 0;
    int depth = 0;
};

// A book laid out already (an EPUB this reader wrote): its stored lines as they stand, UTF-8,
// the banner first and "END" last, taken as they are instead of cascading the blocks; and the
// reference point each chapter opens at, in the order of Document::chapters.
struct LaidOutText {
    std::vector<std::string> lines;
    std::vector<std::string> chapterPoints;
};

struct Document {
    std::string title;
    std::string author;
    std::vector<Block> blocks;
    std::vector<Chapter> chapters;
    std::optional<LaidOutText> laidOut; // set: the lines are the book, the blocks are empty
};

} // namespace qm::cascade
