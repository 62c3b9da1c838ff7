#include "core/export/EpubExport.h"

#include "core/cascade/LayoutVersion.h"
#include "core/export/EpubLines.h"
#include "core/export/ZipWriter.h"
#include "core/import/CascadeMarkup.h"
#include "core/view/PageRenderer.h"

#include <nettle/sha2.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <set>

namespace qm::exporting {

namespace {

constexpr const char* kTextFolder = "OEBPS/text/";

struct Picture {
    std::string name;  // as the image tag names it
    std::string entry; // inside the archive
    std::string mediaType;
    std::size_t line = 0;
};

// The chapter files: where each starts, and each chapter's file.
struct Plan {
    std::vector<std::size_t> starts{0};
    struct Entry {
        ExportChapter chapter;
        std::size_t file = 0;
    };
    std::vector<Entry> entries;
    std::set<int> levels;
    std::vector<Picture> pictures;
};

std::string partName(std::size_t file) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "part%03zu.xhtml", file);
    return buf;
}

std::string mediaTypeOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string ext =
        dot == std::string_view::npos ? std::string() : toLowerAscii(name.substr(dot + 1));
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "png") return "image/png";
    if (ext == "gif") return "image/gif";
    if (ext == "svg") return "image/svg+xml";
    return {};
}

// A file name as a link: letters, digits and "-._/" as they are, every other byte escaped.
std::string hrefOf(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

std::string pictureName(std::string_view line) {
    const std::size_t tag = line.find("|image>");
    if (tag == std::string_view::npos) return {};
    std::string_view name = line.substr(tag + 7);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return std::string(name);
}

Plan planOf(const ExportBook& book, const FileSystem& fs) {
    Plan plan;
    std::map<std::string, std::size_t, std::less<>> pointLine;
    std::set<std::string> pictureNames;
    for (std::size_t i = 1; i < book.lines.size(); ++i) {
        const std::string_view line = book.lines[i];
        if (const int level = storedLevel(line); level >= 0) plan.levels.insert(level);
        if (const std::size_t tag = line.find("|refpt"); tag != std::string_view::npos) {
            const std::size_t close = line.find('>', tag);
            if (close != std::string_view::npos)
                pointLine.try_emplace(std::string(line.substr(tag + 1, close - tag - 1)), i);
        }
        const std::string name = pictureName(line);
        if (name.empty() || !isSafeImageName(name) || pictureNames.count(name)) continue;
        const std::string type = mediaTypeOf(name);
        if (type.empty() || !fs.fileExists(book.imageFolder + name)) continue;
        pictureNames.insert(name);
        std::string entry = name;
        std::replace(entry.begin(), entry.end(), '\\', '/');
        plan.pictures.push_back({name, "OEBPS/images/" + entry, type, i});
    }
    const std::vector<ExportChapter> chapters =
        book.chapters.empty() ? referencePointChapters(book.lines) : book.chapters;
    std::vector<std::pair<ExportChapter, std::size_t>> found;
    for (const ExportChapter& c : chapters) {
        const auto at = pointLine.find(c.referencePoint);
        if (at != pointLine.end()) found.emplace_back(c, at->second);
    }
    // Readers list a book's contents in reading order (a catalogue may list by title).
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    for (const auto& f : found)
        plan.starts.push_back(f.second);
    std::sort(plan.starts.begin(), plan.starts.end());
    plan.starts.erase(std::unique(plan.starts.begin(), plan.starts.end()), plan.starts.end());
    for (auto& [chapter, line] : found) {
        const auto file = std::upper_bound(plan.starts.begin(), plan.starts.end(), line) - 1;
        plan.entries.push_back(
            {std::move(chapter), static_cast<std::size_t>(file - plan.starts.begin())});
    }
    return plan;
}

std::string timeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buf;
}

const char* const kXhtmlHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\"";

std::string xhtmlStart(const std::string& language, const std::string& title,
                       const char* styleSheet) {
    std::string out = kXhtmlHead;
    out += " xml:lang=\"" + escapeXml(language, true) + "\" lang=\"" + escapeXml(language, true) +
           "\">\n<head>\n<title>" + escapeXml(title) + "</title>\n";
    if (styleSheet)
        out += "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + std::string(styleSheet) +
               "\"/>\n";
    return out + "</head>\n<body>\n";
}

// The chapters at their depth, each at most one deeper than the one before.
std::vector<int> navDepths(const Plan& plan) {
    std::vector<int> depths;
    int previous = -1;
    for (const Plan::Entry& e : plan.entries) {
        const int depth = std::clamp(e.chapter.depth, 0, previous + 1);
        depths.push_back(depth);
        previous = depth;
    }
    return depths;
}

