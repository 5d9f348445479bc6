// Square menu tiles: an icon in the upper part, the lower third kept calm for the caption
// the program draws. Every tile comes in four states: NAME, NAME1 (focus), NAME2 (pressed)
// and NAME3 (disabled).
#include "skin/glyphs.h"
#include "skin/paint_kit.h"

namespace skin {

namespace {

// Maintenance pages use teal tiles, user pages blue ones.
enum class Tone { Blue, Teal };

struct TileLook {
    QColor top;
    QColor bottom;
    QColor border;
    GlyphInk ink;
};

TileLook tileLook(Tone tone, State s)
{
    const bool teal = tone == Tone::Teal;
    const QColor top = teal ? QColor(30, 142, 156) : QColor(39, 121, 176);
    const QColor bottom = teal ? QColor(12, 72, 92) : QColor(16, 58, 104);
    const QColor accent = palette::cyanBright;
    switch (s) {
    case State::Normal:
        return {top, bottom, withAlpha(palette::cyanBright, 70), {palette::ice, accent, bottom}};
    case State::Focus:
        return {mix(top, palette::cyanBright, 0.25),
                mix(bottom, palette::cyan, 0.2),
                palette::cyanBright,
                {QColor(Qt::white), QColor(200, 250, 255), mix(bottom, palette::cyan, 0.2)}};
    case State::Press:
        return {mix(bottom, Qt::black, 0.25),
                mix(top, Qt::black, 0.15),
                withAlpha(palette::cyan, 120),
                {QColor(196, 228, 238), palette::cyan, mix(top, Qt::black, 0.15)}};
    case State::Disabled:
        break;
    }
    return {QColor(196, 201, 208),
            QColor(158, 166, 176),
            palette::greyDark,
            {QColor(238, 240, 243), QColor(222, 226, 231), QColor(158, 166, 176)}};
}

void drawTile(Canvas& c, Glyph glyph, Tone tone, State s)
{
    QPainter& p = c.p;
    const QRectF r = c.rect;
    const qreal margin = r.width() * 0.035;
    QRectF card = r.adjusted(margin, margin * 0.6, -margin, -margin * 1.4);
    const qreal radius = card.width() * 0.11;
    const TileLook look = tileLook(tone, s);

    if (s == State::Normal || s == State::Disabled) {
        softShadow(p, card, radius, margin, QColor(0, 10, 30, s == State::Normal ? 100 : 50),
                   QPointF(0, margin * 0.4));
    } else if (s == State::Focus) {
        softShadow(p, card, radius, margin * 1.1, withAlpha(palette::cyan, 150));
    } else {
        card.translate(0, margin * 0.4);
    }

    p.setPen(Qt::NoPen);
    p.setBrush(verticalGradient(card, look.top, look.bottom));
    p.drawRoundedRect(card, radius, radius);

    // A soft sheen behind the icon.
    QRadialGradient sheen(QPointF(card.center().x(), card.top() + card.height() * 0.36),
                          card.width() * 0.42);
    sheen.setColorAt(0, QColor(255, 255, 255, s == State::Disabled ? 30 : 40));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawRoundedRect(card, radius, radius);

    if (s == State::Press) {
        innerShadow(c, card, radius, card.height() * 0.18, 120);
    } else {
        topHighlight(c, card, radius, 120);
    }
    const qreal borderWidth = (s == State::Focus ? 2 : 1) * c.px;
    const qreal half = borderWidth / 2;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(look.border, borderWidth));
    p.drawRoundedRect(card.adjusted(half, half, -half, -half), radius - half, radius - half);

    qreal size = card.width() * 0.44;
    if (s == State::Press) {
        size *= 0.94;
    }
    const QPointF centre(card.center().x(), card.top() + card.height() * 0.36);
    const QRectF box(centre.x() - size / 2, centre.y() - size / 2, size, size);
    drawGlyph(p, glyph, box, look.ink);
}

struct TileKind {
    const char* base;
    Glyph glyph;
    Tone tone;
};

constexpr TileKind kTiles[] = {
    {"MP_adjustScreen", Glyph::Level, Tone::Teal},
    {"MP1_set", Glyph::Gear, Tone::Teal},
    {"User_set", Glyph::Gear, Tone::Blue},
    {"User2_calibration", Glyph::Crosshair, Tone::Blue},
    {"MP_calibration", Glyph::Crosshair, Tone::Teal},
    {"update", Glyph::ChipUpdate, Tone::Blue},
    {"about", Glyph::Info, Tone::Blue},
    {"keyCalibration", Glyph::KeyCap, Tone::Blue},
    {"keyTest", Glyph::KeyCapCheck, Tone::Blue},
    {"test", Glyph::Shield, Tone::Blue},
    {"reset", Glyph::Reset, Tone::Blue},
    {"reconnect", Glyph::Plug, Tone::Blue},
};

} // namespace

void addTileImages(Registry& reg)
{
    const std::pair<const char*, State> suffixes[] = {
        {"", State::Normal}, {"1", State::Focus}, {"2", State::Press}, {"3", State::Disabled}};
    for (const TileKind& tile : kTiles) {
        for (const auto& [suffix, state] : suffixes) {
            const Glyph glyph = tile.glyph;
            const Tone tone = tile.tone;
            const State s = state;
            reg[std::string(tile.base) + suffix + ".png"] = [glyph, tone, s](Canvas& c) {
                drawTile(c, glyph, tone, s);
            };
        }
    }
}

} // namespace skin
