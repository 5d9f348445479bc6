#pragma once

#include "calibration/CalibrationRecord.h"
#include "calibration/CameraFit.h"
#include "calibration/CameraModel.h"

#include <QString>

#include <array>
#include <functional>

// What a 16-point run hands to the solver: the positions of both cameras in their own
// target order (left as the targets lie, right with each row reversed) and the targets.
struct SolveInputs {
    int width = 0;
    int height = 0;
    const angle_table::Table* table = &angle_table::kTableB;
    std::array<uint32_t, 16> left{};  // PL
    std::array<uint32_t, 16> right{}; // PR
    std::array<fit_formulas::TargetPoint, 16> targets{};
};

// How a long computation reports progress (percent) and learns that it should stop.
struct SolveControl {
    std::function<void(int)> progress = [](int) {};
    std::function<bool()> stopRequested = [] { return false; };
    // The stop request alone, without the lost frame that stopRequested may count: a
    // rewrite of the sensor information block waits for a lost frame until this says.
    std::function<bool()> operatorStop = [] { return false; };
    int threads = 0; // 0: one per processor
};

// Both cameras fitted for one R, and the error E(R) of the resulting model.
struct ModelFit {
    float R = 0.0f;
    CameraFit left;
    CameraFit right;
    camera_model::CameraView leftView; // Po_l4 = trunc(16 * position), held wide
    camera_model::CameraView rightView;
    double error = 0.0;
};

enum class SolveStatus { Done, Stopped, Failed };

struct Solve16Result {
    SolveStatus status = SolveStatus::Failed;
    QString error; // why it failed
    CalibrationRecord record;
    ModelFit best;
    float g_ClbInfoR = 0.0f;
};

// The camera model of a fit (positions, shifts, angle offsets and R as the search holds
// them) and its error: the sum over the 16 targets of |X - x| + |Y - y|.
ModelFit modelOf(const SolveInputs& inputs, float R, const CameraFit& left, const CameraFit& right);
camera_model::Model triangulationModelOf(const SolveInputs& inputs, const ModelFit& fit);

// The R search: for R = 0.50 .. 2.00 both cameras are fitted and the model with the
// smallest error is kept (the later R on equal errors). The camera fits run on several
// threads; progress goes from 10 to 60 percent.
Solve16Result Solve16(const SolveInputs& inputs, const SolveControl& control = {});

// From the chosen fit to the record: camera fields, r_fix, then BuildMaps16. Fails with
// a message when a camera position does not fit the record's 16-bit fields or when a
// correction map cannot be built.
Solve16Result completeRecord(const SolveInputs& inputs, const ModelFit& best);
