// The user, factory test and single-function editions on the offscreen platform,
// against the virtual frame and its operator.
#include "UiTestSupport.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "calibration/CalibrationRunState.h"
#include "codec/ByteOrder.h"
#include "codec/FlashMap.h"
#include "device/CommandCodes.h"
#include "device/WorkerDriver.h"
#include "transport/SimScene.h"
#include "ui/calibration/KeyCalibrationWin.h"
#include "ui/leveling/AdjustScreenWin.h"
#include "ui/main/SingleVireto.h"
#include "ui/main/ViretoTest.h"
#include "ui/main/ViretoUser.h"
#include "ui/settings/SettingsDialog.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

class Editions : public SceneUiTest {
protected:
    void SetUp() override
    {
        SceneUiTest::SetUp();
        resetCalibrationState();
    }
    static void edition(int toolMode, int subFunction)
    {
        appContext().toolMode = toolMode;
        appContext().subFunction = subFunction;
    }
    static QString text(int index) { return appContext().text(index).trimmed(); }
    // A 16-point record for this screen, stored headless before the window opens.
    void storeCalibration()
    {
        const double scale = delay::timeScale();
        openFrameDirectly();
        ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
        ASSERT_TRUE(storeCalibrationHeadless(*device, *scene, screen));
        delay::setTimeScale(scale);
    }
    // Firmware 1.1.0: older than the editions accept (only bits are cleared).
    void installOldFirmware()
    {
        std::vector<uint8_t> word(4);
        le::put32(word.data(), 0x01010000);
        ASSERT_TRUE(frame->writeFlash(flash_map::kVersionBlock, word));
    }
    // Every box the editions show is answered (and remembered).
    BoxAnswerer boxes{Qt::Key_Escape, 20};
    QStringList& boxTexts = boxes.texts;
};

// --- The user edition -----------------------------------------------------------------------

TEST_F(Editions, UserPicksTheRunTypeFromTheStoredRecordAndSixteenCalCalibrates)
{
    storeCalibration();
    edition(3, 0);
    {
        ViretoUser user(*device, scene);
        ASSERT_TRUE(waitUntil([&] { return user.logic().run().workerRunning(); }))
            << user.statusText().toStdString();
        EXPECT_TRUE(user.logic().run().fastRun()) << "a stored record: the 4-point run";
        EXPECT_EQ(user.typeButton()->caption(), "16 point");
        EXPECT_TRUE(user.versionText().contains("FirmwareID: 1.3.2"));
        QTest::keyClick(&user, Qt::Key_Escape);
        ASSERT_TRUE(waitUntil([&] { return !user.isVisible(); }));
        EXPECT_FALSE(user.logic().run().workerRunning());
        EXPECT_FALSE(user.monitor()->isRunning());
        EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
    }
    // "-16cal": the 16-point run even so, to its end with the virtual operator.
    edition(3, 2);
    ViretoUser user(*device, scene);
    ASSERT_TRUE(waitUntil([&] { return user.logic().run().workerRunning(); }));
    EXPECT_FALSE(user.logic().run().fastRun());
    EXPECT_EQ(user.typeButton()->caption(), "4 point");
    ASSERT_TRUE(waitUntil([&] { return !user.isVisible(); }, 60000))
        << user.statusText().toStdString();
    EXPECT_EQ(user.statusText(), "Calibrate completed!");
    EXPECT_EQ(SettingsFile::vireto().readInt("Vireto_Config", "FourCalib_en", -1), 0);
    EXPECT_EQ(storedFourPointFlag(), 0);
    EXPECT_EQ(frame->mode(), WorkMode);
    EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
}

TEST_F(Editions, UserWithoutAStoredRecordCannotCalibrate)
{
    edition(3, 0); // the factory frame is leveled but was never calibrated
    ViretoUser user(*device, scene);
    ASSERT_TRUE(waitUntil([&] { return user.statusText() == text(kTextNoCalibrationBasis); }));
    EXPECT_TRUE(user.statusStyle().contains("color:rgb(255,0,0)"));
    EXPECT_FALSE(user.typeButton()->isButtonEnabled());
    EXPECT_FALSE(user.stepBackButton()->isButtonEnabled());
    EXPECT_FALSE(user.logic().run().workerRunning());
    QTest::mouseClick(user.typeButton(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::qWait(50);
    EXPECT_TRUE(boxTexts.isEmpty());
    EXPECT_FALSE(user.logic().run().workerRunning());
    // Return (Tab to it, Return) leaves at once and puts the frame back to work.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&user, Qt::Key_Tab);
    EXPECT_EQ(user.focusIndex(), 3);
    QTest::keyClick(&user, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !user.isVisible(); }));
    EXPECT_EQ(frame->mode(), WorkMode);
    EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
}

