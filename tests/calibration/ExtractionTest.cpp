// Choosing one shadow per camera: the history, FalsePotDel, Choose_Point and the
// background list.
#include "calibration/CaptureSteps.h"
#include "calibration/TouchExtraction.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using namespace touch_extraction;

TouchCandidate cand(uint16_t position, uint16_t halfWidth = 5, uint16_t depth = 100)
{
    return {position, halfWidth, depth, 0, 0};
}

CandidateList listOf(std::initializer_list<TouchCandidate> c)
{
    CandidateList l{};
    size_t i = 0;
    for (const TouchCandidate& t : c)
        l[i++] = t;
    return l;
}

SideCandidates sideWith(std::initializer_list<TouchCandidate> c)
{
    return {listOf(c), static_cast<int>(c.size())};
}

// --- FalsePotDel --------------------------------------------------------------------------

std::array<SideCandidates, kHistory> historyOf(const SideCandidates& every)
{
    std::array<SideCandidates, kHistory> h{};
    h.fill(every);
    return h;
}

TEST(FalsePotDel, AShadowSeenAtOnePositionKeepsIt)
{
    const SideCandidates out = FalsePotDel(historyOf(sideWith({cand(500, 6, 90)})));
    ASSERT_EQ(out.count, 1);
    EXPECT_EQ(out.cand[0].position, 500);
    EXPECT_EQ(out.cand[0].halfWidth, 6);
    EXPECT_EQ(out.cand[0].depth, 90);
    EXPECT_EQ(out.cand[0].valid, 0);
}

TEST(FalsePotDel, OffsetChoiceBetweenNeighbouringPositions)
{
    // Equally often at its own position and one pixel higher: moves up.
    auto h = historyOf(sideWith({cand(500)}));
    for (int s = 0; s < 10; ++s)
        h[static_cast<size_t>(s)] = sideWith({cand(501)});
    EXPECT_EQ(FalsePotDel(h).cand[0].position, 501);

    // Equally often at its own position and one pixel lower: stays.
    h = historyOf(sideWith({cand(500)}));
    for (int s = 0; s < 10; ++s)
        h[static_cast<size_t>(s)] = sideWith({cand(499)});
    EXPECT_EQ(FalsePotDel(h).cand[0].position, 500);

    // Seen more often one pixel lower than anywhere else: moves down.
    h = historyOf(sideWith({cand(499)}));
    h[19] = sideWith({cand(500)});
    h[18] = sideWith({cand(501)});
    EXPECT_EQ(FalsePotDel(h).cand[0].position, 499);
}

TEST(FalsePotDel, TakesTheLargestWidthAndDepthSeenAtTheChosenOffset)
{
    auto h = historyOf(sideWith({cand(300, 4, 50)}));
    h[3] = sideWith({cand(300, 9, 70)});
    h[4] = sideWith({cand(300, 5, 120)});
    h[5] = sideWith({cand(299, 30, 250)}); // another offset: ignored
    const SideCandidates out = FalsePotDel(h);
    EXPECT_EQ(out.cand[0].position, 300);
    EXPECT_EQ(out.cand[0].halfWidth, 9);
    EXPECT_EQ(out.cand[0].depth, 120);
}

TEST(FalsePotDel, SortsWidestFirstKeepingTheOrderOfEqualWidths)
{
    const auto h = historyOf(sideWith({cand(100, 3), cand(400, 8), cand(700, 3), cand(900, 8)}));
    const SideCandidates out = FalsePotDel(h);
    ASSERT_EQ(out.count, 4);
    EXPECT_EQ(out.cand[0].position, 400);
    EXPECT_EQ(out.cand[1].position, 900);
    EXPECT_EQ(out.cand[2].position, 700); // the selection sort swapped 100 behind it
    EXPECT_EQ(out.cand[3].position, 100);
}

TEST(FalsePotDel, CountIsTheNewestSlotsCappedAtFive)
{
    SideCandidates newest = sideWith({cand(100), cand(200), cand(300), cand(400), cand(500)});
    newest.count = 7; // as reported
    auto h = historyOf(sideWith({cand(100)}));
    h[19] = newest;
    EXPECT_EQ(FalsePotDel(h).count, 5);
    h[19] = sideWith({});
    EXPECT_EQ(FalsePotDel(h).count, 0);
}

