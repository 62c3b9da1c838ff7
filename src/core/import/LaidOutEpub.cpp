#include "core/import/LaidOutEpub.h"

#include "core/base/Error.h"
#include "core/import/BookPictures.h"
#include "core/import/CascadeMarkup.h"
#include "core/import/EpubBook.h"
#include "core/import/XmlSupport.h"

#include <unordered_map>

namespace qm::import {

namespace markup {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::string encodeLine(std::string_view utf8Line) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8Line.size());
    for (const char c : utf8Line) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '%') {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string decodeLine(std::string_view attribute) {
    std::string out;
    out.reserve(attribute.size());
    for (std::size_t i = 0; i < attribute.size(); ++i) {
        if (attribute[i] == '%' && i + 2 < attribute.size() && hexDigit(attribute[i + 1]) >= 0 &&
            hexDigit(attribute[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(attribute[i + 1]) * 16 + hexDigit(attribute[i + 2]));
            i += 2;
        } else {
            out += attribute[i];
        }
    }
    return out;
}

} // namespace markup

namespace {

bool hasClass(const xmlNode* node, std::string_view name) {
    const std::string classes = attributeOf(node, "class");
    std::size_t start = 0;
    while (start < classes.size()) {
        std::size_t end = classes.find(' ', start);
        if (end == std::string::npos) end = classes.size();
        if (std::string_view(classes).substr(start, end - start) == name) return true;
        start = end + 1;
    }
    return false;
}

// The first class of the form prefix + rest (rest of `size` characters), or empty.
std::string classWith(const xmlNode* node, char prefix, std::size_t size) {
    const std::string classes = attributeOf(node, "class");
    std::size_t start = 0;
    while (start < classes.size()) {
        std::size_t end = classes.find(' ', start);
        if (end == std::string::npos) end = classes.size();
        if (end - start == size + 1 && classes[start] == prefix)
            return classes.substr(start + 1, size);
        start = end + 1;
    }
    return {};
}

// A phrase line's words and tags, in order: text as it stands, a "t" span's tag before its
// text, a reference-point span as its tag.
void appendInline(const xmlNode* node, std::string& out, int depth) {
    if (depth > 64) return;
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE && c->content) {
            out += reinterpret_cast<const char*>(c->content);
        } else if (c->type == XML_ELEMENT_NODE) {
            if (hasClass(c, markup::kReferenceClass)) {
                out += '|' + attributeOf(c, "id") + '>';
                continue;
            }
            const std::string tag = classWith(c, 't', 1);
            if (!tag.empty()) out += "|" + tag + ">";
            appendInline(c, out, depth + 1);
        }
    }
}

bool isLineElement(std::string_view name) {
    return name == "p" || (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6');
}

// The stored lines of one chapter file's body, in document order.
void readLines(const xmlNode* node, std::vector<std::string>& lines, int depth) {
    if (depth > 64) return;
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        if (!isLineElement(localName(c))) {
            readLines(c, lines, depth + 1);
            continue;
        }
        if (hasAttribute(c, markup::kLineAttribute)) {
            lines.push_back(markup::decodeLine(attributeOf(c, markup::kLineAttribute)));
            continue;
        }
        const std::string level = classWith(c, 'l', 2);
        if (level.empty()) continue; // no line of the text (a heading of the reader's own)
        std::string line = "l" + level;
        appendInline(c, line, 0);
        lines.push_back(std::move(line));
    }
}

struct Package {
    std::string title;
    std::string author;
    std::unordered_map<std::string, std::string> files; // manifest id to entry name
    std::vector<std::string> spine;
    std::string nav;
};

