// The image-adjusting search against the virtual frame: what it finds must be the
// frame's truth, and every way it can fail must give its code.
#include "ImagingTestSupport.h"

#include "device/ByteOrder.h"
#include "imaging/ImageAdjusting.h"
#include "imaging/StoredOptics.h"

#include <chrono>

namespace {

using namespace imagingtest;

OptimumLineTable asTable(const sim::OptimumLineTable& lines)
{
    OptimumLineTable table{};
    for (size_t k = 0; k < table.size(); ++k)
        table[k] = {lines[k].line, lines[k].startColumn, lines[k].endColumn};
    return table;
}

class ImageAdjustingTest : public ImagingTest {
protected:
    int search()
    {
        ImageAdjusting adjusting(*device, harness->config, harness->control, &harness->state);
        return adjusting.runSearch();
    }
    // The working values of a side must be what a leveling of the model finds.
    void expectTruth(Side side)
    {
        const sim::ModuleOptics truth = frame->opticsTruth(side);
        const OpticalValues found = opticalParams(side).values();
        EXPECT_EQ(found.startLine, truth.startLine) << sideName(side);
        EXPECT_EQ(found.startColumn, 0u) << sideName(side);
        EXPECT_EQ(found.endColumn, truth.endColumn) << sideName(side);
        EXPECT_EQ(found.exposureTime, truth.exposureTime) << sideName(side);
        EXPECT_EQ(found.exposureGain, truth.exposureGain) << sideName(side);
        EXPECT_EQ(found.optimumLines, asTable(truth.optimumLines)) << sideName(side);
    }
    void moveBezel(Side side, uint16_t startLine, uint16_t endColumn, double top, double tilt)
    {
        sim::BezelTruth b = frame->bezel(side);
        b.startLine = startLine;
        b.endColumn = endColumn;
        b.bandTop = top;
        b.tilt = tilt;
        frame->setBezel(side, b);
    }

    FrameBuffers buffers;
    void SetUp() override
    {
        ImagingTest::SetUp();
        harness = std::make_unique<WorkerHarness>(*device);
    }