std::string entryHref(const Plan::Entry& e, const char* folder) {
    return folder + partName(e.file) + "#" + hrefOf(e.chapter.referencePoint);
}

std::string navDocument(const ExportBook& book, const Plan& plan) {
    std::string out = xhtmlStart(book.language, "Contents", nullptr);
    out += "<nav epub:type=\"toc\" id=\"toc\">\n<h1>Contents</h1>\n<ol>\n";
    const std::vector<int> depths = navDepths(plan);
    if (plan.entries.empty())
        out += "<li><a href=\"text/" + partName(0) + "\">" + escapeXml(book.title) + "</a>";
    int open = 0; // list items left open at the depth before
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const int depth = depths[i];
        if (i > 0 && depth > depths[i - 1]) {
            out += "\n<ol>\n";
        } else if (i > 0) {
            out += "</li>\n";
            for (int d = depths[i - 1]; d > depth; --d)
                out += "</ol>\n</li>\n";
        }
        out += "<li><a href=\"" + escapeXml(entryHref(plan.entries[i], "text/"), true) + "\">" +
               escapeXml(plan.entries[i].chapter.title) + "</a>";
        open = depth;
    }
    out += "</li>\n";
    for (int d = open; d > 0; --d)
        out += "</ol>\n</li>\n";
    return out + "</ol>\n</nav>\n</body>\n</html>\n";
}

std::string ncxDocument(const ExportBook& book, const Plan& plan, const std::string& id) {
    const std::vector<int> depths = navDepths(plan);
    const int deepest = depths.empty() ? 0 : *std::max_element(depths.begin(), depths.end());
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
                      "<head>\n<meta name=\"dtb:uid\" content=\"" +
                      escapeXml(id, true) + "\"/>\n<meta name=\"dtb:depth\" content=\"" +
                      std::to_string(deepest + 1) +
                      "\"/>\n<meta name=\"dtb:totalPageCount\" content=\"0\"/>\n"
                      "<meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n</head>\n"
                      "<docTitle><text>" +
                      escapeXml(book.title) + "</text></docTitle>\n<navMap>\n";
    auto point = [&](std::size_t n, const std::string& label, const std::string& href) {
        out += "<navPoint id=\"np" + std::to_string(n) + "\" playOrder=\"" + std::to_string(n) +
               "\"><navLabel><text>" + escapeXml(label) + "</text></navLabel><content src=\"" +
               escapeXml(href, true) + "\"/>";
    };
    if (plan.entries.empty()) {
        point(1, book.title, "text/" + partName(0));
        out += "</navPoint>\n";
    }
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        point(i + 1, plan.entries[i].chapter.title, entryHref(plan.entries[i], "text/"));
        const int next = i + 1 < depths.size() ? depths[i + 1] : 0;
        if (next > depths[i]) {
            out += "\n";
            continue;
        }
        out += "</navPoint>\n";
        for (int d = depths[i]; d > next; --d)
            out += "</navPoint>\n";
    }
    return out + "</navMap>\n</ncx>\n";
}

std::string packageDocument(const ExportBook& book, const Plan& plan, const std::string& id,
                            const std::string& modified) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                      "unique-identifier=\"book-id\" prefix=\"" +
                      std::string(import::markup::kMarkPrefix) + "\" xml:lang=\"" +
                      escapeXml(book.language, true) +
                      "\">\n<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                      "<dc:identifier id=\"book-id\">" +
                      escapeXml(id) + "</dc:identifier>\n<dc:title>" + escapeXml(book.title) +
                      "</dc:title>\n";
    if (!book.author.empty()) out += "<dc:creator>" + escapeXml(book.author) + "</dc:creator>\n";
    out += "<dc:language>" + escapeXml(book.language) + "</dc:language>\n" +
           "<meta property=\"dcterms:modified\">" + modified + "</meta>\n<meta property=\"" +
           std::string(import::markup::kLayoutProperty) + "\">" +
           std::to_string(cascade::kLayoutVersion) + "</meta>\n";
    const bool cover = !plan.pictures.empty() &&
                       (plan.starts.size() < 2 || plan.pictures.front().line < plan.starts[1]);
    if (cover) out += "<meta name=\"cover\" content=\"picture1\"/>\n";
    out += "</metadata>\n<manifest>\n"
           "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
           "properties=\"nav\"/>\n"
           "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n"
           "<item id=\"css\" href=\"cascade.css\" media-type=\"text/css\"/>\n";
    for (std::size_t f = 0; f < plan.starts.size(); ++f)
        out += "<item id=\"part" + std::to_string(f) + "\" href=\"text/" + partName(f) +
               "\" media-type=\"application/xhtml+xml\"/>\n";
    for (std::size_t p = 0; p < plan.pictures.size(); ++p)
        out += "<item id=\"picture" + std::to_string(p + 1) + "\" href=\"" +
               escapeXml(hrefOf(plan.pictures[p].entry.substr(6)), true) + "\" media-type=\"" +
               plan.pictures[p].mediaType + "\"" +
               (p == 0 && cover ? " properties=\"cover-image\"" : "") + "/>\n";
    out += "</manifest>\n<spine toc=\"ncx\">\n";
    for (std::size_t f = 0; f < plan.starts.size(); ++f)
        out += "<itemref idref=\"part" + std::to_string(f) + "\"/>\n";
    return out + "</spine>\n</package>\n";
}