// --- Steady touch and warm-up ---------------------------------------------------------------

CandidateReport reportOf(std::initializer_list<TouchCandidate> left,
                         std::initializer_list<TouchCandidate> right)
{
    CandidateReport r;
    r.left = listOf(left);
    r.right = listOf(right);
    r.leftCount = static_cast<uint8_t>(left.size());
    r.rightCount = static_cast<uint8_t>(right.size());
    return r;
}

TEST(SteadyTouch, ASteadyCountOfTwentyStoresTheFirstReportInSlotZero)
{
    capture::SteadyTouch steady;
    for (int t = 1; t <= 20; ++t) {
        const bool ready =
            steady.feed(kBothSides, reportOf({cand(uint16_t(100 + t))}, {cand(700)}), 20);
        EXPECT_EQ(ready, t == 20);
    }
    EXPECT_EQ(steady.history().left[0].cand[0].position, 101);
    EXPECT_EQ(steady.history().left[19].cand[0].position, 120);
}

TEST(SteadyTouch, OnlyTheLastTwentyOfALongerTouchAreKept)
{
    capture::SteadyTouch steady;
    for (int t = 1; t <= 40; ++t)
        steady.feed(kBothSides, reportOf({cand(uint16_t(100 + t))}, {cand(700)}), 40);
    EXPECT_EQ(steady.count(), 40);
    EXPECT_EQ(steady.history().left[0].cand[0].position, 121);
    EXPECT_EQ(steady.history().left[19].cand[0].position, 140);
}

TEST(SteadyTouch, AOneSidedReportRestartsTheCountAndANewTouchClearsTheHistory)
{
    capture::SteadyTouch steady;
    for (int t = 1; t <= 15; ++t)
        steady.feed(kBothSides, reportOf({cand(300)}, {cand(700)}), 20);
    EXPECT_FALSE(steady.feed(kOneSide, reportOf({cand(300)}, {}), 20));
    EXPECT_EQ(steady.count(), 0);
    steady.feed(kBothSides, reportOf({cand(555)}, {cand(700)}), 20);
    EXPECT_EQ(steady.history().left[0].cand[0].position, 555);
    EXPECT_EQ(steady.history().left[1].count, 0);
}

TEST(SteadyTouch, TheLengthIsKeptToWhatTheHistoryHolds)
{
    EXPECT_EQ(capture::steadyLength(5), 20);
    EXPECT_EQ(capture::steadyLength(40), 40);
    EXPECT_EQ(capture::steadyLength(500), 120);
}

TEST(WarmUp, OnlyOneSidedReportsTeachTheBackground)
{
    Backgrounds b;
    capture::learnBackground(b, reportOf({cand(700, 3)}, {cand(200, 4)}));
    EXPECT_EQ(b.left.count(), 0);
    capture::learnBackground(b, reportOf({cand(700, 3), cand(1185, 2)}, {}));
    EXPECT_EQ(b.left.count(), 2);
    EXPECT_EQ(b.right.count(), 0);
    capture::learnBackground(b, reportOf({}, {cand(75, 2)}));
    EXPECT_EQ(b.right.count(), 1);
}

// --- Background list --------------------------------------------------------------------------

TEST(BackgroundList, TheTwoMergeFormsAndTheLimit)
{
    BackgroundList l;
    l.mergeRaising(cand(600, 5, 80));
    l.mergeRaising(cand(600, 3, 120)); // raised where larger
    EXPECT_EQ(l.count(), 1);
    EXPECT_EQ(l.entry(0).halfWidth, 5);
    EXPECT_EQ(l.entry(0).depth, 120);
    l.mergeReplacing(cand(600, 2, 40)); // taken over
    EXPECT_EQ(l.entry(0).halfWidth, 2);
    EXPECT_EQ(l.entry(0).depth, 40);
    for (uint16_t p = 0; p < 100; ++p)
        l.mergeRaising(cand(static_cast<uint16_t>(1000 + p)));
    EXPECT_EQ(l.count(), kBackgroundSize);
}

