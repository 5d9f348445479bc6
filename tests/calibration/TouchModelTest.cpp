// The virtual frame's touch model and virtual operator, seen through the touch query.
#include "CalibrationTestSupport.h"
#include "calibration/CaptureSteps.h"
#include "device/TouchPoints.h"
#include "sim/PrintedKeys.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using caltest::FrameHost;

CandidateReport query(FrameHost& host, uint8_t index, int x, int y, uint8_t mode = 0,
                      uint8_t releaseFlag = 0)
{
    CandidateReport r;
    int sides = 0;
    EXPECT_NE(GetTouchPoints(host.device, capture::targetRequest(mode, index, x, y, releaseFlag), r,
                             sides),
              kQueryFailed);
    return r;
}

// An operator at the frame who touches each target named by a query: firstTouchDelay
// reports after a run starts, reactionReports after a new target.
sim::OperatorSettings operatorAt(int firstTouchDelay, int reactionReports)
{
    sim::OperatorSettings op;
    op.present = true;
    op.firstTouchDelay = firstTouchDelay;
    op.reactionReports = reactionReports;
    return op;
}

// A clean 1920 x 1080 desktop for an operator to touch.
class VirtualOperator : public ::testing::Test {
protected:
    void SetUp() override { host.frame->setTouchScene(sim::TouchScene::clean(1920, 1080)); }

    FrameHost host;
};

TEST(TouchModel, ANewFrameReportsNothing)
{
    FrameHost host;
    const CandidateReport r = query(host, 3, 500, 500);
    EXPECT_EQ(r.leftCount, 0);
    EXPECT_EQ(r.rightCount, 0);
}

TEST(TouchModel, AFingerCastsOneShadowPerCameraWhereTheAngleTableSaysAndTheModelLocatesIt)
{
    FrameHost host;
    sim::TouchScene scene = sim::TouchScene::clean(1920, 1080);
    host.frame->setTouchScene(scene);
    sim::TouchModel model;
    model.setScene(scene);
    for (const sim::ScreenPoint p :
         {sim::ScreenPoint{960, 540}, sim::ScreenPoint{300, 900}, sim::ScreenPoint{1700, 200}}) {
        host.frame->placeFinger(p.x, p.y);
        const CandidateReport r = query(host, 0, 0, 0);
        ASSERT_EQ(r.leftCount, 1);
        ASSERT_EQ(r.rightCount, 1);
        const int l = *host.frame->sensorPosition(Side::Master, p);
        const int rr = *host.frame->sensorPosition(Side::Slave, p);
        EXPECT_EQ(r.left[0].position, l);
        EXPECT_EQ(r.right[0].position, rr);
        EXPECT_NEAR(*model.exactPosition(Side::Master, p), l, 0.5);
        const auto located = host.frame->exactLocate(l, rr);
        ASSERT_TRUE(located);
        EXPECT_NEAR(located->x, p.x, 3.0);
        EXPECT_NEAR(located->y, p.y, 3.0);
    }
}

TEST(TouchModel, ShadowsWidenAndDeepenTowardsTheCamera)
{
    FrameHost host;
    host.frame->setTouchScene(sim::TouchScene::clean(1920, 1080));
    host.frame->placeFinger(1700, 1000);
    const CandidateReport near = query(host, 0, 0, 0);
    host.frame->placeFinger(200, 150);
    const CandidateReport far = query(host, 0, 0, 0);
    // The left camera is far from the first point and near the second; the right one
    // the other way round.
    EXPECT_LT(near.left[0].halfWidth, far.left[0].halfWidth);
    EXPECT_LT(near.left[0].depth, far.left[0].depth);
    EXPECT_GT(near.right[0].halfWidth, far.right[0].halfWidth);
    EXPECT_LE(far.left[0].depth, 255);
}

TEST(TouchModel, JitterMovesAShadowByOnePixelAtMost)
{
    FrameHost host;
    sim::TouchScene scene = sim::TouchScene::clean(1920, 1080);
    scene.jitterRate = 0.5;
    host.frame->setTouchScene(scene);
    host.frame->placeFinger(800, 600);
    const int l = *host.frame->sensorPosition(Side::Master, {800, 600});
    int moved = 0;
    for (int i = 0; i < 200; ++i) {
        const int d = query(host, 0, 0, 0).left[0].position - l;
        EXPECT_LE(std::abs(d), 1);
        moved += d != 0;
    }
    EXPECT_GT(moved, 50);
    EXPECT_LT(moved, 150);
}

TEST(TouchModel, BackgroundShadowsAndOneSidedReports)
{
    FrameHost host;
    sim::TouchScene scene = sim::TouchScene::clean(1920, 1080);
    scene.background = {{Side::Master, 1185, 3, 45, 1.0}, {Side::Slave, 75, 2, 35, 0.0}};
    host.frame->setTouchScene(scene);
    CandidateReport r = query(host, 0, 0, 0);
    EXPECT_EQ(r.leftCount, 1); // the dirt, with nobody touching
    EXPECT_EQ(r.left[0].position, 1185);
    EXPECT_EQ(r.rightCount, 0);

    scene.background.clear();
    scene.oneSidedRate = 1.0;
    host.frame->setTouchScene(scene);
    host.frame->placeFinger(900, 500);
    for (int i = 0; i < 20; ++i) {
        r = query(host, 0, 0, 0);
        EXPECT_EQ(r.leftCount + r.rightCount, 1);
    }
}

