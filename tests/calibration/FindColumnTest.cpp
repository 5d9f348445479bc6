// Axis-adjusting: the start column rule, the table request and the worker's run with
// the virtual operator touching the corners.
#include "CalibrationTestSupport.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/FindColumnRun.h"
#include "imaging/ImagingState.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"

#include <gtest/gtest.h>

namespace {

using caltest::FrameHost;
using caltest::LogCapture;
using touch_extraction::SideCandidates;

SideCandidates side(std::initializer_list<std::pair<int, int>> positionsAndHalfWidths)
{
    SideCandidates s;
    for (const auto& [position, halfWidth] : positionsAndHalfWidths) {
        TouchCandidate& c = s.cand[static_cast<size_t>(s.count++)];
        c.position = static_cast<uint16_t>(position);
        c.halfWidth = static_cast<uint16_t>(halfWidth);
        c.valid = 1;
    }
    return s;
}

TEST(FindColumnRule, TheShadowNearestBelow200DecidesTheStartColumn)
{
    EXPECT_EQ(FindColumnRun::startColumnOf(side({{40, 6}, {120, 10}})), 56);
    EXPECT_EQ(FindColumnRun::startColumnOf(side({{120, 10}, {40, 6}})), 56) << "order";
    EXPECT_EQ(FindColumnRun::startColumnOf(side({{250, 4}})), 100) << "nothing near the start";
    EXPECT_EQ(FindColumnRun::startColumnOf(side({})), 100);
    EXPECT_EQ(FindColumnRun::startColumnOf(side({{200, 2}, {201, 2}})), 100);
    EXPECT_EQ(FindColumnRun::startColumnOf(side({{2, 1}})), 2) << "a result of 1 is the position";
    EXPECT_EQ(FindColumnRun::startColumnOf(side({{3, 9}})), 0)
        << "a shadow reaching past the sensor's start begins at column 0";
}

class FindColumnRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetImagingState();
        resetCalibrationState();
        g_WaitFrameCount = 40;
        sim::TouchScene scene = sim::TouchScene::clean(1920, 1080);
        host.frame->setTouchScene(scene);
        sim::OperatorSettings op;
        op.present = true;
        op.liftOnRelease = true;
        host.frame->setVirtualOperator(op);
    }
    // Runs to the end on this thread; the codes in order.
    std::vector<int> run()
    {
        std::vector<int> codes;
        FindColumnRun::Hooks hooks;
        hooks.report = [&codes](int code) { codes.push_back(code); };
        FindColumnRun(host.device, state, 1920, 1080, hooks).run();
        return codes;
    }

    FrameHost host;
    LogCapture log;
    FindColumnState state;
};

TEST_F(FindColumnRunTest, BothCornersGiveTheStartColumnsAndTheTables)
{
    Left_End = 598;
    Right_End = 540; // below the floor
    const std::vector<int> codes = run();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), FindColumnRun::kDone);
    EXPECT_EQ(state.target, FindColumnState::kBothDone);
    EXPECT_EQ(state.bothDone, 1);
    EXPECT_EQ(Left_Start, host.frame->axisAdjustedTruth(Side::Master).startColumn);
    EXPECT_EQ(Right_Start, host.frame->axisAdjustedTruth(Side::Slave).startColumn);
    EXPECT_LT(Left_Start, 100);
    const sim::ModuleOptics master = host.frame->moduleOptics(Side::Master);
    const sim::ModuleOptics slave = host.frame->moduleOptics(Side::Slave);
    EXPECT_EQ(master.startColumn, Left_Start);
    EXPECT_EQ(master.endColumn, 598);
    EXPECT_EQ(slave.endColumn, 560) << "end columns are at least 560";
    EXPECT_EQ(opticalParams(Side::Slave).values().endColumn, 560u);
    EXPECT_EQ(opticalParams(Side::Master).values().optimumLines[0].startColumn, Left_Start);
    const QByteArray text = log.text();
    EXPECT_TRUE(
        text.contains("CalibIndex[1](After the sorting): leftIndex-> 1   rightIndex-> 1 \n"));
    EXPECT_TRUE(text.contains(QByteArray("Left_Start=") + QByteArray::number(Left_Start.load()) +
                              ", Right_Start="));
}

TEST_F(FindColumnRunTest, TablesFromTheDefaultsWithoutASearch)
{
    Left_Start = 100;
    Left_End = 639;
    Right_Start = 250;
    FindColumnRun::Hooks hooks;
    ASSERT_TRUE(FindColumnRun(host.device, state, 1920, 1080, hooks).requestTables());
    EXPECT_EQ(host.frame->moduleOptics(Side::Master).startColumn, 100);
    EXPECT_EQ(host.frame->moduleOptics(Side::Master).endColumn, 639);
    EXPECT_EQ(host.frame->moduleOptics(Side::Slave).startColumn, 100) << "at most 100";
    EXPECT_EQ(host.frame->moduleOptics(Side::Slave).endColumn, 560) << "Right_End 0 gives 560";
}

TEST_F(FindColumnRunTest, FailuresEndTheRunWithTheirCodes)
{
    host.frame->refuseCommand(cmd::kTrigger, 1);
    EXPECT_EQ(run(), std::vector<int>{FindColumnRun::kProbeFailed});
    EXPECT_EQ(g_CalDataInitSuc, 0);

    host.frame->clearFaults();
    host.frame->refuseCommand(cmd::kGetTouchPoints, 1, 5);
    std::vector<int> codes = run();
    EXPECT_EQ(codes.back(), FindColumnRun::kFailed);
    EXPECT_EQ(g_CalibrationProcessSuc, 0);

    host.frame->clearFaults();
    state.target = 0;
    host.frame->refuseCommand(cmd::kOptimalizeLine.of(Side::Slave), 1);
    codes = run();
    EXPECT_EQ(codes.back(), FindColumnRun::kFailed);
    EXPECT_TRUE(log.text().contains("CalibrationThread: Slave Optimalize Line failed!\n"));
}

} // namespace