TEST(BackgroundList, MatchesWithinOnePixelAndAHalfWidthDifferenceBelowTwo)
{
    BackgroundList l;
    l.mergeRaising(cand(600, 6));
    EXPECT_TRUE(l.matches(cand(601, 5)));
    EXPECT_TRUE(l.matches(cand(599, 7)));
    EXPECT_FALSE(l.matches(cand(602, 6)));
    EXPECT_FALSE(l.matches(cand(600, 8)));
    EXPECT_FALSE(l.matches(cand(600, 4)));
}

// --- Choose_Point -------------------------------------------------------------------------------

struct Choice {
    TouchCandidate result;
    CandidateList cand;
};

Choice choose(std::initializer_list<TouchCandidate> c, int side, int k, CalPoints& points,
              bool check = false, int columnClass = 2, const BackgroundList& background = {})
{
    Choice out;
    out.cand = listOf(c);
    out.result = Choose_Point(background, out.cand, static_cast<int>(c.size()), columnClass, side,
                              points, k, check);
    return out;
}

TEST(ChoosePoint, RangeBoundsFiftyOneAndTwelveNineteen)
{
    CalPoints p;
    EXPECT_EQ(choose({cand(50)}, kLeftCamera, 5, p).result.valid, 0);
    EXPECT_FALSE(p.LImg[5].recorded);
    const Choice in = choose({cand(51)}, kLeftCamera, 5, p);
    EXPECT_EQ(in.result.valid, 1);
    EXPECT_EQ(in.result.position, 51);
    EXPECT_TRUE(p.LImg[5].recorded);
    EXPECT_EQ(p.LImg[5].position, 51);

    CalPoints q;
    EXPECT_EQ(choose({cand(1219)}, kRightCamera, 6, q).result.valid, 1);
    EXPECT_EQ(q.RImg[6].position, 1219);
    EXPECT_EQ(choose({cand(1220)}, kRightCamera, 7, q).result.valid, 0);
}

TEST(ChoosePoint, RecordedCornerSlotsBoundLaterCandidates)
{
    CalPoints p;
    p.LImg[3] = {900, 1};
    p.RImg[0] = {1000, 1};
    EXPECT_EQ(choose({cand(900)}, kLeftCamera, 9, p).result.valid, 0);
    EXPECT_EQ(choose({cand(899)}, kLeftCamera, 9, p).result.valid, 1);
    EXPECT_EQ(choose({cand(1000)}, kRightCamera, 9, p).result.valid, 0);
    EXPECT_EQ(choose({cand(999)}, kRightCamera, 9, p).result.valid, 1);
    // The release wait (check) ignores the recorded bound and records nothing.
    EXPECT_EQ(choose({cand(950)}, kLeftCamera, 10, p, true).result.valid, 1);
    EXPECT_FALSE(p.LImg[10].recorded);
    EXPECT_EQ(choose({cand(870)}, kLeftCamera, 9, p, true).result.valid, 1);
    EXPECT_EQ(p.LImg[9].position, 899);
}

TEST(ChoosePoint, NothingInRangeChoosesOnlyAtTheCornerTargets)
{
    CalPoints p;
    p.LImg[3] = {900, 1};
    // Left camera, target 3: the candidate nearest the sensor centre is taken and recorded.
    const Choice left = choose({cand(1100, 9), cand(950, 4)}, kLeftCamera, 3, p);
    EXPECT_EQ(left.result.valid, 1);
    EXPECT_EQ(left.result.position, 950);
    EXPECT_EQ(p.LImg[3].position, 950);
    EXPECT_EQ(left.cand[0].valid, 0);

    CalPoints q;
    const Choice right = choose({cand(30), cand(1250)}, kRightCamera, 0, q);
    EXPECT_EQ(right.result.valid, 1);
    EXPECT_EQ(right.result.position, 30);
    EXPECT_TRUE(q.RImg[0].recorded);

    // Elsewhere (and in the release wait) nothing in range is no choice.
    CalPoints r;
    EXPECT_EQ(choose({cand(30)}, kLeftCamera, 0, r).result.valid, 0);
    EXPECT_EQ(choose({cand(30)}, kRightCamera, 0, r, true).result.valid, 0);
    EXPECT_FALSE(r.RImg[0].recorded);
}

