#include "imaging/ImageSensorTestThread.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "device/DeviceState.h"
#include "imaging/BackgroundFrames.h"
#include "imaging/DeviceSteps.h"
#include "imaging/FrameDump.h"

#include <cstring>
#include <string>

namespace {

constexpr uint8_t kPatternSelect = 0x38;
constexpr uint8_t kPatternRamp = 0x07;
constexpr uint8_t kOutputMode = 0x84;
constexpr uint8_t kOutputPattern = 0x02;
constexpr int kReferenceDump = 1;

} // namespace

ImageSensorTestThread::ImageSensorTestThread(Device& device, SensorTestState& state,
                                             QString dumpPrefix, QObject* parent)
    : DeviceWorker(device, parent), state_(state), dumpPrefix_(std::move(dumpPrefix)),
      dumpWriter_(SaveCalibrationImages)
{
}

ImageSensorTestThread::~ImageSensorTestThread()
{
    stopAndWait();
}

bool ImageSensorTestThread::prepare()
{
    state_.passCount = 0;
    if (state_.imageMode) {
        buffers_.emplace();
        if (!buffers_->valid()) {
            buffers_.reset();
            return false;
        }
    }
    return true;
}

void ImageSensorTestThread::cleanUp()
{
    buffers_.reset();
}

bool ImageSensorTestThread::mayAccess()
{
    if (stopRequested())
        return false;
    if (g_bDevExist && g_isDeviceCommunicate)
        return true;
    emit sendData(kDeviceLost);
    requestStop();
    return false;
}

void ImageSensorTestThread::accessFailed()
{
    if (!g_bDevExist || !g_isDeviceCommunicate)
        emit sendData(kDeviceLost);
}

void ImageSensorTestThread::run()
{
    if (state_.imageMode)
        runImageMode();
    else
        runSensorMode();
}

void ImageSensorTestThread::runImageMode()
{
    for (Side side : {Side::Master, Side::Slave}) {
        if (!mayAccess())
            return;
        if (!device_steps::I2CWrite(device_, side, kPatternSelect, kPatternRamp))
            return accessFailed();
        if (!mayAccess())
            return;
        if (!device_steps::I2CWrite(device_, side, kOutputMode, kOutputPattern))
            return accessFailed();
    }
    FrameCopy& refMaster = g_BackgroundFrames[static_cast<size_t>(Side::Master)];
    FrameCopy& refSlave = g_BackgroundFrames[static_cast<size_t>(Side::Slave)];
    for (;;) {
        const int pass = ++state_.passCount;
        emit sendData(kPassStarted);
        bool halted = false;
        if (!readChunkedFrame(device_, [&] {
                halted = !mayAccess();
                return !halted;
            })) {
            if (!halted)
                accessFailed();
            return;
        }
        if (pass == 1) {
            std::memcpy(refMaster.data(), pFrameYA, refMaster.size());
            std::memcpy(refSlave.data(), pFrameYB, refSlave.size());
            continue;
        }
        for (size_t i = 0; i < frame_geometry::kBufferSize; ++i) {
            if (pFrameYA[i] != refMaster[i] || pFrameYB[i] != refSlave[i]) {
                dumpWriter_(dumpPrefix_, kReferenceDump, refMaster.data(), refSlave.data());
                dumpWriter_(dumpPrefix_, pass, pFrameYA, pFrameYB);
                emit sendData(kImageDiffers);
                return;
            }
        }
    }
}

void ImageSensorTestThread::runSensorMode()
{
    for (int i = 0; i < kRegisters; ++i) {
        const auto reg = static_cast<uint8_t>(i);
        for (Side side : {Side::Master, Side::Slave}) {
            if (!mayAccess())
                return;
            if (!device_steps::I2CWrite(device_, side, reg, reg))
                return accessFailed();
        }
    }
    for (;;) {
        const int pass = ++state_.passCount;
        emit sendData(kPassStarted);
        L_Error.fill(0);
        R_Error.fill(0);
        for (size_t i = 0; i < kRegisters; ++i) {
            const auto reg = static_cast<uint8_t>(i);
            uint8_t& left = pass == 1 ? L_First[i] : L_Error[i];
            uint8_t& right = pass == 1 ? R_First[i] : R_Error[i];
            if (!mayAccess())
                return;
            if (!device_steps::I2C_Read(device_, Side::Master, reg, left))
                return accessFailed();
            if (!mayAccess())
                return;
            if (!device_steps::I2C_Read(device_, Side::Slave, reg, right))
                return accessFailed();
        }
        if (pass > 1 && (L_Error != L_First || R_Error != R_First)) {
            logReadings();
            emit sendData(kRegistersDiffer);
            return;
        }
    }
}

void ImageSensorTestThread::logReadings()
{
    const auto line = [](const char* name, const Readings& values) {
        std::string text = std::string(name) + ":";
        for (uint8_t v : values)
            text += std::to_string(v) + " ";
        text += "\n";
        serviceLog().log(text.c_str());
    };
    line("L_First", L_First);
    line("L_Error", L_Error);
    serviceLog().log("\n", false, true);
    line("R_First", R_First);
    line("R_Error", R_Error);
    serviceLog().log("\n", false, true);
}
