#pragma once
// Byte-string helpers shared by every subsystem: line splitting and joining, trimming,
// ASCII lower-casing and the integer conversion that files and settings use.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

using Lines = std::vector<std::string>;

// Splits file bytes into lines; CR, LF and CR LF each end a line. A line end at the very end
// adds no empty line.
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
// True when the line is empty or holds only blanks and control characters.
bool isBlankLine(std::string_view s);

// Reads an integer as the platform's conversion does: optional sign, then decimal digits,
// or hexadecimal digits after "$" or after "0x"/"0X"; surrounding blanks are allowed.
// Returns nothing when the text is not a whole integer in range of int.
std::optional<int> parseInteger(std::string_view text);
// Same, but a failure throws UserError "'%s' is not a valid integer value".
int toInteger(std::string_view text);

} // namespace qm
