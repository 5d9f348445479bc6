#pragma once

#include "calibration/CalibrationTargets.h"
#include "calibration/Solver16.h"
#include "sim/TouchModel.h"

#include <random>

namespace caltest {

// The positions a frame with this scene reports for the 16 targets of its desktop: the
// sensor's own rounding of each shadow, plus noise of up to noise positions.
inline SolveInputs inputsFromScene(const sim::TouchScene& scene, int noise = 0, uint32_t seed = 1)
{
    sim::TouchModel model;
    model.setScene(scene);
    SolveInputs in;
    in.width = scene.width;
    in.height = scene.height;
    in.table = &angle_table::forSensorType(scene.sensorType);
    in.targets = calibration_targets::fullTargets(scene.width, scene.height);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> jitter(-noise, noise);
    for (int k = 0; k < 16; ++k) {
        const sim::ScreenPoint p{double(in.targets[size_t(k)].x), double(in.targets[size_t(k)].y)};
        in.left[size_t(k)] = uint32_t(*model.sensorPosition(Side::Master, p) + jitter(random));
        in.right[size_t(calibration_targets::mirroredFull(k))] =
            uint32_t(*model.sensorPosition(Side::Slave, p) + jitter(random));
    }
    return in;
}

} // namespace caltest
