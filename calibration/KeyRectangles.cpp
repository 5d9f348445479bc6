#include "calibration/KeyRectangles.h"

#include "calibration/CalibrationRecord.h"
#include "device/ByteOrder.h"

#include <algorithm>
#include <cstdint>

namespace key_rectangles {

using shortcut_keys::KeyRect;
using namespace shortcut_keys;

namespace {

constexpr size_t kRectSize = 8;

// (offset * i + n / 2) / (n - 1), the half taken negative for a negative offset so that
// both directions round alike.
int share(int offset, int i, int n)
{
    const int half = n / 2;
    return (offset * i + (offset < 0 ? -half : half)) / (n - 1);
}

int16_t clamp16(int v)
{
    return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

} // namespace

std::vector<KeyRect> groupRectangles(int side, int n, Corner p0, Corner p1, Corner p2)
{
    if (n < 2)
        return {KeyRect{p0.x, p0.y, p1.x, p1.y}};
    const bool upright = side == kLeftSide || side == kRightSide;
    const int along = upright ? p2.y - p0.y : p2.x - p0.x;
    const int across = upright ? p2.x - p1.x : p2.y - p1.y;
    std::vector<KeyRect> rects;
    for (int i = 0; i < n; ++i) {
        const int a = share(along, i, n);
        const int c = share(across, i, n);
        const int dx = upright ? c : a;
        const int dy = upright ? a : c;
        rects.push_back({p0.x + dx, p0.y + dy, p1.x + dx, p1.y + dy});
    }
    return rects;
}

size_t countOffsetOf(int side)
{
    switch (side) {
    case kLeftSide:
        return sensor_info::kKeyArea;
    case kBottomSide:
        return sensor_info::kKeyArea + 1;
    case kRightSide:
        return sensor_info::kKeyArea + 2;
    default:
        return sensor_info::kKeyArea + 3;
    }
}

size_t rectanglesOffsetOf(int side)
{
    switch (side) {
    case kLeftSide:
        return 968;
    case kBottomSide:
        return 1144;
    case kRightSide:
        return 1160;
    default:
        return 1336;
    }
}

void putKeyArea(SensorBlock& block, const KeyArea& area)
{
    for (int side : kSideOrder) {
        const std::vector<KeyRect>& rects = area.keys[static_cast<size_t>(side)];
        const size_t n = std::min(rects.size(), static_cast<size_t>(maxKeysOn(side)));
        block[countOffsetOf(side)] = static_cast<uint8_t>(n);
        for (size_t i = 0; i < n; ++i) {
            uint8_t* p = block.data() + rectanglesOffsetOf(side) + kRectSize * i;
            le::put16(p, static_cast<uint16_t>(clamp16(rects[i].left)));
            le::put16(p + 2, static_cast<uint16_t>(clamp16(rects[i].top)));
            le::put16(p + 4, static_cast<uint16_t>(clamp16(rects[i].right)));
            le::put16(p + 6, static_cast<uint16_t>(clamp16(rects[i].bottom)));
        }
    }
}

KeyArea keyAreaOf(const SensorBlock& block)
{
    KeyArea area;
    for (int side : kSideOrder) {
        const size_t n = std::min<size_t>(block[countOffsetOf(side)], maxKeysOn(side));
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* p = block.data() + rectanglesOffsetOf(side) + kRectSize * i;
            area.keys[static_cast<size_t>(side)].push_back(
                {le::i16(p), le::i16(p + 2), le::i16(p + 4), le::i16(p + 6)});
        }
    }
    return area;
}

} // namespace key_rectangles
