#include "imaging/LinePicture.h"

#include "imaging/LineImages.h"

#include <algorithm>

std::vector<uint8_t> linePictureRaster(const uint8_t* frame, int lines, int rowHeight)
{
    using frame_geometry::kLineWidth;
    lines = std::clamp(lines, 0, static_cast<int>(frame_geometry::kBufferLines));
    rowHeight = std::max(rowHeight, 1);
    std::vector<uint8_t> raster;
    raster.reserve(kLineWidth * static_cast<size_t>(lines * rowHeight));
    for (int line = 0; line < lines; ++line) {
        const uint8_t* row = frame + kLineWidth * static_cast<size_t>(line);
        for (int copy = 0; copy < rowHeight; ++copy)
            raster.insert(raster.end(), row, row + kLineWidth);
    }
    return raster;
}
