#pragma once
// HTML and XHTML (tag soup included) to blocks of a Document, one file after another as an
// EPUB's spine or an HTML book gives them: paragraphs, headings h1-h6, italics and bold,
// images, preformatted text and tables as set lines, line breaks, rules as scene breaks.
// Scripts and styles are dropped, whitespace collapsed, entities decoded. Where each file
// and each element with an id (or an anchor's name) begins is kept, so that a table of
// contents can point at blocks; so are the links that lead inside the files. A note reference
// (a short mark in a link, raised or marked as such) becomes a mark of its own, " [1] ", and the
// elements marked as notes are recorded, so that the notes can be set at their chapters' ends.
#include "core/cascade/Document.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm::import {

struct HtmlLink {
    std::string file;     // the file the link stands in
    std::string href;     // as written
    std::string text;     // its text, cleaned
    std::size_t block;    // the block it stands in (or the next one)
    std::string noteMark; // a note reference's mark ("1"), else empty
};

// The blocks [from, to) of an element marked as a note (a footnote, an endnote).
struct NoteRange {
    std::size_t from = 0;
    std::size_t to = 0;
};

class HtmlBlocks {
public:
    explicit HtmlBlocks(cascade::Document& doc);
    ~HtmlBlocks();
    HtmlBlocks(const HtmlBlocks&) = delete;
    HtmlBlocks& operator=(const HtmlBlocks&) = delete;

    // Parses one file of UTF-8 text (any encoding declared inside is ignored) and appends its
    // blocks. `name` is how links and tables of contents name the file.
    void addFile(std::string_view name, std::string_view utf8);

    // Where pictures come from: given the file an <img> stands in and its src, the name of
    // the picture kept (empty when none was). Without one, a picture's block holds its alt
    // text.
    using PictureSource = std::function<std::string(const std::string& file, std::string_view src)>;
    void setPictureSource(PictureSource source) { m_pictures = std::move(source); }

    // The block where "name" or "name#id" begins, if that was seen.
    std::optional<std::size_t> blockOf(const std::string& target) const;

    // The text of the first file's <title>, cleaned.
    const std::string& titleElement() const { return m_title; }
    const std::vector<HtmlLink>& links() const { return m_links; }
    const std::vector<NoteRange>& notes() const { return m_notes; }

    // Puts the blocks in the order `order` gives (old indices, each once) and moves every
    // recorded position with its block; a block named in `texts` (by old index) takes that text.
    void reorderBlocks(const std::vector<std::size_t>& order,
                       const std::map<std::size_t, std::string>& texts = {});

    // Removes blocks [from, to) and moves every recorded position with them.
    void eraseBlocks(std::size_t from, std::size_t to);

private:
    struct Parser;
    friend struct Parser;
    void recordAnchor(std::string target);

    cascade::Document& m_doc;
    std::unordered_map<std::string, std::size_t> m_anchors;
    std::vector<HtmlLink> m_links;
    std::vector<NoteRange> m_notes;
    std::string m_title;
    bool m_titleSeen = false;
    PictureSource m_pictures;
};

} // namespace qm::import
