// Calibration targets, the corner arrows and the pass / fail discs. These sit on screens of
// any colour, so their strokes carry a dark halo.
#include "skin/paint_kit.h"

#include <QtMath>

namespace skin {

namespace {

const QColor kHalo(6, 20, 40, 150);

QPainterPath circlePath(QPointF c, qreal radius)
{
    QPainterPath path;
    path.addEllipse(c, radius, radius);
    return path;
}

// Four crosshair arms from an inner gap to the outer reach.
QPainterPath crossArms(QPointF c, qreal gap, qreal reach)
{
    QPainterPath path;
    for (const QPointF d : {QPointF(0, -1), QPointF(0, 1), QPointF(-1, 0), QPointF(1, 0)}) {
        path.moveTo(c + d * gap);
        path.lineTo(c + d * reach);
    }
    return path;
}

// A finished point: a small green cross in a ring.
void drawDoneTarget(Canvas& c)
{
    const QRectF r = c.rect;
    const QPointF mid = r.center();
    const qreal u = r.width() / 48.0;
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(withAlpha(palette::green, 60));
    c.p.drawEllipse(mid, 16 * u, 16 * u);
    haloStroke(c.p, circlePath(mid, 16 * u), palette::greenBright, 3 * u, kHalo, 5.5 * u);
    haloStroke(c.p, crossArms(mid, 0, 10 * u), palette::greenBright, 3 * u, kHalo, 5.5 * u);
}

void drawCrosshair(Canvas& c, const QColor& color)
{
    const QPointF mid = c.rect.center();
    const qreal u = c.rect.width() / 96.0;
    haloStroke(c.p, crossArms(mid, 6 * u, 44 * u), color, 2.5 * u, kHalo, 5 * u);
    haloStroke(c.p, circlePath(mid, 11 * u), color, 2.5 * u, kHalo, 5 * u);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(Qt::white);
    c.p.drawEllipse(mid, 2.4 * u, 2.4 * u);
}

// Waiting for a touch: a ring pulses outwards and fades over frames 1..5.
void drawWaitingTarget(Canvas& c, int frame)
{
    const QPointF mid = c.rect.center();
    const qreal u = c.rect.width() / 96.0;
    const qreal t = (frame - 1) / 4.0;
    const qreal radius = (17 + 24 * t) * u;
    const int alpha = qRound(255 - 185 * t);
    const qreal width = (4.0 - 2.0 * t) * u;

    QRadialGradient glow(mid, radius + width * 2);
    glow.setColorAt(0, withAlpha(palette::cyan, 0));
    glow.setColorAt(0.7, withAlpha(palette::cyan, alpha / 6));
    glow.setColorAt(1, withAlpha(palette::cyan, 0));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(glow);
    c.p.drawEllipse(mid, radius + width * 2, radius + width * 2);

    haloStroke(c.p, circlePath(mid, radius), withAlpha(palette::cyanBright, alpha), width,
               withAlpha(kHalo, qRound(kHalo.alpha() * (1 - 0.6 * t))), width + 2.5 * u);
    drawCrosshair(c, palette::cyan);
}

// Holding still: a ring fills clockwise a quarter per frame; frame 5 adds a bright centre.
void drawSteadyTarget(Canvas& c, int frame)
{
    const QPointF mid = c.rect.center();
    const qreal u = c.rect.width() / 96.0;
    const qreal radius = 29 * u;
    const qreal width = 6 * u;

    c.p.setBrush(Qt::NoBrush);
    c.p.setPen(QPen(kHalo, width + 2.5 * u));
    c.p.drawEllipse(mid, radius, radius);
    c.p.setPen(QPen(withAlpha(palette::cyan, 70), width));
    c.p.drawEllipse(mid, radius, radius);

    const int quarters = std::min(frame, 4);
    const QRectF box(mid.x() - radius, mid.y() - radius, 2 * radius, 2 * radius);
    QPen arc(palette::cyanBright, width);
    arc.setCapStyle(quarters == 4 ? Qt::FlatCap : Qt::RoundCap);
    c.p.setPen(arc);
    c.p.drawArc(box, 90 * 16, -quarters * 90 * 16);

    if (frame >= 5) {
        QRadialGradient glow(mid, 20 * u);
        glow.setColorAt(0, Qt::white);
        glow.setColorAt(0.35, palette::cyanBright);
        glow.setColorAt(1, withAlpha(palette::cyan, 0));
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(glow);
        c.p.drawEllipse(mid, 20 * u, 20 * u);
    }
    drawCrosshair(c, frame >= 5 ? palette::cyanBright : palette::cyan);
}

// A bold arrow pointing at a screen corner; `degrees` turns it from pointing right.
void drawCornerArrow(Canvas& c, qreal degrees, bool pressed)
{
    QPainter& p = c.p;
    const qreal u = c.rect.width() / 96.0;
    QPainterPath arrow;
    arrow.moveTo(-30, -8);
    arrow.lineTo(6, -8);
    arrow.lineTo(6, -21);
    arrow.lineTo(34, 0);
    arrow.lineTo(6, 21);
    arrow.lineTo(6, 8);
    arrow.lineTo(-30, 8);
    arrow.closeSubpath();

    p.save();
    p.translate(c.rect.center());
    p.scale(u, u);
    p.rotate(degrees);
    if (pressed) {
        QPainterPath glow = QPainterPathStroker(roundPen(Qt::black, 14)).createStroke(arrow);
        p.fillPath(glow.united(arrow), withAlpha(palette::cyan, 60));
        QLinearGradient fill(QPointF(-30, 0), QPointF(34, 0));
        fill.setColorAt(0, palette::cyan);
        fill.setColorAt(1, palette::cyanBright);
        p.setPen(roundPen(Qt::white, 3));
        p.setBrush(fill);
        p.drawPath(arrow);
    } else {
        p.setPen(roundPen(kHalo, 6));
        p.setBrush(withAlpha(palette::navy, 110));
        p.drawPath(arrow);
        p.setPen(roundPen(palette::cyan, 3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(arrow);
    }
    p.restore();
}

// The pass / fail disc with a check mark or a cross.
void drawVerdict(Canvas& c, bool pass)
{
    QPainter& p = c.p;
    const QPointF mid = c.rect.center();
    const qreal u = c.rect.width() / 64.0;
    const qreal radius = 27 * u;
    const QColor light = pass ? palette::greenBright : palette::redBright;
    const QColor dark = pass ? QColor(24, 140, 78) : QColor(190, 46, 52);

    p.setPen(Qt::NoPen);
    for (int i = 4; i >= 1; --i) {
        p.setBrush(QColor(0, 10, 30, 22));
        p.drawEllipse(mid + QPointF(0, 1.2 * u), radius + i * u, radius + i * u);
    }
    QLinearGradient fill(mid - QPointF(0, radius), mid + QPointF(0, radius));
    fill.setColorAt(0, light);
    fill.setColorAt(1, dark);
    p.setBrush(fill);
    p.drawEllipse(mid, radius, radius);
    QLinearGradient rim(mid - QPointF(0, radius), mid + QPointF(0, radius));
    rim.setColorAt(0, QColor(255, 255, 255, 150));
    rim.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(rim), 1.5 * u));
    p.drawEllipse(mid, radius - 1.5 * u, radius - 1.5 * u);

    QPainterPath mark;
    if (pass) {
        mark.moveTo(mid + QPointF(-12, 1) * u);
        mark.lineTo(mid + QPointF(-3.5, 9.5) * u);
        mark.lineTo(mid + QPointF(13, -8) * u);
    } else {
        mark.moveTo(mid + QPointF(-9.5, -9.5) * u);
        mark.lineTo(mid + QPointF(9.5, 9.5) * u);
        mark.moveTo(mid + QPointF(-9.5, 9.5) * u);
        mark.lineTo(mid + QPointF(9.5, -9.5) * u);
    }
    p.setPen(roundPen(Qt::white, 6 * u));
    p.drawPath(mark);
}

} // namespace

void addTargetImages(Registry& reg)
{
    reg["calibration.png"] = drawDoneTarget;
    for (int frame = 1; frame <= 5; ++frame) {
        const std::string n = std::to_string(frame);
        reg["calibration1-" + n + ".png"] = [frame](Canvas& c) { drawWaitingTarget(c, frame); };
        reg["calibration2-" + n + ".png"] = [frame](Canvas& c) { drawSteadyTarget(c, frame); };
    }
    // Screen y grows downwards, so 135 degrees points down-left and 45 down-right.
    reg["arrow1.png"] = [](Canvas& c) { drawCornerArrow(c, 135, false); };
    reg["arrow1_Press.png"] = [](Canvas& c) { drawCornerArrow(c, 135, true); };
    reg["arrow2.png"] = [](Canvas& c) { drawCornerArrow(c, 45, false); };
    reg["arrow2_Press.png"] = [](Canvas& c) { drawCornerArrow(c, 45, true); };
    reg["Qualified.png"] = [](Canvas& c) { drawVerdict(c, true); };
    reg["NoQualified.png"] = [](Canvas& c) { drawVerdict(c, false); };
}

} // namespace skin
