#include "ui/main/MainWindowLogic.h"

#include "UiTestSupport.h"
#include "app/SettingsFile.h"
#include "codec/ConfigRecord.h"
#include "device/ConfigRecordStore.h"

namespace {

struct RecordingView : MainWindowView {
    std::vector<int> texts;
    int menuEnabled = -1;
    int updateEnabled = -1;
    int progressHidden = 0;
    int cleared = 0;
    int workerStarts = 0;
    int panelStops = 0;
    std::vector<bool> busyShown;
    // Held jobs run only when the test says so: the device work "takes its time".
    bool holdJobs = false;
    std::vector<std::pair<std::function<int()>, std::function<void(int)>>> held;
    void showStatusText(int t) override { texts.push_back(t); }
    void setMenuButtonsEnabled(bool e) override { menuEnabled = e; }
    void setUpdateButtonEnabled(bool e) override { updateEnabled = e; }
    void hideProgress() override { ++progressHidden; }
    void clearSelection() override { ++cleared; }
    void continueFirmwareUpdate() override { ++workerStarts; }
    void stopPanelWorkers() override { ++panelStops; }
    void setBusy(bool busy) override { busyShown.push_back(busy); }
    void runDeviceJob(std::function<int()> work, std::function<void(int)> done) override
    {
        if (holdJobs)
            held.emplace_back(std::move(work), std::move(done));
        else
            MainWindowView::runDeviceJob(std::move(work), std::move(done));
    }
    void runHeld()
    {
        auto jobs = std::move(held);
        held.clear();
        for (auto& [work, done] : jobs)
            done(work());
    }
    int last() const { return texts.empty() ? -1 : texts.back(); }
};

class MainWindowLogicTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        openFrameDirectly();
    }
    MainWindowLogic logic(int toolMode = 1) { return MainWindowLogic(*device, view, toolMode); }
    int countRequests(uint8_t command) const
    {
        const auto log = frame->requestLog();
        return static_cast<int>(std::count_if(
            log.begin(), log.end(), [command](const auto& r) { return r[1] == command; }));
    }
    // The mode bytes of the mode switches asked for since the log was cleared.
    std::vector<int> switches() const
    {
        std::vector<int> modes;
        for (const auto& r : frame->requestLog())
            if (r[1] == 0x0E)
                modes.push_back(r[2]);
        return modes;
    }

    RecordingView view;
};

TEST_F(MainWindowLogicTest, ReadyAndLostFramesToggleTheMenu)
{
    MainWindowLogic l = logic(1);
    l.handleStatusCode(13);
    EXPECT_EQ(view.last(), 15);
    EXPECT_EQ(view.menuEnabled, 1);
    l.handleStatusCode(15);
    EXPECT_EQ(view.last(), 17);
    EXPECT_EQ(view.menuEnabled, 0);
    EXPECT_EQ(g_bDevExist, 0);
    EXPECT_TRUE(logText().contains("Open hid device failed!\n"));

    g_getStatusError = 1;
    l.handleStatusCode(13);
    EXPECT_EQ(view.last(), 14) << "a frame that never answered its status";
}

TEST_F(MainWindowLogicTest, CodeThreeActsOnlyWhenTheFrameIsGone)
{
    MainWindowLogic l = logic(1);
    view.menuEnabled = 1;
    l.handleStatusCode(3);
    EXPECT_TRUE(view.texts.empty());
    g_bDevExist = 0;
    updatePending = 1;
    bootLoaderSeen = 1;
    checkState = DEVICE_ABSENT;
    l.handleStatusCode(3);
    EXPECT_EQ(checkState, FIRST_OPEN_TOOL) << "the monitor looks for the frame afresh";
    EXPECT_EQ(view.last(), 17);
    EXPECT_EQ(view.menuEnabled, 0);
    EXPECT_EQ(updatePending, 0);
    EXPECT_EQ(bootLoaderSeen, 0);
    EXPECT_GE(view.progressHidden, 1);
}

