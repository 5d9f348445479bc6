#pragma once

#include <cstdint>
#include <vector>

// A camera's frame as the windows draw it: 640 pixels wide, every sensor line drawn as
// rowHeight pixel rows, grey level g shown as (g, g, g). One byte per pixel, row by row.
constexpr int kLinePictureRowHeight = 8;
std::vector<uint8_t> linePictureRaster(const uint8_t* frame, int lines,
                                       int rowHeight = kLinePictureRowHeight);
