#pragma once

#include "calibration/CalibrationRecord.h"
#include "calibration/FitFormulas.h"
#include "calibration/Solver16.h"
#include "device/Device.h"

#include <QString>

#include <array>

// The calibration record in the frame: stored into the sensor information block, and
// the fast run's whole-screen map computed from the record already stored there.

struct StoreOutcome {
    SolveStatus status = SolveStatus::Failed;
    QString error;        // which step failed
    SensorBlock stored{}; // the block as read back at the end
};

// Reads the block, puts "FIWF", the record, the desktop size and the angle table into
// it, erases the two sectors and writes it flag last with the read-back of bytes
// 4..1545 (guarded by a saved copy of the block, sensor_block_rewrite), then reads it
// once more. Progress 70 before, 90 after the first read. The stop request (which also
// covers a lost frame) is tested between the steps before the erase.
StoreOutcome StoreRecord(Device& device, const CalibrationRecord& record, int width, int height,
                         const angle_table::Table& table, const SolveControl& control = {});

// The positions of the fast run's four targets in each camera's own order.
struct FastInputs {
    int width = 0;
    int height = 0;
    const angle_table::Table* table = &angle_table::kTableB;
    std::array<uint32_t, 4> left{};
    std::array<uint32_t, 4> right{};
};

struct FastResult {
    SolveStatus status = SolveStatus::Failed;
    QString error;
    CalibrationRecord record; // gFastClbInfo
    float R = 0.0f;
};

// Reads the stored block, takes its record as gFastClbInfo and replaces X[9] by the map
// from the four triangulated corners onto the four fast targets. A block without a
// 16-point record (no "FIWF", or an R outside what the 16-point search produces) is
// refused with a message.
FastResult SolveFast(Device& device, const FastInputs& inputs, const SolveControl& control = {});