TEST_F(MainWindowLogicTest, TheUpdateStationEnablesItsUpdateButtonInsteadOfTheMenu)
{
    MainWindowLogic l = logic(5);
    l.handleStatusCode(13);
    EXPECT_EQ(view.updateEnabled, 1);
    EXPECT_EQ(view.menuEnabled, -1);
    l.handleStatusCode(15);
    EXPECT_EQ(view.updateEnabled, 0);
}

TEST_F(MainWindowLogicTest, ReadyAndNoFrameAreIgnoredDuringAnUpdate)
{
    MainWindowLogic l = logic(1);
    updatePending = 1;
    l.handleStatusCode(13);
    l.handleStatusCode(15);
    EXPECT_TRUE(view.texts.empty());
    EXPECT_EQ(g_bDevExist, 1);
    EXPECT_EQ(updatePending, 1);
}

TEST_F(MainWindowLogicTest, BootLoaderWithoutUpdateAsksForFirmware)
{
    MainWindowLogic l = logic(1);
    l.handleStatusCode(14);
    EXPECT_EQ(view.last(), 16);
    EXPECT_EQ(bootLoaderSeen, 1);
    EXPECT_EQ(view.workerStarts, 0);
}

TEST_F(MainWindowLogicTest, BootLoaderDuringAnUpdateContinuesIt)
{
    MainWindowLogic l = logic(1);
    updatePending = 1;
    l.handleStatusCode(14);
    EXPECT_EQ(view.workerStarts, 1);
    EXPECT_EQ(bootLoaderSeen, 1);
    EXPECT_TRUE(view.texts.empty()) << "no 'not ready' text during an update";
}

TEST_F(MainWindowLogicTest, EquipmentTestPassesOnAHealthyFrame)
{
    MainWindowLogic l = logic(1);
    int result = 0;
    EXPECT_TRUE(l.equipmentTest([&](int text) { result = text; }));
    EXPECT_EQ(result, 31);
    EXPECT_EQ(view.texts, (std::vector<int>{24, 31}));
    EXPECT_EQ(frame->mode(), WorkMode) << "back to work mode";
    EXPECT_EQ(frame->fpgaRegister(Side::Slave, 0x35), 0x0F);
    EXPECT_EQ(frame->sensorRegister(Side::Master, 0x19), 0x3A);
}

TEST_F(MainWindowLogicTest, EachProbeGroupReportsItsOwnFailure)
{
    struct Case {
        uint8_t refused; // command code
        int text;
    };
    // left sensor (I2C read), left FPGA (port write), right sensor (I2C write), right FPGA (single
    // read)
    for (Case c : {Case{0x08, 26}, Case{0x04, 27}, Case{0x1A, 29}, Case{0x19, 30}}) {
        frame->clearFaults();
        frame->refuseCommand(c.refused);
        view.texts.clear();
        MainWindowLogic l = logic(1);
        l.equipmentTest();
        EXPECT_EQ(view.last(), c.text);
    }
}

TEST_F(MainWindowLogicTest, TheLaterFailureReplacesTheEarlierText)
{
    frame->refuseCommand(0x08); // left sensor
    frame->refuseCommand(0x17); // right FPGA writes
    MainWindowLogic l = logic(1);
    l.equipmentTest();
    EXPECT_EQ(view.last(), 30);
}

TEST_F(MainWindowLogicTest, AFailedLastStepIsNotShownAsSuccess)
{
    // The frame does not return to work mode after a healthy test: touch stays off.
    frame->refuseCommand(0x0E, sim::VirtualFrame::kAlways, 1);
    MainWindowLogic l = logic(1);
    l.equipmentTest();
    EXPECT_EQ(view.last(), 71);
    EXPECT_TRUE(logText().contains("Switch to work mode failed! g_isSwitchMode=0\n"));
    // Versions that cannot be read are not shown as 255.255.65535.
    frame->clearFaults();
    frame->refuseCommand(0x0A);
    bool shown = false;
    l.about([&](const QString&) { shown = true; });
    EXPECT_FALSE(shown);
    EXPECT_EQ(view.last(), 14);
    EXPECT_EQ(frame->mode(), WorkMode) << "back to work mode all the same";
}

