#include "ui/Cp1252.h"

#include "core/base/Text.h"
#include "core/encoding/Windows1252.h"
#include "ui/QtSurface.h"

#include <QFile>
#include <QStringList>

namespace qm {

// Shown exactly as the reading page shows it.
QString fromCp1252(std::string_view bytes) {
    return QtSurface::decode(bytes);
}

QString fromCp1252Message(const std::string& message) {
    QStringList lines;
    for (const std::string& line : splitLines(message))
        lines << fromCp1252(line);
    return lines.join('\n');
}

std::string toCp1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const int byte = encoding::windows1252ByteOf(c.unicode());
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return out;
}

QString fromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string toLocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace qm
