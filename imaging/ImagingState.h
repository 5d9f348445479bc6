#pragma once

// Puts every process-wide value of imaging back as at program start: the working
// optical values of both sides, the search flags and bounds, the column results and
// verdicts, the edge samples and background frames, the preview line count, the sample
// count. The frame buffers belong to their FrameBuffers owner and are left alone.
void resetImagingState();
