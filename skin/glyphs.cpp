#include "skin/glyphs.h"

#include "skin/paint_kit.h"

#include <QtMath>

namespace skin {

namespace {

// All glyphs are designed on a 100 x 100 grid centred on (50, 50).
constexpr qreal kStroke = 7;
constexpr qreal kThin = 5;

void level(QPainter& p, const GlyphInk& ink)
{
    p.setPen(roundPen(ink.main, kStroke));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(5, 26, 90, 38), 19, 19);
    p.setPen(roundPen(ink.main, kThin));
    p.drawRoundedRect(QRectF(31, 36, 38, 18), 9, 9);
    p.drawLine(QPointF(20, 38), QPointF(20, 52));
    p.drawLine(QPointF(80, 38), QPointF(80, 52));
    p.setPen(Qt::NoPen);
    p.setBrush(ink.accent);
    p.drawEllipse(QPointF(50, 45), 5, 5);
    p.setPen(roundPen(ink.accent, kThin));
    p.drawLine(QPointF(10, 82), QPointF(90, 82));
}

void gear(QPainter& p, const GlyphInk& ink)
{
    constexpr int kTeeth = 8;
    constexpr qreal kRoot = 35;
    constexpr qreal kTip = 46;
    const QPointF c(50, 50);
    auto at = [&c](qreal radius, qreal deg) {
        const qreal a = qDegreesToRadians(deg);
        return c + QPointF(std::cos(a), std::sin(a)) * radius;
    };
    QPainterPath outline;
    const qreal pitch = 360.0 / kTeeth;
    for (int i = 0; i < kTeeth; ++i) {
        const qreal mid = i * pitch;
        const QPointF rootStart = at(kRoot, mid - pitch / 2);
        if (i == 0) {
            outline.moveTo(rootStart);
        } else {
            outline.lineTo(rootStart);
        }
        outline.lineTo(at(kRoot, mid - pitch * 0.28));
        outline.lineTo(at(kTip, mid - pitch * 0.17));
        outline.lineTo(at(kTip, mid + pitch * 0.17));
        outline.lineTo(at(kRoot, mid + pitch * 0.28));
    }
    outline.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 15, 15);
    p.setPen(QPen(ink.main, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(ink.main);
    p.drawPath(outline.subtracted(hole));
    p.setPen(roundPen(ink.accent, kThin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 8, 8);
}

void crosshair(QPainter& p, const GlyphInk& ink)
{
    p.setPen(roundPen(ink.main, kStroke));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(50, 50), 31, 31);
    p.drawLine(QPointF(50, 5), QPointF(50, 34));
    p.drawLine(QPointF(50, 66), QPointF(50, 95));
    p.drawLine(QPointF(5, 50), QPointF(34, 50));
    p.drawLine(QPointF(66, 50), QPointF(95, 50));
    p.setPen(Qt::NoPen);
    p.setBrush(ink.accent);
    p.drawEllipse(QPointF(50, 50), 7, 7);
}

void chipUpdate(QPainter& p, const GlyphInk& ink)
{
    p.setPen(roundPen(ink.main, kStroke));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(22, 22, 56, 56), 9, 9);
    p.setPen(roundPen(ink.main, kThin));
    for (qreal at : {36.0, 50.0, 64.0}) {
        p.drawLine(QPointF(at, 6), QPointF(at, 16));
        p.drawLine(QPointF(at, 84), QPointF(at, 94));
        p.drawLine(QPointF(6, at), QPointF(16, at));
        p.drawLine(QPointF(84, at), QPointF(94, at));
    }
    QPainterPath head;
    head.moveTo(50, 32);
    head.lineTo(65, 49);
    head.lineTo(35, 49);
    head.closeSubpath();
    p.setPen(roundPen(ink.accent, 3));
    p.setBrush(ink.accent);
    p.drawPath(head);
    p.setPen(roundPen(ink.accent, kStroke));
    p.drawLine(QPointF(50, 48), QPointF(50, 67));
}

void info(QPainter& p, const GlyphInk& ink)
{
    p.setPen(roundPen(ink.main, kStroke));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(50, 50), 42, 42);
    p.setPen(Qt::NoPen);
    p.setBrush(ink.accent);
    p.drawEllipse(QPointF(50, 29), 6.5, 6.5);
    p.drawRoundedRect(QRectF(44, 41, 12, 36), 6, 6);
}

void keyCap(QPainter& p, const GlyphInk& ink)
{
    p.setPen(roundPen(ink.main, kStroke));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(8, 16, 84, 70), 15, 15);
    p.setPen(roundPen(ink.main, kThin));
    p.drawRoundedRect(QRectF(21, 23, 58, 45), 9, 9);
    p.drawLine(QPointF(14, 80), QPointF(24, 66));
    p.drawLine(QPointF(86, 80), QPointF(76, 66));
}

