#include "ui/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QResource>
#include <QSysInfo>
#include <QtEndian>

#include <cstring>

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

// A square picture stored as raw pixels, row after row, in a byte order of its own (the same
// on every machine). Decoding a PNG costs far more at start-up than the picture is worth: the
// image reader first looks through every image format plugin installed, then inflates.
// The raw pictures are the icon PNGs of data/icons, and the logo (below) the 256-pixel icon
// scaled smoothly onto white to 200 pixels; the window tests compare them with those files.
// They are compiled in uncompressed (icons.qrc) and read in place: opening them as files and
// inflating them cost more than the pictures themselves.
QImage rawPicture(const QString& path, int side, QImage::Format format, int bytesPerPixel) {
    registerOnce();
    const QResource resource(path);
    const QByteArray bytes = resource.uncompressedData();
    const qsizetype row = static_cast<qsizetype>(side) * bytesPerPixel;
    if (bytes.size() != row * side) return {};
    QImage image(side, side, format);
    for (int y = 0; y < side; ++y)
        std::memcpy(image.scanLine(y), bytes.constData() + y * row, static_cast<std::size_t>(row));
    return image;
}

// The logo is stored as the image's own pixels: each a 32-bit word 0xffRRGGBB, least
// significant byte first. On a little-endian machine the picture is read in place from the
// program's read-only data, with no copy and no conversion; elsewhere (or should the data not
// lie on a word boundary) its words are copied out.
QImage storedLogo() {
    registerOnce();
    const QResource resource(QStringLiteral(":/quillmar/about/logo-200.bgrx"));
    const qsizetype row = static_cast<qsizetype>(kLogoSide) * 4;
    const uchar* data = resource.data();
    if (!data || resource.compressionAlgorithm() != QResource::NoCompression ||
        resource.size() != row * kLogoSide)
        return {};
    const bool aligned = reinterpret_cast<quintptr>(data) % alignof(quint32) == 0;
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian && aligned)
        return QImage(data, kLogoSide, kLogoSide, row, QImage::Format_RGB32);
    QImage image(kLogoSide, kLogoSide, QImage::Format_RGB32);
    for (int y = 0; y < kLogoSide; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kLogoSide; ++x)
            line[x] = qFromLittleEndian<quint32>(data + y * row + x * 4);
    }
    return image;
}

} // namespace

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : kWindowIconSizes)
        icon.addPixmap(
            QPixmap::fromImage(rawPicture(QString(":/quillmar/window/%1.rgba").arg(size), size,
                                          QImage::Format_RGBA8888_Premultiplied, 4)));
    return icon;
}

QImage logoPicture(int side) {
    const QImage logo = storedLogo();
    if (side == kLogoSide) return logo;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, side, side), logo);
    return picture;
}

} // namespace qm