TEST_F(Editions, UserFollowsAnUnplugAndStartsAgainOnTheReturnedFrame)
{
    edition(3, 2);
    ViretoUser user(*device, scene);
    ASSERT_TRUE(waitUntil([&] { return user.statusText() == text(kTextTouchTheCross); }));
    frame->unplug();
    // The monitor (not detected) and the run (pulled out) both report it, in either order.
    ASSERT_TRUE(waitUntil([&] {
        return (user.statusText() == text(kTextNoFrame) ||
                user.statusText() == text(kTextPulledOut)) &&
               !user.logic().run().workerRunning();
    })) << user.statusText().toStdString();
    EXPECT_TRUE(user.isVisible()) << "the edition stays open for the frame's return";
    frame->plug();
    ASSERT_TRUE(waitUntil([&] {
        return user.logic().run().workerRunning() && user.statusText() == text(kTextTouchTheCross);
    })) << user.statusText().toStdString();
}

TEST_F(Editions, UserRefusesOldFirmware)
{
    installOldFirmware();
    edition(3, 2);
    ViretoUser user(*device, scene);
    ASSERT_TRUE(waitUntil([&] { return user.statusText() == text(kTextFirmwareTooOld); }));
    EXPECT_FALSE(user.logic().run().workerRunning());
    EXPECT_TRUE(user.versionText().contains("FirmwareID: 1.1.0"));
}

// --- The factory test edition ---------------------------------------------------------------

TEST_F(Editions, FactoryFlashTestFindsAByteChangedBehindItsBack)
{
    edition(4, 0);
    ViretoTest station(*device);
    ASSERT_TRUE(waitUntil([&] { return station.statusText() == text(kTextReady); }));
    ASSERT_TRUE(station.startButton()->isButtonEnabled());
    EXPECT_FALSE(station.stopButton()->isButtonEnabled());
    station.logic().setFlashWaits(0.0, 0.0);
    // The frame stores its optical values on every odd cycle: those parts are skipped.
    station.skipPartsChoice()->setChecked(true);
    ASSERT_TRUE(station.exposurePart()->isEnabled());
    for (QCheckBox* part : {station.exposurePart(), station.columnsPart(), station.linesPart()})
        part->setChecked(true);
    QTest::mouseClick(station.startButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(station.statusText(), QString::fromUtf8("0_测试中......"));
    EXPECT_FALSE(station.startButton()->isButtonEnabled());
    EXPECT_TRUE(station.stopButton()->isButtonEnabled());
    EXPECT_FALSE(station.testChoice(FactoryTestChoice::Image)->isEnabled());
    // Once the reference is taken, a byte of an unused sector changes.
    ASSERT_TRUE(waitUntil([&] { return station.logic().runNumber() >= 1; }, 20000));
    ASSERT_TRUE(frame->writeFlash(0x1F123, {0x5A}));
    ASSERT_TRUE(waitUntil([&] { return !station.logic().testRunning(); }, 30000));
    EXPECT_TRUE(waitUntil([&] {
        return station.statusText() == QString::fromUtf8("Master Flash存在不同。地址：0x0001f123");
    })) << station.statusText().toStdString();
    EXPECT_TRUE(station.startButton()->isButtonEnabled());
    EXPECT_FALSE(station.stopButton()->isButtonEnabled());
    EXPECT_TRUE(station.testChoice(FactoryTestChoice::Image)->isEnabled());
}

TEST_F(Editions, FactoryStopsATestFollowsTheFrameAndClosesToWorkMode)
{
    edition(4, 0);
    ViretoTest station(*device);
    ASSERT_TRUE(waitUntil([&] { return station.statusText() == text(kTextReady); }));
    station.testChoice(FactoryTestChoice::Sensor)->setChecked(true);
    EXPECT_FALSE(station.skipPartsChoice()->isEnabled()) << "flash options only for the flash test";
    QTest::keyClick(&station, Qt::Key_Return); // starts ...
    ASSERT_TRUE(waitUntil([&] { return station.logic().runNumber() >= 2; }));
    QTest::keyClick(&station, Qt::Key_Return); // ... and stops
    ASSERT_TRUE(waitUntil([&] { return station.statusText() == QString::fromUtf8("测试完毕"); }));
    EXPECT_FALSE(station.logic().testRunning());
    EXPECT_TRUE(station.startButton()->isButtonEnabled());

    frame->unplug();
    ASSERT_TRUE(waitUntil([&] { return station.statusText() == text(kTextNoFrame); }));
    EXPECT_FALSE(station.startButton()->isButtonEnabled());
    station.StartTestSlot();
    EXPECT_FALSE(station.logic().testRunning());
    frame->plug();
    ASSERT_TRUE(waitUntil([&] { return station.statusText() == text(kTextReady); }));
    EXPECT_TRUE(station.startButton()->isButtonEnabled());

    // Closing stops a running test first.
    station.StartTestSlot();
    ASSERT_TRUE(waitUntil([&] { return station.logic().runNumber() >= 1; }));
    station.close();
    EXPECT_FALSE(station.logic().testRunning());
    EXPECT_FALSE(station.monitor()->isRunning());
    EXPECT_EQ(frame->mode(), WorkMode);
    EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
}

// --- The single-function edition ------------------------------------------------------------

TEST_F(Editions, SingleOpensItsFunctionOnceTheFrameIsChecked)
{
    edition(1, 7);
    {
        SingleVireto single(*device, scene);
        single.show();
        ASSERT_TRUE(waitUntil([&] { return !single.lastAboutText().isEmpty(); }));
        EXPECT_EQ(single.lastAboutText(),
                  "ToolID:4.2.5\n(M)FirmwareID: 1.3.2\nBootloaderID: 1.0.7");
        EXPECT_TRUE(single.functionButton()->isButtonEnabled());
        EXPECT_EQ(single.functionButton()->caption(), "Versions");
        EXPECT_TRUE(waitUntil([&] { return frame->mode() == WorkMode; }));
        // Return alone does nothing; Tab selects the tile and Return opens it again.
        const int boxesBefore = static_cast<int>(boxTexts.size());
        QTest::keyClick(&single, Qt::Key_Return);
        QTest::qWait(50);
        EXPECT_EQ(boxTexts.size(), boxesBefore);
        QTest::keyClick(&single, Qt::Key_Tab);
        QTest::keyClick(&single, Qt::Key_Return);
        EXPECT_TRUE(waitUntil([&] { return boxTexts.size() > boxesBefore; }));
    }
    edition(1, 4);
    {
        SingleVireto single(*device, scene);
        single.show();
        ASSERT_TRUE(waitUntil([&] { return single.setWin() && single.setWin()->isVisible(); }));
    }
    SettingsFile::vireto().write("Shortcut_keys", "Shortcuts_en", 1);
    edition(1, 3);
    {
        SingleVireto single(*device, scene);
        single.show();
        ASSERT_TRUE(waitUntil(
            [&] { return single.keyCalibrationWin() && single.keyCalibrationWin()->isVisible(); }));
    }
    edition(1, 5);
    SingleVireto single(*device, scene);
    single.show();
    ASSERT_TRUE(waitUntil(
        [&] { return single.adjustScreenWindow() && single.adjustScreenWindow()->isVisible(); }));
    ASSERT_EQ(frame->mode(), CalibrationMode);
    single.close();
    EXPECT_EQ(frame->mode(), WorkMode);
    EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
}

TEST_F(Editions, SingleRefusesKeysWithoutShortcutsAndWarnsOfOldFirmware)
{
    installOldFirmware();
    edition(1, 3); // Shortcut_keys/Shortcuts_en is not set
    SingleVireto single(*device, scene);
    single.show();
    ASSERT_TRUE(waitUntil([&] { return boxTexts.size() >= 2; })) << boxTexts.size();
    EXPECT_EQ(boxTexts[0], appContext().text(kTextFirmwareTooOld));
    EXPECT_EQ(boxTexts[1], appContext().text(kTextNoShortcutKeys));
    EXPECT_EQ(single.keyCalibrationWin(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return frame->mode() == WorkMode; }));
}