const char* const kContainer =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
    "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
    "media-type=\"application/oebps-package+xml\"/></rootfiles>\n</container>\n";

} // namespace

std::string contentIdentifier(const LineBuffer& lines) {
    sha256_ctx ctx;
    sha256_init(&ctx);
    for (const std::string_view line : lines) {
        sha256_update(&ctx, line.size(), reinterpret_cast<const std::uint8_t*>(line.data()));
        sha256_update(&ctx, 2, reinterpret_cast<const std::uint8_t*>("\r\n"));
    }
    std::uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx, sizeof digest, digest);
    digest[6] = static_cast<std::uint8_t>((digest[6] & 0x0F) | 0x50); // version 5: from a name
    digest[8] = static_cast<std::uint8_t>((digest[8] & 0x3F) | 0x80); // the RFC 4122 variant
    char out[64];
    std::snprintf(out, sizeof out,
                  "urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  digest[0], digest[1], digest[2], digest[3], digest[4], digest[5], digest[6],
                  digest[7], digest[8], digest[9], digest[10], digest[11], digest[12], digest[13],
                  digest[14], digest[15]);
    return out;
}

std::string epubBytes(const ExportBook& book, const EpubOptions& options, const FileSystem& fs,
                      const ExportTick& tick) {
    std::string bytes;
    writeEpub(
        book, options, fs, [&bytes](std::string_view piece) { bytes.append(piece); }, tick);
    return bytes;
}

void writeEpub(const ExportBook& book, const EpubOptions& options, const FileSystem& fs,
               const std::function<void(std::string_view)>& sink, const ExportTick& tick) {
    const Plan plan = planOf(book, fs);
    const std::string id = contentIdentifier(book.lines);
    const std::string modified = options.modified.empty() ? timeNow() : options.modified;
    std::map<std::string, std::string, std::less<>> hrefs;
    for (const Picture& p : plan.pictures)
        hrefs.emplace(p.name, "../" + hrefOf(p.entry.substr(6)));
    auto markup = std::make_shared<LineMarkup>([hrefs](std::string_view name) {
        const auto it = hrefs.find(name);
        return it == hrefs.end() ? std::string() : it->second;
    });

    ZipWriter zip;
    zip.add(
        "mimetype", [] { return std::string("application/epub+zip"); }, true);
    zip.add("META-INF/container.xml", [] { return std::string(kContainer); });
    zip.add("OEBPS/cascade.css", [&] { return cascadeStyleSheet(plan.levels, options.shades); });
    const std::size_t files = plan.starts.size();
    for (std::size_t f = 0; f < files; ++f) {
        zip.add(kTextFolder + partName(f), [&, f, markup] {
            if (tick) tick(static_cast<double>(f) / static_cast<double>(files));
            std::string title = book.title;
            for (const Plan::Entry& e : plan.entries)
                if (e.file == f) {
                    title = e.chapter.title;
                    break;
                }
            std::string out = xhtmlStart(book.language, title, "../cascade.css");
            markup->beginFile(out);
            const std::size_t end = f + 1 < files ? plan.starts[f + 1] : book.lines.size();
            for (std::size_t i = plan.starts[f]; i < end; ++i) {
                if (i == 0)
                    markup->addBanner(book.lines[0], out);
                else
                    markup->add(book.lines[i], out);
            }
            markup->endFile(out);
            return out + "</body>\n</html>\n";
        });
    }
    for (const Picture& p : plan.pictures)
        zip.add(p.entry, [&fs, &book, name = p.name] {
            return fs.readFile(book.imageFolder + name).value_or(std::string());
        });
    zip.add("OEBPS/nav.xhtml", [&] { return navDocument(book, plan); });
    zip.add("OEBPS/toc.ncx", [&] { return ncxDocument(book, plan, id); });
    zip.add("OEBPS/content.opf", [&] { return packageDocument(book, plan, id, modified); });
    zip.finish(sink);
    if (tick) tick(1.0);
}

} // namespace qm::exporting
