#pragma once

#include "app/AppContext.h"
#include "device/ConfigRecord.h"
#include "device/Delay.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "device/FlashMap.h"
#include "imaging/AdjustScreenState.h"
#include "imaging/ImagingState.h"
#include "imaging/LevelingConfig.h"
#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"
#include "imaging/StepGuard.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace imagingtest {

// The tool's device stack on a virtual frame, waits off, the run's log in a scratch
// folder.
class ImagingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delay::setTimeScale(0.0);
        resetDeviceState();
        resetImagingState();
        previewLineCount = 8; // as the image-adjusting window sets it
        frame = std::make_shared<sim::VirtualFrame>();
        device = std::make_unique<Device>(std::make_unique<sim::SimTransport>(frame));
        uint16_t pid = 0;
        ASSERT_EQ(device->transport().open(pid), 1);
        g_bDevExist = 1;
        g_isDeviceCommunicate = 1;
        appContext().log.setRoot(dir.file("log"));
        appContext().log.startRun(1, 0);
        if (appContext().texts.isEmpty())
            appContext().reloadLanguage();
    }
    void TearDown() override
    {
        delay::setTimeScale(1.0);
        appContext().log.setRoot(QStringLiteral("log"));
    }

    QByteArray logText() const
    {
        QFile f(appContext().log.logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Writes a configuration record with these fields straight into the frame's flash.
    void setConfigRecord(uint8_t penMode, uint8_t sensorType, uint8_t expTime = 144,
                         uint8_t expGain = 4)
    {
        ConfigRecord r;
        r.InfraredPenMode = penMode;
        r.SensorType = sensorType;
        r.InfraredExpTime = expTime;
        r.InfraredExpGain = expGain;
        const ConfigRecordBytes bytes = r.encode();
        ASSERT_TRUE(frame->writeFlash(flash_map::kConfigRecord, {bytes.begin(), bytes.end()}));
    }
    size_t requestsWith(uint8_t command) const
    {
        size_t n = 0;
        for (const auto& r : frame->requestLog())
            n += r[1] == command ? 1 : 0;
        return n;
    }

    ScratchDir dir;
    std::shared_ptr<sim::VirtualFrame> frame;
    std::unique_ptr<Device> device;
};

// What the image-adjusting worker gives its operations: a step guard over a shared
// window state, a stop flag, and the codes it reports.
struct WorkerHarness {
    explicit WorkerHarness(Device& device)
        : guard(device, state, stop, [this](int code) { record(code); })
    {
        control.stopRequested = [this] { return stop != 0; };
        control.stepGuard = [this] {
            ++guardRuns;
            return guard();
        };
        control.report = [this](int code) { record(code); };
    }
    void record(int code)
    {
        std::lock_guard lock(mutex);
        codes.push_back(code);
    }
    std::vector<int> reported()
    {
        std::lock_guard lock(mutex);
        return codes;
    }

    AdjustScreenState state;
    std::atomic<int> stop{0};
    StepGuard guard;
    ReadControl control;
    LevelingConfig config;
    int guardRuns = 0;
    std::mutex mutex;
    std::vector<int> codes;
};

} // namespace imagingtest
