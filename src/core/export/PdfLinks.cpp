// Links added to a finished PDF as an incremental update: the file as written stays, and new
// objects, a new cross-reference section and a trailer pointing back to the old one follow it.
// The update is made from the PDF's structure alone (PdfOutput keeps it), so the file itself
// need not be read back.
#include "core/base/Error.h"
#include "core/export/PdfExport.h"
#include "core/export/PdfOutput.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

namespace qm::exporting {

namespace {

UserError unreadable() {
    return UserError("The PDF that was drawn cannot be read back to add its links.");
}

bool isSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

class Reader {
public:
    Reader(std::string_view text, std::size_t at)
        : m_text(text)
        , m_at(at) {}
    void skipSpace() {
        while (m_at < m_text.size() && isSpace(m_text[m_at]))
            ++m_at;
    }
    long long number() {
        skipSpace();
        long long value = 0;
        const auto [end, error] =
            std::from_chars(m_text.data() + m_at, m_text.data() + m_text.size(), value);
        if (error != std::errc()) throw unreadable();
        m_at = static_cast<std::size_t>(end - m_text.data());
        return value;
    }
    std::string_view word() {
        skipSpace();
        const std::size_t start = m_at;
        while (m_at < m_text.size() && !isSpace(m_text[m_at]))
            ++m_at;
        return m_text.substr(start, m_at - start);
    }
    std::size_t at() const { return m_at; }

private:
    std::string_view m_text;
    std::size_t m_at;
};

struct Trailer {
    std::map<long long, std::size_t> offsets;
    long long size = 0;
    long long root = -1;
    long long info = -1;
    std::size_t xref = 0;
};

// The object number of the reference after `key` in `text` ("/Root 1 0 R"), or -1.
long long referenceAfter(std::string_view text, std::string_view key) {
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos) return -1;
    Reader r(text, at + key.size());
    r.skipSpace();
    if (r.at() >= text.size() || text[r.at()] < '0' || text[r.at()] > '9') return -1;
    return r.number();
}

// Where the file's byte at `offset` stands in what the output kept.
std::size_t keptAt(const PdfOutput& pdf, long long offset) {
    if (offset < 0) throw unreadable();
    const std::size_t at = pdf.keptOffset(static_cast<std::size_t>(offset));
    if (at == std::string::npos) throw unreadable();
    return at;
}

Trailer readTrailer(const PdfOutput& out) {
    Trailer t;
    const std::string_view pdf = out.kept();
    const std::size_t start = pdf.rfind("startxref");
    if (start == std::string_view::npos) throw unreadable();
    Reader r(pdf, start + 9);
    const long long xref = r.number();
    t.xref = static_cast<std::size_t>(std::max(0LL, xref));
    Reader x(pdf, keptAt(out, xref));
    if (x.word() != "xref") throw unreadable();
    for (;;) {
        Reader peek = x;
        if (peek.word() == "trailer") break;
        const long long first = x.number();
        const long long count = x.number();
        if (first < 0 || count < 0 || count > 10'000'000) throw unreadable();
        for (long long i = 0; i < count; ++i) {
            const long long offset = x.number();
            x.number();
            if (x.word() == "n") t.offsets[first + i] = static_cast<std::size_t>(offset);
        }
    }
    const std::string_view trailer = pdf.substr(x.at());
    const long long size = referenceAfter(trailer, "/Size");
    t.size = size;
    t.root = referenceAfter(trailer, "/Root");
    t.info = referenceAfter(trailer, "/Info");
    if (t.size <= 0 || t.root < 0) throw unreadable();
    return t;
}

// The text of object `n` between "obj" and "endobj".
std::string_view objectBody(const PdfOutput& out, const Trailer& t, long long n) {
    const auto it = t.offsets.find(n);
    if (it == t.offsets.end()) throw unreadable();
    const std::string_view pdf = out.kept();
    const std::size_t obj = pdf.find("obj", keptAt(out, static_cast<long long>(it->second)));
    const std::size_t end = pdf.find("endobj", obj);
    if (obj == std::string_view::npos || end == std::string_view::npos) throw unreadable();
    return pdf.substr(obj + 3, end - obj - 3);
}

bool isPagesNode(std::string_view body) {
    return body.find("/Type /Pages") != std::string_view::npos ||
           body.find("/Type/Pages") != std::string_view::npos;
}

void collectPages(const PdfOutput& pdf, const Trailer& t, long long node,
                  std::vector<long long>& pages, int depth) {
    if (depth > 32) throw unreadable();
    const std::string_view body = objectBody(pdf, t, node);
    if (!isPagesNode(body)) {
        pages.push_back(node);
        return;
    }
    const std::size_t kids = body.find("/Kids");
    const std::size_t open = body.find('[', kids);
    const std::size_t close = body.find(']', open);
    if (kids == std::string_view::npos || open == std::string_view::npos ||
        close == std::string_view::npos)
        throw unreadable();
    Reader r(body.substr(0, close), open + 1);
    for (;;) {
        r.skipSpace();
        if (r.at() >= close) break;
        const long long kid = r.number();
        r.number();
        if (r.word() != "R") throw unreadable();
        collectPages(pdf, t, kid, pages, depth + 1);
    }
}

std::string pdfNumber(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

} // namespace

std::string pdfLinkUpdate(const PdfOutput& pdf, const std::vector<PdfLink>& links) {
    const Trailer t = readTrailer(pdf);
    const long long pagesNode = referenceAfter(objectBody(pdf, t, t.root), "/Pages");
    if (pagesNode < 0) throw unreadable();
    std::vector<long long> pages;
    collectPages(pdf, t, pagesNode, pages, 0);

    long long next = t.size;
    std::map<long long, std::string> objects;       // new and rewritten, by number
    std::map<std::size_t, std::string> annotations; // page index: the new annotations' references
    for (const PdfLink& link : links) {
        if (link.page >= pages.size() || link.target >= pages.size()) throw unreadable();
        const long long n = next++;
        objects[n] = "<< /Type /Annot /Subtype /Link /Rect [" + pdfNumber(link.x1) + " " +
                     pdfNumber(link.y1) + " " + pdfNumber(link.x2) + " " + pdfNumber(link.y2) +
                     "] /Border [0 0 0] /Dest [" + std::to_string(pages[link.target]) +
                     " 0 R /Fit] >>";
        annotations[link.page] += " " + std::to_string(n) + " 0 R";
    }
    for (const auto& [page, refs] : annotations) {
        const std::string_view body = objectBody(pdf, t, pages[page]);
        const std::size_t key = body.find("/Annots");
        const long long listed =
            key == std::string_view::npos ? -1 : referenceAfter(body, "/Annots");
        if (listed >= 0) {
            // The page names a list object: the list is written again, longer.
            std::string list(objectBody(pdf, t, listed));
            const std::size_t close = list.rfind(']');
            if (close == std::string::npos) throw unreadable();
            list.insert(close, refs + " ");
            objects[listed] = list;
            continue;
        }
        std::string rewritten(body);
        if (key != std::string_view::npos) {
            const std::size_t close = rewritten.find(']', key);
            if (close == std::string::npos) throw unreadable();
            rewritten.insert(close, refs + " ");
        } else {
            const std::size_t end = rewritten.rfind(">>");
            if (end == std::string::npos) throw unreadable();
            rewritten.insert(end, "/Annots [" + refs + " ]\n");
        }
        objects[pages[page]] = rewritten;
    }

    std::string update;
    if (!pdf.kept().empty() && pdf.kept().back() != '\n') update += '\n';
    std::map<long long, std::size_t> offsets;
    for (const auto& [n, body] : objects) {
        offsets[n] = pdf.size() + update.size();
        update += std::to_string(n) + " 0 obj\n" + body + "\nendobj\n";
    }
    const std::size_t xref = pdf.size() + update.size();
    update += "xref\n0 1\n0000000000 65535 f \n";
    char entry[32];
    for (const auto& [n, offset] : offsets) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        update += std::to_string(n) + " 1\n" + entry;
    }
    update += "trailer\n<< /Size " + std::to_string(next) + " /Root " + std::to_string(t.root) +
              " 0 R" + (t.info >= 0 ? " /Info " + std::to_string(t.info) + " 0 R" : std::string()) +
              " /Prev " + std::to_string(t.xref) + " >>\nstartxref\n" + std::to_string(xref) +
              "\n%%EOF\n";
    return update;
}

std::string addPdfLinks(std::string pdf, const std::vector<PdfLink>& links) {
    PdfOutput out([](std::string_view) {});
    out.write(pdf);
    return pdf + pdfLinkUpdate(out, links);
}

} // namespace qm::exporting
