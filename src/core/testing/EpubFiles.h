#pragma once
// Book files made in memory for the tests and the benchmarks: zip archives written with
// libzip, and EPUBs with their container, package document, navigation document or NCX and
// chapter files. (Whoever includes this links libzip.)
#include <zip.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

struct ZipEntry {
    std::string name;
    std::string data;
    bool store = false; // stored, not deflated
};

// The bytes of a zip archive holding the entries in order.
inline std::string makeZip(const std::vector<ZipEntry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("cannot start a zip archive");
    for (const ZipEntry& e : entries) {
        zip_source_t* s = zip_source_buffer(archive, e.data.data(), e.data.size(), 0);
        const zip_int64_t i = zip_file_add(archive, e.name.c_str(), s, ZIP_FL_ENC_UTF_8);
        if (i < 0) throw std::runtime_error("cannot add " + e.name);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(i),
                                 e.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    if (zip_close(archive) != 0) throw std::runtime_error("cannot write the zip archive");
    std::string bytes;
    zip_source_open(buffer);
    zip_source_seek(buffer, 0, SEEK_END);
    bytes.resize(static_cast<std::size_t>(zip_source_tell(buffer)));
    zip_source_seek(buffer, 0, SEEK_SET);
    zip_source_read(buffer, bytes.data(), bytes.size());
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

inline std::string xhtml(const std::string& body, const std::string& title = "Chapter") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
           "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>" +
           title + "</title><style>p { margin: 0 }</style></head><body>" + body + "</body></html>";
}

inline std::string containerXml(const std::string& packagePath = "OEBPS/content.opf") {
    return "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
           "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
           "<rootfile full-path=\"" +
           packagePath +
           "\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>";
}

// An EPUB under construction: chapter files in spine order, and its table of contents as
// an EPUB 3 navigation document or an EPUB 2 NCX.
struct EpubBuilder {
    struct TocEntry {
        std::string title;
        std::string href; // relative to OEBPS/
        int depth = 0;
    };
    std::string title = "A Test Book";
    std::string author = "Ann Author";
    std::vector<std::pair<std::string, std::string>> chapters; // file under OEBPS/, body
    std::vector<TocEntry> toc;
    bool epub3 = true;
    std::vector<ZipEntry> extra;
    // Spine entries as hrefs ("manual.xhtml#o8"), each a manifest item of its own, in place
    // of the chapter files in order.
    std::vector<std::string> spine;
    // Manifest items beyond the chapters (pictures, a cover), in the spine when `inSpine`.
    struct Item {
        std::string id, href, mediaType, properties;
        bool inSpine = false;
    };
    std::vector<Item> items;
    std::string metadataExtra; // inside <metadata>, e.g. <meta name="cover" content="id"/>

    EpubBuilder& chapter(std::string file, std::string body) {
        chapters.emplace_back(std::move(file), std::move(body));
        return *this;
    }
    EpubBuilder& entry(std::string title_, std::string href, int depth = 0) {
        toc.push_back({std::move(title_), std::move(href), depth});
        return *this;
    }

    std::string package() const {
        std::string manifest, spineRefs;
        for (std::size_t i = 0; i < chapters.size(); ++i) {
            const std::string id = "c" + std::to_string(i);
            manifest += "<item id=\"" + id + "\" href=\"" + chapters[i].first +
                        "\" media-type=\"application/xhtml+xml\"/>";
            if (spine.empty()) spineRefs += "<itemref idref=\"" + id + "\"/>";
        }
        for (std::size_t i = 0; i < spine.size(); ++i) {
            const std::string id = "s" + std::to_string(i);
            manifest += "<item id=\"" + id + "\" href=\"" + spine[i] +
                        "\" media-type=\"application/xhtml+xml\"/>";
            spineRefs += "<itemref idref=\"" + id + "\"/>";
        }
        for (const Item& item : items) {
            manifest += "<item id=\"" + item.id + "\" href=\"" + item.href + "\" media-type=\"" +
                        item.mediaType + "\"" +
                        (item.properties.empty() ? "" : " properties=\"" + item.properties + "\"") +
                        "/>";
            if (item.inSpine) spineRefs += "<itemref idref=\"" + item.id + "\"/>";
        }
        manifest += epub3 ? "<item id=\"nav\" href=\"nav.xhtml\" "
                            "media-type=\"application/xhtml+xml\" properties=\"nav\"/>"
                          : "<item id=\"ncx\" href=\"toc.ncx\" "
                            "media-type=\"application/x-dtbncx+xml\"/>";
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<package "
               "xmlns=\"http://www.idpf.org/2007/opf\" version=\"" +
               std::string(epub3 ? "3.0" : "2.0") +
               "\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" + title +
               "</dc:title><dc:creator>" + author + "</dc:creator>" + metadataExtra +
               "</metadata><manifest>" + manifest + "</manifest><spine" +
               (epub3 ? "" : " toc=\"ncx\"") + ">" + spineRefs + "</spine></package>";
    }

    // Nested lists for EPUB 3, nested navPoints for EPUB 2, from the entries' depths (each
    // entry at most one deeper than the one before).
    std::string tocFile() const {
        std::string out;
        int depth = -1;
        for (const TocEntry& e : toc) {
            if (epub3) {
                if (e.depth > depth) {
                    out += "<ol>";
                    ++depth;
                } else {
                    out += "</li>";
                    for (; depth > e.depth; --depth)
                        out += "</ol></li>";
                }
                out += "<li><a href=\"" + e.href + "\">" + e.title + "</a>";
            } else {
                for (; depth >= e.depth; --depth)
                    out += "</navPoint>";
                out += "<navPoint><navLabel><text>" + e.title +
                       "</text></navLabel><content src=\"" + e.href + "\"/>";
                depth = e.depth;
            }
        }
        if (epub3) {
            if (depth >= 0) out += "</li>";
            for (; depth > 0; --depth)
                out += "</ol></li>";
            if (!toc.empty()) out += "</ol>";
            return xhtml("<nav epub:type=\"toc\"><h1>Contents</h1>" + out + "</nav>", "Contents");
        }
        for (; depth >= 0; --depth)
            out += "</navPoint>";
        return "<?xml version=\"1.0\"?>\n<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" "
               "version=\"2005-1\"><navMap>" +
               out + "</navMap></ncx>";
    }

    std::vector<ZipEntry> entries() const {
        std::vector<ZipEntry> e{{"mimetype", "application/epub+zip", true},
                                {"META-INF/container.xml", containerXml()},
                                {"OEBPS/content.opf", package()},
                                {epub3 ? "OEBPS/nav.xhtml" : "OEBPS/toc.ncx", tocFile()}};
        for (const auto& [file, body] : chapters)
            e.push_back({"OEBPS/" + file, xhtml(body)});
        e.insert(e.end(), extra.begin(), extra.end());
        return e;
    }

    std::string bytes() const { return makeZip(entries()); }
};

} // namespace qmtest
