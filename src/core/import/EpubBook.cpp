#include "core/import/EpubBook.h"

#include "core/base/Error.h"
#include "core/encoding/Decode.h"
#include "core/import/BookPictures.h"
#include "core/import/DocumentTidy.h"
#include "core/import/HtmlBlocks.h"
#include "core/import/HtmlBook.h"
#include "core/import/HtmlNotes.h"
#include "core/import/LaidOutEpub.h"
#include "core/import/XmlSupport.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace qm::import {
namespace {

using cascade::Chapter;
using cascade::ChapterList;
using cascade::Document;

constexpr std::size_t kMaxSpineItems = 20000;

struct ManifestItem {
    std::string path;
    std::string mediaType;
    std::string properties;
};

struct Package {
    std::string path;
    std::string title;
    std::string author;
    std::unordered_map<std::string, ManifestItem> manifest;
    std::vector<std::string> spine; // manifest ids in reading order
    std::string ncxId;
    std::string coverPath; // the cover picture the package names, or empty
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

bool hasToken(std::string_view list, std::string_view token) {
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find_first_of(" \t\r\n", start);
        if (end == std::string_view::npos) end = list.size();
        if (list.substr(start, end - start) == token) return true;
        start = end + 1;
    }
    return false;
}

XmlDocPtr parseEntry(ZipArchive& zip, const std::string& name, const char* what) {
    XmlDocPtr doc = parseXml(zip.read(name));
    if (!doc || !xmlDocGetRootElement(doc.get()))
        throw UserError(std::string("its ") + what + " \"" + name + "\" is not well-formed XML.");
    return doc;
}

std::string packagePath(ZipArchive& zip) {
    const std::string container = "META-INF/container.xml";
    if (!zip.contains(container))
        throw UserError("it has no META-INF/container.xml, so its contents cannot be found "
                        "(the file is damaged or is no EPUB).");
    XmlDocPtr doc = parseEntry(zip, container, "container");
    std::vector<xmlNode*> rootfiles;
    findElements(xmlDocGetRootElement(doc.get()), "rootfile", rootfiles);
    for (xmlNode* r : rootfiles) {
        const std::string type = attributeOf(r, "media-type");
        const std::string path = attributeOf(r, "full-path");
        if (!path.empty() && (type.empty() || type == "application/oebps-package+xml")) {
            const auto resolved = resolveEpubLink("", path);
            if (!resolved) break;
            return *resolved;
        }
    }
    throw UserError("its META-INF/container.xml names no package document.");
}

Package readPackage(ZipArchive& zip, const std::string& path) {
    if (!zip.contains(path)) throw UserError("its package document \"" + path + "\" is missing.");
    XmlDocPtr doc = parseEntry(zip, path, "package document");
    xmlNode* root = xmlDocGetRootElement(doc.get());
    Package pkg;
    pkg.path = path;
    if (xmlNode* metadata = findElement(root, "metadata")) {
        if (xmlNode* t = findElement(metadata, "title")) pkg.title = textOf(t);
        if (xmlNode* c = findElement(metadata, "creator")) pkg.author = textOf(c);
    }
    std::vector<xmlNode*> items;
    if (xmlNode* manifest = findElement(root, "manifest")) findElements(manifest, "item", items);
    for (xmlNode* item : items) {
        const auto target = resolveEpubLink(path, attributeOf(item, "href"));
        if (!target) continue;
        pkg.manifest.try_emplace(attributeOf(item, "id"),
                                 ManifestItem{target->substr(0, target->find('#')),
                                              attributeOf(item, "media-type"),
                                              attributeOf(item, "properties")});
    }
    // The cover: EPUB 3 marks its manifest item, EPUB 2 names the item in a <meta>.
    for (const auto& [id, item] : pkg.manifest)
        if (hasToken(item.properties, "cover-image")) pkg.coverPath = item.path;
    if (pkg.coverPath.empty()) {
        std::vector<xmlNode*> metas;
        if (xmlNode* metadata = findElement(root, "metadata")) findElements(metadata, "meta", metas);
        for (xmlNode* m : metas) {
            if (attributeOf(m, "name") != "cover") continue;
            const auto it = pkg.manifest.find(attributeOf(m, "content"));
            if (it != pkg.manifest.end() && it->second.mediaType.starts_with("image/"))
                pkg.coverPath = it->second.path;
            break;
        }
    }
    xmlNode* spine = findElement(root, "spine");
    if (!spine) throw UserError("its package document has no spine (no reading order).");
    pkg.ncxId = attributeOf(spine, "toc");
    for (xmlNode* ref : childElements(spine))
        if (localName(ref) == "itemref") pkg.spine.push_back(attributeOf(ref, "idref"));
    if (pkg.spine.empty()) throw UserError("its spine names no chapter files.");
    // Each chapter file is parsed on its own: a spine naming one file a million times would
    // take long for nothing.
    if (pkg.spine.size() > kMaxSpineItems)
        throw UserError("its spine names more than " + std::to_string(kMaxSpineItems) +
                        " chapter files, more than any book has.");
    return pkg;
}

// Files that META-INF/encryption.xml says are encrypted, font obfuscation aside (that only
// scrambles embedded fonts, which are not read).
std::set<std::string> encryptedFiles(ZipArchive& zip) {
    std::set<std::string> files;
    const std::string name = "META-INF/encryption.xml";
    if (!zip.contains(name)) return files;
    XmlDocPtr doc = parseXml(zip.read(name));
    if (!doc) return files;
    std::vector<xmlNode*> data;
    findElements(xmlDocGetRootElement(doc.get()), "EncryptedData", data);
    for (xmlNode* d : data) {
        const std::string algorithm = attributeOf(findElement(d, "EncryptionMethod"), "Algorithm");
        if (algorithm == "http://www.idpf.org/2008/embedding" ||
            algorithm == "http://ns.adobe.com/pdf/enc#RC")
            continue;
        const auto uri = resolveEpubLink("", attributeOf(findElement(d, "CipherReference"), "URI"));
        if (uri) files.insert(uri->substr(0, uri->find('#')));
    }
    return files;
}

std::string_view baseNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

class TocReader {
public:
    TocReader(Document& doc, const HtmlBlocks& blocks, const std::vector<std::string>& files)
        : m_doc(doc)
        , m_blocks(blocks) {
        // Some books' tables of contents name their files from the wrong folder: a file name
        // still finds the chapter file of that name nearest the top (when only one is).
        std::unordered_map<std::string, std::size_t> depthOf;
        for (const std::string& f : files) {
            const std::string base(baseNameOf(f));
            const auto depth = static_cast<std::size_t>(std::count(f.begin(), f.end(), '/'));
            const auto [it, added] = depthOf.try_emplace(base, depth);
            if (added || depth < it->second) {
                it->second = depth;
                m_byBaseName[base] = f;
            } else if (depth == it->second && m_byBaseName[base] != f) {
                m_byBaseName[base].clear();
            }
        }
    }

