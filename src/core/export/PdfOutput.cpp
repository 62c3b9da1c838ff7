#include "core/export/PdfOutput.h"

#include <algorithm>

namespace qm::exporting {

namespace {

constexpr std::string_view kEndStream = "endstream";

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// True when `kept` ends with the keyword that starts a stream's data and its line end.
bool endsWithStreamStart(std::string_view kept) {
    for (const std::string_view start : {std::string_view("stream\n"), std::string_view("stream\r\n")})
        if (kept.ends_with(start))
            return kept.size() == start.size() || !isLetter(kept[kept.size() - start.size() - 1]);
    return false;
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
        m_kept.append(bytes.data(), n);
        m_size += n;
        bytes.remove_prefix(n);
        if (end != std::string_view::npos && endsWithStreamStart(m_kept)) {
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
