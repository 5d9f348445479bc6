#pragma once

#include "imaging/LineImages.h"

#include <array>
#include <cstdint>

// Copies of the two frames: taken when the image-adjusting window closes, and the
// reference pictures of the image sensor test. Master first.
using FrameCopy = std::array<uint8_t, frame_geometry::kBufferSize>;
extern std::array<FrameCopy, 2> g_BackgroundFrames;
