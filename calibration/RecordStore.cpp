#include "calibration/RecordStore.h"

#include "calibration/CalibrationTargets.h"
#include "calibration/CorrectionMaps.h"
#include "calibration/StoredRecord.h"
#include "device/FlashMap.h"
#include "device/SensorBlockRewrite.h"

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
        out.error = QStringLiteral("%1 failed: %2").arg(step, linkFailureText(device));
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
    const SensorBlock before = block;
    putCalibration(block, record, static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                   table);
    if (stopped())
        return out;
    // Once the erase has begun the rewrite is seen through: a stop in between would
    // leave the block erased.
    const sensor_block_rewrite::Outcome rewritten =
        sensor_block_rewrite::rewrite(device, before, block, control.operatorStop);
    if (!rewritten.ok) {
        out.error = rewritten.error;
        return out;
    }
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
        result.error = QStringLiteral("reading the sensor information block failed: %1")
                           .arg(linkFailureText(device));
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
