#include "sim/PrintedKeys.h"

#include <algorithm>

namespace sim {

namespace {

constexpr double kBezelNear = 12.0; // a key's inner edge, pixels outside the screen
constexpr double kBezelFar = 30.0;  // its outer edge
constexpr double kFirstSideKey = 320.0;
constexpr double kSidePitch = 70.0;
constexpr double kBottomStart = 0.72; // of the width
constexpr double kBottomPitch = 110.0;

int keysOn(const KeyGroups& groups, int side)
{
    const auto& g = groups[static_cast<size_t>(side)];
    return g[0] + g[1] + g[2];
}

} // namespace

std::vector<PrintedKey> printedKeysFor(const KeyGroups& groups, int width, int height)
{
    std::vector<PrintedKey> keys;
    for (int side = 1; side <= 4; ++side) {
        const int n = keysOn(groups, side);
        if (n <= 0)
            continue;
        const bool upright = side <= 2;
        const double room = upright ? height - kFirstSideKey - 2 * kBezelFar
                                    : width * (1 - kBottomStart) - kBezelFar;
        const double pitch = std::min(upright ? kSidePitch : kBottomPitch, room / (n + 1));
        const double size = pitch * 0.6;
        int i = 0;
        for (int g = 0; g < 3; ++g) {
            for (int k = 1; k <= groups[static_cast<size_t>(side)][static_cast<size_t>(g)];
                 ++k, ++i) {
                const double along = i * pitch + g * pitch * 0.3;
                PrintedKey key;
                key.side = side;
                key.group = g + 1;
                key.number = k;
                if (upright) {
                    key.left = side == 1 ? -kBezelFar : width + kBezelNear;
                    key.right = side == 1 ? -kBezelNear : width + kBezelFar;
                    key.top = kFirstSideKey + along;
                    key.bottom = key.top + size;
                } else {
                    key.left = width * kBottomStart + along;
                    key.right = key.left + size;
                    key.top = side == 3 ? height + kBezelNear : -kBezelFar;
                    key.bottom = side == 3 ? height + kBezelFar : -kBezelNear;
                }
                keys.push_back(key);
            }
        }
    }
    return keys;
}

} // namespace sim
