#include "core/text/LineFormat.h"

#include "core/shell/Error.h"

#include <algorithm>
#include <array>

namespace qm {

namespace {

constexpr std::string_view kNewPageMarker = "p999";
constexpr std::string_view kStoredEndLine = "l08END OF FILE";
constexpr std::string_view kLastLine = " ";

// Record form: a header of 36 characters; position 33 flags a break after the line and
// position 24 of the following line says which marker the break is.
constexpr std::size_t kRecordHeader = 36;
constexpr std::size_t kBreakFlag = 33 - 1;
constexpr std::size_t kBreakKind = 24 - 1;

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}
bool isBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}
bool contains(std::string_view line, std::string_view what) {
    return line.find(what) != std::string_view::npos;
}

} // namespace

int phraseLevel(std::string_view storedLine) {
    const std::string_view digits =
        storedLine.substr(std::min<std::size_t>(1, storedLine.size()), 2);
    // Levels are decimal; the "$" form of hexadecimal that parseInteger also reads is not one.
    if (digits.find('$') == std::string_view::npos) {
        if (const auto level = parseInteger(digits)) return *level;
    }
    throw UserError(notValidIntegerMessage(std::string(digits)));
}

std::string phraseDisplayLine(std::string_view storedLine) {
    const int level = std::clamp(phraseLevel(storedLine), 0, kMaxIndent);
    const std::string_view phrase = storedLine.substr(std::min<std::size_t>(3, storedLine.size()));
    std::string line;
    line.reserve(static_cast<std::size_t>(level) + phrase.size());
    line.append(static_cast<std::size_t>(level), ' ');
    line.append(phrase);
    return line;
}

bool ListLineSource::next(std::string_view& line) {
    if (m_pos >= m_end) return false;
    line = m_lines[m_pos++];
    return true;
}

void ListLineSource::dropTrailingBlankLines() {
    while (m_end > m_pos && isBlankLine(m_lines[m_end - 1]))
        --m_end;
}

bool ByteLineSource::next(std::string_view& line) {
    const std::size_t n = m_bytes.size();
    if (m_pos >= n) return false;
    const char* const data = m_bytes.data();
    std::size_t end = m_pos;
    while (end < n && !isLineEnd(data[end]))
        ++end;
    line = m_bytes.substr(m_pos, end - m_pos);
    m_pos = end + 1;
    if (end + 1 < n && data[end] == '\r' && data[end + 1] == '\n') ++m_pos;
    return true;
}

std::size_t ByteLineSource::remainingHint() const {
    const std::size_t n = m_bytes.size();
    if (m_pos >= n) return 0;
    const char* const data = m_bytes.data();
    std::size_t lines = 0;
    for (std::size_t i = m_pos; i < n; ++i) {
        if (data[i] == '\n' || (data[i] == '\r' && (i + 1 >= n || data[i + 1] != '\n'))) ++lines;
    }
    // A last line without a line end counts too.
    if (!isLineEnd(data[n - 1])) ++lines;
    return lines;
}

void ByteLineSource::dropTrailingBlankLines() {
    // The text ends with the line that holds the last byte other than a blank or a control
    // character; every line after it is blank (line ends are control characters too).
    std::size_t last = m_bytes.size();
    while (last > m_pos && isBlankOrControl(m_bytes[last - 1]))
        --last;
    if (last == m_pos) {
        m_bytes = m_bytes.substr(0, m_pos);
        return;
    }
    std::size_t end = last;
    while (end < m_bytes.size() && !isLineEnd(m_bytes[end]))
        ++end;
    m_bytes = m_bytes.substr(0, end);
}

CleanedLineSource::CleanedLineSource(StoredLineSource& raw)
    : m_raw(raw) {
    m_raw.dropTrailingBlankLines();
    // The banner line; with no text at all the "p999" takes its place and is dropped instead.
    std::string_view banner;
    if (!m_raw.next(banner)) m_stage = 2;
}

bool CleanedLineSource::next(std::string_view& line) {
    switch (m_stage) {
    case 0:
        if (m_raw.next(line)) return true;
        m_stage = 1;
        [[fallthrough]];
    case 1:
        m_stage = 2;
        line = kNewPageMarker;
        return true;
    case 2:
        m_stage = 3;
        line = kStoredEndLine;
        return true;
    case 3:
        m_stage = 4;
        line = kLastLine;
        return true;
    default:
        return false;
    }
}

std::size_t CleanedLineSource::remainingHint() const {
    switch (m_stage) {
    case 0:
        return m_raw.remainingHint() + 3;
    case 1:
        return 3;
    case 2:
        return 2;
    case 3:
        return 1;
    default:
        return 0;
    }
}

ConversionPass conversionPassFor(std::string_view catalogueExtension) {
    return catalogueExtension == ".cdb" ? ConversionPass::Record : ConversionPass::Plain;
}

void convertPlainLines(StoredLineSource& in, Lines& out) {
    std::string_view line;
    if (!in.next(line)) return;
    std::string_view following;
    // One line of look-ahead tells whether a line is the last, which the pass leaves alone.
    while (in.next(following)) {
        if (!line.empty() && line.front() == 'l') {
            try {
                out.push_back(phraseDisplayLine(line));
            } catch (const UserError&) {
                out.emplace_back(line);
                out.emplace_back(following);
                while (in.next(following))
                    out.emplace_back(following);
                throw;
            }
        } else {
            out.emplace_back(line);
        }
        line = following;
    }
    out.emplace_back(line);
}

void convertRecordLines(StoredLineSource& in, Lines& out) {
    std::string_view line;
    if (!in.next(line)) return;
    std::string_view following;
    while (in.next(following)) {
        if (contains(line, "EOF")) {
            // The lines up to the one holding "l08" are dropped, the "EOF" line with them,
            // and that line becomes the end line. It is not visited again.
            while (!contains(following, "l08")) {
                if (!in.next(following)) {
                    out.emplace_back(kEndLine);
                    return;
                }
            }
            out.emplace_back(kEndLine);
            if (!in.next(line)) return;
            continue;
        }
        if (line.size() >= kRecordHeader && line.front() == 'p') {
            out.emplace_back(line.substr(kRecordHeader));
            if (line[kBreakFlag] == '2') {
                const bool paragraph =
                    following.size() > kBreakKind && following[kBreakKind] == '1';
                out.emplace_back(paragraph ? "p000" : "s000");
            }
        } else {
            out.emplace_back(line);
        }
        line = following;
    }
    out.emplace_back(line);
}

void prepareDisplayLines(StoredLineSource& raw, ConversionPass pass, Lines& out) {
    CleanedLineSource cleaned(raw);
    out.reserve(out.size() + cleaned.remainingHint());
    if (pass == ConversionPass::Record)
        convertRecordLines(cleaned, out);
    else
        convertPlainLines(cleaned, out);
}

Lines cleanUpStoredLines(const Lines& stored) {
    ListLineSource raw(stored);
    CleanedLineSource cleaned(raw);
    Lines out;
    out.reserve(cleaned.remainingHint());
    std::string_view line;
    while (cleaned.next(line))
        out.emplace_back(line);
    return out;
}

Lines prepareDisplayLines(const Lines& stored, ConversionPass pass) {
    ListLineSource raw(stored);
    Lines out;
    prepareDisplayLines(raw, pass, out);
    return out;
}

} // namespace qm
