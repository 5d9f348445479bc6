#include "KeySchematicDrawing.h"

#include <QPainter>

namespace key_schematic {

namespace {

QRect toRect(const shortcut_keys::KeyRect& r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

} // namespace

void draw(QPainter& painter, const shortcut_keys::Schematic& schematic, int pressedSide,
          int pressedKey)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (pressedSide >= shortcut_keys::kLeftSide && pressedSide <= shortcut_keys::kTopSide) {
        const auto& keys = schematic.keys[static_cast<size_t>(pressedSide)];
        if (pressedKey >= 1 && pressedKey <= static_cast<int>(keys.size()))
            painter.fillRect(toRect(keys[static_cast<size_t>(pressedKey - 1)]), QColor(255, 0, 0));
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(toRect(schematic.frame));
    for (int side : shortcut_keys::kSideOrder)
        for (const shortcut_keys::KeyRect& r : schematic.keys[static_cast<size_t>(side)])
            painter.drawRect(toRect(r));
    painter.restore();
}

void drawHint(QPainter& painter, const QPoint& at, int radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, radius, radius);
    painter.drawEllipse(at, 2, 2);
    painter.restore();
}

} // namespace key_schematic
