// The calibration, check, key calibration and key test windows on the offscreen
// platform, answered by the virtual frame's operator.
#include "UiTestSupport.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "calibration/KeyRectangles.h"
#include "codec/CalibrationRecord.h"
#include "codec/ConfigRecord.h"
#include "device/DeviceJobQueue.h"
#include "device/WorkerDriver.h"
#include "transport/SimScene.h"
#include "ui/calibration/CalibrationCheckWin.h"
#include "ui/calibration/CalibrationWin.h"
#include "ui/calibration/KeyCalibrationWin.h"
#include "ui/calibration/KeyTestWin.h"
#include "ui/main/Vireto.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"

#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

class CalibrationWindows : public SceneUiTest {
protected:
    void SetUp() override
    {
        SceneUiTest::SetUp();
        delay::setTimeScale(0.0);
        resetCalibrationState();
    }
    // The frame as the main window leaves it before a calibration window opens.
    void openFrame()
    {
        openFrameDirectly();
        ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
    }
    CalibrationRunSetup runSetup(bool stored) const
    {
        CalibrationRunSetup s;
        s.width = screen.width();
        s.height = screen.height();
        s.hasStoredRecord = stored;
        return s;
    }
    // A 16-point record for this screen, stored headless.
    void storeCalibration() { ASSERT_TRUE(storeCalibrationHeadless(*device, *scene, screen)); }
    SensorBlock block() const
    {
        SensorBlock b{};
        const auto bytes = frame->readFlash(flash_map::kSensorBlock, b.size());
        std::copy(bytes.begin(), bytes.end(), b.begin());
        return b;
    }
};

