#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Raw line-image files of one run: prefix + n + "_Master.dat" / "_Slave.dat", each the
// first 5760 bytes (nine lines) of the camera's frame buffer, no header. The Slave file
// is written first. An existing file is overwritten from its start; a file that cannot
// be written is skipped. Returns the number of files written (0..2).
constexpr size_t kFrameDumpBytes = 5760;
// prefix + n + "_Master.dat" or "_Slave.dat".
QString frameDumpName(const QString& prefix, int n, bool master);
int SaveCalibrationImages(const QString& prefix, int n, const uint8_t* master,
                          const uint8_t* slave);
