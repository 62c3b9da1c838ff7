#include "core/import/HtmlBlocks.h"

#include "core/base/Error.h"
#include "core/import/DocumentTidy.h"
#include "core/import/HtmlNotes.h"
#include "core/import/InlineText.h"
#include "core/import/XmlSupport.h"

#include <libxml/HTMLparser.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace qm::import {
namespace {

using cascade::Block;
using cascade::BlockKind;

enum class Element : unsigned char {
    Inline,
    Skip,
    Block,
    Heading,
    Pre,
    Table,
    Row,
    Cell,
    Br,
    Hr,
    Img,
    List,
    Item,
    Italic,
    Bold,
    Anchor,
    Title
};

struct ElementName {
    const char* name;
    Element kind;
};

// Elements by name; any other element is inline and adds nothing but its text.
constexpr std::array kElements{ElementName{"a", Element::Anchor},
                               ElementName{"address", Element::Block},
                               ElementName{"article", Element::Block},
                               ElementName{"aside", Element::Block},
                               ElementName{"b", Element::Bold},
                               ElementName{"blockquote", Element::Block},
                               ElementName{"body", Element::Block},
                               ElementName{"br", Element::Br},
                               ElementName{"caption", Element::Block},
                               ElementName{"center", Element::Block},
                               ElementName{"cite", Element::Italic},
                               ElementName{"dd", Element::Block},
                               ElementName{"details", Element::Block},
                               ElementName{"dfn", Element::Italic},
                               ElementName{"div", Element::Block},
                               ElementName{"dl", Element::Block},
                               ElementName{"dt", Element::Block},
                               ElementName{"em", Element::Italic},
                               ElementName{"figcaption", Element::Block},
                               ElementName{"figure", Element::Block},
                               ElementName{"footer", Element::Block},
                               ElementName{"form", Element::Block},
                               ElementName{"h1", Element::Heading},
                               ElementName{"h2", Element::Heading},
                               ElementName{"h3", Element::Heading},
                               ElementName{"h4", Element::Heading},
                               ElementName{"h5", Element::Heading},
                               ElementName{"h6", Element::Heading},
                               ElementName{"head", Element::Block},
                               ElementName{"header", Element::Block},
                               ElementName{"hr", Element::Hr},
                               ElementName{"html", Element::Block},
                               ElementName{"i", Element::Italic},
                               ElementName{"iframe", Element::Skip},
                               ElementName{"image", Element::Img},
                               ElementName{"img", Element::Img},
                               ElementName{"li", Element::Item},
                               ElementName{"listing", Element::Pre},
                               ElementName{"main", Element::Block},
                               ElementName{"math", Element::Skip},
                               ElementName{"nav", Element::Block},
                               ElementName{"noscript", Element::Skip},
                               ElementName{"object", Element::Skip},
                               ElementName{"ol", Element::List},
                               ElementName{"p", Element::Block},
                               ElementName{"pre", Element::Pre},
                               ElementName{"script", Element::Skip},
                               ElementName{"section", Element::Block},
                               ElementName{"strong", Element::Bold},
                               ElementName{"style", Element::Skip},
                               ElementName{"summary", Element::Block},
                               ElementName{"table", Element::Table},
                               ElementName{"td", Element::Cell},
                               ElementName{"template", Element::Skip},
                               ElementName{"th", Element::Cell},
                               ElementName{"title", Element::Title},
                               ElementName{"tr", Element::Row},
                               ElementName{"ul", Element::List},
                               ElementName{"var", Element::Italic},
                               ElementName{"xmp", Element::Pre}};

// Names come lower case from the HTML parser; a namespace prefix ("svg:image") is dropped.
const char* localName(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

Element elementOf(const char* qualified) {
    const char* name = localName(qualified);
    const auto it = std::lower_bound(
        kElements.begin(), kElements.end(), name,
        [](const ElementName& e, const char* n) { return std::strcmp(e.name, n) < 0; });
    if (it != kElements.end() && std::strcmp(it->name, name) == 0) return it->kind;
    return Element::Inline;
}

const char* attribute(const xmlChar** atts, const char* name) {
    for (int i = 0; atts && atts[i]; i += 2) {
        const char* a = reinterpret_cast<const char*>(atts[i]);
        if (const char* colon = std::strrchr(a, ':')) a = colon + 1;
        if (std::strcmp(a, name) == 0 && atts[i + 1])
            return reinterpret_cast<const char*>(atts[i + 1]);
    }
    return nullptr;
}

// A list item longer than this (in bytes, style tags aside) is prose: its list is cascaded
// item by item rather than set as lines.
constexpr std::size_t kLongestListLine = 60;

} // namespace

// The state of one file's parse: what is open and the text of the block being built.
struct HtmlBlocks::Parser {
    HtmlBlocks& owner;
    std::string file;
    InlineText text;
    InlineText row;
    std::vector<std::string> rows;
    std::vector<Style> styles;
    std::vector<std::string> pendingImages;
    int skipDepth = 0;
    int headingLevel = 0;
    int preDepth = 0;
    int tableDepth = 0;
    bool layoutTable = false; // a table that holds paragraphs lays out the page: read as prose
    bool inTitle = false;
    std::string titleText;
    bool inLink = false;
    std::string linkHref;
    InlineText linkText;
    std::size_t linkBlock = 0;
    // A link that may be a note reference: its text is held back until it ends.
    bool refCandidate = false;
    bool refTyped = false;  // marked as a note reference
    bool refRaised = false; // raised (in or around a <sup>)
    std::string refText;
    bool afterMark = false; // a note mark was just written: a word after it gets a blank
    int supDepth = 0;
    int depth = 0;     // elements open
    int noteDepth = 0; // the depth of the open note element, 0 when none
    std::size_t noteFrom = 0;
    // Lists: each open list, and the items of the outermost one as blocks with their depth.
    struct OpenList {
        bool ordered = false;
        int count = 0;
    };
    std::vector<OpenList> lists;
    std::vector<std::pair<std::size_t, std::size_t>> items; // block, depth from 1
    std::size_t listStart = 0;
    std::string itemPrefix; // "•" or "3.", until the item's first block is written
    std::size_t itemDepth = 0;
    int cellsInRow = 0;

