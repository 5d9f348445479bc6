#pragma once

#include "KeyLayout.h"

class QPainter;
class QPoint;

// The drawing the key windows share: the frame and its keys, outlined one pixel wide,
// with the pressed key filled red, and the hint circle at a key corner.
namespace key_schematic {

// pressedSide 1..4 and pressedKey 1..n fill that key; anything else fills none.
void draw(QPainter& painter, const shortcut_keys::Schematic& schematic, int pressedSide,
          int pressedKey);
void drawHint(QPainter& painter, const QPoint& at, int radius);

} // namespace key_schematic
