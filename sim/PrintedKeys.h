#pragma once

#include "sim/TouchModel.h"

#include <array>
#include <vector>

namespace sim {

// Keys printed on the bezel of a frame for a w x h desktop. groups[side][g] is the
// number of keys of group g + 1 on a side (side codes 1 left, 2 right, 3 bottom, 4 top).
// Left and right keys run down the side bezels; bottom keys sit on the right part of
// the lower bezel, where both cameras see them well; top keys lie on the upper bezel,
// level with the cameras.
using KeyGroups = std::array<std::array<int, 3>, 5>;
std::vector<PrintedKey> printedKeysFor(const KeyGroups& groups, int width, int height);

} // namespace sim
