#pragma once
// The stored forms of a line-coded text and their conversion into display lines.
//
// A stored text reaches the display-line list in two steps, both streamed line by line so a
// text file is never held twice: the clean-up (trailing blank lines dropped, "p999" appended,
// the banner line dropped, the end line "l08END OF FILE" and a last " " appended) and one of
// two conversion passes. The plain pass turns every "l" + NN phrase line into NN blanks
// (at most 52) before the phrase; the record pass cuts the 36-character record headers,
// inserts the paragraph or section marker a header asks for and collapses everything from an
// "EOF" line up to the line holding "l08" into the end line.
//
// Each pass reads its input once and only appends to its output, a buffer of few large
// blocks, so a text of a million lines costs its bytes and an offset per display line.
#include "core/base/LineBuffer.h"
#include "core/base/Text.h"
#include "core/port/FileSystem.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qm {

// The widest indentation a phrase line gets, in blanks.
inline constexpr int kMaxIndent = 52;
// The end line that both passes leave at the end of a text.
inline constexpr std::string_view kEndLine = "        END OF FILE";

// The level of a stored phrase line: its 2nd and 3rd characters read as a decimal number.
// Throws UserError "'%s' is not a valid integer value" naming those characters when they are
// not one (fewer than two characters are named as they stand).
int phraseLevel(std::string_view storedLine);

// The display line of a stored phrase line: min(level, 52) blanks, then everything after the
// first three characters. A negative level gives no blanks. Throws as phraseLevel does.
std::string phraseDisplayLine(std::string_view storedLine);

// Stored lines handed out one at a time. A line handed out stays valid as long as the text
// the source reads from (and the source itself, for the lines it makes up).
class StoredLineSource {
public:
    virtual ~StoredLineSource() = default;
    // The next line, or false at the end.
    virtual bool next(std::string_view& line) = 0;
    // How many lines are left to hand out, if the source knows it cheaply; 0 otherwise.
    virtual std::size_t remainingHint() const { return 0; }
    // Drops the trailing lines that are empty or hold only blanks and control characters.
    // Only valid before the first call of next().
    virtual void dropTrailingBlankLines() = 0;
};

// Lines handed out in order from anything indexed by line number.
template <class Lines> class IndexedLineSource final : public StoredLineSource {
public:
    explicit IndexedLineSource(Lines lines)
        : m_lines(lines) {}
    bool next(std::string_view& line) override {
        if (m_pos >= m_end) return false;
        line = m_lines[m_pos++];
        return true;
    }
    std::size_t remainingHint() const override { return m_end - m_pos; }
    void dropTrailingBlankLines() override {
        while (m_end > m_pos && isBlankLine(m_lines[m_end - 1]))
            --m_end;
    }

private:
    Lines m_lines;
    std::size_t m_pos = 0;
    std::size_t m_end = m_lines.size();
};

// Lines of a list of strings (a built-in page, the embedded book, a cascaded text).
using ListLineSource = IndexedLineSource<std::span<const std::string>>;
// Lines of a line buffer (a text already read in pieces).
using BufferLineSource = IndexedLineSource<const LineBuffer&>;

// Lines of a file's bytes; CR, LF and CR LF each end a line and a line end at the very end
// adds no empty line, exactly as splitLines() reads them. Any byte is allowed in a line.
class ByteLineSource final : public StoredLineSource {
public:
    explicit ByteLineSource(std::string_view bytes)
        : m_bytes(bytes) {}
    bool next(std::string_view& line) override;
    // Counts the line ends once (a linear scan), so the output list can be sized exactly.
    std::size_t remainingHint() const override;
    void dropTrailingBlankLines() override;

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

// Lines of a file read piece by piece through the file-system port, split as ByteLineSource
// splits them, so a large text is never held whole beside its display lines. A line handed out
// stays valid until the second call of next() after it (the passes look one line ahead).
// With trailing blank lines dropped, blank lines are held back until a line with text follows.
class FileLineSource final : public StoredLineSource {
public:
    // lineCount: the file's line count (countLines), used to size the output.
    FileLineSource(std::unique_ptr<FileReader> reader, std::size_t lineCount,
                   std::size_t pieceSize = std::size_t{1} << 20);
    bool next(std::string_view& line) override;
    std::size_t remainingHint() const override { return m_remaining; }
    void dropTrailingBlankLines() override { m_dropTrailingBlanks = true; }

    // Counts the lines of a file as ByteLineSource splits them; nothing on a read error.
    static std::optional<std::size_t> countLines(FileReader& reader,
                                                 std::size_t pieceSize = std::size_t{1} << 20);

private:
    bool readLine(std::string& out);
    bool refill();
    bool handOut(std::string& line, std::string_view& view);

    std::unique_ptr<FileReader> m_reader;
    std::size_t m_pieceSize;
    std::string m_piece;
    std::size_t m_piecePos = 0;
    std::size_t m_remaining;
    std::string m_slots[2];
    int m_slot = 0;
    std::string m_scratch;
    bool m_dropTrailingBlanks = false;
    std::deque<std::string> m_heldBlanks;
    std::string m_afterHeld;
    bool m_haveAfterHeld = false;
};

// The clean-up applied to another source: its trailing blank lines dropped, "p999" appended,
// its first line (the banner) dropped, then "l08END OF FILE" and " " appended. When every
// line of the text is blank, the appended "p999" is the first line and is the one dropped.
class CleanedLineSource final : public StoredLineSource {
public:
    explicit CleanedLineSource(StoredLineSource& raw);
    bool next(std::string_view& line) override;
    std::size_t remainingHint() const override;
    void dropTrailingBlankLines() override {}

private:
    StoredLineSource& m_raw;
    int m_stage = 0; // 0: text lines, then the sentinels in turn
};

// Which conversion pass a text gets: the record pass under a ".cdb" catalogue, else plain.
enum class ConversionPass { Plain, Record };
ConversionPass conversionPassFor(std::string_view catalogueExtension);

// The plain pass: appends every line of `in` to `out`, phrase lines ("l" first) converted,
// the last line as it stands (it is never visited). A level that is not a number throws
// UserError; `out` then holds the lines converted so far followed by the rest unconverted,
// the offending line included.
void convertPlainLines(StoredLineSource& in, LineBuffer& out);

// The record pass: appends the lines of `in` to `out` with record headers cut, break markers
// inserted and "EOF" collapsed. When no line after an "EOF" line holds "l08" (a cleaned text
// always has one), the "EOF" line and everything after it become the end line.
void convertRecordLines(StoredLineSource& in, LineBuffer& out);

// Clean-up and the chosen pass, appended to `out` (sized for the text first). Throws as the
// plain pass does.
void prepareDisplayLines(StoredLineSource& raw, ConversionPass pass, LineBuffer& out);

// Whether a file whose first bytes are `head` reads as a stored text, for a file whose name
// does not say what it is: among its lines after the banner that hold anything, at least
// half are coded (a phrase line "l" and two digits, a paragraph marker "p" and three digits,
// a section marker "s000", a record line). A file that is blank throughout is one (an empty
// text); a file with nothing after its first line is not (a line of prose). Unless `whole`,
// the head's last line may be cut off and is not looked at.
bool readsAsStoredText(std::string_view head, bool whole);

// Convenience forms over a list, for built-in texts and tests.
Lines cleanUpStoredLines(const Lines& stored);
Lines prepareDisplayLines(const Lines& stored, ConversionPass pass);

} // namespace qm
