#include "app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace nerivo {

QImage draw_application_icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Drawn on a 48-unit grid and scaled, so every size keeps the same proportions.
    painter.scale(size / 48.0, size / 48.0);

    QLinearGradient sea(0, 0, 0, 48);
    sea.setColorAt(0.0, QColor(0x2b, 0x8c, 0xc4));
    sea.setColorAt(1.0, QColor(0x08, 0x23, 0x40));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sea);
    painter.drawRoundedRect(QRectF(1, 1, 46, 46), 9, 9);

    // The ping from the surface down to the vehicle; too fine to read at 16 pixels.
    if (size > 16) {
        QPen ping(QColor(0x9f, 0xec, 0xff), 2.4, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(ping);
        painter.setBrush(Qt::NoBrush);
        for (const double radius : {8.0, 14.0, 20.0}) {
            painter.drawArc(QRectF(24 - radius, 30 - radius, 2 * radius, 2 * radius), 55 * 16,
                            70 * 16);
        }
    }

    QPainterPath body;
    body.addRoundedRect(QRectF(7, 26, 32, 10), 5, 5);
    QPainterPath fins;
    fins.moveTo(9, 31);
    fins.lineTo(4, 23);
    fins.lineTo(12, 27);
    fins.closeSubpath();
    fins.moveTo(9, 31);
    fins.lineTo(4, 39);
    fins.lineTo(12, 35);
    fins.closeSubpath();
    fins.addRoundedRect(QRectF(21, 22, 7, 6), 2, 2);

    const QColor hull(0xff, 0xc4, 0x1f);
    const QColor edge(0x5a, 0x36, 0x00);
    painter.setPen(QPen(edge, size > 16 ? 1.6 : 2.4));
    painter.setBrush(hull.darker(115));
    painter.drawPath(fins);
    painter.setBrush(hull);
    painter.drawPath(body);

    // The nose window.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x10, 0x3a, 0x5c));
    painter.drawEllipse(QRectF(31.5, 28.5, 5, 5));
    return image;
}

QIcon application_icon() {
    QIcon icon;
    for (const int size : ICON_SIZES) {
        icon.addPixmap(QPixmap::fromImage(draw_application_icon(size)));
    }
    return icon;
}

} // namespace nerivo
