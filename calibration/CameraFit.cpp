#include "calibration/CameraFit.h"

#include <cmath>
#include <vector>

using namespace fit_formulas;

CameraFitter::CameraFitter(const CameraFitInput& input)
{
    const angle_table::Table& table = *input.table;
    const ShiftRange range = shiftRangeOf(table, input.positions);
    s0_ = range.s0;
    shifts_ = range.s0 + range.s1 + 1 > 0 ? range.s0 + range.s1 + 1 : 0;
    std::array<int, kUsed> point{};
    for (int q = 0; q < kPairs; ++q) {
        point[static_cast<size_t>(2 * q)] = kPairIndexes[static_cast<size_t>(q)].first;
        point[static_cast<size_t>(2 * q + 1)] = kPairIndexes[static_cast<size_t>(q)].second;
    }
    for (size_t p = 0; p < kUsed; ++p) {
        x_[p] = input.targets[static_cast<size_t>(point[p])].x;
        y_[p] = input.targets[static_cast<size_t>(point[p])].y;
    }

    slopes_.assign(static_cast<size_t>(shifts_) * kUsed * kLanes, 0.0);
    differences_.assign(static_cast<size_t>(shifts_) * kPairs * kLanes, 1.0);
    std::array<double, kUsed> angle{};
    for (size_t p = 0; p < kUsed; ++p)
        angle[p] = firstAngleOf(table, input.positions[static_cast<size_t>(point[p])], s0_);
    for (int n = 0; n < shifts_; ++n) {
        for (size_t p = 0; p < kUsed; ++p) {
            const uint32_t position = input.positions[static_cast<size_t>(point[p])];
            angle[p] = fitAngle(table, shiftedU(position, n, s0_), angle[p]);
            double* m = &slopes_[slopeRow(n, static_cast<int>(p))];
            for (int j = 0; j < kOffsetSteps; ++j)
                m[j] = slopeOf(rayAngle(input.leftCamera, angle[p], angleOffsetOf(j)));
        }
        for (int q = 0; q < kPairs; ++q) {
            const double* mi = slopes(n, 2 * q);
            const double* mj = slopes(n, 2 * q + 1);
            double* d = &differences_[differenceRow(n, q)];
            for (int j = 0; j < kOffsetSteps; ++j)
                d[j] = mi[j] - mj[j];
        }
    }
}

namespace {

constexpr int kLanes = CameraFitter::kLanes;

// The spreads of one shift for every angle offset (one lane each): the four camera
// position estimates from the intercepts b = y - x * R * m, their mean and the sum of
// the deviations from it. The lanes are independent, so the loops vectorise; the
// clones for wider vector units compute exactly the same IEEE operations. Returns
// whether any offset's spread is below best (the caller then looks at them in order).
// Not in thread-sanitizer builds: the clones' resolver runs before that runtime is up
// and crashes every program that links this file.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
bool evaluateShift(const double* slopes, const double* differences, const int32_t* y,
                   const double* xR, double best, double* mx, double* my, double* spread)
{
    alignas(64) double cx[kPairs][kLanes];
    alignas(64) double cy[kPairs][kLanes];
    for (int q = 0; q < kPairs; ++q) {
        const double* mi = slopes + (2 * q) * kLanes;
        const double* mj = slopes + (2 * q + 1) * kLanes;
        const double* d = differences + q * kLanes;
        const int32_t yi = y[2 * q];
        const int32_t yj = y[2 * q + 1];
        const double xi = xR[2 * q];
        const double xj = xR[2 * q + 1];
        for (int j = 0; j < kLanes; ++j) {
            const double bi = interceptOf(yi, xi, mi[j]);
            const double bj = interceptOf(yj, xj, mj[j]);
            cx[q][j] = estimateX(bi, bj, d[j]);
            cy[q][j] = estimateY(bi, mi[j], cx[q][j]);
        }
    }
    for (int j = 0; j < kLanes; ++j) {
        mx[j] = meanOf(cx[0][j], cx[1][j], cx[2][j], cx[3][j]);
        my[j] = meanOf(cy[0][j], cy[1][j], cy[2][j], cy[3][j]);
        spread[j] = spreadOf(deviationOf(mx[j], my[j], cx[0][j], cy[0][j]),
                             deviationOf(mx[j], my[j], cx[1][j], cy[1][j]),
                             deviationOf(mx[j], my[j], cx[2][j], cy[2][j]),
                             deviationOf(mx[j], my[j], cx[3][j], cy[3][j]));
    }
    bool below = false;
    for (int j = 0; j < kOffsetSteps; ++j)
        below |= spread[j] < best;
    return below;
}

struct Best {
    bool started = false;
    double spread = 0.0;
    CameraFit fit;
};

} // namespace

void CameraFitter::fit(const float* scales, size_t count, CameraFit* out) const
{
    std::vector<Best> best(count);
    std::vector<double> scaled(count * kUsed);
    for (size_t r = 0; r < count; ++r)
        for (size_t p = 0; p < kUsed; ++p)
            scaled[r * kUsed + p] = scaledX(x_[p], scales[r]);

    alignas(64) double mx[kLanes];
    alignas(64) double my[kLanes];
    alignas(64) double spread[kLanes];
    for (int n = 0; n < shifts_; ++n) {
        for (size_t r = 0; r < count; ++r) {
            Best& b = best[r];
            const bool below = evaluateShift(slopes(n, 0), differences(n, 0), y_.data(),
                                             &scaled[r * kUsed], b.spread, mx, my, spread);
            // Only a spread below the best, or any number while the best is none, can win.
            if (b.started && !below && !std::isnan(b.spread))
                continue;
            for (int j = 0; j < kOffsetSteps; ++j) {
                if (!b.started) {
                    b.started = true;
                    b.spread = spread[j];
                } else if (improves(spread[j], b.spread)) {
                    b.spread = spread[j];
                    b.fit = {mx[j], my[j], n - s0_, angleOffsetOf(j)};
                }
            }
        }
    }
    for (size_t r = 0; r < count; ++r)
        out[r] = best[r].fit;
}