TEST_F(MainWindowLogicTest, ResetSucceedsOrFails)
{
    MainWindowLogic l = logic(1);
    EXPECT_TRUE(l.reset());
    EXPECT_EQ(view.last(), 33);
    EXPECT_EQ(countRequests(0x0E), 1);
    frame->refuseCommand(0x0E);
    l.reset();
    EXPECT_EQ(view.last(), 32);
    EXPECT_TRUE(logText().contains("Switch to cc failed! g_isSwitchMode=0\n"));
    g_isDeviceCommunicate = 0;
    EXPECT_FALSE(l.reset());
    EXPECT_EQ(view.last(), 14) << "the guard wants an answering frame";
}

TEST_F(MainWindowLogicTest, AboutTextNamesToolFirmwareAndBootLoader)
{
    appContext().subVersion = 3;
    MainWindowLogic l = logic(1);
    QString text;
    auto show = [&](const QString& t) { text = t; };
    EXPECT_TRUE(l.about(show));
    EXPECT_EQ(text, "ToolID:4.2.5-3\n(M)FirmwareID: 1.3.2\nBootloaderID: 1.0.7");
    EXPECT_TRUE(logText().contains("BootloaderID: V1.0.7\n"));
    EXPECT_EQ(frame->mode(), WorkMode);
    appContext().subVersion = 0;
    g_bDevExist = 0;
    text.clear();
    EXPECT_FALSE(l.about(show));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(view.last(), 17);
}

TEST_F(MainWindowLogicTest, CalibrationStoredRecordsItsTypeInTheRecordAndSettings)
{
    MainWindowLogic l = logic(1);
    l.setFastModeSource([] { return 1; });
    l.handleStatusCode(9);
    EXPECT_EQ(view.last(), 107);
    ConfigRecord record;
    ASSERT_EQ(ReadConfigRecord(*device, record), 1);
    EXPECT_EQ(record.fourPointCalibEn, 1);
    EXPECT_TRUE(record.valid());
    EXPECT_EQ(SettingsFile::vireto().readInt("Vireto_Config", "FourCalib_en", -1), 1);
    frame->refuseCommand(0x0D);
    l.handleStatusCode(9);
    EXPECT_EQ(view.last(), 14);
}

TEST_F(MainWindowLogicTest, CloseStepFollowsTheFrameAndTheUpdate)
{
    MainWindowLogic l = logic(1);
    EXPECT_EQ(l.closeStep(), MainWindowLogic::CloseStep::Ask);
    updatePending = 1;
    EXPECT_EQ(l.closeStep(), MainWindowLogic::CloseStep::RefuseUpdating);
    g_isDeviceCommunicate = 0;
    EXPECT_EQ(l.closeStep(), MainWindowLogic::CloseStep::CloseNow);
}

TEST_F(MainWindowLogicTest, TheGuardStopsThePanelWorkersInTheEngineeringLayout)
{
    MainWindowLogic engineering = logic(2);
    EXPECT_TRUE(engineering.guard(true));
    EXPECT_EQ(view.panelStops, 1);
    MainWindowLogic production = logic(1);
    EXPECT_TRUE(production.guard(true));
    EXPECT_EQ(view.panelStops, 1);
}