    void add(const std::string& fromFile, const std::string& href, std::string title, int depth) {
        auto target = resolveEpubLink(fromFile, href);
        if (!target) return;
        std::string file = target->substr(0, target->find('#'));
        if (!m_blocks.blockOf(file)) {
            const auto it = m_byBaseName.find(std::string(baseNameOf(file)));
            if (it == m_byBaseName.end() || it->second.empty()) return;
            *target = it->second + target->substr(file.size());
            file = it->second;
        }
        auto block = m_blocks.blockOf(*target);
        if (!block) block = m_blocks.blockOf(file);
        if (!block || *block >= m_doc.blocks.size()) return;
        if (title.empty()) title = removeStyleTags(m_doc.blocks[*block].text);
        m_doc.chapters.push_back(Chapter{std::move(title), *block, std::min(depth, 8)});
    }

    // EPUB 3: <nav epub:type="toc"> with nested <ol><li><a href>.
    void readNav(const std::string& file, std::string_view xhtml) {
        XmlDocPtr doc = parseHtml(xhtml);
        if (!doc) return;
        std::vector<xmlNode*> navs;
        findElements(xmlDocGetRootElement(doc.get()), "nav", navs);
        xmlNode* toc = nullptr;
        for (xmlNode* n : navs)
            if (!toc && hasToken(attributeOf(n, "type"), "toc")) toc = n;
        if (!toc && !navs.empty()) toc = navs.front();
        if (!toc) return;
        if (xmlNode* list = findElement(toc, "ol")) readNavList(file, list, 0);
    }

