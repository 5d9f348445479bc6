// The fault matrix of the workflows an operator runs in windows: the leveling's save and
// write-back, the 16- and 4-point calibrations, the shortcut-key calibration and the
// settings window's OK, each through its own window on the offscreen platform, with one fault
// injected at one request at a time. Each case must end without the window's success, with the
// failure shown and named in the log, every record it touches old, new or unflagged, and the same
// window must then succeed on the re-plugged frame.
#include "FaultCases.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "device/DeviceJobQueue.h"
#include "tests/support/BoundedWait.h"
#include "tests/ui/UiTestSupport.h"
#include "transport/SimScene.h"
#include "ui/calibration/CalibrationWin.h"
#include "ui/calibration/KeyCalibrationWin.h"
#include "ui/leveling/AdjustScreenWin.h"
#include "ui/main/Vireto.h"
#include "ui/settings/SetWin.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"

#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

using namespace fault_cases;
using sim::RequestFault;

// A window run to its end: whether it reached its success and what it showed last.
struct WindowRun {
    bool succeeded = false;
    QString shown;
};

struct Workflow {
    const char* name;
    std::vector<Record> records;
    std::function<void()> prepare;  // the frame as the window's owner hands it over
    std::function<WindowRun()> run; // opens the window, runs it to its end, closes it
};

constexpr int kMostPoints = 36; // as many as the command-line matrix takes
constexpr int kRunBoundMs = 30000;

// The texts a window shows when its workflow fails.
bool isFailureText(const QString& shown)
{
    const AppContext& app = appContext();
    for (const int id :
         {kTextPulledOut, kTextCheckConnection, kTextInitFailed, kTextEnvironmentFailure,
          kTextLevelingFailed, kTextKeyReadFailed, kTextWriteFailed, kTextNoFrame})
        if (shown == app.text(id))
            return true;
    return false;
}

class WindowFaultMatrix : public SceneUiTest {
protected:
    void SetUp() override
    {
        SceneUiTest::SetUp();
        openFrameDirectly();
    }

    QByteArray flash(const Record& r) const
    {
        const std::vector<uint8_t> b = frame->readFlash(r.address, r.size);
        return QByteArray(reinterpret_cast<const char*>(b.data()),
                          static_cast<qsizetype>(b.size()));
    }
    QByteArray wholeFlash() const { return flash(Record{0, flash_map::kFlashSize, 0}); }
    void setFlash(const QByteArray& image)
    {
        frame->writeFlash(0, std::vector<uint8_t>(image.begin(), image.end()));
    }

    // The frame back on the bus and opened (it may still be restarting from a jump).
    void replug()
    {
        frame->clearFaults();
        frame->unplug();
        frame->plug();
        ASSERT_TRUE(bounded::eventually([&] { return host->reopen(); })) << "frame not back";
        resetCalibrationState();
    }

    // The calibration window run from its opening to the stored record or a failure.
    WindowRun runCalibration(bool fourPoints)
    {
        calibrationRunState().fastMode = fourPoints ? 1 : 0;
        CalibrationRunSetup setup;
        setup.width = screen.width();
        setup.height = screen.height();
        setup.hasStoredRecord = fourPoints;
        scene->placeOperator(screen.width(), screen.height(), 0, 0.5);
        CalibrationWin win(*device, setup, scene.get(), nullptr);
        QSignalSpy owner(&win, &CalibrationWin::sendShowData);
        const auto stored = [&] {
            for (const auto& call : owner)
                if (call.at(0).toInt() == 9)
                    return true;
            return false;
        };
        const bool ended = waitUntil(
            [&] { return stored() || win.leaving() || !win.logic().workerRunning(); }, kRunBoundMs);
        EXPECT_TRUE(ended) << "the calibration window neither stored nor failed";
        settle();
        WindowRun r{stored(), win.messageText()};
        if (!win.leaving())
            win.ReturnSlot();
        waitUntil([&] { return !win.logic().workerRunning(); });
        return r;
    }

    // The key calibration window from its Calibrate button to the key test or a failure.
    WindowRun runKeyCalibration()
    {
        KeyCalibrationWin keys(*device, jobs, scene.get(), nullptr);
        QTest::mouseClick(keys.calibrateButton(), Qt::LeftButton, {}, QPoint(5, 5));
        const bool ended = waitUntil(
            [&] {
                return (keys.testing() && !keys.busy()) || keys.leaving() ||
                       (!keys.busy() && !keys.calibrating() && !keys.testing());
            },
            kRunBoundMs);
        EXPECT_TRUE(ended) << "the key calibration window neither stored nor failed: "
                           << keys.messageText().toStdString() << (keys.busy() ? ", busy" : "")
                           << (keys.calibrating() ? ", calibrating" : "");
        settle();
        WindowRun r{keys.testing(), keys.messageText()};
        keys.ReturnButSlot();
        waitUntil([&] { return !keys.isVisible() && jobs.pending() == 0; });
        return r;
    }