    htmlParserCtxtPtr context = nullptr;
    HtmlGuard guard;

    Parser(HtmlBlocks& o, std::string name)
        : owner(o)
        , file(std::move(name)) {}

    cascade::BlockList& blocks() { return owner.m_doc.blocks; }
    bool inSetTable() const { return tableDepth > 0 && !layoutTable; }
    InlineText& out() { return inSetTable() ? row : text; }

    void applyStyle() {
        const Style s = styles.empty() ? Style::Plain : styles.back();
        text.setStyle(s);
        row.setStyle(s);
    }

    void flushImages() {
        for (std::string& alt : pendingImages)
            blocks().push_back(Block{BlockKind::Image, 0, std::move(alt)});
        pendingImages.clear();
    }

    void flush() {
        if (!text.empty()) {
            Block b;
            if (headingLevel > 0) {
                b.kind = BlockKind::Heading;
                b.level = headingLevel;
            } else if (preDepth > 0 || text.hasLineBreaks()) {
                b.kind = BlockKind::Verbatim;
            }
            b.text = text.take();
            if (!itemPrefix.empty()) {
                b.text = itemPrefix + " " + b.text;
                if (b.kind == BlockKind::Paragraph) items.emplace_back(blocks().size(), itemDepth);
                itemPrefix.clear();
            }
            blocks().push_back(std::move(b));
        }
        flushImages();
    }

    void endRow() {
        if (!row.empty()) rows.push_back(row.take());
        cellsInRow = 0;
    }

    // The outermost list has ended: when it holds nothing but short items, one block each,
    // they become one block of set lines, a nested item indented four blanks a level.
    void setListAsLines() {
        const std::size_t end = blocks().size();
        if (items.empty() || items.size() != end - listStart) return;
        std::string lines;
        for (const auto& [b, itemLevel] : items) {
            if (removeStyleTags(blocks()[b].text).size() > kLongestListLine) return;
            if (!lines.empty()) lines += '\n';
            lines.append(4 * (itemLevel - 1), ' ');
            lines += blocks()[b].text;
        }
        blocks().push_back(Block{BlockKind::Verbatim, 0, std::move(lines)});
        owner.eraseBlocks(listStart, end);
    }