    // EPUB 2: <navMap><navPoint><navLabel><text>, <content src>, nested navPoints.
    void readNcx(const std::string& file, std::string_view xml) {
        XmlDocPtr doc = parseXml(xml);
        if (!doc) return;
        if (xmlNode* map = findElement(xmlDocGetRootElement(doc.get()), "navMap"))
            readNavPoints(file, map, 0);
    }

private:
    void readNavList(const std::string& file, xmlNode* list, int depth) {
        if (depth > 32) return;
        for (xmlNode* li : childElements(list)) {
            if (localName(li) != "li") continue;
            for (xmlNode* c : childElements(li)) {
                if (localName(c) == "a" && hasAttribute(c, "href"))
                    add(file, attributeOf(c, "href"), textOf(c), depth);
                else if (localName(c) == "ol")
                    readNavList(file, c, depth + 1);
            }
        }
    }

    void readNavPoints(const std::string& file, xmlNode* parent, int depth) {
        if (depth > 32) return;
        for (xmlNode* p : childElements(parent)) {
            if (localName(p) != "navPoint") continue;
            const std::string src = attributeOf(findElement(p, "content"), "src");
            xmlNode* label = findElement(p, "navLabel");
            if (!src.empty()) add(file, src, label ? textOf(label) : std::string(), depth);
            readNavPoints(file, p, depth + 1);
        }
    }

    Document& m_doc;
    const HtmlBlocks& m_blocks;
    std::unordered_map<std::string, std::string> m_byBaseName;
};

// The cover is shown once, first: the pictures before any text that are the cover leave the
// text. A book that names no cover takes its first picture before any text as one.
void takeCover(Document& doc, HtmlBlocks& blocks) {
    std::size_t lead = 0;
    while (lead < doc.blocks.size() && doc.blocks[lead].kind == cascade::BlockKind::Image)
        ++lead;
    if (doc.cover.empty()) {
        for (std::size_t b = 0; b < lead && doc.cover.empty(); ++b)
            doc.cover = std::string(doc.blocks[b].text);
        for (cascade::Picture& p : doc.pictures)
            if (p.name == doc.cover)
                p.rows = p.rows * BookPictures::kCoverRows / BookPictures::kPictureRows;
    }
    if (doc.cover.empty()) return;
    for (std::size_t b = lead; b-- > 0;)
        if (doc.blocks[b].text == doc.cover) blocks.eraseBlocks(b, b + 1);
}

} // namespace

std::optional<std::string> resolveEpubLink(std::string_view fromFile, std::string_view href) {
    std::string_view fragment;
    if (const std::size_t hash = href.find('#'); hash != std::string_view::npos) {
        fragment = href.substr(hash);
        href = href.substr(0, hash);
    }
    if (const std::size_t q = href.find('?'); q != std::string_view::npos) href = href.substr(0, q);
    // A scheme ("http:", "mailto:") leads out of the book.
    const std::size_t colon = href.find(':');
    if (colon != std::string_view::npos && href.find('/') > colon) return std::nullopt;
    std::vector<std::string> parts;
    if (!href.starts_with("/")) {
        const std::size_t slash = fromFile.rfind('/');
        std::string_view dir =
            slash == std::string_view::npos ? std::string_view() : fromFile.substr(0, slash);
        if (href.empty()) dir = fromFile; // "#id" alone: the same file
        std::size_t start = 0;
        while (!dir.empty() && start <= dir.size()) {
            std::size_t end = dir.find('/', start);
            if (end == std::string_view::npos) end = dir.size();
            parts.emplace_back(dir.substr(start, end - start));
            start = end + 1;
        }
    }
    const std::string path = percentDecoded(href);
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty()) out += '/';
        out += p;
    }
    if (out.empty()) return std::nullopt;
    out += percentDecoded(fragment);
    return out;
}

