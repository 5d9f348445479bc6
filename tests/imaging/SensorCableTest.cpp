// TestSensorData, the sensor data-cable test, against the virtual frame.
#include "ImagingTestSupport.h"

#include "imaging/SensorDataTest.h"

namespace {

using namespace imagingtest;

struct RecordingSink : SensorWarningSink {
    void showSensorWarning(const QString& t, const QString& x) override
    {
        title = t;
        text = x;
        ++shown;
    }
    QString title;
    QString text;
    int shown = 0;
};

class SensorCableTest : public ImagingTest {
protected:
    void expectNormalOutput()
    {
        for (Side side : {Side::Master, Side::Slave}) {
            EXPECT_EQ(frame->sensorRegister(side, 0x84), 0x70) << sideName(side);
            EXPECT_EQ(frame->sensorRegister(side, 0x38), 0x11) << sideName(side);
        }
    }
    RecordingSink sink;
};

TEST_F(SensorCableTest, GoodCablesShowNoWarning)
{
    const SensorDataResult r = TestSensorData(*device, &sink);
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(r.badLeft, 0);
    EXPECT_EQ(r.badRight, 0);
    EXPECT_TRUE(r.warning.isEmpty());
    EXPECT_EQ(sink.shown, 0);
    expectNormalOutput();
    EXPECT_EQ(frame->captureCount(Side::Master), 1);
    EXPECT_EQ(frame->captureCount(Side::Slave), 2);
    // Eight address pairs per side, Slave first.
    const std::vector<uint8_t> low = frame->portLog(Side::Slave, 0x33);
    ASSERT_EQ(low.size(), 8u);
    EXPECT_EQ(low[0], 40);
    EXPECT_EQ(low[7], 600 & 0xFF);
    EXPECT_EQ(frame->portLog(Side::Slave, 0x34)[7], 600 >> 8);
    EXPECT_EQ(frame->portLog(Side::Master, 0x33).size(), 8u);
}

TEST_F(SensorCableTest, BrokenLinesAreNamedInAscendingOrder)
{
    frame->breakSensorDataLine(Side::Master, 3);
    const SensorDataResult one = TestSensorData(*device);
    EXPECT_EQ(one.badLeft, 0x08);
    EXPECT_EQ(one.warning, "The left sensor (3 bit) data cable connection anomaly!\n");

    // An open line 3 and a line 0 stuck high on the Master, line 6 on the Slave.
    frame->breakSensorDataLine(Side::Master, 0, true);
    frame->breakSensorDataLine(Side::Slave, 6, true);
    const SensorDataResult both = TestSensorData(*device, &sink);
    EXPECT_EQ(both.ok, 1);
    EXPECT_EQ(both.badLeft, 0x09);
    EXPECT_EQ(both.badRight, 0x40);
    EXPECT_EQ(both.warning, "The left sensor (0,3 bit) data cable connection anomaly!\n"
                            "The right sensor (6 bit) data cable connection anomaly!\n");
    EXPECT_EQ(sink.shown, 1);
    EXPECT_EQ(sink.title, "warning");
    EXPECT_EQ(sink.text, both.warning);
    expectNormalOutput();
}

TEST_F(SensorCableTest, BadLinesText)
{
    EXPECT_EQ(badLinesText(0x09), "(0,3 bit)");
    EXPECT_EQ(badLinesText(0xFF), "(0,1,2,3,4,5,6,7 bit)");
    EXPECT_EQ(badLinesText(0x80), "(7 bit)");
}

TEST_F(SensorCableTest, PixelReadingZeroMarksAllEightLinesBad)
{
    frame->stickFpgaRegister(Side::Master, 0x35, 0x00);
    const SensorDataResult r = TestSensorData(*device);
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(r.badLeft, 0xFF);
    EXPECT_EQ(r.badRight, 0x00);
    EXPECT_TRUE(r.warning.startsWith("The left sensor (0,1,2,3,4,5,6,7 bit)"));
}

TEST_F(SensorCableTest, CaptureThatNeverEndsGivesUpAfter100Polls)
{
    frame->stickFpgaRegister(Side::Slave, 0x30, 1);
    const SensorDataResult r = TestSensorData(*device, &sink);
    EXPECT_EQ(r.ok, 0);
    EXPECT_EQ(requestsWith(0x18), 100u) << "100 reads of the Slave's capture register";
    EXPECT_EQ(sink.shown, 0);
    expectNormalOutput(); // the sensors are not left in their test pattern
}

TEST_F(SensorCableTest, FailedAccessEndsTheTest)
{
    // The Slave's fifth port read: its third pixel (after two capture polls).
    frame->refuseCommand(0x18, 1, 4);
    const SensorDataResult r = TestSensorData(*device);
    EXPECT_EQ(r.ok, 0);
    EXPECT_EQ(frame->portLog(Side::Master, 0x33).size(), 0u) << "the Master is not checked";
    expectNormalOutput();
    frame->clearFaults();
    frame->unplug();
    EXPECT_EQ(TestSensorData(*device).ok, 0);
    EXPECT_EQ(g_bDevExist, 0);
}

TEST_F(SensorCableTest, RequestedTestAlwaysReleasesTheWorker)
{
    AdjustScreenState state;
    frame->refuseCommand(0x1A);
    const SensorDataResult failed = runRequestedSensorTest(*device, state);
    EXPECT_EQ(failed.ok, 0);
    EXPECT_EQ(state.testFinished, 1);
    EXPECT_EQ(state.testPassed, 0);
    frame->clearFaults();
    state.testFinished = 0;
    runRequestedSensorTest(*device, state);
    EXPECT_EQ(state.testFinished, 1);
    EXPECT_EQ(state.testPassed, 1);
}

} // namespace
