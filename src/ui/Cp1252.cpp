#include "ui/Cp1252.h"

#include "core/base/Text.h"
#include "ui/QtSurface.h"

#include <QFile>
#include <QStringList>

#include <array>

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
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char byte = '?';
        for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
            if (kCp1252High[i] == u) {
                byte = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(byte);
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