    void flushTable() {
        endRow();
        std::string lines;
        for (const std::string& r : rows) {
            if (!lines.empty()) lines += '\n';
            lines += r;
        }
        rows.clear();
        if (!lines.empty()) blocks().push_back(Block{BlockKind::Verbatim, 0, std::move(lines)});
        flushImages();
    }

    // A block boundary: inside a heading or a table row only a blank.
    void boundary() {
        if (inSetTable() || headingLevel > 0)
            out().addText(" ");
        else
            flush();
    }

    // A paragraph inside a table: the table is a page layout, its rows so far are prose.
    void becomeLayoutTable() {
        layoutTable = true;
        endRow();
        for (std::string& r : rows)
            blocks().push_back(Block{BlockKind::Paragraph, 0, std::move(r)});
        rows.clear();
    }

    // The link held back is no note reference after all: its text goes in as it stands.
    void giveUpNoteRef() {
        if (!refCandidate) return;
        refCandidate = false;
        out().addText(refText);
        refText.clear();
    }

    void start(const char* name, const xmlChar** atts) {
        if (skipDepth > 0) {
            ++skipDepth;
            return;
        }
        const Element kind = elementOf(name);
        if (kind != Element::Skip) {
            ++depth;
            if (noteDepth == 0 && isNoteElement(attribute(atts, "type"), attribute(atts, "role"),
                                                attribute(atts, "class"))) {
                giveUpNoteRef();
                flush();
                noteDepth = depth;
                noteFrom = blocks().size();
            }
        }
        if (kind != Element::Inline) giveUpNoteRef();
        if (kind == Element::Inline && std::strcmp(localName(name), "sup") == 0) {
            ++supDepth;
            if (refCandidate) refRaised = true;
        }
        startElement(name, atts, kind);
    }

    void startElement(const char* name, const xmlChar** atts, Element kind) {
        if (const char* id = attribute(atts, "id")) owner.recordAnchor(file + "#" + id);
        switch (kind) {
        case Element::Skip:
            skipDepth = 1;
            return;
        case Element::Title:
            inTitle = true;
            return;
        case Element::Block:
            if (inSetTable() && std::strcmp(localName(name), "p") == 0) becomeLayoutTable();
            boundary();
            return;
        case Element::Heading:
            if (inSetTable()) becomeLayoutTable();
            flush();
            headingLevel = localName(name)[1] - '0';
            return;
        case Element::Pre:
            if (inSetTable()) becomeLayoutTable();
            flush();
            ++preDepth;
            text.setKeepSpaces(true);
            return;
        case Element::Table:
            if (tableDepth++ == 0) {
                flush();
                layoutTable = false;
            } else {
                boundary();
            }
            return;
        case Element::Row:
            if (inSetTable())
                endRow();
            else
                boundary();
            return;
        case Element::Cell:
            // Cells of a row are parted by a broken bar, an empty cell keeping its place.
            if (inSetTable())
                row.addText(cellsInRow++ > 0 ? " \xC2\xA6 " : " ");
            else
                boundary();
            return;
        case Element::List:
            if (inSetTable()) {
                boundary();
                return;
            }
            flush();
            if (lists.empty()) {
                listStart = blocks().size();
                items.clear();
            }
            lists.push_back(OpenList{std::strcmp(localName(name), "ol") == 0, 0});
            return;
        case Element::Item:
            if (inSetTable() || lists.empty()) {
                boundary();
                return;
            }
            flush();
            itemPrefix = lists.back().ordered ? std::to_string(++lists.back().count) + "."
                                              : std::string("\xE2\x80\xA2");
            itemDepth = lists.size();
            return;
        case Element::Br:
            if (inSetTable() || headingLevel > 0)
                out().addText(" ");
            else
                text.addLineBreak();
            return;
        case Element::Hr:
            if (inSetTable()) return;
            flush();
            blocks().push_back(Block{BlockKind::SceneBreak, 0, {}});
            return;
        case Element::Img: {
            if (owner.m_pictures) {
                const char* src = attribute(atts, "src");
                if (!src) src = attribute(atts, "href"); // an SVG <image>
                pendingImages.push_back(src ? owner.m_pictures(file, src) : std::string());
            } else {
                const char* alt = attribute(atts, "alt");
                pendingImages.push_back(alt ? cleanText(alt) : std::string());
            }
            if (text.empty() && !inSetTable()) flushImages();
            return;
        }
        case Element::Italic:
        case Element::Bold:
            styles.push_back(kind == Element::Italic ? Style::Italic : Style::Bold);
            applyStyle();
            return;
        case Element::Anchor:
            if (const char* n = attribute(atts, "name")) owner.recordAnchor(file + "#" + n);
            if (const char* href = attribute(atts, "href")) {
                inLink = true;
                linkHref = href;
                linkText.take();
                linkBlock = blocks().size();
                refCandidate = std::strchr(href, '#') != nullptr;
                refTyped = isNoteReference(attribute(atts, "type"), attribute(atts, "role"));
                refRaised = supDepth > 0;
                refText.clear();
            }
            return;
        case Element::Inline:
            return;
        }
    }