TEST(TouchModel, AWideShadowCloseToACameraSplitsAroundItsCentre)
{
    FrameHost host;
    sim::TouchScene scene = sim::TouchScene::standard(1920, 1080);
    scene.background.clear();
    scene.jitterRate = 0;
    scene.oneSidedRate = 0;
    host.frame->setTouchScene(scene);
    host.frame->placeFinger(120, 33); // target 0, next to the left camera
    const CandidateReport r = query(host, 0, 0, 0);
    ASSERT_EQ(r.leftCount, 2);
    const TouchCandidate& a = r.left[0];
    const TouchCandidate& b = r.left[1];
    EXPECT_GE(std::min(a.halfWidth, b.halfWidth), 9);
    const int middle = ((a.position - a.halfWidth) + (b.position + b.halfWidth)) / 2;
    EXPECT_NEAR(middle, *host.frame->sensorPosition(Side::Master, {120, 33}), 1);
    EXPECT_EQ(r.rightCount, 1); // far from the right camera: one shadow
}

TEST_F(VirtualOperator, WatchesTheWarmUpTouchesTheNamedTargetAndLiftsForTheNext)
{
    host.frame->setVirtualOperator(operatorAt(70, 3));
    ASSERT_EQ(host.device.commands.trigger(), 1);
    for (int i = 0; i < 70; ++i)
        EXPECT_EQ(query(host, 0, 120, 33).leftCount, 0) << i;
    EXPECT_EQ(query(host, 0, 120, 33).rightCount, 1);
    ASSERT_TRUE(host.frame->fingerPoint());
    EXPECT_DOUBLE_EQ(host.frame->fingerPoint()->x, 120);
    // The next target: the finger lifts, and lands after the reaction time.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(query(host, 1, 680, 33).rightCount, 0);
    EXPECT_EQ(query(host, 1, 680, 33).rightCount, 1);
    EXPECT_DOUBLE_EQ(host.frame->fingerPoint()->x, 680);
    // A new run (trigger) starts with the long delay again.
    ASSERT_EQ(host.device.commands.trigger(), 1);
    EXPECT_EQ(query(host, 0, 120, 33).rightCount, 0);
}

TEST_F(VirtualOperator, OneWhoLiftsOnReleaseLetsGoWhenTheTouchWasTaken)
{
    sim::OperatorSettings op = operatorAt(0, 2);
    for (bool lifts : {false, true}) {
        op.liftOnRelease = lifts;
        host.frame->setVirtualOperator(op);
        EXPECT_EQ(query(host, 0, 5, 1075).leftCount, 1);
        // The same corner, with the flag that the touch was taken.
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(query(host, 0, 5, 1075, 0, 255).leftCount, lifts ? 0 : 1) << i;
        if (lifts) { // asked again with the flag clear: back after the reaction time
            EXPECT_EQ(query(host, 0, 5, 1075).leftCount, 0);
            EXPECT_EQ(query(host, 0, 5, 1075).leftCount, 0);
            EXPECT_EQ(query(host, 0, 5, 1075).leftCount, 1);
        }
    }
}

TEST_F(VirtualOperator, AimErrorStaysWithinItsRadius)
{
    sim::OperatorSettings op = operatorAt(0, 0);
    op.aimError = 4.0;
    host.frame->setVirtualOperator(op);
    double largest = 0;
    for (int i = 0; i < 50; ++i) {
        query(host, uint8_t(i), 500 + i, 400);
        const auto p = host.frame->fingerPoint();
        ASSERT_TRUE(p);
        largest = std::max(largest, std::hypot(p->x - (500 + i), p->y - 400));
    }
    EXPECT_LE(largest, 4.0);
    EXPECT_GT(largest, 1.0);
}

TEST_F(VirtualOperator, TouchesTheCornerOfAPrintedKeyNamedByItsDescriptor)
{
    sim::TouchScene scene = sim::TouchScene::clean(1920, 1080);
    sim::KeyGroups groups{};
    groups[1] = {3, 0, 0};
    groups[3] = {2, 0, 0};
    scene.keys = sim::printedKeysFor(groups, 1920, 1080);
    host.frame->setTouchScene(scene);
    host.frame->setVirtualOperator(operatorAt(0, 0));
    auto touchKey = [&](std::array<uint8_t, 6> d) {
        capture::Request r{};
        std::copy(d.begin(), d.end(), r.begin());
        r[0] |= 0x80;
        CandidateReport report;
        int sides = 0;
        GetTouchPoints(host.device, r, report, sides);
        return *host.frame->fingerPoint();
    };
    const sim::PrintedKey& first = scene.keys[0];
    const sim::PrintedKey& third = scene.keys[2];
    const sim::PrintedKey& bottomLast = scene.keys[4];
    sim::ScreenPoint p = touchKey({1, 1, 1, 3, 1, 0});
    EXPECT_EQ(p.x, first.left);
    EXPECT_EQ(p.y, first.top);
    p = touchKey({1, 1, 1, 3, 1, 1});
    EXPECT_EQ(p.x, first.right);
    EXPECT_EQ(p.y, first.bottom);
    p = touchKey({1, 1, 1, 3, 3, 2});
    EXPECT_EQ(p.x, third.right);
    EXPECT_EQ(p.y, third.top);
    p = touchKey({3, 1, 1, 2, 2, 5});
    EXPECT_EQ(p.x, bottomLast.left);
    EXPECT_EQ(p.y, bottomLast.bottom);
}

} // namespace
