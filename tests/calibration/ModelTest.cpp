// The camera model's formulas, the projective maps and the targets.
#include "calibration/CalibrationTargets.h"
#include "calibration/CameraModel.h"
#include "calibration/ProjectiveMap.h"
#include "calibration/StoredRecord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace camera_model;
using angle_table::kStepDegrees;
using angle_table::kTableB;

TEST(AngleTables, BothTablesIncreaseAndSensorTypePicksThem)
{
    for (const auto* t : {&angle_table::kTableA, &angle_table::kTableB})
        for (size_t k = 1; k < t->size(); ++k)
            EXPECT_LT((*t)[k - 1], (*t)[k]);
    EXPECT_EQ(&angle_table::forSensorType(0), &angle_table::kTableB);
    EXPECT_EQ(&angle_table::forSensorType(1), &angle_table::kTableA);
    EXPECT_EQ(&angle_table::forSensorType(7), &angle_table::kTableA);
    EXPECT_EQ(angle_table::kTableA[96], 1171);
    EXPECT_EQ(angle_table::kTableB[0], 10);
}

TEST(AngleOfPosition, InsideTheTableAndOnBothExtensions)
{
    // Position 20 -> u = 10 + shift 4 = 14 = t[1] exactly: one step.
    EXPECT_DOUBLE_EQ(angleOfPosition(kTableB, 20, 4, 0.0), kStepDegrees);
    // Halfway between t[1] = 14 and t[2] = 23, plus the offset.
    EXPECT_DOUBLE_EQ(angleOfPosition(kTableB, 37, 0, 0.5), 1.5 * kStepDegrees + 0.5);
    // Below t[0] = 5 the first segment is extended.
    EXPECT_DOUBLE_EQ(angleOfPosition(kTableB, 0, 0, 0.0), (0 - 5.0) * kStepDegrees / 9.0);
    // Above t[96] = 632 the last segment (t[95] = 622) is extended.
    EXPECT_DOUBLE_EQ(angleOfPosition(kTableB, 1300, 0, 0.0), (96 + 18.0 / 10.0) * kStepDegrees);
    // The shift counts in half-pixel steps.
    EXPECT_DOUBLE_EQ(angleOfPosition(kTableB, 18, 5, 0.0), kStepDegrees);
}

TEST(AngleGuard, KeepsAnglesAThousandthOfADegreeAwayFromZero)
{
    EXPECT_EQ(guardAngle(0.0), 0.001);
    EXPECT_EQ(guardAngle(0.0009), 0.001);
    EXPECT_EQ(guardAngle(-0.0009), -0.001);
    EXPECT_EQ(guardAngle(0.001), 0.001);
    EXPECT_EQ(guardAngle(-0.001), -0.001);
    EXPECT_EQ(guardAngle(0.0011), 0.0011);
    EXPECT_EQ(guardAngle(-2.5), -2.5);
}

TEST(Triangulate, ParallelRaysGiveTheMarker)
{
    // Position 10 is t[0]: each camera's angle is its offset. Left 100 and right -100
    // degrees give both rays the slope tan(-10 degrees).
    Model m;
    m.left = {0, 0, 0, 100.0};
    m.right = {32000, 0, 0, -100.0};
    const PointF p = Triangulate(m, 10, 10);
    EXPECT_EQ(p.x, kParallel);
    EXPECT_EQ(p.y, kParallel);
}

TEST(Triangulate, RaysOfAKnownGeometryMeetAtTheTouch)
{
    // Left camera at the origin looking down at 45 degrees, right camera 1000 px to the
    // right at 45 degrees: the rays meet at (500, 500).
    Model m;
    m.left = {0, 0, 0, 45.0};
    m.right = {16000, 0, 0, 45.0};
    m.R = 1.0;
    PointF p = Triangulate(m, 10, 10);
    EXPECT_NEAR(p.x, 500.0, 1e-3);
    EXPECT_NEAR(p.y, 500.0, 1e-3);
    // With R = 2 the model space is (2x, y): the screen x halves.
    m.R = 2.0;
    p = Triangulate(m, 10, 10);
    EXPECT_NEAR(p.x, 250.0, 1e-3);
    EXPECT_NEAR(p.y, 500.0, 1e-3);
}

