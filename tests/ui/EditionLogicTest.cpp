// The editions' logic without windows: the factory test station's codes and the user
// edition's calibration-worker codes, against the virtual frame.
#include "ui/main/FactoryTestLogic.h"
#include "ui/main/UserEditionLogic.h"

#include "UiTestSupport.h"
#include "app/TextIds.h"
#include "device/CommandCodes.h"

namespace {

struct StationView : FactoryTestView {
    QString text;
    int start = -1;
    int stop = -1;
    int options = -1;
    void showStatus(const QString& t) override { text = t; }
    void setStartEnabled(bool e) override { start = e; }
    void setStopEnabled(bool e) override { stop = e; }
    void setOptionsEnabled(bool e) override { options = e; }
};

struct UserView : UserEditionView {
    QString text;
    StatusTone tone = StatusTone::Normal;
    int typeEnabled = -1;
    int resetEnabled = -1;
    int closed = 0;
    void showStatus(const QString& t, StatusTone s) override
    {
        text = t;
        tone = s;
    }
    void setVersionText(const QString&) override {}
    void setTypeButtonEnabled(bool e) override { typeEnabled = e; }
    void setTypeCaption(int) override {}
    void setResetEnabled(bool e) override { resetEnabled = e; }
    void repaintTargets() override {}
    void warn(const QString&, const QString&) override {}
    void stopMonitor() override {}
    void closeWindow() override { ++closed; }
};

class EditionLogic : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        openFrameDirectly();
    }
    static QString text(int index) { return appContext().text(index).trimmed(); }
};

TEST_F(EditionLogic, FactoryCodesSetTheStationsButtonsAndTexts)
{
    StationView view;
    FactoryTestLogic logic(*device, view);
    struct Case {
        int code;
        int start, stop, options; // -1: left alone
        QString text;             // empty: left alone
    };
    const auto u = [](const char* s) { return QString::fromUtf8(s); };
    const std::vector<Case> cases = {
        {13, 1, 0, -1, text(kTextReady)},
        {8, 0, 1, 0, {}},
        {3, 0, 1, 0, u("0_测试中......")},
        {1, -1, -1, -1, u("模式转换失败！")},
        {4, 1, 0, 1, u("Master Flash存在不同。地址：0x00000000")},
        {5, 1, 0, 1, u("Slave Flash存在不同。地址：0x00000000")},
        {2, 1, 0, 1, u("测试失败！")},
        {6, 1, 0, 1, u("读Flash出错")},
        {7, -1, -1, -1, text(kTextDeviceChecking)},
        {10, 1, 0, 1, u("图像数据出错")},
        {11, 1, 0, 1, u("Sensor检查出错")},
        {9, 1, 0, 1, {}},
        {14, 0, 0, -1, text(kTextNotReady)},
        {0, 0, 0, 1, text(kTextNoFrame)},
    };
    for (const Case& c : cases) {
        g_bDevExist = 1;
        view = StationView{};
        view.text = "before";
        logic.handleCode(c.code);
        EXPECT_EQ(view.start, c.start) << c.code;
        EXPECT_EQ(view.stop, c.stop) << c.code;
        EXPECT_EQ(view.options, c.options) << c.code;
        EXPECT_EQ(view.text, c.text.isEmpty() ? QString("before") : c.text) << c.code;
    }
    EXPECT_EQ(checkState.load(), FIRST_OPEN_TOOL) << "code 0 puts the check back to its start";

    logic.handleCode(kTestNoFrame);
    EXPECT_EQ(g_bDevExist.load(), 0);
    EXPECT_EQ(view.text, text(kTextNoFrame));
    EXPECT_FALSE(logic.startTest(FactoryTestChoice{})) << "no test without a frame";

    g_bDevExist = 1;
    g_getStatusError = 1;
    view = StationView{};
    logic.handleCode(kTestFrameReady);
    EXPECT_EQ(view.text, text(kTextCheckConnection));
    EXPECT_EQ(view.start, -1) << "a frame without status gets no Start";
    g_getStatusError = 0;
    view = StationView{};
    logic.handleCode(16);
    logic.handleCode(12);
    EXPECT_TRUE(view.text.isEmpty() && view.start == -1 && view.stop == -1);
}

