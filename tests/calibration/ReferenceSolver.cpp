#include "ReferenceSolver.h"

#include "calibration/CalibrationTargets.h"

using namespace fit_formulas;

CameraFit referenceFitCamera(const angle_table::Table& table, bool leftCamera,
                             const std::array<uint32_t, 16>& positions,
                             const std::array<TargetPoint, 16>& targets, float R)
{
    CameraFit fit; // L_A and the angle offset start at 0
    const ShiftRange s = shiftRangeOf(table, positions);
    std::array<double, kPoints> angle{};
    for (size_t i = 0; i < kPoints; ++i)
        angle[i] = firstAngleOf(table, positions[i], s.s0);
    bool first = true;
    double best = 0.0;
    for (int n = 0; n <= s.s0 + s.s1; ++n) {
        for (size_t i = 0; i < kPoints; ++i)
            angle[i] = fitAngle(table, shiftedU(positions[i], n, s.s0), angle[i]);
        for (int j = 0; j < kOffsetSteps; ++j) {
            const double a = angleOffsetOf(j);
            std::array<double, kPoints> m{};
            std::array<double, kPoints> b{};
            for (size_t i = 0; i < kPoints; ++i) {
                m[i] = slopeOf(rayAngle(leftCamera, angle[i], a));
                b[i] = interceptOf(targets[i].y, scaledX(targets[i].x, R), m[i]);
            }
            std::array<double, kPairs> cx{};
            std::array<double, kPairs> cy{};
            for (size_t q = 0; q < kPairs; ++q) {
                const auto i = static_cast<size_t>(kPairIndexes[q].first);
                const auto k = static_cast<size_t>(kPairIndexes[q].second);
                cx[q] = estimateX(b[i], b[k], m[i] - m[k]);
                cy[q] = estimateY(b[i], m[i], cx[q]);
            }
            const double mx = meanOf(cx[0], cx[1], cx[2], cx[3]);
            const double my = meanOf(cy[0], cy[1], cy[2], cy[3]);
            const double spread =
                spreadOf(deviationOf(mx, my, cx[0], cy[0]), deviationOf(mx, my, cx[1], cy[1]),
                         deviationOf(mx, my, cx[2], cy[2]), deviationOf(mx, my, cx[3], cy[3]));
            if (first) {
                first = false;
                best = spread;
            } else if (improves(spread, best)) {
                best = spread;
                fit = {mx, my, n - s.s0, a};
            }
        }
    }
    return fit;
}

Solve16Result referenceSolve16(const SolveInputs& inputs)
{
    const auto mirrored = calibration_targets::mirrored(inputs.targets);
    bool first = true;
    ModelFit best;
    for (int r = 0; r < kRSteps; ++r) {
        const float R = xScaleOf(r);
        const CameraFit left =
            referenceFitCamera(*inputs.table, true, inputs.left, inputs.targets, R);
        const CameraFit right = referenceFitCamera(*inputs.table, false, inputs.right, mirrored, R);
        const ModelFit fit = modelOf(inputs, R, left, right);
        if (first || improves(fit.error, best.error) || fit.error == best.error) {
            first = false;
            best = fit;
        }
    }
    return completeRecord(inputs, best);
}
