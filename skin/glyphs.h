// Menu tile icons, drawn as strokes and fills inside a square box.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace skin {

enum class Glyph {
    Level,       // spirit level over a horizon line
    Gear,        // settings
    Crosshair,   // calibration target
    ChipUpdate,  // chip with an up arrow
    Info,        // "i" in a circle
    KeyCap,      // key cap with a small target on its face
    KeyCapCheck, // key cap with a check badge
    Shield,      // shield with a check mark
    Reset,       // circular arrow
    Plug,        // mains plug with cable
};

struct GlyphInk {
    QColor main;     // outlines and solid parts
    QColor accent;   // highlights such as the level bubble or the update arrow
    QColor backdrop; // colour behind the glyph, to cut out overlapping badges
};

void drawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const GlyphInk& ink);

} // namespace skin
