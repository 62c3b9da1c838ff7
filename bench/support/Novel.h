#pragma once
// The benchmarks' 785 KB UTF-8 novel: Frankenstein (with its distributor's frame, contents
// list and chapters) with Pride and Prejudice's chapters added before its end line, from the
// shared corpus; and the same novel as an EPUB 3 built here, one XHTML file per chapter and a
// navigation document naming them. Both are empty when the corpus is absent.
#include "Corpus.h"
#include "core/encoding/Decode.h"
#include "core/import/PlainTextBook.h"
#include "core/testing/EpubFiles.h"

#include <string>
#include <string_view>

namespace qmbench {

inline constexpr std::size_t kNovelBytes = 785u << 10;

// Frankenstein (UTF-8 with its frame) with Pride and Prejudice's chapters added before its
// end line, up to 785 KB; empty when the corpus is absent.
inline const std::string& novel() {
    static const std::string text = [] {
        const auto first = corpusFile("frankenstein.txt");
        const auto second = corpusFile("pride-and-prejudice.txt");
        if (!first || !second) return std::string();
        std::string body = *second;
        const std::size_t start = body.find("Chapter 1\r\n");
        const std::size_t end = body.find("*** END OF");
        if (start == std::string::npos || end == std::string::npos) return std::string();
        body = body.substr(start, end - start);
        std::string out = *first;
        const std::size_t at = out.find("End of the Project");
        if (at == std::string::npos) return std::string();
        const std::size_t room = kNovelBytes > out.size() ? kNovelBytes - out.size() : 0;
        std::string added = body.substr(0, std::min(room, body.size()));
        added.resize(added.rfind("\r\n\r\n") + 4);
        out.insert(at, added);
        return out;
    }();
    return text;
}

// Block text as XHTML: the style tags as <i> and <b>, markup characters escaped.
inline std::string escaped(std::string_view s) {
    std::string out;
    const char* open = nullptr;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::string_view rest = s.substr(i);
        if (rest.starts_with("|i>") || rest.starts_with("|b>") || rest.starts_with("|n>")) {
            if (open) out += open;
            open = nullptr;
            if (rest[1] == 'i') out += "<i>", open = "</i>";
            if (rest[1] == 'b') out += "<b>", open = "</b>";
            i += 2;
        } else if (s[i] == '&') {
            out += "&amp;";
        } else if (s[i] == '<') {
            out += "&lt;";
        } else if (s[i] == '>') {
            out += "&gt;";
        } else {
            out += s[i];
        }
    }
    if (open) out += open;
    return out;
}

// The novel as an EPUB 3: one XHTML file per chapter, a navigation document naming them.
inline const std::string& novelEpub() {
    static const std::string bytes = [] {
        if (novel().empty()) return std::string();
        const qm::cascade::Document doc =
            qm::import::readPlainTextBook(qm::encoding::decodeToUtf8(novel()));
        qmtest::EpubBuilder epub;
        epub.title = escaped(doc.title);
        epub.author = escaped(doc.author);
        std::size_t from = 0;
        for (std::size_t c = 0; c <= doc.chapters.size(); ++c) {
            const std::size_t to =
                c < doc.chapters.size() ? doc.chapters[c].block : doc.blocks.size();
            std::string body;
            for (std::size_t b = from; b < to; ++b) {
                const auto& block = doc.blocks[b];
                const std::string text = escaped(block.text);
                switch (block.kind) {
                case qm::cascade::BlockKind::Heading:
                    body += "<h2>" + text + "</h2>\n";
                    break;
                case qm::cascade::BlockKind::Verbatim:
                    body += "<pre>" + text + "</pre>\n";
                    break;
                case qm::cascade::BlockKind::SceneBreak:
                    body += "<hr/>\n";
                    break;
                default:
                    body += "<p>" + text + "</p>\n";
                }
            }
            const std::string file = "text/part" + std::to_string(c) + ".xhtml";
            epub.chapter(file, body);
            if (c > 0) epub.entry(escaped(doc.chapters[c - 1].title), file);
            from = to;
        }
        return epub.bytes();
    }();
    return bytes;
}

} // namespace qmbench
