#include "calibration/RecordStore.h"

#include "calibration/CalibrationTargets.h"
#include "calibration/CorrectionMaps.h"
#include "calibration/StoredRecord.h"
#include "device/FlashMap.h"

namespace {

QString linkText(Device& device)
{
    return QString::fromLatin1(failureText(device.link.lastOutcome()));
}

RegisterRequest sensorBlockSectors()
{
    RegisterRequest r;
    r.addressWord = flash_map::kSensorBlockWord;
    r.length = flash_map::kSensorBlockSectors;
    return r;
}

} // namespace

StoreOutcome StoreRecord(Device& device, const CalibrationRecord& record, int width, int height,
                         const angle_table::Table& table, const SolveControl& control)
{
    StoreOutcome out;
    auto stopped = [&] {
        if (!control.stopRequested())
            return false;
        out.status = SolveStatus::Stopped;
        return true;
    };
    auto failed = [&](const QString& step) {
        out.status = SolveStatus::Failed;
        out.error = QStringLiteral("%1 failed: %2").arg(step, linkText(device));
        return out;
    };
    if (width <= 0 || width > 0xFFFF || height <= 0 || height > 0xFFFF) {
        out.error =
            QStringLiteral("desktop size %1 x %2 does not fit the block").arg(width).arg(height);
        return out;
    }
    control.progress(70);
    if (stopped())
        return out;
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block))
        return failed(QStringLiteral("reading the sensor information block"));
    control.progress(90);
    putCalibration(block, record, static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                   table);
    if (stopped())
        return out;
    if (!device.access.erase(sensorBlockSectors()))
        return failed(QStringLiteral("erasing the sensor information block"));
    if (stopped())
        return out;
    if (!device.blocks.writeSensorBlock(block))
        return failed(QStringLiteral("writing the sensor information block (or its read-back)"));
    if (!device.blocks.ReadCalibInfo(out.stored))
        return failed(QStringLiteral("reading the stored block"));
    out.status = SolveStatus::Done;
    return out;
}

FastResult SolveFast(Device& device, const FastInputs& inputs, const SolveControl& control)
{
    FastResult result;
    if (control.stopRequested()) {
        result.status = SolveStatus::Stopped;
        return result;
    }
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block)) {
        result.error =
            QStringLiteral("reading the sensor information block failed: %1").arg(linkText(device));
        return result;
    }
    if (!hasSensorInfoFlag(block)) {
        result.error =
            QStringLiteral("the frame holds no 16-point calibration (no \"FIWF\" block)");
        return result;
    }
    result.record = recordOf(block);
    result.error = stored_record::problemOf(result.record);
    if (!result.error.isEmpty())
        return result;
    const camera_model::Model model = stored_record::modelOf(result.record, *inputs.table);
    result.R = static_cast<float>(model.R);
    if (control.stopRequested()) {
        result.status = SolveStatus::Stopped;
        return result;
    }
    result.error =
        correction_maps::BuildMap4(result.record, model, inputs.left, inputs.right,
                                   calibration_targets::fastTargets(inputs.width, inputs.height));
    result.status = result.error.isEmpty() ? SolveStatus::Done : SolveStatus::Failed;
    return result;
}