TEST_F(MainWindowLogicTest, SecondaryWindowCodesSwitchTheFrameAndShowTheirTexts)
{
    MainWindowLogic l = logic(1);
    frame->clearRequestLog();
    l.handleStatusCode(1); // leveled: the frame stores its optical parameters
    EXPECT_EQ(view.last(), 106);
    l.handleStatusCode(2); // a window closed
    l.handleStatusCode(5); // left in calibration mode ...
    EXPECT_EQ(frame->mode(), CalibrationMode);
    l.handleStatusCode(6); // ... or in work mode
    EXPECT_EQ(switches(), (std::vector<int>{0xEE, 0x22, 0xFF, 0x22}));
    EXPECT_EQ(frame->mode(), WorkMode);
    l.handleStatusCode(7);
    EXPECT_EQ(view.last(), 0);
    updatePending = 1;
    l.handleStatusCode(8);
    EXPECT_EQ(view.last(), 19);
    EXPECT_EQ(updatePending, 0);
    frame->clearRequestLog();
    l.handleStatusCode(4); // a window asks for a reset
    EXPECT_EQ(switches(), (std::vector<int>{0xCC}));
    EXPECT_EQ(view.last(), 33);
    l.handleStatusCode(0);
    l.handleStatusCode(16);
    EXPECT_EQ(view.last(), 33) << "codes outside 1..15 are ignored";

    // Without a frame the leaving codes send nothing.
    g_bDevExist = 0;
    frame->clearRequestLog();
    l.handleStatusCode(5);
    l.handleStatusCode(6);
    EXPECT_TRUE(switches().empty());
}

TEST_F(MainWindowLogicTest, FailedSwitchesOfTheWindowCodesAreShownAndLogged)
{
    MainWindowLogic l = logic(1);
    frame->refuseCommand(0x0E);
    l.handleStatusCode(1);
    EXPECT_EQ(view.last(), 14);
    EXPECT_TRUE(logText().contains("Switch to work mode failed! g_isSwitchMode=0\n"));
    l.handleStatusCode(2);
    EXPECT_EQ(view.last(), 71);
    view.texts.clear();
    l.handleStatusCode(6);
    EXPECT_EQ(view.last(), 71);
    EXPECT_TRUE(logText().contains("Leveling exit:Switch to work mode failed! g_isSwitchMode=0\n"));
}

TEST_F(MainWindowLogicTest, ADeviceFunctionRunsAloneAndShowsItIsBusy)
{
    MainWindowLogic l = logic(2);
    view.holdJobs = true;
    EXPECT_TRUE(l.equipmentTest());
    EXPECT_TRUE(l.busy());
    EXPECT_EQ(view.busyShown, (std::vector<bool>{true}));
    EXPECT_EQ(view.last(), 24) << "the wait is shown at once";
    // Every other press is ignored until the frame has answered.
    EXPECT_FALSE(l.equipmentTest());
    EXPECT_FALSE(l.reset());
    EXPECT_FALSE(l.about({}));
    EXPECT_FALSE(l.requestStatus({}));
    EXPECT_FALSE(l.guard(true));
    EXPECT_EQ(view.held.size(), 1u);
    EXPECT_EQ(view.last(), 24) << "a refused press shows nothing";
    view.runHeld();
    EXPECT_FALSE(l.busy());
    EXPECT_EQ(view.busyShown, (std::vector<bool>{true, false}));
    EXPECT_EQ(view.last(), 31);

    // GetStatus and the close sequence go the same way.
    frame->setErrorCode(0x12);
    QString line;
    EXPECT_TRUE(l.requestStatus([&](const QString& s) { line = s; }));
    EXPECT_TRUE(line.isEmpty());
    view.runHeld();
    EXPECT_EQ(line, "GetStatus! g_ErrorCode = 0x12\n");
    ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
    bool closed = false;
    l.closeConfirmed("/images/last.bin", [&] { closed = true; });
    EXPECT_TRUE(l.busy());
    EXPECT_FALSE(closed);
    view.runHeld();
    EXPECT_TRUE(closed);
    EXPECT_EQ(frame->mode(), WorkMode);
    EXPECT_EQ(SettingsFile::vireto().readText("ImagePath", "imagePath"), "/images/last.bin");
    EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
}

} // namespace
