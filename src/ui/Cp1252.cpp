#include "ui/Cp1252.h"

#include "ui/QtSurface.h"

#include <QFile>

#include <array>

namespace qm {

namespace {

// 0x80-0x9F; the five bytes without a character map to the C1 control of the same value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

// Shown exactly as the reading page shows it.
QString fromCp1252(std::string_view bytes) {
    return QtSurface::decode(bytes);
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
        for (std::size_t i = 0; i < kHigh.size(); ++i) {
            if (kHigh[i] == u) {
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