    void end(const char* name) {
        if (skipDepth > 0) {
            --skipDepth;
            return;
        }
        const Element kind = elementOf(name);
        if (kind == Element::Inline && supDepth > 0 && std::strcmp(localName(name), "sup") == 0)
            --supDepth;
        endElement(kind);
        if (noteDepth > 0 && depth == noteDepth) {
            flush();
            if (blocks().size() > noteFrom)
                owner.m_notes.push_back(NoteRange{noteFrom, blocks().size()});
            noteDepth = 0;
        }
        --depth;
    }

    void endElement(Element kind) {
        switch (kind) {
        case Element::Title:
            inTitle = false;
            return;
        case Element::Block:
        case Element::Item:
            boundary();
            return;
        case Element::List:
            if (inSetTable() || lists.empty()) {
                boundary();
                return;
            }
            flush();
            itemPrefix.clear();
            lists.pop_back();
            if (lists.empty()) setListAsLines();
            return;
        case Element::Heading:
            if (headingLevel > 0) flush();
            headingLevel = 0;
            return;
        case Element::Pre:
            flush();
            if (preDepth > 0 && --preDepth == 0) text.setKeepSpaces(false);
            return;
        case Element::Table:
            if (tableDepth == 0) return;
            if (--tableDepth == 0) {
                if (layoutTable)
                    flush();
                else
                    flushTable();
                layoutTable = false;
            }
            return;
        case Element::Row:
            if (inSetTable())
                endRow();
            else
                boundary();
            return;
        case Element::Italic:
        case Element::Bold: {
            const Style s = kind == Element::Italic ? Style::Italic : Style::Bold;
            const auto it = std::find(styles.rbegin(), styles.rend(), s);
            if (it != styles.rend()) styles.erase(std::next(it).base());
            applyStyle();
            return;
        }
        case Element::Anchor:
            if (inLink) {
                std::string mark;
                if (refCandidate) {
                    refCandidate = false;
                    mark = noteMarkOf(refText, refRaised || supDepth > 0, refTyped);
                    if (mark.empty()) {
                        out().addText(refText);
                    } else {
                        out().addText(" [" + mark + "]");
                        afterMark = true;
                    }
                    refText.clear();
                }
                owner.m_links.push_back(
                    HtmlLink{file, linkHref, linkText.take(), linkBlock, std::move(mark)});
                inLink = false;
            }
            return;
        default:
            return;
        }
    }

    void characters(std::string_view s) {
        if (skipDepth > 0) return;
        if (inTitle) {
            titleText.append(s);
            return;
        }
        if (inLink) linkText.addText(s);
        if (refCandidate) {
            refText.append(s);
            if (refText.size() > 16 && !refTyped) giveUpNoteRef();
            return;
        }
        if (afterMark && !s.empty()) {
            afterMark = false;
            const auto c = static_cast<unsigned char>(s.front());
            if (c >= 0x80 || std::isalnum(c)) out().addText(" ");
        }
        if (preDepth > 0 && !inSetTable()) {
            // Preformatted text keeps its line ends.
            std::size_t from = 0;
            for (std::size_t nl; (nl = s.find('\n', from)) != std::string_view::npos;) {
                text.addText(s.substr(from, nl - from));
                text.addLineBreak();
                from = nl + 1;
            }
            text.addText(s.substr(from));
            return;
        }
        out().addText(s);
    }

