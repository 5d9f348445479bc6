// The leveling workflow from the main window's Leveling button to the stored values,
// against the virtual frame and its operator.
#include "UiTestSupport.h"
#include "app/SettingsFile.h"
#include "codec/ByteOrder.h"
#include "codec/ConfigRecord.h"
#include "device/ConfigRecordStore.h"
#include "device/DeviceJobQueue.h"
#include "imaging/SearchState.h"
#include "imaging/StoredOptics.h"
#include "transport/SimScene.h"
#include "ui/leveling/AdjustScreenWin.h"
#include "ui/leveling/FindColumn.h"
#include "ui/leveling/PreviewPanel.h"
#include "ui/main/Vireto.h"
#include "ui/settings/ReadWriteDeviceInfo.h"
#include "ui/widgets/Button.h"

#include <QPointer>
#include <QTest>

#include <atomic>

namespace {

// The operator of the find-column corners, in front of a frame without dirt or jitter,
// so that what it touches is exactly the frame's truth.
class CleanScene : public SimScene {
public:
    explicit CleanScene(std::shared_ptr<sim::VirtualFrame> frame) : SimScene(frame), frame_(frame)
    {
    }
    void placeReleasingOperator(int width, int height, int sensorType, double aimError) override
    {
        SimScene::placeReleasingOperator(width, height, sensorType, aimError);
        sim::TouchScene scene = sim::TouchScene::clean(width, height);
        scene.sensorType = sensorType;
        frame_->setTouchScene(scene);
    }

private:
    std::shared_ptr<sim::VirtualFrame> frame_;
};

class LevelingWindowTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        delay::setTimeScale(0.0);
        auto owned = std::make_unique<WatchedTransport>(frame);
        transport = owned.get();
        watched = std::make_unique<Device>(std::move(owned));
        device = watched.get();
    }
    // The main window with a checked frame, and its Leveling button pressed.
    // withOperator: someone in front of the frame touches the find-column corners.
    AdjustScreenWin* openLeveling(bool withOperator = true)
    {
        std::shared_ptr<VirtualScene> scene;
        if (withOperator)
            scene = std::make_shared<CleanScene>(frame);
        main = std::make_unique<Vireto>(*device, scene);
        main->show();
        EXPECT_TRUE(waitUntil([&] { return main->statusText() == "Devices check completed."; }));
        transport->watching = true;
        emit main->menuButtons()[0]->clicked();
        waitUntil([&] { return main->adjustScreenWindow() != nullptr; });
        AdjustScreenWin* w = main->adjustScreenWindow();
        if (w) { // the main window's own mode switches after it are not the leveling's
            QObject::disconnect(w, &AdjustScreenWin::sendShowData, main.get(),
                                &Vireto::recvShowData);
            QObject::connect(w, &AdjustScreenWin::sendShowData, main.get(), [this](int code) {
                transport->watching = false;
                codes.push_back(code);
                main->recvShowData(code);
            });
        }
        return w;
    }
    void key(QWidget* w, Qt::Key k) { QTest::keyClick(w, k); }

    // The device outlives the window whose workers use it.
    std::unique_ptr<Device> watched;
    WatchedTransport* transport = nullptr;
    std::unique_ptr<Vireto> main;
    std::vector<int> codes; // what the leveling window told the main window
};

