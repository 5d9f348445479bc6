#include "imaging/BackgroundFrames.h"

std::array<FrameCopy, 2> g_BackgroundFrames{};