TEST_F(Editions, SingleClosesWhenTheFrameDoesNotAnswerItsStatus)
{
    frame->refuseCommand(cmd::kGetStatus);
    edition(1, 5);
    SingleVireto single(*device, scene);
    single.show();
    ASSERT_TRUE(waitUntil([&] { return !single.isVisible(); }, 10000));
    EXPECT_EQ(single.statusText(), text(kTextCheckConnection));
    EXPECT_EQ(single.adjustScreenWindow(), nullptr);
    EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
}

TEST_F(Editions, WithoutAFrameNoEditionStartsItsWork)
{
    frame->unplug();
    edition(1, 7);
    {
        SingleVireto single(*device, scene);
        ASSERT_TRUE(waitUntil([&] { return single.statusText() == text(kTextNoFrame); }));
        EXPECT_FALSE(single.functionButton()->isButtonEnabled());
        single.AboutButSlot();
        EXPECT_TRUE(single.lastAboutText().isEmpty());
    }
    edition(4, 0);
    {
        ViretoTest station(*device);
        ASSERT_TRUE(waitUntil([&] { return station.statusText() == text(kTextNoFrame); }));
        EXPECT_FALSE(station.startButton()->isButtonEnabled());
    }
    edition(3, 2);
    ViretoUser user(*device, scene);
    ASSERT_TRUE(waitUntil([&] { return user.statusText() == text(kTextNoFrame); }));
    EXPECT_FALSE(user.logic().run().workerRunning());
    user.ReturnSlot(); // no frame: no wait, no mode switch, straight out
    ASSERT_TRUE(waitUntil([&] { return !user.isVisible(); }));
    EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
}

} // namespace
