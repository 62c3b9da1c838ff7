#include "ui/Logo.h"

#include <QPainter>
#include <QPainterPath>

namespace qm {

QImage makeLogoPicture(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 200.0, side / 200.0);

    // Two pages meeting at the spine, slightly lifted at the outer edges.
    const QColor paper(0xFF, 0xF8, 0xE7);
    const QColor edge(0x5A, 0x3E, 0x2B);
    p.setPen(QPen(edge, 3));
    p.setBrush(QColor(0x8B, 0x5A, 0x2B));
    p.drawRoundedRect(QRectF(14, 52, 172, 112), 6, 6); // the cover behind the pages
    for (int side2 = 0; side2 < 2; ++side2) {
        const double sign = side2 == 0 ? -1 : 1;
        QPainterPath page;
        page.moveTo(100, 60);
        page.cubicTo(100 + sign * 30, 48, 100 + sign * 60, 48, 100 + sign * 80, 56);
        page.lineTo(100 + sign * 80, 154);
        page.cubicTo(100 + sign * 60, 146, 100 + sign * 30, 146, 100, 158);
        page.closeSubpath();
        p.setBrush(paper);
        p.setPen(QPen(edge, 2));
        p.drawPath(page);
    }
    p.drawLine(QPointF(100, 60), QPointF(100, 158));

    // Cascading phrase lines: each row indented a step further, in the reader's accents.
    const QColor accents[] = {QColor(0x39, 0x2F, 0x46), QColor(0xA6, 0x3D, 0x40),
                              QColor(0x2E, 0x6B, 0x8F), QColor(0x3C, 0x7A, 0x3C)};
    for (int column = 0; column < 2; ++column) {
        const double left = column == 0 ? 30 : 110;
        for (int row = 0; row < 7; ++row) {
            const double indent = (row % 4) * 8;
            const double y = 70 + row * 11;
            p.setPen(QPen(accents[(row + column) % 4], 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(left + indent, y), QPointF(left + 52 - indent / 2, y));
        }
    }
    return image;
}

} // namespace qm