TEST(Truncation, StoredIntegersAreTruncatedTowardZero)
{
    EXPECT_EQ(saturatingTrunc(-3.7), -3);
    EXPECT_EQ(saturatingTrunc(3.7), 3);
    EXPECT_EQ(saturatingTrunc(1e12), 2147483647);
    EXPECT_EQ(saturatingTrunc(-1e12), -2147483647 - 1);
    EXPECT_EQ(saturatingTrunc(std::nan("")), 0);
    // Maps: trunc(h * 2^20 + 0.5).
    projective::Coefficients h{};
    h[0] = -3.7 / 1048576.0;
    h[1] = 3.7 / 1048576.0;
    h[2] = -0.2 / 1048576.0;
    const auto fixed = projective::toFixed(h);
    ASSERT_TRUE(fixed);
    EXPECT_EQ((*fixed)[0], -3);
    EXPECT_EQ((*fixed)[1], 4);
    EXPECT_EQ((*fixed)[2], 0);
    h[3] = 3000.0; // 3000 * 2^20 does not fit 32 bits
    EXPECT_FALSE(projective::toFixed(h));
}

TEST(ProjectiveMap, MapsTheFourCornersOntoTheTargets)
{
    const std::array<Point16, 4> from = {{{103, 35}, {690, 29}, {98, 380}, {701, 371}}};
    const std::array<Point16, 4> to = {{{120, 33}, {680, 33}, {120, 371}, {680, 371}}};
    const auto h = projective::solve(from, to);
    ASSERT_TRUE(h);
    const auto& c = *h;
    for (size_t j = 0; j < 4; ++j) {
        const double x = from[j].x, y = from[j].y;
        const double w = c[6] * x + c[7] * y + 1;
        EXPECT_NEAR((c[0] * x + c[1] * y + c[2]) / w, to[j].x, 1e-6);
        EXPECT_NEAR((c[3] * x + c[4] * y + c[5]) / w, to[j].y, 1e-6);
    }
    // Stored in steps of 2^-20 the perspective terms are coarse: under a pixel here.
    const auto fixed = projective::toFixed(c);
    ASSERT_TRUE(fixed);
    for (size_t j = 0; j < 4; ++j) {
        const projective::Mapped m = projective::apply(*fixed, from[j].x, from[j].y);
        EXPECT_NEAR(m.x, to[j].x, 1.0);
        EXPECT_NEAR(m.y, to[j].y, 1.0);
    }
}

TEST(ProjectiveMap, DegenerateQuadrilateralsAreSingular)
{
    const std::array<Point16, 4> to = {{{120, 33}, {680, 33}, {120, 371}, {680, 371}}};
    const std::array<Point16, 4> collinear = {{{100, 100}, {200, 100}, {300, 100}, {400, 100}}};
    EXPECT_FALSE(projective::solve(collinear, to));
    const std::array<Point16, 4> same = {{{0, 0}, {0, 0}, {0, 0}, {0, 0}}};
    EXPECT_FALSE(projective::solve(same, to));
}

TEST(ProjectiveMap, FullPivotingInvertsWhereTheDiagonalIsZero)
{
    projective::Matrix8 a{};
    for (size_t i = 0; i < 8; ++i)
        a[i][(i + 3) % 8] = static_cast<double>(i + 2); // a scaled permutation
    projective::Matrix8 inverse = a;
    ASSERT_TRUE(projective::invertFullPivot(inverse));
    for (size_t r = 0; r < 8; ++r)
        for (size_t c = 0; c < 8; ++c) {
            double sum = 0;
            for (size_t k = 0; k < 8; ++k)
                sum += a[r][k] * inverse[k][c];
            EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 1e-12);
        }
    projective::Matrix8 tiny{};
    for (size_t i = 0; i < 8; ++i)
        tiny[i][i] = i == 5 ? 1e-11 : 1.0;
    EXPECT_FALSE(projective::invertFullPivot(tiny));
}

