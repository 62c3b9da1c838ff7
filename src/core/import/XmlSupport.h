#pragma once
// libxml2 for the book readers: set up once, parse without network or messages, and walk
// element trees by local names (EPUB files mix namespaces and prefixes freely).
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm::import {

// Loads and initialises libxml2 once for all threads; throws UserError when it cannot be
// loaded.
void ensureXmlLibrary();
// A message handler that drops libxml2's messages (bad input is reported by the reader).
void ignoreXmlMessage(void* context, const char* message, ...);

struct XmlDocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

// Well-formed XML (container, package document, NCX); nullptr when it is not. No network,
// no external DTD, entities left unexpanded.
XmlDocPtr parseXml(std::string_view bytes);
// HTML or XHTML as tag soup, as UTF-8 (declared encodings ignored); nullptr when empty or
// when the guard stopped it.
XmlDocPtr parseHtml(std::string_view utf8);

// Bounds on libxml2's HTML parser. It looks through the open elements for each end tag, so
// elements left open and end tags that close nothing cost time in proportion to their
// product, which a hostile file could make quadratic. Both are bounded far beyond what any
// book needs; a parse that passes the bounds is stopped.
class HtmlGuard {
public:
    static constexpr int kMaxDepth = 1024;
    static constexpr unsigned long long kMaxMismatchCost = 50'000'000;

    // To call from the parser's element and error callbacks. onStart returns false when the
    // element must not be handled: the parse has just been stopped.
    bool onStart(xmlParserCtxt* ctxt);
    void onEnd();
    void onError(xmlParserCtxt* ctxt);
    // Why the parse was stopped ("its HTML nests elements more than 1024 deep"), or nullptr.
    const char* stopped() const { return m_stopped; }

private:
    void stop(xmlParserCtxt* ctxt, const char* why);
    int m_depth = 0;
    unsigned long long m_mismatchCost = 0;
    const char* m_stopped = nullptr;
};

// Feeds UTF-8 to a push parser in pieces, so that its own buffers stay small whatever the
// file's size or shape, until the end or until the guard stops it.
void feedHtml(xmlParserCtxt* ctxt, std::string_view utf8, const HtmlGuard& guard);

// The element's name without its namespace prefix.
std::string_view localName(const xmlNode* node);
// An attribute by local name ("epub:type" matches "type"), or empty.
std::string attributeOf(const xmlNode* node, std::string_view local);
bool hasAttribute(const xmlNode* node, std::string_view local);
// The element children of a node.
std::vector<xmlNode*> childElements(const xmlNode* node);
// The first element below a node (depth first, the node itself included) with this name.
xmlNode* findElement(xmlNode* node, std::string_view local);
// Every element below a node (depth first) with this name.
void findElements(xmlNode* node, std::string_view local, std::vector<xmlNode*>& found);
// All text below a node, whitespace collapsed.
std::string textOf(const xmlNode* node);

} // namespace qm::import
