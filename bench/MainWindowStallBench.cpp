// The longest stall of the GUI thread while the main window's device functions run
// against the virtual frame at its real protocol timing: a heartbeat timer on the event
// loop (every millisecond) notes the longest gap between two beats. Everything the GUI
// thread does (the slot, the callbacks, painting) lies in such gaps; the device work
// itself must not.
//
//   QT_QPA_PLATFORM=offscreen build/bench/vireto_window_bench
#include "app/AppContext.h"
#include "device/Delay.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "ui/main/Vireto.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace {

// The event loop's watchdog: the longest time between two heartbeats.
class StallWatch {
public:
    StallWatch()
    {
        beat_.setInterval(1);
        QObject::connect(&beat_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longestNs_ = std::max(longestNs_, now - lastNs_);
            lastNs_ = now;
        });
    }
    void start()
    {
        clock_.start();
        lastNs_ = 0;
        longestNs_ = 0;
        beat_.start();
    }
    // The longest gap so far, the one still open included.
    double longestMs() const { return std::max(longestNs_, clock_.nsecsElapsed() - lastNs_) / 1e6; }
    void stop() { beat_.stop(); }

private:
    QTimer beat_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    qint64 longestNs_ = 0;
};

// A program folder, the virtual frame and the engineering window, found and checked.
struct WindowWorld {
    WindowWorld()
    {
        qputenv("VIRETO_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
        delay::setTimeScale(1.0);
        resetDeviceState();
        AppContext& app = appContext();
        app.log.setRoot(home.path() + "/log");
        app.toolMode = 2;
        app.loadLookAndLanguage(1920, 1080);
        app.skinDirectory = QStringLiteral(VIRETO_BIN_DIR "/skin/1920/");
        frame = std::make_shared<sim::VirtualFrame>();
        device = std::make_unique<Device>(std::make_unique<sim::SimTransport>(frame));
    }
    std::unique_ptr<Vireto> openWindow()
    {
        auto w = std::make_unique<Vireto>(*device);
        w->show();
        waitFor([&] { return w->statusText() == QLatin1String("Devices check completed."); });
        // The monitor's own checks would stand in the queue: the figure is the window's.
        w->monitor()->stop();
        return w;
    }
    // Lets the event loop run until the condition holds (bounded: 30 s).
    static bool waitFor(const std::function<bool()>& condition)
    {
        QElapsedTimer t;
        t.start();
        while (!condition() && t.elapsed() < 30000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        return condition();
    }
    QTemporaryDir home;
    std::shared_ptr<sim::VirtualFrame> frame;
    std::unique_ptr<Device> device;
};

// Presses a device function, lets the loop run until the window is idle again, and
// reports the longest stall seen meanwhile.
void measure(benchmark::State& state, const std::function<void(Vireto&)>& press,
             const std::function<bool(Vireto&)>& done)
{
    WindowWorld world;
    auto w = world.openWindow();
    StallWatch watch;
    double worst = 0;
    for (auto _ : state) {
        watch.start();
        press(*w);
        if (!WindowWorld::waitFor([&] { return done(*w); }))
            state.SkipWithError("the function did not end");
        worst = std::max(worst, watch.longestMs());
        watch.stop();
    }
    state.counters["longest_stall_ms"] = worst;
}

// Answers the next message box (the about box) as soon as it shows.
void escapeNextBox()
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            QTest::keyClick(box, Qt::Key_Escape);
            poll->deleteLater();
        }
    });
    poll->start(5);
}

void BM_StallEquipmentTest(benchmark::State& state)
{
    measure(
        state, [](Vireto& w) { w.TestButSlot(); }, [](Vireto& w) { return !w.logic().busy(); });
}
BENCHMARK(BM_StallEquipmentTest)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_StallReconnect(benchmark::State& state)
{
    measure(
        state, [](Vireto& w) { w.ResetButSlot(); }, [](Vireto& w) { return !w.logic().busy(); });
}
BENCHMARK(BM_StallReconnect)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_StallGetStatus(benchmark::State& state)
{
    measure(
        state, [](Vireto& w) { w.FingerIntoButSlot(); },
        [](Vireto& w) { return !w.logic().busy(); });
}
BENCHMARK(BM_StallGetStatus)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_StallVersions(benchmark::State& state)
{
    measure(
        state,
        [](Vireto& w) {
            escapeNextBox();
            w.AboutButSlot();
        },
        [](Vireto& w) { return !w.logic().busy() && !QApplication::activeModalWidget(); });
}
BENCHMARK(BM_StallVersions)->Iterations(3)->Unit(benchmark::kMillisecond);

// Leaving: the exit question answered with OK, the monitor stopped while it checks, the
// frame back in work mode.
void BM_StallClose(benchmark::State& state)
{
    WindowWorld world;
    StallWatch watch;
    double worst = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<Vireto>(*world.device);
        w->show();
        WindowWorld::waitFor(
            [&] { return w->statusText() == QLatin1String("Devices check completed."); });
        state.ResumeTiming();
        watch.start();
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [poll] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                QTest::keyClick(box, Qt::Key_Tab);
                QTest::keyClick(box, Qt::Key_Return);
                poll->deleteLater();
            }
        });
        poll->start(5);
        QTimer::singleShot(0, w.get(), [&] { w->close(); });
        if (!WindowWorld::waitFor([&] { return !w->isVisible(); }))
            state.SkipWithError("the window did not go");
        worst = std::max(worst, watch.longestMs());
        watch.stop();
    }
    state.counters["longest_stall_ms"] = worst;
}
BENCHMARK(BM_StallClose)->Iterations(3)->Unit(benchmark::kMillisecond);

// Building and showing the engineering window is one stretch on the GUI thread before
// its event loop runs; the language change re-captions every panel.
void BM_StallOpenWindow(benchmark::State& state)
{
    WindowWorld world;
    double worst = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        auto w = std::make_unique<Vireto>(*world.device);
        w->show();
        QApplication::processEvents();
        worst = std::max(worst, t.nsecsElapsed() / 1e6);
        state.PauseTiming();
        w->monitor()->stop();
        w.reset();
        state.ResumeTiming();
    }
    state.counters["longest_stall_ms"] = worst;
}
BENCHMARK(BM_StallOpenWindow)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_StallLanguageChange(benchmark::State& state)
{
    WindowWorld world;
    QFile::copy(QStringLiteral(VIRETO_BIN_DIR "/Vireto_language.lrp"),
                world.home.path() + "/Vireto_language.lrp");
    auto w = world.openWindow();
    StallWatch watch;
    double worst = 0;
    int language = 0;
    for (auto _ : state) {
        watch.start();
        language = language == 3 ? 2 : 3;
        QTimer::singleShot(0, w.get(), [&] { w->LanguageCBoxSlot(language); });
        WindowWorld::waitFor([&] { return appContext().languageIndex == language; });
        QApplication::processEvents();
        worst = std::max(worst, watch.longestMs());
        watch.stop();
    }
    state.counters["longest_stall_ms"] = worst;
}
BENCHMARK(BM_StallLanguageChange)->Iterations(4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
