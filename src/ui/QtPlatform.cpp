#include "ui/QtPlatform.h"

#include "ui/Cp1252.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QProcess>
#include <QScreen>

namespace qm {

namespace {
QSize primaryScreenSize() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->size();
    return {1920, 1080};
}
} // namespace

int QtPlatform::screenWidth() const {
    return primaryScreenSize().width();
}
int QtPlatform::screenHeight() const {
    return primaryScreenSize().height();
}

std::string QtPlatform::localDateTimeText() const {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    const QString text = locale.toString(now.date(), QLocale::ShortFormat) + " " +
                         locale.toString(now.time(), QLocale::LongFormat);
    return toCp1252(text);
}

bool QtPlatform::startDetached(const std::string& program, const std::vector<std::string>& args) {
    QStringList list;
    for (const std::string& a : args)
        list << fromLocalPath(a);
    return QProcess::startDetached(fromLocalPath(program), list);
}

} // namespace qm
