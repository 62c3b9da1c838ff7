#pragma once
// A book's structure as the readers of book files hand it to the cascader: its title and
// author, its blocks in reading order and its chapters. Text is UTF-8 with single blanks
// between words; the only bars in it are the style tags "|i>" (italic), "|b>" (bold) and
// "|n>" (plain again), which the cascader carries through to the phrase lines unchanged.
#include "core/base/LineBuffer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {

enum class BlockKind : unsigned char {
    Heading,    // a chapter or section title; `level` 1 (highest) to 6
    Paragraph,  // prose, cascaded phrase by phrase
    Verbatim,   // lines shown as they stand, one per line (a contents list, a table)
    SceneBreak, // a break between scenes ("* * *")
    Image,      // a picture in the book: its text names the picture kept (Document::pictures),
                // or is empty when none was kept and "[image]" stands in its place
    Entry       // one heading-like line that is not prose, such as an entry of the book's
                // printed contents: wrapped to the line width, never coloured as names
};

// A block as a reader adds it.
struct Block {
    BlockKind kind = BlockKind::Paragraph;
    int level = 0;
    std::string text; // Verbatim: its lines separated by '\n'
};

// A block as the list holds it: its text is a view into the list.
struct BlockView {
    BlockKind kind = BlockKind::Paragraph;
    int level = 0;
    std::string_view text;
};

// The blocks of a document, held compactly: their texts one after another in the blocks of a
// LineBuffer, and one byte per block for its kind and level (0 to 31; levels outside are
// clamped), so that a book of millions of short paragraphs costs its words and a few bytes
// each, not a string and an allocation apiece. Blocks are added whole and read as views, which
// stay valid until the list is changed other than by adding.
class BlockList {
public:
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = BlockView;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = BlockView;

        const_iterator() = default;
        const_iterator(const BlockList* list, std::size_t index)
            : m_list(list)
            , m_index(index) {}
        BlockView operator*() const { return (*m_list)[m_index]; }
        const_iterator& operator++() {
            ++m_index;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++m_index;
            return before;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.m_index == b.m_index;
        }

    private:
        const BlockList* m_list = nullptr;
        std::size_t m_index = 0;
    };
    using value_type = BlockView;
    using size_type = std::size_t;

    static constexpr int kMaxLevel = 31;

    BlockList() = default;
    BlockList(std::initializer_list<Block> blocks);

    std::size_t size() const { return m_kinds.size(); }
    bool empty() const { return m_kinds.empty(); }
    BlockView operator[](std::size_t i) const;
    BlockView back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    // The bytes of all the blocks' texts.
    std::size_t textBytes() const { return m_textBytes; }

    void push_back(const Block& block) { add(block.kind, block.level, block.text); }
    void add(BlockKind kind, int level, std::string_view text);
    // Gives block i another kind, its level and text as they are.
    void setKind(std::size_t i, BlockKind kind);
    // Removes blocks [from, to) (to is cut to the size).
    void erase(std::size_t from, std::size_t to);
    // Keeps only the blocks i for which keep(i) holds, in order, without holding the texts
    // twice.
    void keepIf(const std::function<bool(std::size_t)>& keep);
    void clear();
    // Lets go of the texts of blocks before block i as far as they fill whole pieces of the
    // list, for a reader going through the blocks once in order: their texts read as empty.
    void releaseTextBefore(std::size_t i) { m_texts.releaseBefore(i); }

private:
    LineBuffer m_texts;
    std::vector<std::uint8_t> m_kinds; // the kind in the low three bits, the level above
    std::size_t m_textBytes = 0;
};

// An entry of the book's own table of contents: its title and the block it opens at (a
// Heading block where the book has one), nested by depth from 0.
struct Chapter {
    std::string title;
    std::size_t block = 0;
    int depth = 0;
};

// A book's chapters in a list that grows without copying itself into a doubled array: a book
// of short chapters may list thousands, which would otherwise stand twice in memory.
using ChapterList = std::deque<Chapter>;

// The chapters' indexes in the order of the blocks they open at, those opening at one block
// in the list's order; four bytes a chapter.
std::vector<std::uint32_t> chaptersInBlockOrder(const ChapterList& chapters);

// A book laid out already (an EPUB this reader wrote): its stored lines as they stand, UTF-8,
// the banner first and "END" last, taken as they are instead of cascading the blocks; and the
// reference point each chapter opens at, in the order of Document::chapters.
struct LaidOutText {
    std::vector<std::string> lines;
    std::vector<std::string> chapterPoints;
};

// A picture of the book, kept to be stored beside it: its name of our own ("img0001.png"),
// its bytes, and the rows it takes on the page.
struct Picture {
    std::string name;
    std::string bytes;
    int rows = 10;
};

struct Document {
    std::string title;
    std::string author;
    BlockList blocks;
    ChapterList chapters;
    std::optional<LaidOutText> laidOut; // set: the lines are the book, the blocks are empty
    std::vector<Picture> pictures;
    std::string cover; // the name of the picture shown first, before the title, or empty
};

} // namespace qm::cascade
