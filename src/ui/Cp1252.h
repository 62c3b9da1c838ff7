#pragma once
// Texts are single-byte (Windows-1252) in the core; the window shows and takes characters.
// Every byte decodes to a character as the reading page shows it, and every character that
// has a byte encodes back to it (others become "?").
#include <QString>

#include <string>
#include <string_view>

namespace qm {

QString fromCp1252(std::string_view bytes);
// A message for a message box: decoded as above, its line ends (CR, CR LF, LF) kept as line
// breaks, where fromCp1252 shows every control character as a blank.
QString fromCp1252Message(const std::string& message);
std::string toCp1252(const QString& text);

// Local file names: the core keeps paths as the file system's bytes.
QString fromLocalPath(const std::string& path);
std::string toLocalPath(const QString& path);

} // namespace qm
