#include "device/ModeSwitch.h"

#include "FakeFlashFrame.h"
#include "tests/support/DeviceStateTest.h"
#include "tests/support/LogCapture.h"
#include "device/Delay.h"
#include "device/DeviceState.h"

#include <gtest/gtest.h>

namespace {

struct RecordingObserver : ModeSwitchObserver {
    int notDetected = 0;
    std::vector<int> texts;
    void deviceNotDetected() override { ++notDetected; }
    void showText(int index) override { texts.push_back(index); }
};

class ModeSwitchTest : public DeviceStateTest {
protected:
    void SetUp() override
    {
        DeviceStateTest::SetUp();
        g_bDevExist = 1;
        auto t = std::make_unique<ScriptedTransport>(frame.responder());
        transport = t.get();
        device = std::make_unique<Device>(std::move(t));
    }

    int switches() const
    {
        return static_cast<int>(std::count_if(transport->requests.begin(),
                                              transport->requests.end(),
                                              [](const auto& r) { return r[1] == 0x0E; }));
    }
    void writeValidSensorBlock() { le::put32(&frame.flash[0x011000], flash_map::SENSORInfoFlag); }
    // The switch fails, the window is told to show text 14 and logLine is logged.
    void expectFailureShown(uint8_t mode, const char* logLine)
    {
        EXPECT_EQ(SwitchMode(*device, mode, &observer), 0);
        EXPECT_EQ(observer.texts, std::vector<int>{14});
        EXPECT_TRUE(log.contains(logLine)) << logLine;
    }

    LogCapture log;
    FakeFlashFrame frame;
    ScriptedTransport* transport = nullptr;
    std::unique_ptr<Device> device;
    RecordingObserver observer;
};

TEST_F(ModeSwitchTest, NoFrameShowsNotDetectedAndSendsNothing)
{
    g_bDevExist = 0;
    EXPECT_EQ(SwitchMode(*device, CalibrationMode, &observer), 0);
    EXPECT_EQ(observer.notDetected, 1);
    EXPECT_TRUE(transport->requests.empty());
}

TEST_F(ModeSwitchTest, CalibrationModeIsTriedTwice)
{
    EXPECT_EQ(SwitchMode(*device, CalibrationMode, &observer), 1);
    EXPECT_EQ(switches(), 1);
    EXPECT_EQ(transport->requests[0][2], 0xFF);
    EXPECT_EQ(g_isSwitchMode, 1);

    frame.statusOf[0x0E] = 0xFF;
    transport->requests.clear();
    expectFailureShown(CalibrationMode, "Switch to calibration mode failed! g_isSwitchMode=0\n");
    EXPECT_EQ(switches(), 2);
    EXPECT_EQ(g_bDevExist, 1) << "a refusal is not a lost frame";
}

TEST_F(ModeSwitchTest, SecondCalibrationAttemptCanSucceed)
{
    int sends = 0;
    auto inner = frame.responder();
    transport->setResponder([&](const auto& req, int poll, uint8_t* reply) {
        if (req[1] == 0x0E && poll == 0 && ++sends == 1) {
            reply[1] = 0x0E;
            reply[2] = 0xFF;
            return true;
        }
        return inner(req, poll, reply);
    });
    EXPECT_EQ(SwitchMode(*device, CalibrationMode, &observer), 1);
    EXPECT_EQ(switches(), 2);
    EXPECT_TRUE(observer.texts.empty());
}

TEST_F(ModeSwitchTest, LostFrameDuringCalibrationSwitchClearsTheFlags)
{
    frame.failReads = true;
    EXPECT_EQ(SwitchMode(*device, CalibrationMode, &observer), 0);
    EXPECT_EQ(g_bDevExist, 0);
    EXPECT_EQ(g_isDeviceCommunicate, 0);
}

TEST_F(ModeSwitchTest, ResetIsSentOnce)
{
    frame.statusOf[0x0E] = 0xFF;
    EXPECT_EQ(SwitchMode(*device, ResetMode, &observer), 0);
    EXPECT_EQ(switches(), 1);
    EXPECT_EQ(transport->requests[0][2], 0xCC);
    EXPECT_TRUE(log.contains("Switch to cc failed! g_isSwitchMode=0\n"));
    EXPECT_TRUE(observer.texts.empty());
}

TEST_F(ModeSwitchTest, WorkModeRefusedWithoutSensorInformationIsAccepted)
{
    frame.statusOf[0x0E] = 0xFF;
    EXPECT_EQ(SwitchMode(*device, WorkMode, &observer), 1);
    EXPECT_TRUE(observer.texts.empty());
    EXPECT_EQ(switches(), 1);
    EXPECT_EQ(transport->requests.back()[1], 0x0A) << "the sensor block was read";
}

TEST_F(ModeSwitchTest, WorkModeRefusedWithSensorInformationFails)
{
    writeValidSensorBlock();
    frame.statusOf[0x0E] = 0xFF;
    expectFailureShown(SaveMode,
                       "Switch to wrok mode failed! SwitchMode(SENSORInfoFlag) g_isSwitchMode=0\n");
}

TEST_F(ModeSwitchTest, WorkModeRefusedAndBlockUnreadableFails)
{
    frame.statusOf[0x0E] = 0xFF;
    frame.statusOf[0x0A] = 0xFF;
    expectFailureShown(WorkMode,
                       "Switch to wrok mode failed! SwitchMode(ReadCalibInfo) g_isSwitchMode=0\n");
}

TEST_F(ModeSwitchTest, WorkModeTimeOutFailsWithoutReadingTheBlock)
{
    frame.neverEcho[0x0E] = 1;
    EXPECT_EQ(SwitchMode(*device, WorkMode, &observer), 0);
    EXPECT_TRUE(log.contains("Switch to wrok mode failed! g_isSwitchMode=0\n"));
    EXPECT_EQ(transport->requests.size(), 1u);
}

TEST_F(ModeSwitchTest, WorkModeFailureWhileTheFrameIsNotAnsweringCountsAsDone)
{
    g_isDeviceCommunicate = 0;
    frame.statusOf[0x0E] = 0xFF;
    writeValidSensorBlock();
    EXPECT_EQ(SwitchMode(*device, WorkMode, &observer), 1);
    EXPECT_TRUE(observer.texts.empty());
}

TEST_F(ModeSwitchTest, OtherModesFailPlainly)
{
    frame.statusOf[0x0E] = 0xFF;
    EXPECT_EQ(SwitchMode(*device, 0x33, &observer), 0);
    EXPECT_TRUE(log.contains("Switch to wrok mode failed! g_isSwitchMode=0\n"));
    EXPECT_EQ(transport->requests.size(), 1u);
}

} // namespace