TEST(Targets, PositionsAt1920x1080)
{
    const auto t = calibration_targets::fullTargets(1920, 1080);
    const int xs[4] = {120, 680, 1240, 1800};
    const int ys[4] = {33, 371, 708, 1046};
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(t[size_t(k)].x, xs[k % 4]) << k;
        EXPECT_EQ(t[size_t(k)].y, ys[k / 4]) << k;
    }
    const auto f = calibration_targets::fastTargets(1920, 1080);
    EXPECT_EQ(f[0].x, 120);
    EXPECT_EQ(f[0].y, 33);
    EXPECT_EQ(f[1].x, 1800);
    EXPECT_EQ(f[1].y, 33);
    EXPECT_EQ(f[2].x, 120);
    EXPECT_EQ(f[2].y, 1046);
    EXPECT_EQ(f[3].x, 1800);
    EXPECT_EQ(f[3].y, 1046);
}

TEST(Targets, TheRightCameraSeesEachRowReversedAndTheFastRunMapsToCorners)
{
    const auto t = calibration_targets::fullTargets(1024, 768);
    const auto m = calibration_targets::mirrored(t);
    EXPECT_EQ(m[0].x, t[3].x);
    EXPECT_EQ(m[5].x, t[6].x);
    EXPECT_EQ(m[15].x, t[12].x);
    EXPECT_EQ(m[15].y, t[12].y);
    EXPECT_EQ(calibration_targets::mirroredFast(0), 1);
    EXPECT_EQ(calibration_targets::mirroredFast(3), 2);
    const int k[4] = {0, 3, 12, 15};
    const int cls[4] = {0, 1, 0, 1};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(calibration_targets::fullIndexOfFast(j), k[j]);
        EXPECT_EQ(calibration_targets::columnClassOfFast(j), cls[j]);
    }
    EXPECT_EQ(calibration_targets::columnClassOf(8), 0);
    EXPECT_EQ(calibration_targets::columnClassOf(11), 1);
    EXPECT_EQ(calibration_targets::columnClassOf(9), 2);
}

TEST(StoredRecordLocate, TheFastMapReplacesTheCellMaps)
{
    CalibrationRecord r;
    r.r_fix = 1024;
    r.LCam = {{0, 0}, 0, 45 * 1024};
    r.RCam = {{16000, 0}, 0, 45 * 1024};
    // Identity cell maps over a grid around (500, 500), and an X[9] that shifts by 10.
    const int xs[4] = {0, 400, 600, 1000};
    for (int k = 0; k < 16; ++k)
        r.EvalPt[size_t(k)] = {int16_t(xs[k % 4]), int16_t(xs[k / 4])};
    for (auto& map : r.X)
        map = {1 << 20, 0, 0, 0, 1 << 20, 0, 0, 0};
    r.X[9].fill(0);
    EXPECT_EQ(stored_record::mapIndexFor(r, {500, 500}), 4);
    EXPECT_EQ(stored_record::mapIndexFor(r, {-50, 1200}), 6); // outside: the nearest cell
    auto p = stored_record::locate(r, kTableB, 10, 10);
    EXPECT_NEAR(p.x, 500, 1e-3);
    r.X[9] = {1 << 20, 0, 10 << 20, 0, 1 << 20, 0, 0, 0};
    EXPECT_EQ(stored_record::mapIndexFor(r, {500, 500}), 9);
    p = stored_record::locate(r, kTableB, 10, 10);
    EXPECT_NEAR(p.x, 510, 1e-3);
    EXPECT_TRUE(stored_record::problemOf(r).isEmpty());
    r.r_fix = 0;
    EXPECT_FALSE(stored_record::problemOf(r).isEmpty());
}

} // namespace