TEST_F(EditionLogic, UserWorkerCodesBeyondTheCalibrationWindows)
{
    UserView view;
    UserEditionLogic logic(*device, view, 1920, 1080, 2);

    logic.handleWorkerCode(kUserCalInvalidData);
    EXPECT_EQ(view.text, text(kTextInvalidCalibration));
    EXPECT_EQ(view.tone, StatusTone::Warning);
    logic.handleWorkerCode(kUserCalNotPlane);
    EXPECT_EQ(view.text, text(kTextAdjustPlaneness));
    EXPECT_TRUE(logText().endsWith("Calibration init failed! Module is not plane!"));

    // Code 7: the frame stores its optics and goes back to calibration mode.
    frame->clearRequestLog();
    logic.handleWorkerCode(kUserCalStoreOptics);
    std::vector<uint8_t> modes;
    for (const auto& r : frame->requestLog())
        if (r[1] == cmd::kSwitchMode)
            modes.push_back(r[2]);
    EXPECT_EQ(modes, (std::vector<uint8_t>{SaveMode, CalibrationMode}));
    EXPECT_EQ(frame->mode(), CalibrationMode);
    frame->refuseCommand(cmd::kSwitchMode);
    logic.handleWorkerCode(kUserCalStoreOptics);
    EXPECT_EQ(view.text, text(kTextCheckConnection));
    frame->clearFaults();

    // Without the frame every code says so, in red, and changes nothing else.
    g_bDevExist = 0;
    view.typeEnabled = -1;
    logic.handleWorkerCode(kCalShowTarget);
    EXPECT_EQ(view.text, text(kTextPulledOut));
    EXPECT_EQ(view.tone, StatusTone::Warning);
    EXPECT_EQ(view.typeEnabled, -1);
    EXPECT_EQ(view.closed, 0) << "the user edition stays open for the frame's return";
    g_bDevExist = 1;
    g_isDeviceCommunicate = 0;
    logic.handleWorkerCode(kCalShowTarget);
    EXPECT_EQ(view.text, text(kTextCheckConnection));
    g_isDeviceCommunicate = 1;

    // A frame that answers no status is not prepared for a run.
    g_getStatusError = 1;
    frame->clearRequestLog();
    logic.handleStatusCode(kCodeReady);
    EXPECT_EQ(view.text, text(kTextCheckConnection));
    EXPECT_TRUE(frame->requestLog().empty());
    EXPECT_FALSE(logic.run().workerRunning());
    g_getStatusError = 0;
}

TEST_F(EditionLogic, UserLeavesWithoutTouchingAFrameInItsBootLoader)
{
    UserView view;
    UserEditionLogic logic(*device, view, 1920, 1080, 0);
    ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
    bootLoaderSeen = 1;
    frame->clearRequestLog();
    logic.leave();
    logic.leave(); // a second Escape while leaving changes nothing
    EXPECT_EQ(view.closed, 1);
    EXPECT_TRUE(frame->requestLog().empty()) << "no mode switch for a boot loader";
    EXPECT_EQ(frame->mode(), CalibrationMode);
    EXPECT_EQ(logText().count("Vireto log end!\n"), 1);
    EXPECT_EQ(view.typeEnabled, 0);
    bootLoaderSeen = 0;

    // With the frame answering, the way out switches it back to work mode.
    UserEditionLogic again(*device, view, 1920, 1080, 0);
    again.leave();
    EXPECT_EQ(view.closed, 2);
    EXPECT_EQ(frame->mode(), WorkMode);
}

} // namespace