    // The settings window opened on the frame's record, one choice changed, and OK.
    WindowRun runSettingsOk()
    {
        SetWin w(*device, jobs);
        w.show();
        waitUntil([&] { return !w.busy(); });
        config_settings::Choices c = w.choices();
        c.screenSize = c.screenSize == 3 ? 4 : 3;
        w.setChoices(c);
        boxes.texts.clear();
        w.OKButtonSlot();
        waitUntil([&] { return !w.busy() && jobs.pending() == 0; });
        return {w.statusText() == "The settings were written to the frame.",
                boxes.texts.isEmpty() ? w.statusText() : boxes.last()};
    }

    // The main window with a checked frame and its leveling window previewing, the
    // picture line chosen: where the operator stands before Save.
    void openLeveling()
    {
        main = std::make_unique<Vireto>(*device, nullptr);
        main->show();
        ASSERT_TRUE(waitUntil([&] { return main->statusText() == "Devices check completed."; }));
        emit main->menuButtons()[0]->clicked();
        ASSERT_TRUE(waitUntil([&] { return main->adjustScreenWindow() != nullptr; }));
        leveling = main->adjustScreenWindow();
        levelingCodes.clear();
        QObject::connect(leveling, &AdjustScreenWin::sendShowData,
                         [this](int code) { levelingCodes.push_back(code); });
        ASSERT_TRUE(waitUntil([&] { return leveling->resultText(0).startsWith("M--236,0x"); }));
        QTest::keyClick(leveling, Qt::Key_Space);
        ASSERT_TRUE(waitUntil(
            [&] { return leveling->resultText(1).startsWith("Image line has been selected"); }));
    }

    // Save (unless done before), then Exit, which writes the configuration record back;
    // the main window then has the frame store its optics and return to work mode.
    WindowRun runLevelingSave(bool saved)
    {
        boxes.texts.clear();
        const auto closed = [&] {
            return std::find_if(levelingCodes.begin(), levelingCodes.end(),
                                [](int c) { return c == 2 || c == 3; }) != levelingCodes.end();
        };
        if (!saved)
            leveling->SaveSlot();
        EXPECT_TRUE(
            waitUntil([&] { return !leveling || !leveling->busy() || closed(); }, kRunBoundMs))
            << "the save neither ended nor closed the window";
        const QString afterSave = leveling ? leveling->resultText(0) : QString();
        if (leveling && !closed())
            leveling->ReturnSlot();
        EXPECT_TRUE(waitUntil(closed, kRunBoundMs)) << "the leveling window did not close";
        EXPECT_TRUE(waitUntil([&] { return main->jobs().pending() == 0; }, kRunBoundMs));
        settle();
        const bool leveled =
            std::find(levelingCodes.begin(), levelingCodes.end(), 1) != levelingCodes.end();
        WindowRun r{leveled && main->statusText() == appContext().text(kTextLeveled),
                    main->statusText()};
        for (const QString& shown : {afterSave, boxes.last()})
            if (isFailureText(shown))
                r.shown = shown;
        main.reset();
        return r;
    }

    // The codes a worker queued before it ended reach the window.
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    void runMatrix(const Workflow& w);

    std::unique_ptr<Vireto> main;
    QPointer<AdjustScreenWin> leveling;
    std::vector<int> levelingCodes;
    DeviceJobQueue jobs;
    BoxAnswerer boxes; // every box a failure raises is read and answered
};