TEST_F(CalibrationWindows, SixteenThenFourPointsFromTheCalibrateTile)
{
    auto w = std::make_unique<Vireto>(*device, scene);
    w->show();
    ASSERT_TRUE(waitUntil([&] { return w->statusText() == "Devices check completed."; }));
    Button* calibrate = w->menuButtons()[2];
    ASSERT_EQ(calibrate->caption(), "Calibrate");
    QTest::mouseClick(calibrate, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(calibrate, Qt::LeftButton, {}, QPoint(5, 5)); // ignored: still opening
    ASSERT_TRUE(waitUntil([&] { return w->calibrationWin() && w->calibrationWin()->isVisible(); }));
    QPointer<CalibrationWin> first = w->calibrationWin();
    EXPECT_EQ(first->geometry().size(), screen);
    EXPECT_EQ(first->typeButton()->caption(), "4 point");
    ASSERT_TRUE(waitUntil([&] { return w->statusText() == "Calibrate completed!"; }, 30000));
    EXPECT_TRUE(waitUntil([&] { return !first->isVisible(); }));
    const SensorBlock b = block();
    EXPECT_TRUE(hasSensorInfoFlag(b));
    EXPECT_EQ(widthOf(b), screen.width());
    EXPECT_EQ(heightOf(b), screen.height());
    EXPECT_EQ(storedFourPointFlag(), 0);
    EXPECT_TRUE(waitUntil([&] { return frame->mode() == WorkMode; })) << "code 2 leaves work mode";
    EXPECT_TRUE(logText().contains("CalibrationWin::recvData(4)=1\n"));

    QTest::mouseClick(calibrate, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(waitUntil([&] { return w->calibrationWin() && w->calibrationWin() != first; }));
    CalibrationWin* second = w->calibrationWin();
    EXPECT_TRUE(first.isNull()) << "the earlier window is deleted";
    second->CalTypeSlot(); // the frame holds a record: no question
    EXPECT_EQ(second->typeButton()->caption(), "16 point");
    ASSERT_TRUE(waitUntil(
        [&] { return SettingsFile::vireto().readInt("Vireto_Config", "FourCalib_en", -1) == 1; },
        30000));
    EXPECT_EQ(storedFourPointFlag(), 1);
    EXPECT_EQ(w->statusText(), "Calibrate completed!");
    EXPECT_NE(recordOf(block()).X[CalibrationRecord::kScreenMap], CalibrationRecord::Map{});
}

TEST_F(CalibrationWindows, FourPointsWithoutAStoredRecordAreRefusedWithABox)
{
    openFrame();
    CalibrationWin win(*device, runSetup(false), scene.get(), nullptr);
    QString asked;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<MyMessageBox*>(QApplication::activeModalWidget());
        if (box) {
            asked = box->messageText();
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    win.CalTypeSlot();
    EXPECT_EQ(asked, "Please first 16 point calibration!");
    EXPECT_EQ(win.typeButton()->caption(), "4 point");
    EXPECT_EQ(calibrationRunState().fastMode, 0);
    EXPECT_TRUE(win.logic().currentWorker().isRunning()) << "the 16-point run goes on";
}

TEST_F(CalibrationWindows, StepBackDoesNothingAtTheStartAndGoesBackOneTargetLater)
{
    openFrame();
    // Receives the worker's codes on its thread; outlives the window, which ends the
    // worker before it goes.
    QObject context;
    // Nobody in front of the screen yet: the run waits at the first target.
    frame->setScreenSize(screen.width(), screen.height());
    CalibrationWin win(*device, runSetup(false), nullptr, nullptr);
    CalibrationRunState& state = calibrationRunState();
    ASSERT_TRUE(waitUntil([&] { return g_CalDataInitSuc == 1; }));
    win.ResetSlot();
    EXPECT_EQ(state.index, 0);
    EXPECT_FALSE(win.stepBackButton()->isButtonEnabled());

    // Someone touches the first two targets and walks away.
    QObject::connect(
        &win.logic().currentWorker(), &CalibrationWorker::sendData, &context,
        [&](int) {
            if (state.index == 2)
                frame->setVirtualOperator({});
        },
        Qt::DirectConnection);
    sim::OperatorSettings op;
    op.present = true;
    frame->setVirtualOperator(op);
    ASSERT_TRUE(
        waitUntil([&] { return state.index == 2 && win.stepBackButton()->isButtonEnabled(); }));
    QTest::keyClick(&win, Qt::Key_Backspace);
    EXPECT_EQ(state.index, 1);
    EXPECT_EQ(state.shownTarget, 1);
    EXPECT_TRUE(win.stepBackButton()->isButtonEnabled());
    QTest::mouseClick(win.stepBackButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(state.index, 0);
    EXPECT_FALSE(win.stepBackButton()->isButtonEnabled());
    QTest::mouseClick(win.stepBackButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(state.index, 0);
}

TEST_F(CalibrationWindows, UnpluggingDuringTheSteadyTouchClosesTheWindow)
{
    openFrame();
    frame->unplugAfterRequests(cmd::kGetTouchPoints, 80);
    CalibrationWin win(*device, runSetup(false), scene.get(), nullptr);
    QSignalSpy owner(&win, &CalibrationWin::sendShowData);
    ASSERT_TRUE(waitUntil([&] { return !win.isVisible(); }, 20000));
    EXPECT_EQ(win.messageText(), "Device has been pulled out, please exit.");
    ASSERT_EQ(owner.count(), 1);
    EXPECT_EQ(owner.at(0).at(0).toInt(), 3);
    EXPECT_FALSE(win.logic().workerRunning());
}

TEST_F(CalibrationWindows, CheckOnScreenComesCloseToTheSensorRoundingFloor)
{
    openFrame();
    storeCalibration();
    DeviceJobQueue jobs;
    CalibrationCheckWin check(*device, jobs, scene.get(), nullptr);
    check.setSeed(20240607);
    QSignalSpy owner(&check, &CalibrationCheckWin::sendShowData);
    ASSERT_TRUE(waitUntil([&] { return check.finished(); }, 30000))
        << check.messageText().toStdString();
    const accuracy_check::Figures f = check.figures();
    EXPECT_EQ(f.points, CalibrationCheckWin::kCrosses);
    EXPECT_GT(f.floorMean, 0.0);
    EXPECT_LE(f.mean, f.floorMean + 1.5);
    EXPECT_TRUE(check.resultText().startsWith(
        QString("Distance from the crosses: mean %1 px").arg(f.mean, 0, 'f', 1)));
    QTest::keyClick(&check, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return owner.count() == 1; }));
    EXPECT_EQ(owner.at(0).at(0).toInt(), 2);
}

TEST_F(CalibrationWindows, KeysAreCalibratedThenTheTestLightsThePressedKey)
{
    home().write("Vireto.ini", "[Left_Key]\nGroupCnt=1\nGroup1_Num=3\n[Right_Key]\nGroupCnt=1\n"
                               "Group1_Num=2\n");
    home().write("Vireto_Key.ini", "[Key_Value]\nKeyCnt=2\nKey_1=1A04\nKey_2=20\n");
    openFrame();
    storeCalibration();
    DeviceJobQueue jobs;
    {
        KeyCalibrationWin keys(*device, jobs, scene.get(), nullptr);
        QSignalSpy owner(&keys, &KeyCalibrationWin::sendShowData);
        QTest::mouseClick(keys.calibrateButton(), Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_TRUE(waitUntil([&] { return keys.testing() && !keys.busy(); }, 30000))
            << keys.messageText().toStdString();
        const key_rectangles::KeyArea area = key_rectangles::keyAreaOf(block());
        EXPECT_EQ(area.keys[shortcut_keys::kLeftSide].size(), 3u);
        EXPECT_EQ(area.keys[shortcut_keys::kRightSide].size(), 2u);
        EXPECT_FALSE(keys.calibrateButton()->isVisible());
        EXPECT_TRUE(waitUntil([&] { return keys.keyState().keyNumber > 0; }));
        keys.ReturnButSlot();
        ASSERT_TRUE(waitUntil([&] { return !keys.isVisible(); }));
        std::vector<int> codes;
        for (const auto& call : owner)
            codes.push_back(call.at(0).toInt());
        EXPECT_EQ(codes, (std::vector<int>{5, 6, 3}));
    }
    // The key test polls every 10 ms; a tenth of that keeps the test quick without
    // flooding the window with reports.
    delay::setTimeScale(0.1);
    KeyTestWin test(*device, scene.get(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return test.messageText().startsWith("Shortcuts testing"); }));
    // Paint until the pressed key is drawn, then look at the pixels.
    QImage shot;
    EXPECT_TRUE(waitUntil([&] {
        shot = test.grab().toImage();
        return test.litKey().second > 0;
    })) << test.keyState().sideCode
        << " " << int(test.keyState().keyNumber);
    const auto [side, number] = test.litKey();
    const shortcut_keys::KeyRect r =
        test.schematic().keys[static_cast<size_t>(side)][static_cast<size_t>(number - 1)];
    EXPECT_EQ(shot.pixelColor((r.left + r.right) / 2, (r.top + r.bottom) / 2), QColor(255, 0, 0));
    const shortcut_keys::KeyRect frameRect = test.schematic().frame;
    EXPECT_NE(shot.pixelColor((frameRect.left + frameRect.right) / 2, frameRect.top + 2),
              QColor(255, 0, 0));
}

TEST_F(CalibrationWindows, AFailedKeyCalibrationOffersCalibrateAgainInTheSameWindow)
{
    home().write("Vireto.ini", "[Left_Key]\nGroupCnt=1\nGroup1_Num=3\n");
    openFrame();
    storeCalibration();
    DeviceJobQueue jobs;
    KeyCalibrationWin keys(*device, jobs, scene.get(), nullptr);
    frame->faultAtRequest(60, sim::RequestFault::Refuse); // among the touch queries
    QTest::mouseClick(keys.calibrateButton(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(waitUntil(
        [&] { return keys.messageText() == appContext().text(kTextEnvironmentFailure); }));
    ASSERT_TRUE(waitUntil([&] { return keys.calibrateButton()->isButtonEnabled(); }))
        << "the text asks to try again";
    EXPECT_TRUE(logText().contains("KeyCalibrationThread: the touch query failed"));
    QTest::mouseClick(keys.calibrateButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return keys.testing() && !keys.busy(); }, 30000))
        << keys.messageText().toStdString();
}

} // namespace
