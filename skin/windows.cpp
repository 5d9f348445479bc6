// Window backgrounds and the title-bar minimise / close buttons.
#include "skin/paint_kit.h"

#include <QtMath>

namespace skin {

namespace {

constexpr qreal kWindowRadius = 14;

// Faint light rays fanning out from a bottom corner, like the frame's cameras see them.
void drawRayFan(QPainter& p, const QRectF& r, QPointF origin, qreal fromDeg, qreal toDeg, int rays,
                const QColor& color, qreal width)
{
    const qreal reach = std::hypot(r.width(), r.height());
    p.setPen(QPen(color, width));
    for (int i = 0; i < rays; ++i) {
        const qreal a = qDegreesToRadians(fromDeg + (toDeg - fromDeg) * i / (rays - 1));
        p.drawLine(origin, origin + QPointF(std::cos(a), -std::sin(a)) * reach);
    }
}

// Dark window background with a lighter top band holding the title and window buttons.
void drawDarkWindow(Canvas& c, qreal band)
{
    QPainter& p = c.p;
    const QRectF r = c.rect;
    const QRectF frame = r.adjusted(c.px / 2, c.px / 2, -c.px / 2, -c.px / 2);
    const QPainterPath shape = roundedRect(frame, kWindowRadius);

    QLinearGradient body(r.topLeft(), r.bottomRight());
    body.setColorAt(0, palette::navyDeep);
    body.setColorAt(0.55, palette::navy);
    body.setColorAt(1, palette::tealDeep);
    p.fillPath(shape, body);

    p.save();
    p.setClipPath(shape);

    QRadialGradient glow(QPointF(r.width() * 0.78, r.height() * 0.3), r.width() * 0.62);
    glow.setColorAt(0, withAlpha(palette::cyan, 46));
    glow.setColorAt(1, withAlpha(palette::cyan, 0));
    p.fillRect(r, glow);

    QRadialGradient low(QPointF(r.width() * 0.1, r.height()), r.width() * 0.55);
    low.setColorAt(0, withAlpha(palette::teal, 50));
    low.setColorAt(1, withAlpha(palette::teal, 0));
    p.fillRect(r, low);

    const QColor ray = withAlpha(palette::cyanBright, 13);
    drawRayFan(p, r, r.bottomLeft(), 8, 82, 13, ray, c.px);
    drawRayFan(p, r, r.bottomRight(), 98, 172, 13, ray, c.px);

    // Fine dot grid below the band.
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(palette::ice, 14));
    const qreal step = 24;
    const qreal dot = std::max<qreal>(c.px, 1.1);
    for (qreal y = band + step; y < r.bottom() - step / 2; y += step) {
        for (qreal x = step; x < r.right() - step / 2; x += step) {
            p.drawEllipse(QPointF(x, y), dot, dot);
        }
    }

    const QRectF bandRect(r.left(), r.top(), r.width(), band);
    p.fillRect(bandRect,
               verticalGradient(bandRect, QColor(255, 255, 255, 22), QColor(255, 255, 255, 8)));
    QLinearGradient line(QPointF(r.left(), 0), QPointF(r.right(), 0));
    line.setColorAt(0, withAlpha(palette::cyan, 0));
    line.setColorAt(0.12, withAlpha(palette::cyan, 150));
    line.setColorAt(0.88, withAlpha(palette::cyan, 150));
    line.setColorAt(1, withAlpha(palette::cyan, 0));
    p.fillRect(QRectF(r.left(), band - c.px, r.width(), c.px), line);
    const QRectF shade(r.left(), band, r.width(), 10);
    p.fillRect(shade, verticalGradient(shade, QColor(0, 0, 0, 50), QColor(0, 0, 0, 0)));

    const QRectF bottom(r.left(), r.bottom() - r.height() * 0.25, r.width(), r.height() * 0.25);
    p.fillRect(bottom, verticalGradient(bottom, QColor(0, 0, 0, 0), QColor(0, 0, 0, 60)));
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(withAlpha(palette::cyanBright, 90), c.px));
    p.drawPath(shape);
}