void WindowFaultMatrix::runMatrix(const Workflow& w)
{
    // A window's run takes a few more or fewer requests from one time to the next (its
    // preview and the presence monitor poll on their own clocks): the points are placed
    // within the shortest of three clean runs, so that nearly every fault is met.
    QByteArray start;
    QByteArray done;
    int requests = 0;
    for (int run = 0; run < 3; ++run) {
        if (run > 0)
            setFlash(start);
        replug();
        w.prepare();
        if (run == 0)
            start = wholeFlash();
        const uint64_t before = frame->requestCount();
        const WindowRun clean = w.run();
        ASSERT_TRUE(clean.succeeded) << w.name << ": " << clean.shown.toStdString();
        const int taken = static_cast<int>(frame->requestCount() - before);
        requests = run == 0 ? taken : std::min(requests, taken);
        done = wholeFlash();
    }

    int cases = 0;
    int met = 0; // cases whose fault came before the window's end
    for (const int at : injectionPoints(requests, kMostPoints)) {
        for (const RequestFault fault : kAllFaults) {
            const std::string what = caseName(w.name, fault, at, requests);
            SCOPED_TRACE(what);
            setFlash(start);
            replug();
            w.prepare();
            const qsizetype logBefore = logText().size();
            const uint64_t first = frame->requestCount();
            frame->faultAtRequest(at, fault);
            const WindowRun r = w.run();
            ++cases;
            if (frame->requestCount() - first >= static_cast<uint64_t>(at))
                ++met;
            frame->clearFaults();
            if (r.succeeded) {
                // A fault the window rides out: every record it writes is whole.
                for (const Record& rec : w.records) {
                    const QByteArray now = flash(rec);
                    EXPECT_TRUE(now == done.mid(rec.address, rec.size) || flagged(now, rec))
                        << what << ": success without the record at 0x" << std::hex << rec.address;
                }
            } else {
                EXPECT_TRUE(isFailureText(r.shown)) << what << ": shown " << r.shown.toStdString();
                const QByteArray trail = logText().mid(logBefore);
                EXPECT_TRUE(trail.toLower().contains("fail"))
                    << what << ": log " << trail.constData();
                for (const Record& rec : w.records)
                    EXPECT_TRUE(soundRecord(flash(rec), start.mid(rec.address, rec.size),
                                            done.mid(rec.address, rec.size), rec))
                        << what << ": record at 0x" << std::hex << rec.address;
            }
            // Re-plugged, the same window succeeds from where the fault left the frame.
            replug();
            w.prepare();
            const WindowRun again = w.run();
            EXPECT_TRUE(again.succeeded) << what << ": again " << again.shown.toStdString();
            if (HasFailure())
                return; // one broken case says enough; the rest would repeat it
        }
    }
    RecordProperty("cases", cases);
    std::printf("%s: %d requests, %d cases, %d met their fault\n", w.name, requests, cases, met);
}

TEST_F(WindowFaultMatrix, LevelingSaveAndWriteBack)
{
    home().write("Vireto.ini", "[Vireto_Debug]\nWriteConfigInfo=1\n"
                               "[Vireto_ScreenInfo]\nScreen_Size=5\n");
    runMatrix({"leveling_save_window",
               {kSensorBlock, kConfig},
               [&] { openLeveling(); },
               [&] { return runLevelingSave(false); }});
}

// Leaving after a save: the record written back, the optics stored, work mode.
TEST_F(WindowFaultMatrix, LevelingWriteBack)
{
    home().write("Vireto.ini", "[Vireto_Debug]\nWriteConfigInfo=1\n"
                               "[Vireto_ScreenInfo]\nScreen_Size=5\n");
    runMatrix({"leveling_write_back_window",
               {kSensorBlock, kConfig},
               [&] {
                   openLeveling();
                   leveling->SaveSlot();
                   ASSERT_TRUE(waitUntil([&] { return !leveling->busy(); }));
                   ASSERT_EQ(leveling->resultText(0), appContext().text(kTextSaved));
               },
               [&] { return runLevelingSave(true); }});
}

TEST_F(WindowFaultMatrix, Calibrate16)
{
    runMatrix({"calibrate_16_window",
               {kSensorBlock},
               [&] { ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1); },
               [&] { return runCalibration(false); }});
}

TEST_F(WindowFaultMatrix, Calibrate4)
{
    replug();
    ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
    ASSERT_TRUE(storeCalibrationHeadless(*device, *scene, screen));
    runMatrix({"calibrate_4_window",
               {kSensorBlock, kConfig},
               [&] {
                   // A 4-point run needs a usable 16-point record: one cut short is run
                   // again first, as the operator would.
                   ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
                   if (!flagged(flash(kSensorBlock), kSensorBlock)) {
                       ASSERT_TRUE(storeCalibrationHeadless(*device, *scene, screen));
                   }
               },
               [&] { return runCalibration(true); }});
}

TEST_F(WindowFaultMatrix, KeyCalibration)
{
    home().write("Vireto.ini", "[Left_Key]\nGroupCnt=1\nGroup1_Num=3\n[Right_Key]\nGroupCnt=1\n"
                               "Group1_Num=2\n");
    home().write("Vireto_Key.ini", "[Key_Value]\nKeyCnt=2\nKey_1=1A04\nKey_2=20\n");
    replug();
    ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
    ASSERT_TRUE(storeCalibrationHeadless(*device, *scene, screen));
    runMatrix({"key_calibration_window",
               {kSensorBlock},
               [&] {
                   if (!flagged(flash(kSensorBlock), kSensorBlock)) {
                       ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
                       ASSERT_TRUE(storeCalibrationHeadless(*device, *scene, screen));
                   }
                   ASSERT_EQ(device->commands.switchMode(WorkMode), 1);
               },
               [&] { return runKeyCalibration(); }});
}

TEST_F(WindowFaultMatrix, SettingsOk)
{
    runMatrix({"settings_ok_window", {kConfig}, [] {}, [&] { return runSettingsOk(); }});
}

} // namespace