TEST(ChoosePoint, TopRowKeepsTheOrderOfTheCameraAngles)
{
    CalPoints p;
    p.LImg[0] = {400, 1};
    p.RImg[0] = {1000, 1};
    const Choice l = choose({cand(300, 9), cand(600)}, kLeftCamera, 1, p);
    EXPECT_EQ(l.result.position, 600);
    EXPECT_EQ(l.result.valid, 1);
    EXPECT_EQ(p.LImg[1].position, 600);
    const Choice r = choose({cand(1100, 9), cand(950)}, kRightCamera, 1, p);
    EXPECT_EQ(r.result.position, 950);
    EXPECT_EQ(p.RImg[1].position, 950);
    // None retained ends without a choice, although the fallback would find one.
    CalPoints q;
    q.LImg[0] = {700, 1};
    const Choice none = choose({cand(600), cand(650)}, kLeftCamera, 1, q);
    EXPECT_EQ(none.result.valid, 0);
    EXPECT_FALSE(q.LImg[1].recorded);
}

TEST(ChoosePoint, LeftColumnLooksAtTheTargetAbove)
{
    CalPoints p;
    p.RImg[0] = {1000, 1};
    const Choice r = choose({cand(1100, 9), cand(900)}, kRightCamera, 4, p);
    EXPECT_EQ(r.result.position, 900);
    EXPECT_EQ(p.RImg[4].position, 900);
    p.LImg[4] = {200, 1};
    EXPECT_EQ(choose({cand(250), cand(300)}, kLeftCamera, 8, p).result.valid, 0);
}

TEST(ChoosePoint, InnerTargetsUseBothNeighbours)
{
    CalPoints p;
    p.LImg[4] = {300, 1};
    p.LImg[1] = {800, 1};
    // > 300 leaves 400, 700, 900; < 800 then leaves 400 and 700: the general rule picks
    // the one nearest the centre and records nothing.
    const Choice c = choose({cand(400), cand(700), cand(900)}, kLeftCamera, 5, p);
    EXPECT_EQ(c.result.position, 700);
    EXPECT_EQ(c.result.valid, 1);
    EXPECT_EQ(c.cand[2].valid, 0);
    EXPECT_FALSE(p.LImg[5].recorded);
    // Right camera: slot k-1 missing, so slot k-4 decides.
    CalPoints q;
    q.RImg[2] = {900, 1};
    const Choice r = choose({cand(1000, 9), cand(850)}, kRightCamera, 6, q);
    EXPECT_EQ(r.result.position, 850);
    EXPECT_EQ(q.RImg[6].position, 850);
    // Without any reference the general rule runs on the candidates unchanged.
    CalPoints none;
    const Choice g = choose({cand(1000, 12), cand(850, 3)}, kRightCamera, 6, none);
    EXPECT_EQ(g.result.position, 1000); // width dominance
    EXPECT_TRUE(none.RImg[6].recorded);
}

TEST(ChoosePoint, TwoShadowsSixtyThreePixelsApartMergeAtSixtyFourTheyDoNot)
{
    // Facing edges: (463 - 10) - (380 + 10) = 63.
    CalPoints p;
    const Choice merged = choose({cand(380, 10), cand(463, 10)}, kLeftCamera, 0, p);
    EXPECT_EQ(merged.result.valid, 1);
    EXPECT_EQ(merged.result.position, ((380 - 10) + (463 + 10)) / 2);
    EXPECT_EQ(p.LImg[0].position, 421);
    EXPECT_EQ(merged.cand[1].valid, 0);

    CalPoints q;
    const Choice apart = choose({cand(380, 10), cand(464, 10)}, kLeftCamera, 0, q);
    EXPECT_NE(apart.result.position, 422);
    EXPECT_EQ(apart.result.position, 464); // the fallback: nearer the sensor centre
    EXPECT_FALSE(q.LImg[0].recorded);

    // Only the camera near the target merges: the right camera at target 0 does not.
    CalPoints r;
    EXPECT_EQ(choose({cand(380, 10), cand(463, 10)}, kRightCamera, 0, r).result.position, 463);
    // Halves narrower than 9 or of unlike depth are not one shadow.
    CalPoints s;
    EXPECT_EQ(choose({cand(380, 8), cand(463, 8)}, kLeftCamera, 0, s).result.position, 463);
    EXPECT_EQ(choose({cand(380, 10, 40), cand(463, 10, 90)}, kLeftCamera, 0, s).result.position,
              463);
}

