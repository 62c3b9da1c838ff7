#include "core/text/LineFormat.h"

#include "core/base/Error.h"

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

FileLineSource::FileLineSource(std::unique_ptr<FileReader> reader, std::size_t lineCount,
                               std::size_t pieceSize)
    : m_reader(std::move(reader))
    , m_pieceSize(pieceSize > 0 ? pieceSize : 1)
    , m_remaining(lineCount) {}

bool FileLineSource::refill() {
    m_piece.resize(m_pieceSize);
    const std::optional<std::size_t> got = m_reader->read(m_piece.data(), m_piece.size());
    // A read error ends the text where it stands, as the end of the file would.
    m_piece.resize(got ? *got : 0);
    m_piecePos = 0;
    return !m_piece.empty();
}

bool FileLineSource::readLine(std::string& out) {
    out.clear();
    for (;;) {
        if (m_piecePos >= m_piece.size() && !refill()) return !out.empty();
        const char* const data = m_piece.data();
        const std::size_t n = m_piece.size();
        std::size_t end = m_piecePos;
        while (end < n && !isLineEnd(data[end]))
            ++end;
        out.append(data + m_piecePos, end - m_piecePos);
        if (end == n) {
            m_piecePos = n; // the line goes on in the next piece
            continue;
        }
        m_piecePos = end + 1;
        if (data[end] == '\r') {
            // A CR LF pair may straddle two pieces.
            if (m_piecePos >= m_piece.size()) refill();
            if (m_piecePos < m_piece.size() && m_piece[m_piecePos] == '\n') ++m_piecePos;
        }
        return true;
    }
}

bool FileLineSource::handOut(std::string& line, std::string_view& view) {
    std::string& slot = m_slots[m_slot];
    m_slot ^= 1;
    slot.swap(line);
    view = slot;
    if (m_remaining > 0) --m_remaining;
    return true;
}

bool FileLineSource::next(std::string_view& line) {
    if (!m_dropTrailingBlanks) {
        if (!readLine(m_scratch)) return false;
        return handOut(m_scratch, line);
    }
    if (!m_heldBlanks.empty()) {
        const bool ok = handOut(m_heldBlanks.front(), line);
        m_heldBlanks.pop_front();
        return ok;
    }
    if (m_haveAfterHeld) {
        m_haveAfterHeld = false;
        return handOut(m_afterHeld, line);
    }
    while (readLine(m_scratch)) {
        if (!isBlankLine(m_scratch)) {
            if (m_heldBlanks.empty()) return handOut(m_scratch, line);
            m_afterHeld.swap(m_scratch);
            m_haveAfterHeld = true;
            const bool ok = handOut(m_heldBlanks.front(), line);
            m_heldBlanks.pop_front();
            return ok;
        }
        m_heldBlanks.emplace_back();
        m_heldBlanks.back().swap(m_scratch);
    }
    // Only blank lines were left: they are the trailing ones, and are dropped.
    m_heldBlanks.clear();
    return false;
}

std::optional<std::size_t> FileLineSource::countLines(FileReader& reader, std::size_t pieceSize) {
    std::string piece(pieceSize > 0 ? pieceSize : 1, '\0');
    std::size_t lines = 0;
    bool afterCr = false;  // the last byte read was a CR, whose LF may start the next piece
    bool openLine = false; // bytes since the last line end
    for (;;) {
        const std::optional<std::size_t> got = reader.read(piece.data(), piece.size());
        if (!got) return std::nullopt;
        if (*got == 0) break;
        for (std::size_t i = 0; i < *got; ++i) {
            const char c = piece[i];
            if (c == '\n') {
                if (!afterCr) ++lines;
                afterCr = false;
                openLine = false;
            } else if (c == '\r') {
                ++lines;
                afterCr = true;
                openLine = false;
            } else {
                afterCr = false;
                openLine = true;
            }
        }
    }
    return lines + (openLine ? 1 : 0);
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

void convertPlainLines(StoredLineSource& in, LineBuffer& out) {
    std::string_view line;
    if (!in.next(line)) return;
    std::string_view following;
    // One line of look-ahead tells whether a line is the last, which the pass leaves alone.
    while (in.next(following)) {
        if (!line.empty() && line.front() == 'l') {
            try {
                out.push_back(phraseDisplayLine(line));
            } catch (const UserError&) {
                out.push_back(line);
                out.push_back(following);
                while (in.next(following))
                    out.push_back(following);
                throw;
            }
        } else {
            out.push_back(line);
        }
        line = following;
    }
    out.push_back(line);
}

void convertRecordLines(StoredLineSource& in, LineBuffer& out) {
    std::string_view line;
    if (!in.next(line)) return;
    std::string_view following;
    while (in.next(following)) {
        if (contains(line, "EOF")) {
            // The lines up to the one holding "l08" are dropped, the "EOF" line with them,
            // and that line becomes the end line. It is not visited again.
            while (!contains(following, "l08")) {
                if (!in.next(following)) {
                    out.push_back(kEndLine);
                    return;
                }
            }
            out.push_back(kEndLine);
            if (!in.next(line)) return;
            continue;
        }
        if (line.size() >= kRecordHeader && line.front() == 'p') {
            out.push_back(line.substr(kRecordHeader));
            if (line[kBreakFlag] == '2') {
                const bool paragraph =
                    following.size() > kBreakKind && following[kBreakKind] == '1';
                out.push_back(paragraph ? "p000" : "s000");
            }
        } else {
            out.push_back(line);
        }
        line = following;
    }
    out.push_back(line);
}

void prepareDisplayLines(StoredLineSource& raw, ConversionPass pass, LineBuffer& out) {
    CleanedLineSource cleaned(raw);
    // Room for the lines that may follow the text: the welcome lines of the first activation.
    // Without it the first line appended after a large text doubles the list, holding the old
    // and the new list at once, for a few lines more.
    constexpr std::size_t kRoomAfterText = 32;
    out.reserve(out.size() + cleaned.remainingHint() + kRoomAfterText);
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
    LineBuffer out;
    prepareDisplayLines(raw, pass, out);
    return out.toLines();
}

namespace {

bool allDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A line in one of the coded forms of a stored text.
bool isCodedLine(std::string_view line) {
    if (line.size() >= 3 && line[0] == 'l') return allDigits(line.substr(1, 2));
    if (line.size() >= 4 && line[0] == 'p' && allDigits(line.substr(1, 3))) return true;
    return line.starts_with("s000") || (line.size() >= kRecordHeader && line[0] == 'p');
}

} // namespace

bool readsAsStoredText(std::string_view head, bool whole) {
    if (!whole) {
        // A stored text's lines are short: a head without a line end is none.
        const auto lastEnd = head.find_last_of("\r\n");
        if (lastEnd == std::string_view::npos) return false;
        head = head.substr(0, lastEnd);
    }
    if (std::all_of(head.begin(), head.end(), isBlankOrControl)) return true;
    ByteLineSource lines(head);
    std::string_view line;
    lines.next(line); // the banner
    std::size_t filled = 0, coded = 0;
    while (lines.next(line)) {
        if (std::all_of(line.begin(), line.end(), isBlankOrControl)) continue;
        ++filled;
        if (isCodedLine(line)) ++coded;
    }
    return filled > 0 && coded * 2 >= filled;
}

} // namespace qm
