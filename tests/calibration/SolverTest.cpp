// The R search and the record it produces.
#include "CalibrationTestSupport.h"
#include "ReferenceSolver.h"
#include "calibration/ProjectiveMap.h"
#include "calibration/Solver16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

using caltest::inputsFromScene;

sim::TouchScene wideScene()
{
    sim::TouchScene s = sim::TouchScene::standard(1280, 1024);
    s.xScale = 1.25;
    s.right.x = 1280 * 1.25 + 40;
    s.sensorType = 1;
    return s;
}

TEST(Solve16, FastSearchEqualsTheStraightforwardOneByteForByte)
{
    std::vector<SolveInputs> cases;
    cases.push_back(inputsFromScene(sim::TouchScene::standard(1920, 1080)));
    cases.push_back(inputsFromScene(sim::TouchScene::standard(1024, 768), 2, 7));
    cases.push_back(inputsFromScene(wideScene(), 1, 3));
    // A touch shifted on one target: the fit is poor and the search takes other turns.
    SolveInputs odd = inputsFromScene(sim::TouchScene::standard(1600, 900), 1, 11);
    odd.left[9] += 40;
    cases.push_back(odd);
    for (size_t c = 0; c < cases.size(); ++c) {
        const Solve16Result fast = Solve16(cases[c]);
        const Solve16Result reference = referenceSolve16(cases[c]);
        ASSERT_EQ(fast.status, SolveStatus::Done) << c << fast.error.toStdString();
        ASSERT_EQ(reference.status, SolveStatus::Done) << c;
        EXPECT_EQ(fast.record.encode(), reference.record.encode()) << "case " << c;
        EXPECT_EQ(fast.g_ClbInfoR, reference.g_ClbInfoR) << "case " << c;
    }
}

TEST(Solve16, OneThreadOrManyGiveTheSameRecord)
{
    const SolveInputs in = inputsFromScene(sim::TouchScene::standard(1366, 768), 1, 5);
    SolveControl one;
    one.threads = 1;
    SolveControl three;
    three.threads = 3;
    EXPECT_EQ(Solve16(in, one).record.encode(), Solve16(in, three).record.encode());
}

TEST(Solve16, RecoversTheCamerasOfTheVirtualFrame)
{
    const sim::TouchScene scene = sim::TouchScene::standard(1920, 1080);
    const Solve16Result r = Solve16(inputsFromScene(scene));
    ASSERT_EQ(r.status, SolveStatus::Done) << r.error.toStdString();
    EXPECT_EQ(r.record.r_fix, 1024);
    EXPECT_EQ(r.record.LCam.L_A, scene.left.shift);
    EXPECT_EQ(r.record.RCam.L_A, scene.right.shift);
    // 0.7 and -0.4 degrees, times 1024 and truncated toward zero: 716.8 -> 716,
    // -409.6 -> -409.
    EXPECT_EQ(r.record.LCam.L_Angle_fix, 716);
    EXPECT_EQ(r.record.RCam.L_Angle_fix, -409);
    EXPECT_NEAR(r.record.LCam.Po_l4.x / 16.0, scene.left.x, 1.0);
    EXPECT_NEAR(r.record.LCam.Po_l4.y / 16.0, scene.left.y, 1.0);
    EXPECT_NEAR(r.record.RCam.Po_l4.x / 16.0, scene.right.x, 1.0);
    EXPECT_NEAR(r.record.RCam.Po_l4.y / 16.0, scene.right.y, 1.0);
    // The model places every target within a few pixels; X[9] is left to a fast run.
    const auto targets = calibration_targets::fullTargets(1920, 1080);
    for (size_t k = 0; k < 16; ++k) {
        EXPECT_NEAR(r.record.EvalPt[k].x, targets[k].x, 4) << k;
        EXPECT_NEAR(r.record.EvalPt[k].y, targets[k].y, 4) << k;
    }
    EXPECT_TRUE(
        std::all_of(r.record.X[9].begin(), r.record.X[9].end(), [](int32_t v) { return v == 0; }));
    // Each cell map takes its measured corners onto its targets, to the resolution of the
    // stored coefficients: 2^-20 on the perspective terms is a few thousandths of the
    // denominator at x = 1800.
    for (int n = 0; n < 9; ++n) {
        const size_t i = static_cast<size_t>(n + n / 3);
        for (size_t c : {i, i + 1, i + 4, i + 5}) {
            const projective::Mapped m = projective::apply(
                r.record.X[size_t(n)], r.record.EvalPt[c].x, r.record.EvalPt[c].y);
            EXPECT_NEAR(m.x, targets[c].x, 3.0) << n << " " << c;
            EXPECT_NEAR(m.y, targets[c].y, 3.0) << n << " " << c;
        }
    }
}

TEST(Solve16, FindsTheXScaleOfAStretchedDesktop)
{
    const Solve16Result r = Solve16(inputsFromScene(wideScene()));
    ASSERT_EQ(r.status, SolveStatus::Done) << r.error.toStdString();
    EXPECT_EQ(r.record.r_fix, 1280);
    EXPECT_FLOAT_EQ(r.g_ClbInfoR, 1.25f);
}

TEST(Solve16, WhenEveryRGivesTheSameErrorTheLastRIsKeptAndTheSingularMapFails)
{
    // A stuck shadow: every reading the same. No fit improves on the first, both
    // cameras stay at the origin and every R locates all targets at (0, 0).
    SolveInputs in = inputsFromScene(sim::TouchScene::standard(1920, 1080));
    in.left.fill(600);
    in.right.fill(600);
    const Solve16Result r = Solve16(in);
    EXPECT_EQ(r.record.r_fix, 2048);
    EXPECT_FLOAT_EQ(r.g_ClbInfoR, 2.0f);
    EXPECT_EQ(r.status, SolveStatus::Failed);
    EXPECT_TRUE(r.error.contains(QStringLiteral("singular"))) << r.error.toStdString();
    EXPECT_EQ(referenceSolve16(in).record.encode(), r.record.encode());
}

TEST(Solve16, ACameraPositionBeyondTheSixteenBitFieldFailsWithItsCause)
{
    // 1920 pixels at R = 1.08: the right camera sits near x = 2117 in model space, and
    // 16 times that does not fit a signed 16-bit field.
    sim::TouchScene s = sim::TouchScene::standard(1920, 1080);
    s.xScale = 1.08;
    s.right.x = 1920 * 1.08 + 44;
    const Solve16Result r = Solve16(inputsFromScene(s));
    EXPECT_EQ(r.status, SolveStatus::Failed);
    EXPECT_NEAR(r.g_ClbInfoR, 1.08f, 0.011f);
    EXPECT_TRUE(r.error.contains(QStringLiteral("right camera"))) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(QStringLiteral("16-bit"))) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(QStringLiteral("x-scale R = 1.0"))) << r.error.toStdString();
}

TEST(Solve16, ReportsProgressFromTenToSixtyAndStopsWhenAsked)
{
    const SolveInputs in = inputsFromScene(sim::TouchScene::standard(1920, 1080));
    std::vector<int> progress;
    SolveControl control;
    control.progress = [&](int p) { progress.push_back(p); };
    ASSERT_EQ(Solve16(in, control).status, SolveStatus::Done);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 10);
    EXPECT_EQ(progress.back(), 60);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    for (int p : progress)
        EXPECT_EQ(p % 10, 0);

    std::atomic<int> asked{0};
    SolveControl stopping;
    stopping.stopRequested = [&] { return ++asked > 2; };
    EXPECT_EQ(Solve16(in, stopping).status, SolveStatus::Stopped);
}

} // namespace
