#include "ui/AppIcon.h"

#include <QPainter>

#include <iterator>

// The icons are compiled into the window library, a static library: nothing else refers to
// its resource data, so it is registered by hand, once, from the global namespace.
static void registerIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace qm {

namespace {

QString iconFile(int size) {
    static const bool registered = (registerIconResources(), true);
    (void)registered;
    return QString(":/quillmar/icons/%1x%1/quillmar.png").arg(size);
}

} // namespace

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addFile(iconFile(size), QSize(size, size));
    return icon;
}

QImage logoPicture(int side) {
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const QImage largest(iconFile(kIconSizes[std::size(kIconSizes) - 1]));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, side, side), largest);
    return picture;
}

} // namespace qm
