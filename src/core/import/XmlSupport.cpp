#include "core/import/XmlSupport.h"

#include "core/import/InlineText.h"
#include "core/import/SharedLibraries.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <climits>
#include <mutex>

namespace qm::import {

void ensureXmlLibrary() {
    requireXmlLibrary();
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

void ignoreXmlMessage(void*, const char*, ...) {}

namespace {

int sizeOf(std::string_view bytes) {
    return bytes.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                            : static_cast<int>(bytes.size());
}

void appendText(const xmlNode* node, std::string& out, int depth) {
    // Trees come from libxml2, which caps their depth; the bound here is only a guard.
    if (depth > 1000) return;
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
            if (c->content) out += reinterpret_cast<const char*>(c->content);
        } else if (c->type == XML_ELEMENT_NODE) {
            out += ' ';
            appendText(c, out, depth + 1);
        }
    }
}

xmlNode* findIn(xmlNode* node, std::string_view local, int depth) {
    if (!node || depth > 1000) return nullptr;
    if (node->type == XML_ELEMENT_NODE && localName(node) == local) return node;
    for (xmlNode* c = node->children; c; c = c->next)
        if (xmlNode* f = findIn(c, local, depth + 1)) return f;
    return nullptr;
}

void findAllIn(xmlNode* node, std::string_view local, std::vector<xmlNode*>& found, int depth) {
    if (!node || depth > 1000) return;
    if (node->type == XML_ELEMENT_NODE && localName(node) == local) found.push_back(node);
    for (xmlNode* c = node->children; c; c = c->next)
        findAllIn(c, local, found, depth + 1);
}

} // namespace

XmlDocPtr parseXml(std::string_view bytes) {
    ensureXmlLibrary();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) return nullptr;
    ctxt->sax->warning = ignoreXmlMessage;
    ctxt->sax->error = ignoreXmlMessage;
    ctxt->sax->serror = nullptr;
    XmlDocPtr doc(xmlCtxtReadMemory(ctxt, bytes.data(), sizeOf(bytes), nullptr, nullptr,
                                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                                        XML_PARSE_NOCDATA));
    const bool wellFormed = ctxt->wellFormed != 0;
    xmlFreeParserCtxt(ctxt);
    if (!wellFormed) return nullptr;
    return doc;
}

bool HtmlGuard::onStart(xmlParserCtxt* ctxt) {
    if (m_stopped) return false;
    if (++m_depth > kMaxDepth) {
        stop(ctxt, "its HTML nests elements more than 1024 deep");
        return false;
    }
    return true;
}

void HtmlGuard::onEnd() {
    if (m_depth > 0) --m_depth;
}

void HtmlGuard::onError(xmlParserCtxt* ctxt) {
    if (!ctxt || ctxt->errNo != XML_ERR_TAG_NAME_MISMATCH) return;
    m_mismatchCost += static_cast<unsigned long long>(m_depth) + 1;
    if (m_mismatchCost > kMaxMismatchCost)
        stop(ctxt, "its HTML has too many end tags that close nothing");
}

void HtmlGuard::stop(xmlParserCtxt* ctxt, const char* why) {
    if (!m_stopped) m_stopped = why;
    xmlStopParser(ctxt);
}

void feedHtml(xmlParserCtxt* ctxt, std::string_view utf8, const HtmlGuard& guard) {
    htmlCtxtUseOptions(ctxt, HTML_PARSE_NONET | HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC);
    constexpr std::size_t kPiece = 32 * 1024;
    for (std::size_t at = 0; at < utf8.size() && !guard.stopped(); at += kPiece) {
        const std::size_t n = std::min(kPiece, utf8.size() - at);
        htmlParseChunk(ctxt, utf8.data() + at, static_cast<int>(n), 0);
    }
    if (!guard.stopped()) htmlParseChunk(ctxt, nullptr, 0, 1);
}

namespace {

// The tree builder's own callbacks, guarded. The parser's user data is the parser itself
// while it builds a tree; the guard and the builder's callbacks ride in its _private.
struct TreeGuard {
    HtmlGuard guard;
    startElementSAXFunc start = nullptr;
    endElementSAXFunc end = nullptr;
};

TreeGuard& treeGuardOf(void* ctx) {
    return *static_cast<TreeGuard*>(static_cast<xmlParserCtxt*>(ctx)->_private);
}

void guardedStart(void* ctx, const xmlChar* name, const xmlChar** atts) {
    TreeGuard& g = treeGuardOf(ctx);
    if (g.guard.onStart(static_cast<xmlParserCtxt*>(ctx))) g.start(ctx, name, atts);
}

void guardedEnd(void* ctx, const xmlChar* name) {
    TreeGuard& g = treeGuardOf(ctx);
    g.guard.onEnd();
    g.end(ctx, name);
}

void guardedError(void* ctx, const char*, ...) {
    treeGuardOf(ctx).guard.onError(static_cast<xmlParserCtxt*>(ctx));
}

} // namespace

XmlDocPtr parseHtml(std::string_view utf8) {
    ensureXmlLibrary();
    htmlParserCtxtPtr ctxt =
        htmlCreatePushParserCtxt(nullptr, nullptr, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
    if (!ctxt) return nullptr;
    TreeGuard g;
    g.start = ctxt->sax->startElement;
    g.end = ctxt->sax->endElement;
    ctxt->_private = &g;
    ctxt->sax->startElement = guardedStart;
    ctxt->sax->endElement = guardedEnd;
    ctxt->sax->warning = ignoreXmlMessage;
    ctxt->sax->error = guardedError;
    ctxt->sax->fatalError = guardedError;
    ctxt->sax->serror = nullptr;
    feedHtml(ctxt, utf8, g.guard);
    XmlDocPtr doc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    htmlFreeParserCtxt(ctxt);
    if (g.guard.stopped()) return nullptr;
    return doc;
}

std::string_view localName(const xmlNode* node) {
    if (!node || !node->name) return {};
    std::string_view n(reinterpret_cast<const char*>(node->name));
    const std::size_t colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

namespace {

const xmlAttr* findAttribute(const xmlNode* node, std::string_view local) {
    if (!node || node->type != XML_ELEMENT_NODE) return nullptr;
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        std::string_view n(reinterpret_cast<const char*>(a->name));
        const std::size_t colon = n.rfind(':');
        if (colon != std::string_view::npos) n = n.substr(colon + 1);
        if (n == local) return a;
    }
    return nullptr;
}

} // namespace

bool hasAttribute(const xmlNode* node, std::string_view local) {
    return findAttribute(node, local) != nullptr;
}

std::string attributeOf(const xmlNode* node, std::string_view local) {
    const xmlAttr* a = findAttribute(node, local);
    if (!a) return {};
    std::string value;
    for (const xmlNode* c = a->children; c; c = c->next)
        if (c->content) value += reinterpret_cast<const char*>(c->content);
    return value;
}

std::vector<xmlNode*> childElements(const xmlNode* node) {
    std::vector<xmlNode*> out;
    if (!node) return out;
    for (xmlNode* c = node->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) out.push_back(c);
    return out;
}

xmlNode* findElement(xmlNode* node, std::string_view local) {
    return findIn(node, local, 0);
}

void findElements(xmlNode* node, std::string_view local, std::vector<xmlNode*>& found) {
    findAllIn(node, local, found, 0);
}

std::string textOf(const xmlNode* node) {
    std::string raw;
    if (node) appendText(node, raw, 0);
    return cleanText(raw);
}

} // namespace qm::import
