#include "core/export/PdfOutput.h"

#include <algorithm>
#include <utility>

namespace qm::exporting {

namespace {

constexpr std::string_view kEndStream = "endstream";

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// True when `kept` ends with the keyword that starts a stream's data and its line end.
bool endsWithStreamStart(std::string_view kept) {
    for (const std::string_view start :
         {std::string_view("stream\n"), std::string_view("stream\r\n")})
        if (kept.ends_with(start))
            return kept.size() == start.size() || !isLetter(kept[kept.size() - start.size() - 1]);
    return false;
}

// "12 0 obj" and its line end.
bool isObjectStart(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (!line.ends_with(" obj")) return false;
    line.remove_suffix(4);
    const std::size_t blank = line.find(' ');
    if (blank == 0 || blank == std::string_view::npos || blank + 1 == line.size()) return false;
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || (c >= '0' && c <= '9'); });
}

bool isObjectEnd(std::string_view line) {
    return line == "endobj\n" || line == "endobj\r\n";
}

// Whether links are added by reading this object: the catalogue, a node of the pages' tree
// or a list (of a page's annotations).
bool isStructure(std::string_view body) {
    for (const std::string_view type :
         {"/Type /Page", "/Type/Page", "/Type /Catalog", "/Type/Catalog"})
        if (body.find(type) != std::string_view::npos) return true;
    const std::size_t first = body.find_first_not_of(" \r\n\t");
    return first != std::string_view::npos && body[first] == '[';
}

} // namespace

void PdfOutput::write(std::string_view bytes) {
    m_sink(bytes);
    if (m_inStream)
        skip(bytes);
    else
        keep(bytes);
}

void PdfOutput::keep(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::size_t n = end == std::string_view::npos ? bytes.size() : end + 1;
        const std::size_t start = m_kept.size();
        m_kept.append(bytes.data(), n);
        m_size += n;
        bytes.remove_prefix(n);
        if (end == std::string_view::npos) break;
        lineKept(start);
        if (endsWithStreamStart(m_kept)) {
            m_inStream = true;
            m_tail.clear();
            skip(bytes);
            return;
        }
    }
}

void PdfOutput::skip(std::string_view bytes) {
    // The keyword may begin in the tail of the bytes before.
    std::string joined = m_tail;
    joined.append(bytes.substr(0, std::min(bytes.size(), kEndStream.size() - 1)));
    std::size_t found = joined.find(kEndStream);
    std::size_t fromTail = 0; // bytes of the keyword already counted
    if (found != std::string::npos && found < m_tail.size()) {
        fromTail = m_tail.size() - found;
    } else if ((found = bytes.find(kEndStream)) == std::string_view::npos) {
        m_size += bytes.size();
        joined = m_tail;
        joined.append(bytes.substr(bytes.size() - std::min(bytes.size(), kEndStream.size())));
        m_tail = joined.substr(joined.size() - std::min(joined.size(), kEndStream.size() - 1));
        return;
    }
    m_inStream = false;
    if (fromTail > 0) {
        m_runs.push_back({m_size - fromTail, m_kept.size()});
        m_kept += m_tail.substr(m_tail.size() - fromTail);
        keep(bytes);
    } else {
        m_size += found;
        m_runs.push_back({m_size, m_kept.size()});
        keep(bytes.substr(found));
    }
}

void PdfOutput::lineKept(std::size_t start) {
    // The line began in an earlier piece when the kept bytes before it do not end a line.
    while (start > 0 && m_kept[start - 1] != '\n')
        --start;
    const std::string_view line = std::string_view(m_kept).substr(start);
    if (isObjectStart(line)) {
        m_bodyStart = m_kept.size();
        return;
    }
    if (!isObjectEnd(line) || m_bodyStart == std::string::npos) return;
    const std::size_t bodyStart = std::exchange(m_bodyStart, std::string::npos);
    if (isStructure(std::string_view(m_kept).substr(bodyStart, start - bodyStart))) return;
    const std::string end(line);
    m_kept.resize(bodyStart);
    while (m_runs.size() > 1 && m_runs.back().kept > bodyStart)
        m_runs.pop_back();
    m_runs.push_back({m_size - end.size(), m_kept.size()});
    m_kept += end;
}

std::size_t PdfOutput::keptOffset(std::size_t offset) const {
    if (offset >= m_size) return std::string::npos;
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), offset,
                                        [](std::size_t o, const Run& r) { return o < r.file; });
    const Run& run = *(after - 1);
    const std::size_t end = after == m_runs.end() ? m_kept.size() : after->kept;
    const std::size_t at = run.kept + (offset - run.file);
    return at < end ? at : std::string::npos;
}

} // namespace qm::exporting
