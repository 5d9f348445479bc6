// The application icon: a touch frame seen by two corner cameras whose rays meet at a touch.
#include "skin/paint_kit.h"

#include <QtMath>

namespace skin {

namespace {

void drawAppIcon(Canvas& c)
{
    QPainter& p = c.p;
    const qreal u = c.rect.width() / 256.0;
    p.save();
    p.scale(u, u);

    const QRectF tile(12, 10, 232, 232);
    const qreal radius = 50;
    softShadow(p, tile, radius, 8, QColor(0, 10, 30, 110), QPointF(0, 3));
    QLinearGradient body(tile.topLeft(), tile.bottomRight());
    body.setColorAt(0, palette::navyLight);
    body.setColorAt(0.5, palette::navy);
    body.setColorAt(1, palette::tealDeep);
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(tile, radius, radius);
    Canvas tileCanvas{p, tile, c.px / u};
    topHighlight(tileCanvas, tile, radius, 110);

    // The screen inside the frame.
    const QRectF screen(50, 64, 156, 128);
    p.setBrush(withAlpha(palette::navyDeep, 150));
    p.drawRoundedRect(screen, 8, 8);

    // Light rays from both cameras across the screen.
    const QPointF camLeft = screen.topLeft();
    const QPointF camRight = screen.topRight();
    const QPointF touch(142, 150);
    p.save();
    p.setClipRect(screen);
    QPen ray(withAlpha(palette::cyanBright, 55), 2.2);
    p.setPen(ray);
    for (int i = 1; i <= 5; ++i) {
        const qreal a = qDegreesToRadians(14.0 * i);
        const QPointF d(std::cos(a), std::sin(a));
        p.drawLine(camLeft, camLeft + d * 300);
        p.drawLine(camRight, camRight + QPointF(-d.x(), d.y()) * 300);
    }
    p.setPen(roundPen(withAlpha(palette::cyanBright, 220), 3));
    p.drawLine(camLeft, touch);
    p.drawLine(camRight, touch);
    p.restore();

    // The frame itself.
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(palette::ice, 10));
    p.drawRoundedRect(screen, 10, 10);

    // Cameras in the two top corners.
    for (const QPointF cam : {camLeft, camRight}) {
        p.setPen(Qt::NoPen);
        p.setBrush(palette::navyDeep);
        p.drawEllipse(cam, 17, 17);
        p.setBrush(palette::ice);
        p.drawEllipse(cam, 13, 13);
        QRadialGradient lens(cam - QPointF(2, 2), 8);
        lens.setColorAt(0, Qt::white);
        lens.setColorAt(0.4, palette::cyanBright);
        lens.setColorAt(1, palette::teal);
        p.setBrush(lens);
        p.drawEllipse(cam, 7.5, 7.5);
    }

    // The touch point.
    QRadialGradient glow(touch, 24);
    glow.setColorAt(0, withAlpha(palette::cyanBright, 200));
    glow.setColorAt(1, withAlpha(palette::cyan, 0));
    p.setBrush(glow);
    p.drawEllipse(touch, 24, 24);
    p.setBrush(Qt::white);
    p.drawEllipse(touch, 7, 7);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(palette::ice, 2.5));
    p.drawEllipse(touch, 13, 13);
    p.restore();
}

} // namespace

void addAppIcon(Registry& reg)
{
    reg["Vireto.png"] = drawAppIcon;
}

} // namespace skin
