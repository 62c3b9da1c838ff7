#include "ui/AppIcon.h"

#include <QPainter>

// The icons are compiled into the window library, a static library: nothing else refers to
// its resource data, so it is registered by hand, once, from the global namespace.
static void registerIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace qm {

namespace {

void registerOnce() {
    static const bool registered = (registerIconResources(), true);
    (void)registered;
}

QString iconFile(int size) {
    registerOnce();
    return QString(":/quillmar/icons/%1x%1/quillmar.png").arg(size);
}

} // namespace

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : kWindowIconSizes)
        icon.addFile(iconFile(size), QSize(size, size));
    return icon;
}

QImage logoPicture(int side) {
    registerOnce();
    QImage logo(QStringLiteral(":/quillmar/about/logo-200.png"));
    logo = logo.convertToFormat(QImage::Format_RGB32);
    if (side == logo.width() && side == logo.height()) return logo;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, side, side), logo);
    return picture;
}

} // namespace qm
