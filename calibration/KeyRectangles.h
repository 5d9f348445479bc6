#pragma once

#include "calibration/KeyLayout.h"
#include "device/FlashBlocks.h"

#include <array>
#include <vector>

// The key rectangles the frame keeps in its sensor information block (bytes 964..1351,
// in touch coordinates), and how a group's rectangles follow from three touched corners.
namespace key_rectangles {

struct Corner {
    int x = 0;
    int y = 0;
};

// The n rectangles of a group from its first key's first corner p0, its opposite corner
// p1 and the last key's corner p2: the first key's rectangle moved by i / (n - 1) of the
// offset to the last key, rounded to the nearest pixel (halves away from zero).
std::vector<shortcut_keys::KeyRect> groupRectangles(int side, int n, Corner p0, Corner p1,
                                                    Corner p2);

// The key area: per side its key count and rectangles.
struct KeyArea {
    std::array<std::vector<shortcut_keys::KeyRect>, 5> keys{}; // by side code
};

// Byte offsets: counts at 964 (left, bottom, right, top), then the rectangles.
size_t countOffsetOf(int side);
size_t rectanglesOffsetOf(int side);

// Writes the counts and rectangles (each i16 TopLeft x, y, BottomRight x, y) into the
// block copy; a side never holds more than shortcut_keys::maxKeysOn(side).
void putKeyArea(SensorBlock& block, const KeyArea& area);
KeyArea keyAreaOf(const SensorBlock& block);

} // namespace key_rectangles