TEST(ChoosePoint, WidthDominance)
{
    CalPoints p;
    EXPECT_EQ(choose({cand(400, 10), cand(700, 3)}, kLeftCamera, 0, p).result.position, 400);
    EXPECT_EQ(p.LImg[0].position, 400);
    CalPoints q;
    EXPECT_EQ(choose({cand(400, 12), cand(700, 4)}, kLeftCamera, 0, q).result.position, 400);
    CalPoints r; // 11 < 3 * 4: no dominance; the fallback takes the nearer to the centre
    EXPECT_EQ(choose({cand(400, 11), cand(700, 4)}, kLeftCamera, 0, r).result.position, 700);
    EXPECT_FALSE(r.LImg[0].recorded);
}

TEST(ChoosePoint, EqualDistancesFromTheCentreGoToTheEarlierCandidate)
{
    // |680/2 - 320| = |600/2 - 320| = 20.
    CalPoints p;
    EXPECT_EQ(choose({cand(680, 6), cand(600, 5)}, kLeftCamera, 0, p).result.position, 680);
    CalPoints q;
    EXPECT_EQ(choose({cand(600, 6), cand(680, 5)}, kLeftCamera, 0, q).result.position, 600);
}

TEST(ChoosePoint, FallbackDropsFarSideShadowsAndBackground)
{
    // 450 lies nearer the sensor centre than 1000, but below 500 it cannot be the finger
    // for the camera on the far side of the target's column.
    CalPoints p;
    EXPECT_EQ(choose({cand(1000, 5), cand(450, 5)}, kLeftCamera, 7, p, false, 1).result.position,
              1000);
    EXPECT_EQ(choose({cand(1000, 5), cand(450, 5)}, kRightCamera, 0, p, false, 0).result.position,
              1000);
    EXPECT_EQ(choose({cand(1000, 5), cand(450, 5)}, kLeftCamera, 0, p, false, 0).result.position,
              450);
    EXPECT_EQ(choose({cand(1000, 5), cand(450, 5)}, kRightCamera, 3, p, false, 1).result.position,
              450);
    EXPECT_FALSE(p.LImg[7].recorded);

    BackgroundList background;
    background.mergeRaising(cand(600, 6));
    CalPoints r;
    const Choice c = choose({cand(601, 5), cand(900, 5)}, kLeftCamera, 0, r, false, 0, background);
    EXPECT_EQ(c.result.position, 900);
    EXPECT_EQ(c.cand[0].valid, 0);
    EXPECT_EQ(c.cand[1].valid, 1);
}

TEST(ChoosePoint, AFallbackThatRejectsEveryCandidateMakesNoChoice)
{
    BackgroundList background;
    background.mergeRaising(cand(600, 6));
    background.mergeRaising(cand(900, 4));
    CalPoints p;
    const Choice c = choose({cand(600, 6), cand(901, 4)}, kLeftCamera, 0, p, false, 0, background);
    EXPECT_EQ(c.result.valid, 0);
    EXPECT_EQ(c.cand[0].valid, 0);
    EXPECT_EQ(c.cand[1].valid, 0);
    EXPECT_FALSE(p.LImg[0].recorded);
}

TEST(ChoosePoint, LogFormatOfTheFiveSlots)
{
    CandidateList l = listOf({cand(601, 5, 88), cand(900, 4, 70)});
    l[0].valid = 1;
    EXPECT_EQ(formatWithValid(l),
              "[0]601(5,88,1)   [1]900(4,70,0)   [2]0(0,0,0)   [3]0(0,0,0)   [4]0(0,0,0)");
    EXPECT_EQ(formatPlain(l), "[0]601(5,88)   [1]900(4,70)   [2]0(0,0)   [3]0(0,0)   [4]0(0,0)");
}

} // namespace
