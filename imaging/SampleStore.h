#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

// Samples of the image-adjusting window for later study: folder "SampleData" in the
// data folder (runtime_home), one folder per sample named by the sample's number in three
// digits (000, 001, ...), holding a picture of the window ("NNN.png") and the raw frame
// buffers of both cameras ("LNNN.bin" Master, "RNNN.bin" Slave, 7040 bytes each). The
// first sample of the process starts the folder afresh.
namespace sample_store {

// Samples saved so far in this process (0 at program start).
extern std::atomic<int> g_SampleCount;

// Saves the next sample. writePicture gets the picture's path and returns whether it
// wrote it. True when the folder and all three files were written; the count moves on
// either way, so a failed sample never overwrites an earlier one.
bool saveSample(const std::function<bool(const QString& path)>& writePicture, const uint8_t* left,
                const uint8_t* right);

// The folder of sample n.
QString sampleFolder(int n);

} // namespace sample_store