    std::unique_ptr<WorkerHarness> harness;
};

TEST_F(ImageAdjustingTest, FindsTheFactoryBezel)
{
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    expectTruth(Side::Master);
    expectTruth(Side::Slave);
    EXPECT_EQ(Left_End, frame->bezel(Side::Master).endColumn);
    EXPECT_EQ(Right_End, frame->bezel(Side::Slave).endColumn);
    EXPECT_EQ(leftQualified, 1);
    EXPECT_EQ(rightQualified, 1);
    EXPECT_EQ(g_SearchStartLine, 1);
    EXPECT_EQ(g_OptimumStartLine, 1);
    EXPECT_EQ(g_OptimumLineFlag, 1);
    EXPECT_EQ(g_isExposureSuc, 1);
    EXPECT_EQ(harness->reported(), std::vector<int>{ImageAdjusting::kEvaluating});
    EXPECT_EQ(harness->state.searchDone, 1);
    // The frame works with what was found, and its emitters are lit again.
    EXPECT_EQ(frame->moduleOptics(Side::Slave).startLine, frame->bezel(Side::Slave).startLine);
    for (Side side : {Side::Master, Side::Slave})
        for (uint16_t reg : {0x36, 0x37})
            EXPECT_EQ(frame->fpgaRegister(side, reg), 0xFF);
}

TEST_F(ImageAdjustingTest, FollowsTheBezelWhereverItIs)
{
    moveBezel(Side::Master, 212, 571, 2.3, 0.004);
    moveBezel(Side::Slave, 287, 619, 3.9, -0.003);
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    expectTruth(Side::Master);
    expectTruth(Side::Slave);
    EXPECT_EQ(opticalParams(Side::Master).optimumLines()[0].line, 2);
    EXPECT_EQ(opticalParams(Side::Master).optimumLines()[7].line, 5);
}

TEST_F(ImageAdjustingTest, FlippedSensorSearchesTheLowerRows)
{
    moveBezel(Side::Master, 120, 598, 1.6, 0.005);
    moveBezel(Side::Slave, 130, 601, 4.4, -0.005);
    EXPECT_EQ(search(), ImageAdjusting::kStartLineFailed) << "200..300 does not hold them";
    frame->setSensorRegister(Side::Master, 0x12, 0x40);
    ASSERT_EQ(prepareLeveling(*device, harness->config), 1);
    EXPECT_EQ(g_StartLineSearchLow, 50);
    EXPECT_EQ(g_StartLineSearchHigh, 200);
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    expectTruth(Side::Master);
    expectTruth(Side::Slave);
}

TEST_F(ImageAdjustingTest, FourLightsFrameFindsTheEndsByProjection)
{
    setConfigRecord(0, 1);
    ASSERT_EQ(prepareLeveling(*device, harness->config), 1);
    EXPECT_EQ(harness->config.SensorType, 1);
    moveBezel(Side::Master, 236, 583, 1.6, 0.005);
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    EXPECT_EQ(Left_End, 583);
    EXPECT_EQ(Right_End, frame->bezel(Side::Slave).endColumn);
    const QByteArray log = logText();
    EXPECT_EQ(log.count("ProjectImg:\n"), 2);
}

TEST_F(ImageAdjustingTest, LogsTheSamplesInTheirRowShapes)
{
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    const QByteArray log = logText();
    const char* headings[] = {
        "L-close  R-open    Left_original:\n", "L-close  R-open    Right_original:\n",
        "L-open  R-close    Left_original:\n", "L-open  R-close    Right_original:\n",
        "L-close  R-open    Left_4:\n",        "L-open  R-close    Left_max line:\n",
        "L-open  R-close    Right_4:\n",       "L-close  R-open    Right_max line:\n"};
    for (const char* h : headings)
        EXPECT_EQ(log.count(h), 1) << h;
    // After the first heading: 16 rows of 50 values, then an empty line.
    const int at = log.indexOf("L-close  R-open    Left_original:\n");
    const QList<QByteArray> rows = log.mid(at).split('\n');
    for (int r = 1; r <= 16; ++r) {
        EXPECT_EQ(rows[r].count(' '), 50) << r;
        EXPECT_TRUE(rows[r].endsWith(' '));
    }
    EXPECT_TRUE(rows[17].isEmpty());
    // A 100-byte line: 4 rows of 25.
    const QList<QByteArray> line = log.mid(log.indexOf("Left_max line:\n")).split('\n');
    for (int r = 1; r <= 4; ++r)
        EXPECT_EQ(line[r].count(' '), 25) << r;
    EXPECT_TRUE(line[5].isEmpty());
    EXPECT_TRUE(log.contains(
        QByteArray("Left_End=") + QByteArray::number(frame->bezel(Side::Master).endColumn) +
        ", Right_End=" + QByteArray::number(frame->bezel(Side::Slave).endColumn) + "\n"));
}

TEST_F(ImageAdjustingTest, DarkStretchMakesOnlyThatSideNotQualified)
{
    frame->darkenBezel(Side::Slave, 300, 10);
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    EXPECT_EQ(leftQualified, 1);
    EXPECT_EQ(rightQualified, 0);
    EXPECT_EQ(Right_End, frame->bezel(Side::Slave).endColumn) << "the end is still found";
    EXPECT_TRUE(logText().contains("count = 10; i = 309;"));

    resetImagingState();
    previewLineCount = 8;
    frame->darkenBezel(Side::Slave, 300, 9);
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    EXPECT_EQ(rightQualified, 1) << "nine dark columns pass";

    resetImagingState();
    previewLineCount = 8;
    harness->config.QualityEvaluation = 0;
    frame->darkenBezel(Side::Master, 200, 50);
    harness->codes.clear();
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    EXPECT_EQ(leftQualified, 1) << "no evaluation, no verdict";
    EXPECT_TRUE(harness->reported().empty()) << "no code 15 without evaluation";
}

TEST_F(ImageAdjustingTest, PenModeTakesTheLampsFromTwoColumnsEarlier)
{
    setConfigRecord(1, 1, 0x70, 6);
    ASSERT_EQ(prepareLeveling(*device, harness->config), 1);
    ImageAdjusting adjusting(*device, harness->config, harness->control, &harness->state);
    ASSERT_EQ(adjusting.LoadStoredOptics(), 1);
    EXPECT_EQ(opticalParams(Side::Master).exposureTime, 0x70) << "pen exposure from the record";
    EXPECT_EQ(opticalParams(Side::Slave).exposureGain, 6);

    moveBezel(Side::Master, 236, 550, 1.6, 0.005); // first lamp column 10: 538 + 10 = 548
    moveBezel(Side::Slave, 238, 600, 4.4, -0.005); // column 60: 598
    ASSERT_EQ(adjusting.runSearch(), ImageAdjusting::kSucceeded);
    EXPECT_TRUE(logText().contains("Left_End=548, Right_End=598\n"));
    EXPECT_EQ(Left_End, 560) << "an end below 560 is raised";
    EXPECT_EQ(Right_End, 598);
    EXPECT_EQ(opticalParams(Side::Master).endColumn, 560u);
    EXPECT_EQ(opticalParams(Side::Slave).endColumn, 598u);
    EXPECT_EQ(leftQualified, 0);
    EXPECT_EQ(rightQualified, 1);
    EXPECT_EQ(requestsWith(0x2A), 0u) << "no exposure request in pen mode";
    EXPECT_EQ(opticalParams(Side::Master).exposureTime, 0x70);
    for (Side side : {Side::Master, Side::Slave})
        EXPECT_EQ(frame->fpgaRegister(side, 0x36), 0xFF) << "emitters restored";

    moveBezel(Side::Slave, 238, 555, 4.4, -0.005); // column 15: 553
    rightQualified = 1;
    ASSERT_EQ(adjusting.runSearch(), ImageAdjusting::kSucceeded);
    EXPECT_TRUE(logText().contains("Right_End=553\n"));
    EXPECT_EQ(Right_End, 560);
    EXPECT_EQ(rightQualified, 0);
}

TEST_F(ImageAdjustingTest, PenModeOnANormalFrameSeesNoLamps)
{
    setConfigRecord(1, 0);
    ASSERT_EQ(prepareLeveling(*device, harness->config), 1);
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    EXPECT_EQ(Left_End, 560);
    EXPECT_EQ(Right_End, 560);
    EXPECT_EQ(leftQualified, 0);
    EXPECT_EQ(rightQualified, 0);
}

TEST_F(ImageAdjustingTest, ProjectionWithoutLampsKeepsThePreviousEnd)
{
    harness->config.SensorType = 1; // the worker was told four lights; the frame has none
    Left_End = 577;
    Right_End = 0; // as after the worker started
    EXPECT_EQ(search(), ImageAdjusting::kExposureFailed) << "the frame refuses columns 100..0";
    EXPECT_EQ(Left_End, 577);
    EXPECT_EQ(Right_End, 0);
    EXPECT_EQ(opticalParams(Side::Master).endColumn, 577u);
    EXPECT_TRUE(logText().contains("Left_End=577, Right_End=0\n"));
}

// --- Failures ------------------------------------------------------------------------

TEST_F(ImageAdjustingTest, StartLineNotFoundGivesCode1)
{
    frame->hideStartLine(Side::Slave);
    EXPECT_EQ(search(), ImageAdjusting::kStartLineFailed);
    EXPECT_EQ(g_SearchStartLine, 0);
    EXPECT_EQ(g_StartLineM, 236u);
    EXPECT_EQ(g_StartLineS, 0xFFFFu);
    EXPECT_EQ(requestsWith(0x12), 0u) << "nothing configured";
    frame->clearFaults();
    frame->refuseCommand(0x11, 1);
    EXPECT_EQ(search(), ImageAdjusting::kStartLineFailed);
    EXPECT_EQ(g_StartLineM, 0xFFFFu);
}

TEST_F(ImageAdjustingTest, RefusedStartLineConfigurationGivesCode3)
{
    frame->refuseCommand(0x25, 1);
    EXPECT_EQ(search(), ImageAdjusting::kConfigStartLineFailed);
    EXPECT_EQ(g_SearchStartLine, 1);
    EXPECT_EQ(g_OptimumStartLine, 0);
}

TEST_F(ImageAdjustingTest, FailedOptimumLinesGiveCode7AndAMarkedTable)
{
    frame->answerCommandWith(0x27, 0x05, 1);
    EXPECT_EQ(search(), ImageAdjusting::kOptimumLineFailed);
    EXPECT_EQ(g_OptimumLineFlag, 0);
    const OptimumLineTable t = opticalParams(Side::Slave).optimumLines();
    EXPECT_EQ(t[0], (OptimumLineSegment{0xFFFF, 0xFFFF, 0xFFFF}));
    EXPECT_EQ(t[1], OptimumLineSegment{});
    EXPECT_EQ(opticalParams(Side::Master).optimumLines(),
              asTable(frame->opticsTruth(Side::Master).optimumLines));
}

TEST_F(ImageAdjustingTest, EmitterThatDoesNotSwitchFailsWithItsLogLine)
{
    frame->stickFpgaRegister(Side::Master, 0x37, 0x5A);
    EXPECT_EQ(search(), ImageAdjusting::kColumnSearchFailed);
    EXPECT_EQ(g_isDeviceCommunicate, 0) << "the window then shows text 14";
    EXPECT_TRUE(logText().contains("MsgFPGAPortWriteReg(Master, 0x37, 0x00) error:0x5a\n"));
    EXPECT_EQ(frame->triggerCount(), 0) << "stopped before the captures";
    // The other emitters are back where they were.
    EXPECT_EQ(frame->fpgaRegister(Side::Master, 0x36), 0xFF);
    EXPECT_EQ(frame->fpgaRegister(Side::Slave, 0x36), 0xFF);
}

TEST_F(ImageAdjustingTest, EmitterCheckOfTheSecondPhaseHasItsOwnLine)
{
    frame->stickFpgaRegister(Side::Slave, 0x36, 0xFF);
    EXPECT_EQ(search(), ImageAdjusting::kColumnSearchFailed);
    EXPECT_TRUE(logText().contains("MsgFPGAPortWriteReg(SLAVE, 0x36, 0x00) error:0xff\n"));
    EXPECT_EQ(frame->captureCount(Side::Master), 5) << "the first phase ran through";
}

TEST_F(ImageAdjustingTest, CaptureThatNeverEndsFailsTheColumnSearch)
{
    frame->stickFpgaRegister(Side::Slave, 0x30, 1);
    EXPECT_EQ(search(), ImageAdjusting::kColumnSearchFailed);
    EXPECT_TRUE(logText().contains("MsgFPGAPortWriteReg(Slave, 0x30, 0x00) error:0x1\n"));
    EXPECT_EQ(frame->captureCount(Side::Master), 1);
}

TEST_F(ImageAdjustingTest, RefusedExposureGivesCode14)
{
    frame->refuseCommand(0x2B, 1);
    EXPECT_EQ(search(), ImageAdjusting::kExposureFailed);
    EXPECT_EQ(g_isExposureSuc, 0);
    EXPECT_EQ(opticalParams(Side::Slave).exposureTime, 0xFF);
    EXPECT_EQ(opticalParams(Side::Master).exposureTime,
              frame->opticsTruth(Side::Master).exposureTime);
}

TEST_F(ImageAdjustingTest, FailedEvaluationPictureGivesCode8)
{
    // The Slave's 33rd image read: the first line of the evaluation picture, after the
    // two edge samples of 16 reads each.
    frame->refuseCommand(0x01, 1, 32);
    EXPECT_EQ(search(), ImageAdjusting::kColumnSearchFailed);
    EXPECT_EQ(g_isDeviceCommunicate, 1) << "an image read failure does not mark the link";
}

TEST_F(ImageAdjustingTest, LostFrameLeavesTheGuardsCode6Alone)
{
    frame->unplugAfterRequests(0x14, 1);
    EXPECT_EQ(search(), ImageAdjusting::kHalted);
    EXPECT_EQ(harness->reported(), std::vector<int>{6});
    EXPECT_EQ(g_bDevExist, 0);
}

TEST_F(ImageAdjustingTest, StopFlagEndsTheSearchWithoutACode)
{
    int accesses = 0;
    harness->control.stepGuard = [&] {
        if (++accesses == 30)
            harness->stop = 1;
        return harness->guard();
    };
    EXPECT_EQ(search(), ImageAdjusting::kHalted);
    EXPECT_TRUE(harness->reported().empty());
    EXPECT_EQ(accesses, 30) << "no access after the stop";
}

TEST_F(ImageAdjustingTest, GuardServesASaveRequestBetweenSteps)
{
    harness->state.saveRequest = 1;
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    EXPECT_EQ(harness->state.saveRequest, 0);
    EXPECT_EQ(harness->state.saveResult, 1);
    EXPECT_EQ(requestsWith(0x0E), 1u);
}

TEST_F(ImageAdjustingTest, LoadsTheStoredValuesAndMarksTheSearchDone)
{
    harness->state.searchDone = 0;
    ImageAdjusting adjusting(*device, harness->config, harness->control, &harness->state);
    ASSERT_EQ(adjusting.LoadStoredOptics(), 1);
    EXPECT_EQ(harness->state.searchDone, 1);
    for (Side side : {Side::Master, Side::Slave}) {
        const sim::ModuleOptics stored = sim::factoryValues().of(side);
        const OpticalValues v = opticalParams(side).values();
        EXPECT_EQ(v.startLine, stored.startLine);
        EXPECT_EQ(v.endColumn, stored.endColumn);
        EXPECT_EQ(v.exposureTime, stored.exposureTime);
        EXPECT_EQ(v.optimumLines[5].line, stored.optimumLines[5].line);
    }
    // An erased block: tables absent, columns stay at their defaults.
    ASSERT_TRUE(frame->writeFlash(flash_map::kSensorBlock, std::vector<uint8_t>(1546, 0xFF)));
    ASSERT_EQ(adjusting.LoadStoredOptics(), 1);
    EXPECT_EQ(opticalParams(Side::Master).values().endColumn, 639u);
    EXPECT_EQ(opticalParams(Side::Master).optimumLines(), OptimumLineTable{});
    frame->refuseCommand(0x0A, 1);
    EXPECT_EQ(adjusting.LoadStoredOptics(), 0);
}

TEST_F(ImageAdjustingTest, WholeSearchWithRealTimings)
{
    delay::setTimeScale(1.0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(search(), ImageAdjusting::kSucceeded);
    const auto took = std::chrono::steady_clock::now() - start;
    expectTruth(Side::Master);
    expectTruth(Side::Slave);
    // Ten captures of 20 ms and the 500 ms the sensors get to settle, at least.
    EXPECT_GT(took, std::chrono::milliseconds(700));
}

} // namespace
