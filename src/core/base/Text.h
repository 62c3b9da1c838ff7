#pragma once
// Byte-string helpers shared by every subsystem: line splitting and joining, trimming,
// ASCII lower-casing and the integer conversion that files and settings use.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

using Lines = std::vector<std::string>;

// Calls f(line) for every line of the bytes, in order: CR, LF and CR LF each end a line, and
// a line end at the very end adds no empty line.
template <typename F> void forEachLine(std::string_view bytes, F&& f) {
    std::size_t start = 0;
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            f(bytes.substr(start, i - start));
            if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < n) f(bytes.substr(start));
}

// Splits file bytes into lines as forEachLine cuts them.
Lines splitLines(std::string_view bytes);
// The number of lines as an int (positions are ints), capped at the largest int.
int lineCount(const Lines& lines);
// Joins lines with CR LF after every line, the last one included.
std::string joinLinesCrLf(const Lines& lines);

// Lower-cases the letters A to Z only.
std::string toLowerAscii(std::string_view s);
char toLowerAscii(char c);

// Trims blanks (' ') at both ends.
std::string trimBlanks(std::string_view s);
// Trims blanks and control characters (bytes up to 0x20) at both ends.
std::string trimBlanksAndControls(std::string_view s);
std::string_view trimBlanksAndControlsView(std::string_view s);
// True when the line is empty or holds only blanks and control characters.
bool isBlankLine(std::string_view s);

// Reads an integer as the platform's conversion does: optional sign, then decimal digits,
// or hexadecimal digits after "$" or after "0x"/"0X"; surrounding blanks are allowed.
// Returns nothing when the text is not a whole integer in range of int.
std::optional<int> parseInteger(std::string_view text);
// Same, but a failure throws UserError "'%s' is not a valid integer value".
int toInteger(std::string_view text);

} // namespace qm