void keyCapTarget(QPainter& p, const GlyphInk& ink)
{
    keyCap(p, ink);
    p.setPen(roundPen(ink.accent, 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(50, 45.5), 9, 9);
    p.drawLine(QPointF(50, 30), QPointF(50, 37));
    p.drawLine(QPointF(50, 54), QPointF(50, 61));
    p.drawLine(QPointF(35, 45.5), QPointF(42, 45.5));
    p.drawLine(QPointF(58, 45.5), QPointF(65, 45.5));
}

void checkMark(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& color, qreal w)
{
    QPainterPath tick;
    tick.moveTo(a);
    tick.lineTo(b);
    tick.lineTo(c);
    p.setPen(roundPen(color, w));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

void keyCapCheck(QPainter& p, const GlyphInk& ink)
{
    keyCap(p, ink);
    const QPointF badge(78, 78);
    p.setPen(Qt::NoPen);
    p.setBrush(ink.backdrop);
    p.drawEllipse(badge, 22, 22);
    p.setBrush(ink.accent);
    p.drawEllipse(badge, 17, 17);
    checkMark(p, badge + QPointF(-8, 0), badge + QPointF(-2.5, 6), badge + QPointF(8, -6),
              ink.backdrop, 5);
}

void shield(QPainter& p, const GlyphInk& ink)
{
    QPainterPath outline;
    outline.moveTo(50, 6);
    outline.lineTo(85, 18);
    outline.lineTo(85, 46);
    outline.cubicTo(85, 70, 70, 86, 50, 95);
    outline.cubicTo(30, 86, 15, 70, 15, 46);
    outline.lineTo(15, 18);
    outline.closeSubpath();
    p.setPen(roundPen(ink.main, kStroke));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
    checkMark(p, QPointF(34, 51), QPointF(46, 63), QPointF(67, 39), ink.accent, 8);
}

void reset(QPainter& p, const GlyphInk& ink)
{
    const QPointF c(50, 52);
    constexpr qreal kRadius = 33;
    constexpr qreal kStart = 60;   // degrees, counter-clockwise from 3 o'clock
    constexpr qreal kSweep = -290; // clockwise
    QPainterPath arc;
    const QRectF box(c.x() - kRadius, c.y() - kRadius, 2 * kRadius, 2 * kRadius);
    arc.arcMoveTo(box, kStart);
    arc.arcTo(box, kStart, kSweep);
    p.setPen(roundPen(ink.main, kStroke + 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);

    const qreal end = qDegreesToRadians(kStart + kSweep);
    const QPointF tip = c + QPointF(std::cos(end), -std::sin(end)) * kRadius;
    const QPointF dir(std::sin(end), std::cos(end)); // clockwise tangent
    const QPointF normal(-dir.y(), dir.x());
    QPainterPath head;
    head.moveTo(tip + dir * 14);
    head.lineTo(tip - dir * 3 + normal * 13);
    head.lineTo(tip - dir * 3 - normal * 13);
    head.closeSubpath();
    p.setPen(roundPen(ink.accent, 3));
    p.setBrush(ink.accent);
    p.drawPath(head);
}

void plug(QPainter& p, const GlyphInk& ink)
{
    p.setPen(roundPen(ink.accent, kStroke));
    p.drawLine(QPointF(39, 8), QPointF(39, 26));
    p.drawLine(QPointF(61, 8), QPointF(61, 26));
    QPainterPath body;
    body.moveTo(24, 28);
    body.lineTo(76, 28);
    body.lineTo(76, 46);
    body.cubicTo(76, 58, 66, 66, 56, 66);
    body.lineTo(44, 66);
    body.cubicTo(34, 66, 24, 58, 24, 46);
    body.closeSubpath();
    p.setPen(roundPen(ink.main, 4));
    p.setBrush(ink.main);
    p.drawPath(body);
    QPainterPath cable;
    cable.moveTo(50, 66);
    cable.cubicTo(50, 84, 66, 80, 72, 94);
    p.setPen(roundPen(ink.main, kStroke));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
}

} // namespace

void drawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const GlyphInk& ink)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 100.0, box.height() / 100.0);
    switch (glyph) {
    case Glyph::Level:
        level(p, ink);
        break;
    case Glyph::Gear:
        gear(p, ink);
        break;
    case Glyph::Crosshair:
        crosshair(p, ink);
        break;
    case Glyph::ChipUpdate:
        chipUpdate(p, ink);
        break;
    case Glyph::Info:
        info(p, ink);
        break;
    case Glyph::KeyCap:
        keyCapTarget(p, ink);
        break;
    case Glyph::KeyCapCheck:
        keyCapCheck(p, ink);
        break;
    case Glyph::Shield:
        shield(p, ink);
        break;
    case Glyph::Reset:
        reset(p, ink);
        break;
    case Glyph::Plug:
        plug(p, ink);
        break;
    }
    p.restore();
}

} // namespace skin
