#pragma once

#include "device/Device.h"
#include "device/WorkerThread.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// A part of the flash the flash test does not compare: bytes first..last of the sector
// at sectorOffset.
struct FlashSkipRange {
    uint32_t first = 0;
    uint32_t last = 0;
    uint32_t sectorOffset = 0;
    bool contains(uint32_t address) const;
};

struct FlashTestOptions {
    // "Skip part of the flash", with the parts chosen; off: the whole flash is compared.
    bool skipRanges = false;
    bool skipExposure = false; // bytes 4..7 of the sector at 0x11000
    bool skipColumns = false;  // bytes 8..11
    bool skipLines = false;    // bytes 18..65
    // The start-line search bounds of the leveling, and the modules' end columns (639
    // until a column search set them), Master then Slave.
    uint16_t searchLow = 200;
    uint16_t searchHigh = 300;
    std::array<uint16_t, 2> endColumns{639, 639};
    // When set, gives the end columns at the start of the run (on the worker's thread),
    // in place of endColumns.
    std::function<std::array<uint16_t, 2>(Device&)> endColumnsSource;
    // Dumps go to dumpPrefix + n + "_Flash_Master.bin" / "_Flash_Slave.bin".
    QString dumpPrefix;
    double firstWaitMs = 1000;
    double cycleWaitMs = 30000;
    // 0: cycles until stopped; else the test ends (silently) after this many cycles.
    int maxCycles = 0;

    std::vector<FlashSkipRange> ranges() const;
};

// What the window reads while the test runs.
struct FlashTestState {
    std::atomic<int> runCounter{0};          // 0 before the first cycle
    std::atomic<uint32_t> lastDifference{0}; // flash address of the last difference found
};

// The factory flash test: a reference dump of both modules' flash, then cycles that
// exercise the frame (mode switches, start-line searches, exposure, a store of the
// optical parameters on every odd cycle) and check that neither flash changed outside
// the skip ranges. Each cycle's dumps stay for inspection. One step per call, so that
// tests can change the frame between them; run() is the whole test.
class FlashTestRun {
public:
    enum Code {
        kTestEnded = 0,     // the frame was lost, or a mode switch failed
        kCycleFailed = 2,   // a device step or a dump of a cycle failed
        kCycleStarted = 3,  // runCounter() is the new cycle
        kMasterDiffers = 4, // lastDifference() is the flash address
        kSlaveDiffers = 5,
        kReferenceFailed = 6, // the reference dump failed
    };
    static constexpr uint16_t kExposureStartColumn = 100;

    FlashTestRun(Device& device, FlashTestOptions options, FlashTestState& state,
                 const std::atomic<int>& stop, std::function<void(int)> send);

    void run();
    // The first wait, calibration mode and the dumps of run 0; false (code 6 sent, or
    // stopped) when the test cannot go on.
    bool takeReference();
    // One cycle (without the wait after it); false when the test ended in it. The
    // counter is in the state.
    bool cycle();

    static QString dumpName(const QString& prefix, int run, Side side);

private:
    bool dump(int run, std::array<std::vector<uint8_t>, 2>& images);
    // The first differing address outside the skip ranges, or -1.
    int64_t firstDifference(const std::vector<uint8_t>& now,
                            const std::vector<uint8_t>& reference) const;
    bool wait(double ms);
    bool frameUsable() const;

    Device& device_;
    FlashTestOptions options_;
    std::vector<FlashSkipRange> ranges_;
    const std::atomic<int>& stop_;
    std::function<void(int)> send_;
    FlashTestState& state_;
    std::array<std::vector<uint8_t>, 2> reference_;
};

// The flash test worker of the factory test window, codes through sendShowData(int).
class RWFlashTestThread : public WorkerThread {
    Q_OBJECT
public:
    RWFlashTestThread(Device& device, FlashTestOptions options, QObject* parent = nullptr);
    ~RWFlashTestThread() override;

    bool startTest() { return startWorker(); }
    void stopTest() { stopAndWait(); }
    const FlashTestState& state() const { return state_; }

signals:
    void sendShowData(int code);

protected:
    void run() override;

private:
    Device& device_;
    FlashTestOptions options_;
    FlashTestState state_;
};
