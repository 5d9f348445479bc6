#include "imaging/ImageAdjusting.h"

#include "codec/ConfigRecord.h"
#include "device/ConfigRecordStore.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "imaging/ColumnSearch.h"
#include "imaging/DeviceSteps.h"
#include "imaging/OpticalParams.h"
#include "imaging/QualityCheck.h"
#include "imaging/SearchState.h"
#include "imaging/StoredOptics.h"

#include <cstring>

namespace {

constexpr uint16_t kFirstColumn = 0;
constexpr uint16_t kLastColumn = 639;
constexpr uint16_t kExposureFirstColumn = 100;
constexpr uint8_t kSensorGainRegister = 0x00;
constexpr uint8_t kSensorGainForEvaluation = 0x1F;
constexpr uint8_t kSensorExposureRegister = 0x10;
constexpr uint8_t kSensorExposureForEvaluation = 0xF0;
constexpr double kEvaluationSettleMs = 500;

} // namespace

ImageAdjusting::ImageAdjusting(Device& device, const LevelingConfig& config,
                               const ReadControl& control, AdjustScreenState* state)
    : device_(device), config_(config), control_(control), steps_(control), state_(state)
{
}

void ImageAdjusting::markSearchDone()
{
    if (state_)
        state_->searchDone = 1;
}

int ImageAdjusting::failure(int code)
{
    return steps_.mayReport() ? code : kHalted;
}

int ImageAdjusting::LoadStoredOptics()
{
    setDefaultOptics();
    if (!steps_.next() || !device_.blocks.ReadCalibInfo(block_))
        return 0;
    const bool penMode = config_.InfraredPenMode != 0;
    loadStoredOptics(block_, {.loadExposure = !penMode, .checkTables = true});
    if (penMode) {
        ConfigRecord record;
        if (!steps_.next())
            return 0;
        if (ReadConfigRecord(device_, record) && record.valid()) {
            for (Side side : {Side::Master, Side::Slave}) {
                opticalParams(side).exposureGain = record.InfraredExpGain;
                opticalParams(side).exposureTime = record.InfraredExpTime;
            }
        }
    }
    markSearchDone();
    return 1;
}

int ImageAdjusting::SearchStartLines()
{
    g_SearchStartLine = 0;
    uint16_t master = 0xFFFF;
    uint16_t slave = 0xFFFF;
    const uint16_t low = g_StartLineSearchLow;
    const uint16_t high = g_StartLineSearchHigh;
    if (!steps_.next())
        return 0;
    const int masterOk = device_steps::checked(
        device_, device_.commands.SearchStartline(Side::Master, low, high, master));
    g_StartLineM = master;
    if (!steps_.next())
        return 0;
    const int slaveOk = device_steps::checked(
        device_, device_.commands.SearchStartline(Side::Slave, low, high, slave));
    g_StartLineS = slave;
    // Whether a line outside the sensor (a frame that did not find the band answers
    // 0xFFFF) may be configured is the frame's to say; the window shows such a line as
    // not found.
    g_SearchStartLine = masterOk && slaveOk;
    return g_SearchStartLine;
}

int ImageAdjusting::ConfigStartLines()
{
    g_OptimumStartLine = 0;
    const bool ok = steps_.next() &&
                    device_steps::checked(
                        device_, device_.commands.ConfigStartline(
                                     Side::Master, static_cast<uint16_t>(g_StartLineM.load()))) &&
                    steps_.next() &&
                    device_steps::checked(
                        device_, device_.commands.ConfigStartline(
                                     Side::Slave, static_cast<uint16_t>(g_StartLineS.load())));
    g_OptimumStartLine = ok;
    return ok;
}

int ImageAdjusting::OptimalizeLines()
{
    g_OptimumLineFlag = 0;
    for (Side side : {Side::Master, Side::Slave}) {
        if (!steps_.next() ||
            !device_steps::optimalizeLine(device_, side, kFirstColumn, kLastColumn))
            return 0;
    }
    g_OptimumLineFlag = 1;
    return 1;
}

int ImageAdjusting::SearchColumns()
{
    ColumnSearch search(device_, steps_, config_);
    ColumnResult columns = ColumnResult::current();
    const bool ok =
        config_.InfraredPenMode ? search.runPenMode(columns) : search.runNormal(columns);
    if (columns.found)
        columns.store();
    return ok;
}

bool ImageAdjusting::readEvaluationFrame()
{
    return readPreviewFrame(device_, previewLineCount, [this] { return steps_.next(); });
}

int ImageAdjusting::ExposureAndEvaluation()
{
    if (config_.QualityEvaluation) {
        steps_.report(kEvaluating);
        for (Side side : {Side::Master, Side::Slave}) {
            if (!steps_.next() ||
                !device_steps::I2CWrite(device_, side, kSensorGainRegister,
                                        kSensorGainForEvaluation) ||
                !steps_.next() ||
                !device_steps::I2CWrite(device_, side, kSensorExposureRegister,
                                        kSensorExposureForEvaluation))
                return kExposureFailed;
        }
        delay::wait(kEvaluationSettleMs);
        if (!pFrameYA || !pFrameYB || !readEvaluationFrame())
            return kColumnSearchFailed;
        std::array<uint8_t, frame_geometry::kBufferSize> left{};
        std::array<uint8_t, frame_geometry::kBufferSize> right{};
        std::memcpy(left.data(), pFrameYA, left.size());
        std::memcpy(right.data(), pFrameYB, right.size());
        using namespace quality_check;
        const OpticalParams& master = opticalParams(Side::Master);
        const OpticalParams& slave = opticalParams(Side::Slave);
        if (!passesDarkRunCheck(columnProfile(left.data(), master.optimumLines()),
                                master.endColumn))
            leftQualified = 0;
        if (!passesDarkRunCheck(columnProfile(right.data(), slave.optimumLines()), slave.endColumn))
            rightQualified = 0;
    }
    int ok = 1;
    for (Side side : {Side::Master, Side::Slave}) {
        if (!steps_.next())
            return kExposureFailed;
        OpticalParams& p = opticalParams(side);
        uint8_t time = 0;
        uint8_t gain = 0;
        const int sideOk = device_steps::checked(
            device_,
            device_.commands.GetExposure(side, kExposureFirstColumn,
                                         static_cast<uint16_t>(p.endColumn.load()), time, gain));
        p.exposureTime = time;
        p.exposureGain = gain;
        ok = ok && sideOk;
    }
    g_isExposureSuc = ok;
    return ok ? 0 : kExposureFailed;
}

int ImageAdjusting::runSearch()
{
    for (Side side : {Side::Master, Side::Slave}) {
        OpticalParams& p = opticalParams(side);
        p.endColumn = kLastColumn;
        p.startLine = 0;
        p.startColumn = 0;
    }
    markSearchDone();
    if (!SearchStartLines())
        return failure(kStartLineFailed);
    reportStage(1);
    if (!ConfigStartLines())
        return failure(kConfigStartLineFailed);
    reportStage(2);
    if (!OptimalizeLines())
        return failure(kOptimumLineFailed);
    reportStage(3);
    if (!SearchColumns()) {
        if (!steps_.mayReport())
            return kHalted;
        g_isDeviceCommunicate = 0;
        return kColumnSearchFailed;
    }
    reportStage(4);
    if (!config_.InfraredPenMode) {
        if (const int code = ExposureAndEvaluation())
            return failure(code);
    }
    reportStage(kSearchStages);
    return kSucceeded;
}
