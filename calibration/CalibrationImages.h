#pragma once

#include "device/Device.h"

#include <QString>

#include <cstddef>
#include <cstdint>

// The raw line images of an accepted target, kept for diagnosis when
// Vireto_Debug/GetImageData is on.
namespace calibration_images {

constexpr size_t kFileSize = 5760; // nine lines of 640 bytes

// Vireto_Debug/GetImageData (default 0): non-zero keeps the images.
bool enabledInSettings();

// Lines 0 .. previewLineCount - 2 of both cameras into pFrameYA / pFrameYB (image-read
// mode 1). 1 on success.
int readTargetImages(Device& device);

// "<prefix><n>_Slave.dat" from the Slave buffer, then "<prefix><n>_Master.dat" from the
// Master buffer: the first 5760 bytes of each. A file that cannot be written is skipped.
void SaveCalibrationImages(const QString& prefix, int n, const uint8_t* master,
                           const uint8_t* slave);

QString fileName(const QString& prefix, int n, Side side);

} // namespace calibration_images