std::optional<Package> markedPackage(ZipArchive& zip, const std::string& path) {
    if (!zip.contains(path)) return std::nullopt;
    XmlDocPtr doc = parseXml(zip.read(path));
    xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    xmlNode* metadata = root ? findElement(root, "metadata") : nullptr;
    if (!metadata) return std::nullopt;
    bool marked = false;
    for (xmlNode* m : childElements(metadata))
        marked = marked ||
                 (localName(m) == "meta" && attributeOf(m, "property") == markup::kLayoutProperty);
    if (!marked) return std::nullopt;
    Package pkg;
    if (xmlNode* t = findElement(metadata, "title")) pkg.title = textOf(t);
    if (xmlNode* a = findElement(metadata, "creator")) pkg.author = textOf(a);
    std::vector<xmlNode*> items;
    if (xmlNode* manifest = findElement(root, "manifest")) findElements(manifest, "item", items);
    for (xmlNode* item : items) {
        const auto target = resolveEpubLink(path, attributeOf(item, "href"));
        if (!target) continue;
        pkg.files.try_emplace(attributeOf(item, "id"), *target);
        const std::string properties = attributeOf(item, "properties");
        if (properties == "nav" || properties.starts_with("nav ") ||
            properties.find(" nav") != std::string::npos)
            pkg.nav = *target;
    }
    if (xmlNode* spine = findElement(root, "spine"))
        for (xmlNode* ref : childElements(spine))
            if (localName(ref) == "itemref") pkg.spine.push_back(attributeOf(ref, "idref"));
    return pkg;
}

XmlDocPtr parseFile(ZipArchive& zip, const std::string& name) {
    XmlDocPtr doc = parseXml(zip.read(name));
    if (!doc || !xmlDocGetRootElement(doc.get()))
        throw UserError("its file \"" + name + "\" is not well-formed XML.");
    return doc;
}

// The navigation document's entries at their depth, each with the reference point its link
// names.
void readNavList(const xmlNode* list, int depth, cascade::Document& doc) {
    if (depth > 32) return;
    for (xmlNode* li : childElements(list)) {
        if (localName(li) != "li") continue;
        for (xmlNode* c : childElements(li)) {
            if (localName(c) == "ol") {
                readNavList(c, depth + 1, doc);
                continue;
            }
            const std::string href = attributeOf(c, "href");
            const std::size_t hash = href.find('#');
            if (localName(c) != "a" || hash == std::string::npos) continue;
            doc.chapters.push_back(cascade::Chapter{textOf(c), 0, depth});
            doc.laidOut->chapterPoints.push_back(href.substr(hash + 1));
        }
    }
}

} // namespace

namespace {

// The pictures the lines' image tags name, from the images folder beside the package
// document where the export put them, under the same names.
void keepLaidOutPictures(ZipArchive& zip, const std::string& packagePath, cascade::Document& doc) {
    BookPictures pictures(doc, [&zip](const std::string& place, std::uint64_t maxBytes) {
        return zip.readAtMost(place, maxBytes);
    });
    const std::size_t slash = packagePath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : packagePath.substr(0, slash + 1);
    for (const std::string& line : doc.laidOut->lines) {
        const std::size_t tag = line.find("|image>");
        if (tag == std::string::npos) continue;
        std::string name = line.substr(tag + 7);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (!name.empty()) pictures.keepAs(folder + "images/" + name, name);
    }
}

} // namespace

std::optional<cascade::Document> readLaidOutEpub(ZipArchive& zip, const std::string& packagePath) {
    const std::optional<Package> pkg = markedPackage(zip, packagePath);
    if (!pkg) return std::nullopt;
    cascade::Document doc;
    doc.title = pkg->title;
    doc.author = pkg->author;
    doc.laidOut.emplace();
    std::vector<std::string>& lines = doc.laidOut->lines;
    for (const std::string& id : pkg->spine) {
        const auto file = pkg->files.find(id);
        if (file == pkg->files.end() || !zip.contains(file->second))
            throw UserError("its chapter \"" + id + "\" is missing from the archive.");
        const XmlDocPtr xhtml = parseFile(zip, file->second);
        if (xmlNode* body = findElement(xmlDocGetRootElement(xhtml.get()), "body"))
            readLines(body, lines, 0);
    }
    if (lines.empty()) throw UserError("it holds no lines of text.");
    keepLaidOutPictures(zip, packagePath, doc);
    if (!pkg->nav.empty() && zip.contains(pkg->nav)) {
        const XmlDocPtr nav = parseFile(zip, pkg->nav);
        std::vector<xmlNode*> navs;
        findElements(xmlDocGetRootElement(nav.get()), "nav", navs);
        for (xmlNode* n : navs) {
            if (attributeOf(n, "type") != "toc") continue;
            if (xmlNode* list = findElement(n, "ol")) readNavList(list, 0, doc);
            break;
        }
    }
    return doc;
}

} // namespace qm::import
