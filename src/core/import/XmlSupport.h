#pragma once
// libxml2 for the book readers: set up once, parse without network or messages, and walk
// element trees by local names (EPUB files mix namespaces and prefixes freely).
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm::import {

// Initialises libxml2 once for all threads.
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
// HTML or XHTML as tag soup, as UTF-8 (declared encodings ignored); nullptr when empty.
XmlDocPtr parseHtml(std::string_view utf8);

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