TEST_F(LevelingWindowTest, FullLevelingStoresTheTruthAndWritesTheRecordBack)
{
    home().write("Vireto.ini", "[Vireto_Debug]\nWriteConfigInfo=1\n"
                               "[Vireto_ScreenInfo]\nScreen_Size=5\nVertical_Mode=2\n"
                               "[Vireto_Config]\nCalibWay=2\nTouchRightClickTimeThres=1f4\n");
    AdjustScreenWin* w = openLeveling();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitUntil([&] { return w->resultText(0).startsWith("M--236,0x"); }))
        << w->resultText(0).toStdString();
    EXPECT_EQ(frame->mode(), CalibrationMode);

    key(w, Qt::Key_Space);
    ASSERT_TRUE(waitUntil([&] {
        return w->resultText(1).startsWith("Image line has been selected successfully.");
    })) << w->resultText(1).toStdString();
    EXPECT_TRUE(w->hasQualityPicture(0));
    EXPECT_TRUE(w->resultText(0).contains(QString("Optical Parameters:236, 0, %1\n")
                                              .arg(frame->opticsTruth(Side::Master).endColumn)));

    key(w, Qt::Key_Tab);
    key(w, Qt::Key_Tab);
    key(w, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return w->findColumnWindow() != nullptr; }));
    ASSERT_TRUE(
        waitUntil([&] { return w->resultText(0).startsWith("Axis-adjusting complete."); }, 20000))
        << w->resultText(0).toStdString();
    ASSERT_TRUE(waitUntil([&] { return w->workerRunning(); })) << "previewing again after 16";
    EXPECT_FALSE(w->findColumnWindow()->isVisible());

    key(w, Qt::Key_Tab);
    key(w, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return w->resultText(0) == "Save the data successfully!"; }));

    key(w, Qt::Key_Tab);
    key(w, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !w->isVisible(); }));
    EXPECT_EQ(codes, (std::vector<int>{1, 2}));
    EXPECT_EQ(transport->fromGuiThread, 0) << "device accesses on the GUI thread";
    EXPECT_EQ(main->statusText(), "Leveling completed!");
    // The main window switches back off its own thread.
    EXPECT_TRUE(
        waitUntil([&] { return frame->mode() == WorkMode && main->jobs().pending() == 0; }));

    const std::vector<uint8_t> block = frame->readFlash(flash_map::kSensorBlock, 136);
    using namespace stored_optics;
    for (Side side : {Side::Master, Side::Slave}) {
        const sim::ModuleOptics truth = frame->axisAdjustedTruth(side);
        const bool m = side == Side::Master;
        EXPECT_EQ(le::u16(&block[m ? kMasterStartLine : kSlaveStartLine]), truth.startLine);
        EXPECT_EQ(le::u16(&block[m ? kLeftStartColumn : kRightStartColumn]), truth.startColumn);
        EXPECT_EQ(le::u16(&block[m ? kLeftEndColumn : kRightEndColumn]), truth.endColumn);
        const uint16_t exposure = le::u16(&block[m ? kMasterExposure : kSlaveExposure]);
        EXPECT_EQ(exposure, truth.exposureGain << 8 | truth.exposureTime);
        const OptimumLineTable table =
            decodeOptimumLines(&block[m ? kMasterOptimumLines : kSlaveOptimumLines]);
        for (size_t k = 0; k < table.size(); ++k)
            EXPECT_EQ(table[k], (OptimumLineSegment{truth.optimumLines[k].line,
                                                    truth.optimumLines[k].startColumn,
                                                    truth.optimumLines[k].endColumn}));
    }
    EXPECT_LT(frame->axisAdjustedTruth(Side::Master).startColumn, 100u) << "a corner was seen";

    ConfigRecord record;
    ASSERT_EQ(ReadConfigRecord(*device, record), 1);
    ConfigRecord expected;
    expected.screenSize = 5;
    expected.ScreenDirection = 2;
    expected.smoothness = 1;
    expected.CalibWay = 2;
    expected.TouchRightClickDistThres = 16;
    expected.TouchRightClickTimeThres = 500;
    EXPECT_EQ(record, expected);
}

TEST_F(LevelingWindowTest, AmendingTheDeviceInformationOpensItsDialogOnLeaving)
{
    home().write("Vireto.ini", "[Vireto_Debug]\nWriteConfigInfo=1\nWriteDeviceInfo=1\n"
                               "AmendDeviceInfo=1\n");
    AdjustScreenWin* w = openLeveling();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitUntil([&] { return w->resultText(0).startsWith("M--236,0x"); }));
    // Return leaves at once; the record goes back, then the operator amends the values.
    bool dialogShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<ReadWriteDeviceInfo*>(QApplication::activeModalWidget())) {
            dialogShown = true;
            d->reject();
        }
    });
    poll.start(10);
    w->ReturnSlot();
    ASSERT_TRUE(waitUntil([&] { return !w->isVisible(); }));
    EXPECT_TRUE(dialogShown) << "the device-information dialog never opened";
}

TEST_F(LevelingWindowTest, OpensOnlyWithAReadableConfigurationRecord)
{
    main = std::make_unique<Vireto>(*device);
    main->show();
    ASSERT_TRUE(waitUntil([&] { return main->statusText() == "Devices check completed."; }));
    frame->refuseCommand(cmd::kFlashRead);
    emit main->menuButtons()[0]->clicked();
    emit main->menuButtons()[0]->clicked(); // a second press while the first is under way
    ASSERT_TRUE(
        waitUntil([&] { return logText().contains("Leveling :ReadConfigInfo failed!\n"); }));
    waitUntil([&] { return main->statusText().startsWith("Please check each interface"); });
    EXPECT_TRUE(main->statusText().startsWith("Please check each interface"));
    EXPECT_EQ(main->adjustScreenWindow(), nullptr);
    EXPECT_EQ(logText().count("Leveling :ReadConfigInfo failed!\n"), 1);

    frame->clearFaults();
    frame->refuseCommand(cmd::kSwitchMode);
    emit main->menuButtons()[0]->clicked();
    EXPECT_TRUE(waitUntil([&] {
        return logText().contains(
            "Leveling :Switch to calibration mode failed! g_isSwitchMode=0\n");
    }));
    EXPECT_EQ(main->adjustScreenWindow(), nullptr);

    // A frame without a record opens as one without pen mode: Space starts a search.
    frame->clearFaults();
    ASSERT_TRUE(frame->writeFlash(flash_map::kConfigRecord, std::vector<uint8_t>(31, 0xFF)));
    emit main->menuButtons()[0]->clicked();
    ASSERT_TRUE(waitUntil([&] { return main->adjustScreenWindow() != nullptr; }));
    QPointer<AdjustScreenWin> plain = main->adjustScreenWindow();
    ASSERT_TRUE(waitUntil([&] { return plain->resultText(0).startsWith("M--"); }));
    key(plain, Qt::Key_Space);
    EXPECT_EQ(plain->resultText(0), "Searching the available image area...");
    key(plain, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !plain->isVisible(); }));

    // A frame whose record is in pen mode: the window opens, and Space starts no search.
    ConfigRecord pen;
    pen.InfraredPenMode = 1;
    const ConfigRecordBytes bytes = pen.encode();
    ASSERT_TRUE(frame->writeFlash(flash_map::kConfigRecord, {bytes.begin(), bytes.end()}));
    emit main->menuButtons()[0]->clicked();
    ASSERT_TRUE(waitUntil([&] { return main->adjustScreenWindow() != nullptr; }));
    ASSERT_TRUE(waitUntil([&] { return !plain && main->adjustScreenWindow(); }))
        << "the earlier window is replaced";
    AdjustScreenWin* w = main->adjustScreenWindow();
    ASSERT_TRUE(waitUntil([&] { return w->resultText(0).startsWith("M--"); }));
    key(w, Qt::Key_Space);
    EXPECT_EQ(w->state().searchDone, 1);
    EXPECT_TRUE(w->resultText(0).startsWith("M--"));
}

