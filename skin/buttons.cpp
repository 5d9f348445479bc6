// Caption-less push buttons, the settings arrows and radio buttons.
#include "skin/paint_kit.h"

namespace skin {

namespace {

struct Fill {
    QColor top;
    QColor bottom;
    QColor border;
};

Fill buttonFill(State s)
{
    switch (s) {
    // The faces stay dark enough for a white caption (contrast 4.5:1 or more at the
    // top); focus shows as a bright rim and glow, not as a lighter face.
    case State::Normal:
        return {QColor(28, 104, 150), QColor(16, 68, 108), QColor(10, 56, 88)};
    case State::Focus:
        return {QColor(24, 116, 164), QColor(12, 78, 124), palette::cyanBright};
    case State::Press:
        return {QColor(16, 70, 104), QColor(28, 108, 150), QColor(8, 46, 72)};
    case State::Disabled:
        break;
    }
    return {QColor(200, 205, 212), QColor(166, 173, 182), QColor(140, 148, 158)};
}

// A rounded push button face; the program draws the caption on top.
void drawPushButton(Canvas& c, State s)
{
    QPainter& p = c.p;
    const QRectF r = c.rect;
    const qreal margin = r.height() * 0.06;
    QRectF face = r.adjusted(margin, margin * 0.5, -margin, -margin * 1.5);
    const qreal radius = face.height() * 0.25;
    const Fill fill = buttonFill(s);

    if (s == State::Normal) {
        softShadow(p, face, radius, margin, QColor(0, 10, 30, 90), QPointF(0, margin * 0.5));
    } else if (s == State::Focus) {
        softShadow(p, face, radius, margin * 1.2, withAlpha(palette::cyan, 130));
    } else if (s == State::Press) {
        face.translate(0, margin * 0.5);
    }

    p.setPen(Qt::NoPen);
    p.setBrush(verticalGradient(face, fill.top, fill.bottom));
    p.drawRoundedRect(face, radius, radius);

    if (s == State::Press) {
        innerShadow(c, face, radius, face.height() * 0.3, 110);
    } else {
        topHighlight(c, face, radius, s == State::Disabled ? 90 : 120);
    }

    const qreal borderWidth = s == State::Focus ? 2.5 * c.px : c.px;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(fill.border, borderWidth));
    const qreal half = borderWidth / 2;
    p.drawRoundedRect(face.adjusted(half, half, -half, -half), radius - half, radius - half);
}

// Square button with a triangle pointing left or right.
void drawStepArrow(Canvas& c, bool right, bool pressed)
{
    QPainter& p = c.p;
    const QRectF r = c.rect;
    const qreal inset = r.width() * 0.06;
    const QRectF face = r.adjusted(inset, inset, -inset, -inset);
    const qreal radius = face.width() * 0.22;

    if (pressed) {
        softShadow(p, face, radius, inset, withAlpha(palette::cyan, 120));
    }
    const Fill fill = buttonFill(pressed ? State::Focus : State::Normal);
    p.setPen(Qt::NoPen);
    p.setBrush(verticalGradient(face, fill.top, fill.bottom));
    p.drawRoundedRect(face, radius, radius);
    topHighlight(c, face, radius, 110);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pressed ? palette::cyanBright : withAlpha(palette::cyan, 140), c.px));
    p.drawRoundedRect(face.adjusted(c.px / 2, c.px / 2, -c.px / 2, -c.px / 2), radius, radius);

    const qreal s = face.width();
    const QPointF mid = face.center();
    const qreal dir = right ? 1 : -1;
    QPainterPath tri;
    tri.moveTo(mid + QPointF(dir * s * 0.2, 0));
    tri.lineTo(mid + QPointF(-dir * s * 0.12, -s * 0.22));
    tri.lineTo(mid + QPointF(-dir * s * 0.12, s * 0.22));
    tri.closeSubpath();
    const QColor ink = pressed ? QColor(Qt::white) : palette::ice;
    p.setPen(roundPen(ink, s * 0.06));
    p.setBrush(ink);
    p.drawPath(tri);
}

void drawRadio(Canvas& c, bool on)
{
    QPainter& p = c.p;
    const QRectF r = c.rect;
    const QPointF mid = r.center();
    const qreal ring = r.width() * 0.075;
    const qreal outer = r.width() / 2 - ring / 2 - c.px;

    if (on) {
        QRadialGradient glow(mid, r.width() / 2);
        glow.setColorAt(0.6, withAlpha(palette::cyan, 70));
        glow.setColorAt(1, withAlpha(palette::cyan, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(r);
    }
    p.setBrush(withAlpha(palette::navyDeep, 150));
    p.setPen(QPen(on ? palette::cyan : withAlpha(palette::ice, 190), ring));
    p.drawEllipse(mid, outer, outer);

    if (on) {
        const qreal dot = r.width() * 0.22;
        QRadialGradient fill(mid - QPointF(dot * 0.3, dot * 0.3), dot * 1.3);
        fill.setColorAt(0, palette::ice);
        fill.setColorAt(0.5, palette::cyanBright);
        fill.setColorAt(1, palette::cyan);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawEllipse(mid, dot, dot);
    }
}

} // namespace

void addButtonImages(Registry& reg)
{
    const std::pair<const char*, State> states[] = {
        {"Normal", State::Normal}, {"Focus", State::Focus}, {"Press", State::Press}};
    for (const auto& [name, state] : states) {
        const State s = state;
        const DrawFn fn = [s](Canvas& c) { drawPushButton(c, s); };
        reg[std::string("button_") + name + ".png"] = fn;
        reg[std::string("button_") + name + "2.png"] = fn;
    }
    reg["button_Enabled.png"] = [](Canvas& c) { drawPushButton(c, State::Disabled); };

    reg["set/arrow_left.png"] = [](Canvas& c) { drawStepArrow(c, false, false); };
    reg["set/arrow_left_Press.png"] = [](Canvas& c) { drawStepArrow(c, false, true); };
    reg["set/arrow_right.png"] = [](Canvas& c) { drawStepArrow(c, true, false); };
    reg["set/arrow_right_Press.png"] = [](Canvas& c) { drawStepArrow(c, true, true); };
    reg["set/radio_on.png"] = [](Canvas& c) { drawRadio(c, true); };
    reg["set/radio_off.png"] = [](Canvas& c) { drawRadio(c, false); };
}

} // namespace skin
