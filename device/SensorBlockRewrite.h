#pragma once

#include "device/Device.h"

#include <QString>

#include <functional>

// Every erase-and-rewrite of the sensor information block goes through here, so that
// an interruption (a cable pulled, a frame that stops answering) cannot lose the
// optics, the key rectangles and the angle table it holds.
//
// Before the two sectors are erased, the block as it was read is saved to a file in
// the "backup" folder beside the program ("SensorBlock_<date>_<time>.bin", the 1546
// bytes as they are in the flash). The new block is written flag last and read back;
// only when the read-back equals it is the file removed. A frame lost on the way is
// waited for: when it comes back within the wait, the rewrite is done again from the
// erase. Otherwise the file stays and the error names it, together with the command
// that writes it back ("vireto-cli calib restore FILE").
namespace sensor_block_rewrite {

// How long a lost frame is waited for, and how often it is looked for (both scaled by
// the device link's time scale, so tests shorten them).
constexpr double kReturnWaitMs = 30000.0;
constexpr double kReturnPollMs = 250.0;

struct Outcome {
    bool ok = false;
    bool resumed = false; // finished after the frame had been lost and came back
    QString copyPath;     // the saved block, when it stays on disk
    QString error;        // what failed, where the copy is and how to write it back
};

// Replaces the block `before` (as read from the frame) by `after`. A `before` without
// the "FIWF" flag holds nothing to keep, so no copy is made for it. Nothing is erased
// when the copy cannot be saved. stopRequested ends the wait for a lost frame early.
Outcome rewrite(Device& device, const SensorBlock& before, const SensorBlock& after,
                const std::function<bool()>& stopRequested = {});

// The folder the copies go to.
QString backupFolder();

// A saved copy as "calib restore" takes it: exactly 1546 bytes that start with the
// "FIWF" flag. Empty error when it is one, else why not.
QString problemOfSavedBlock(const QByteArray& bytes);

} // namespace sensor_block_rewrite