TEST_F(LevelingWindowTest, EscapeFromFindColumnPreviewsAgainAFailedProbeLeaves)
{
    AdjustScreenWin* w = openLeveling(false); // nobody touches the corners
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitUntil([&] { return w->resultText(0).startsWith("M--"); }));
    w->ExposureButSlot();
    EXPECT_FALSE(w->adjustButton(1)->isButtonEnabled()) << "waiting for the find-column window";
    ASSERT_TRUE(waitUntil([&] { return w->findColumnWindow() != nullptr; }));
    FindColumn* f = w->findColumnWindow();
    ASSERT_TRUE(waitUntil([&] { return f->started(); }));
    EXPECT_TRUE(f->statusText().startsWith("Please according to the arrow"));
    EXPECT_FALSE(w->workerRunning()) << "never together with the find-column worker";
    key(f, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return w->workerRunning(); }));
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(w->adjustButton(1)->isButtonEnabled());
    EXPECT_TRUE(w->logic().axisDone());

    frame->refuseCommand(cmd::kTrigger, 1);
    // The new window may take the old one's address: follow the old one by a QPointer.
    const QPointer<FindColumn> first(f);
    w->ExposureButSlot();
    ASSERT_TRUE(waitUntil([&] { return !first && w->findColumnWindow(); }));
    f = w->findColumnWindow();
    ASSERT_TRUE(waitUntil([&] {
        return f->statusText() == "Device initialization failed, please exit, pull out the USB, "
                                  "and do it again.";
    }));
    EXPECT_TRUE(logText().contains("Calibration init failed! g_CalDataInitSuc=0\n"));
    EXPECT_FALSE(f->workerRunning()) << "the run ended with the probe";
    key(f, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !f->isVisible(); }));
}

TEST_F(LevelingWindowTest, LostFrameShowsItAndLeavesWithCode3)
{
    AdjustScreenWin* w = openLeveling();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitUntil([&] { return w->resultText(0).startsWith("M--"); }));
    frame->unplug();
    // Whether the worker or the monitor notices first, the window asks to leave.
    ASSERT_TRUE(waitUntil([&] {
        return !w->workerRunning() && !g_bDevExist && !w->resultText(1).startsWith("S--");
    }));
    EXPECT_TRUE(w->resultText(1).endsWith("please exit.") ||
                w->resultText(1).contains("please exit and"))
        << w->resultText(1).toStdString();
    key(w, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !w->isVisible(); }));
    EXPECT_EQ(codes, std::vector<int>{3});
}

TEST_F(LevelingWindowTest, RawPreviewRunsDeferredAccessesBetweenFrames)
{
    appContext().toolMode = 2;
    main = std::make_unique<Vireto>(*device);
    main->show();
    ASSERT_TRUE(waitUntil([&] { return main->statusText() == "Devices check completed."; }));
    EXPECT_FALSE(main->deferRegisterAccess([] { return 0; })) << "no preview yet";
    main->PreviewButSlot();
    ASSERT_TRUE(waitUntil([&] { return main->previewPanel()->framesShown() >= 2; }));
    EXPECT_EQ(frame->mode(), CalibrationMode);
    std::atomic<int> ran{0};
    int reported = 0;
    QObject::connect(main->previewPanel(), &PreviewPanel::accessReported,
                     [&](int code) { reported = code; });
    ASSERT_TRUE(main->deferRegisterAccess([&] { return ++ran, 13; }));
    ASSERT_TRUE(waitUntil([&] { return reported == 13; }));
    EXPECT_TRUE(main->previewPanel()->previewRunning());
    ASSERT_TRUE(main->deferRegisterAccess([] { return 14; })); // a failed register read
    ASSERT_TRUE(waitUntil([&] { return !main->previewPanel()->previewRunning(); }));
    EXPECT_EQ(reported, 14);
    appContext().toolMode = 1;
}

} // namespace