Document readEpubBook(std::string_view bytes, ZipLimits limits) {
    ZipArchive zip(bytes, limits);
    const std::string opf = packagePath(zip);
    // A book this reader laid out and wrote is read back as it stands, not cascaded again.
    if (std::optional<Document> laidOut = readLaidOutEpub(zip, opf)) return std::move(*laidOut);
    const Package pkg = readPackage(zip, opf);
    const std::set<std::string> encrypted = encryptedFiles(zip);

    Document doc;
    doc.title = pkg.title;
    doc.author = pkg.author;
    BookPictures pictures(doc, [&](const std::string& place, std::uint64_t maxBytes) {
        return encrypted.count(place) ? std::nullopt : zip.readAtMost(place, maxBytes);
    });
    if (!pkg.coverPath.empty()) doc.cover = pictures.keep(pkg.coverPath, BookPictures::kCoverRows);
    HtmlBlocks blocks(doc);
    blocks.setPictureSource([&pictures](const std::string& file, std::string_view src) {
        const auto place = resolveEpubLink(file, src);
        return place ? pictures.keep(place->substr(0, place->find('#'))) : std::string();
    });
    std::vector<std::string> files;
    // A spine may name one file several times, by places inside it ("manual.xhtml#o8"):
    // the file is read once, where it first comes.
    std::set<std::string> seen;
    for (const std::string& id : pkg.spine) {
        const auto it = pkg.manifest.find(id);
        if (it == pkg.manifest.end())
            throw UserError("its spine names a chapter (\"" + id + "\") that its manifest lacks.");
        const ManifestItem& item = it->second;
        if (!seen.insert(item.path).second) continue;
        if (encrypted.count(item.path))
            throw UserError("it is protected by DRM: its chapters are encrypted, so only the "
                            "program it was sold for can show them.");
        if (!zip.contains(item.path))
            throw UserError("its chapter file \"" + item.path + "\" is missing from the archive.");
        if (item.mediaType.starts_with("image/") && item.mediaType != "image/svg+xml") {
            doc.blocks.push_back(
                cascade::Block{cascade::BlockKind::Image, 0, pictures.keep(item.path)});
            continue;
        }
        blocks.addFile(item.path, encoding::decodeToUtf8(zip.read(item.path)));
        files.push_back(item.path);
    }

    takeCover(doc, blocks);

    // An EPUB converted from a distributor's HTML edition keeps its header and licence footer,
    // in files of their own or in the first and last files.
    const HeaderFields frame = stripDistributorFrame(doc, blocks);
    if (doc.title.empty()) doc.title = frame.title;
    if (doc.author.empty()) doc.author = frame.author;

    // The navigation document (EPUB 3), else the NCX (EPUB 2); the NCX too when the
    // navigation document leads almost nowhere.
    TocReader toc(doc, blocks, files);
    for (const auto& [id, item] : pkg.manifest) {
        if (hasToken(item.properties, "nav") && zip.contains(item.path)) {
            toc.readNav(item.path, encoding::decodeToUtf8(zip.read(item.path)));
            break;
        }
    }
    const auto ncx = pkg.manifest.find(pkg.ncxId);
    if (doc.chapters.size() < 2 && ncx != pkg.manifest.end() && zip.contains(ncx->second.path)) {
        ChapterList fromNav = std::move(doc.chapters);
        doc.chapters.clear();
        toc.readNcx(ncx->second.path, zip.read(ncx->second.path));
        if (doc.chapters.size() < fromNav.size()) doc.chapters = std::move(fromNav);
    }
    if (doc.chapters.empty()) chaptersFromHeadings(doc, 3);
    placeNotes(doc, blocks,
               [](const HtmlLink& link) { return resolveEpubLink(link.file, link.href); });
    tidyBlocks(doc);
    capFields(doc);
    return doc;
}

} // namespace qm::import