// Light message box body under a dark drag band that holds the title.
void drawMessageBox(Canvas& c)
{
    QPainter& p = c.p;
    const QRectF r = c.rect;
    const qreal band = std::round(r.height() / 8.85);
    const QRectF frame = r.adjusted(c.px / 2, c.px / 2, -c.px / 2, -c.px / 2);
    const qreal radius = 10;
    const QPainterPath shape = roundedRect(frame, radius);

    p.fillPath(shape, verticalGradient(r, QColor(248, 251, 254), QColor(226, 236, 245)));
    p.save();
    p.setClipPath(shape);

    QRadialGradient corner(r.bottomRight(), r.width() * 0.5);
    corner.setColorAt(0, withAlpha(palette::cyan, 34));
    corner.setColorAt(1, withAlpha(palette::cyan, 0));
    p.fillRect(r, corner);

    const QRectF bandRect(r.left(), r.top(), r.width(), band);
    p.fillRect(bandRect, verticalGradient(bandRect, palette::navyLight, palette::navy));
    p.fillRect(QRectF(r.left(), band - 2 * c.px, r.width(), 2 * c.px), palette::cyan);
    const QRectF shade(r.left(), band, r.width(), 8);
    p.fillRect(shade, verticalGradient(shade, QColor(0, 38, 102, 40), QColor(0, 38, 102, 0)));
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(palette::navy, c.px));
    p.drawPath(shape);
}

enum class WindowGlyph { Minimise, Close };

void drawWindowButton(Canvas& c, WindowGlyph glyph, bool hot)
{
    QPainter& p = c.p;
    const QRectF r = c.rect;
    const qreal inset = r.width() * 0.08;
    const QRectF face = r.adjusted(inset, inset, -inset, -inset);
    const qreal radius = face.width() * 0.22;

    if (hot) {
        const bool close = glyph == WindowGlyph::Close;
        const QColor top = close ? palette::redBright : mix(palette::cyan, palette::ice, 0.15);
        const QColor bottom = close ? QColor(196, 50, 56) : QColor(24, 128, 176);
        softShadow(p, face, radius, inset * 0.8,
                   withAlpha(close ? palette::red : palette::cyan, 90));
        p.setPen(Qt::NoPen);
        p.setBrush(verticalGradient(face, top, bottom));
        p.drawRoundedRect(face, radius, radius);
        topHighlight(c, face, radius, 110);
    } else {
        p.setPen(QPen(withAlpha(palette::ice, 60), c.px));
        p.setBrush(withAlpha(palette::ice, 16));
        p.drawRoundedRect(face.adjusted(c.px / 2, c.px / 2, -c.px / 2, -c.px / 2), radius, radius);
    }

    const QColor ink = hot ? QColor(Qt::white) : palette::ice;
    const qreal w = r.width() * 0.068;
    p.setPen(roundPen(ink, w));
    const QPointF mid = r.center();
    const qreal arm = r.width() * 0.16;
    if (glyph == WindowGlyph::Minimise) {
        const qreal y = mid.y() + r.height() * 0.08;
        p.drawLine(QPointF(mid.x() - arm * 1.15, y), QPointF(mid.x() + arm * 1.15, y));
    } else {
        p.drawLine(mid + QPointF(-arm, -arm), mid + QPointF(arm, arm));
        p.drawLine(mid + QPointF(-arm, arm), mid + QPointF(arm, -arm));
    }
}

} // namespace

void addWindowImages(Registry& reg)
{
    reg["back_pixmap.png"] = [](Canvas& c) { drawDarkWindow(c, 60); };
    reg["set/set.png"] = [](Canvas& c) { drawDarkWindow(c, 60); };
    reg["messageBox/messageBox.png"] = drawMessageBox;
    reg["min1.png"] = [](Canvas& c) { drawWindowButton(c, WindowGlyph::Minimise, false); };
    reg["min2.png"] = [](Canvas& c) { drawWindowButton(c, WindowGlyph::Minimise, true); };
    reg["quit1.png"] = [](Canvas& c) { drawWindowButton(c, WindowGlyph::Close, false); };
    reg["quit2.png"] = [](Canvas& c) { drawWindowButton(c, WindowGlyph::Close, true); };
}

} // namespace skin