    void finish() {
        giveUpNoteRef();
        if (tableDepth > 0 && !layoutTable) flushTable();
        headingLevel = std::min(headingLevel, 6);
        flush();
        if (!owner.m_titleSeen) {
            owner.m_title = cleanText(titleText);
            owner.m_titleSeen = true;
        }
    }

    static void onStart(void* ctx, const xmlChar* name, const xmlChar** atts) {
        auto* p = static_cast<Parser*>(ctx);
        if (p->guard.onStart(p->context)) p->start(reinterpret_cast<const char*>(name), atts);
    }
    static void onEnd(void* ctx, const xmlChar* name) {
        auto* p = static_cast<Parser*>(ctx);
        p->guard.onEnd();
        p->end(reinterpret_cast<const char*>(name));
    }
    // Errors are not reported (bad HTML is read as far as it goes) but counted by the guard.
    static void onError(void* ctx, const char*, ...) {
        auto* p = static_cast<Parser*>(ctx);
        p->guard.onError(p->context);
    }
    static void onCharacters(void* ctx, const xmlChar* s, int len) {
        if (len > 0)
            static_cast<Parser*>(ctx)->characters(
                std::string_view(reinterpret_cast<const char*>(s), static_cast<std::size_t>(len)));
    }
};

HtmlBlocks::HtmlBlocks(cascade::Document& doc)
    : m_doc(doc) {}
HtmlBlocks::~HtmlBlocks() = default;

void HtmlBlocks::recordAnchor(std::string target) {
    m_anchors.try_emplace(std::move(target), m_doc.blocks.size());
}

std::optional<std::size_t> HtmlBlocks::blockOf(const std::string& target) const {
    const auto it = m_anchors.find(target);
    if (it == m_anchors.end()) return std::nullopt;
    return it->second;
}

void HtmlBlocks::eraseBlocks(std::size_t from, std::size_t to) {
    to = std::min(to, m_doc.blocks.size());
    if (from >= to) return;
    m_doc.blocks.erase(from, to);
    auto move = [&](std::size_t& b) {
        if (b >= to)
            b -= to - from;
        else if (b > from)
            b = from;
    };
    for (auto& [name, block] : m_anchors)
        move(block);
    for (HtmlLink& l : m_links)
        move(l.block);
    for (NoteRange& n : m_notes) {
        move(n.from);
        move(n.to);
    }
}

void HtmlBlocks::reorderBlocks(const std::vector<std::size_t>& order,
                               const std::map<std::size_t, std::string>& texts) {
    const std::size_t n = m_doc.blocks.size();
    std::vector<std::size_t> newIndex(n + 1, n);
    cascade::BlockList blocks;
    for (const std::size_t old : order) {
        newIndex[old] = blocks.size();
        const cascade::BlockView b = m_doc.blocks[old];
        const auto text = texts.find(old);
        blocks.add(b.kind, b.level, text == texts.end() ? b.text : std::string_view(text->second));
    }
    m_doc.blocks = std::move(blocks);
    for (auto& [name, block] : m_anchors)
        block = newIndex[std::min(block, n)];
    for (HtmlLink& l : m_links)
        l.block = newIndex[std::min(l.block, n)];
    for (NoteRange& r : m_notes) {
        const std::size_t size = r.to - r.from;
        r.from = newIndex[std::min(r.from, n)];
        r.to = r.from + size;
    }
}

void HtmlBlocks::addFile(std::string_view name, std::string_view utf8) {
    ensureXmlLibrary();
    recordAnchor(std::string(name));
    Parser parser(*this, std::string(name));
    htmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = Parser::onStart;
    sax.endElement = Parser::onEnd;
    sax.characters = Parser::onCharacters;
    sax.ignorableWhitespace = Parser::onCharacters;
    sax.cdataBlock = Parser::onCharacters;
    sax.warning = ignoreXmlMessage;
    sax.error = Parser::onError;
    sax.fatalError = Parser::onError;
    htmlParserCtxtPtr ctxt =
        htmlCreatePushParserCtxt(&sax, &parser, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
    if (!ctxt) throw std::bad_alloc();
    parser.context = ctxt;
    feedHtml(ctxt, utf8, parser.guard);
    htmlFreeParserCtxt(ctxt);
    if (parser.guard.stopped())
        throw UserError(std::string(parser.guard.stopped()) +
                        ", more than any book has (the file is damaged).");
    parser.finish();
}

} // namespace qm::import
