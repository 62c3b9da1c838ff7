#include "core/import/BookReader.h"

#include "core/base/Error.h"
#include "core/encoding/Decode.h"
#include "core/import/EpubBook.h"
#include "core/import/HtmlBook.h"
#include "core/import/InlineText.h"
#include "core/import/PlainTextBook.h"

#include <algorithm>
#include <new>
#include <string>

namespace qm::import {
namespace {

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view baseName(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string suffixOf(std::string_view fileName) {
    const std::string_view base = baseName(fileName);
    const std::size_t dot = base.rfind('.');
    return dot == std::string_view::npos ? std::string() : lowerAscii(base.substr(dot));
}

// Text that opens (after a byte-order mark, blanks and comments aside) with a doctype or an
// <html> element.
bool beginsAsHtml(std::string_view bytes) {
    std::string head = lowerAscii(bytes.substr(0, 1024));
    std::size_t i = head.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    for (;;) {
        while (i < head.size() && static_cast<unsigned char>(head[i]) <= 0x20)
            ++i;
        if (head.compare(i, 4, "<!--") == 0) {
            const std::size_t end = head.find("-->", i);
            if (end == std::string::npos) return false;
            i = end + 3;
            continue;
        }
        if (head.compare(i, 5, "<?xml") == 0) {
            const std::size_t end = head.find("?>", i);
            if (end == std::string::npos) return false;
            i = end + 2;
            continue;
        }
        break;
    }
    return head.compare(i, 14, "<!doctype html") == 0 || head.compare(i, 5, "<html") == 0;
}

cascade::Document readByFormat(std::string_view fileName, std::string_view bytes,
                               const PictureFetch& localFiles) {
    if (bytes.size() > kMaxBookFileBytes)
        throw UserError("the file is larger than " + std::to_string(kMaxBookFileBytes >> 20) +
                        " MB, more than any book needs.");
    const BookFormat format = bookFormatOf(fileName, bytes);
    if (format == BookFormat::Epub) return readEpubBook(bytes);
    // Text that is UTF-8 already is read where it lies; anything else through its UTF-8.
    const encoding::Encoding encoding = encoding::detectEncoding(bytes);
    std::string decoded;
    if (encoding != encoding::Encoding::Utf8) decoded = encoding::decodeToUtf8(bytes, encoding);
    const std::string_view utf8 = encoding == encoding::Encoding::Utf8 ? bytes : decoded;
    return format == BookFormat::Html ? readHtmlBook(utf8, localFiles) : readPlainTextBook(utf8);
}

} // namespace

bool isBookFileName(std::string_view fileName) {
    const std::string s = suffixOf(fileName);
    return s == ".epub" || s == ".htm" || s == ".html" || s == ".txt";
}

BookFormat bookFormatOf(std::string_view fileName, std::string_view bytes) {
    const std::string s = suffixOf(fileName);
    if (bytes.starts_with("PK\x03\x04") || s == ".epub") return BookFormat::Epub;
    if (s == ".htm" || s == ".html" || s == ".xhtml" || beginsAsHtml(bytes))
        return BookFormat::Html;
    return BookFormat::PlainText;
}

cascade::Document readBook(std::string_view fileName, std::string_view bytes) {
    return readBook(fileName, bytes, {});
}

cascade::Document readBook(std::string_view fileName, std::string_view bytes,
                           const PictureFetch& localFiles) {
    const std::string name = cleanText(baseName(fileName));
    cascade::Document doc;
    try {
        doc = readByFormat(fileName, bytes, localFiles);
    } catch (const UserError& e) {
        throw UserError("Cannot open " + name + ": " + e.what());
    } catch (const std::bad_alloc&) {
        throw UserError("Cannot open " + name + ": there is not enough memory to read it.");
    }
    if (doc.title.empty()) {
        const std::size_t dot = name.rfind('.');
        doc.title = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    }
    return doc;
}

} // namespace qm::import
