#pragma once
// Texts are single-byte (Windows-1252) in the core; the window shows and takes characters.
// Every byte decodes to a character as the reading page shows it, and every character that
// has a byte encodes back to it (others become "?").
#include <QString>

#include <array>
#include <string>
#include <string_view>

namespace qm {

// The characters of bytes 0x80-0x9F; the five bytes without a character keep the C1 control
// of the same value. Every other byte is the Latin-1 character of its value.
inline constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(std::string_view bytes);
// A message for a message box: decoded as above, its line ends (CR, CR LF, LF) kept as line
// breaks, where fromCp1252 shows every control character as a blank.
QString fromCp1252Message(const std::string& message);
std::string toCp1252(const QString& text);

// Local file names: the core keeps paths as the file system's bytes.
QString fromLocalPath(const std::string& path);
std::string toLocalPath(const QString& path);

} // namespace qm
