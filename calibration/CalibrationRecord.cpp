#include "calibration/CalibrationRecord.h"

#include "device/ByteOrder.h"

#include <algorithm>

namespace {

constexpr size_t kLCam = 0;
constexpr size_t kRCam = 12;
constexpr size_t kMaps = 24;
constexpr size_t kEvalPt = 344;
constexpr size_t kRFix = 408;

void putCamera(uint8_t* p, const CameraRecord& c)
{
    le::put16(p, static_cast<uint16_t>(c.Po_l4.x));
    le::put16(p + 2, static_cast<uint16_t>(c.Po_l4.y));
    le::put32(p + 4, static_cast<uint32_t>(c.L_A));
    le::put32(p + 8, static_cast<uint32_t>(c.L_Angle_fix));
}

CameraRecord cameraAt(const uint8_t* p)
{
    CameraRecord c;
    c.Po_l4 = {le::i16(p), le::i16(p + 2)};
    c.L_A = static_cast<int32_t>(le::u32(p + 4));
    c.L_Angle_fix = static_cast<int32_t>(le::u32(p + 8));
    return c;
}

} // namespace

CalibrationRecord::Bytes CalibrationRecord::encode() const
{
    Bytes b{};
    putCamera(b.data() + kLCam, LCam);
    putCamera(b.data() + kRCam, RCam);
    for (int n = 0; n < kMaps; ++n)
        for (int c = 0; c < kCoefficients; ++c)
            le::put32(b.data() + ::kMaps + 4 * static_cast<size_t>(n * kCoefficients + c),
                      static_cast<uint32_t>(X[static_cast<size_t>(n)][static_cast<size_t>(c)]));
    for (size_t k = 0; k < EvalPt.size(); ++k) {
        le::put16(b.data() + kEvalPt + 4 * k, static_cast<uint16_t>(EvalPt[k].x));
        le::put16(b.data() + kEvalPt + 4 * k + 2, static_cast<uint16_t>(EvalPt[k].y));
    }
    le::put32(b.data() + kRFix, static_cast<uint32_t>(r_fix));
    return b;
}

CalibrationRecord CalibrationRecord::decode(const uint8_t* bytes)
{
    CalibrationRecord r;
    r.LCam = cameraAt(bytes + kLCam);
    r.RCam = cameraAt(bytes + kRCam);
    for (int n = 0; n < kMaps; ++n)
        for (int c = 0; c < kCoefficients; ++c)
            r.X[static_cast<size_t>(n)][static_cast<size_t>(c)] = static_cast<int32_t>(
                le::u32(bytes + ::kMaps + 4 * static_cast<size_t>(n * kCoefficients + c)));
    for (size_t k = 0; k < r.EvalPt.size(); ++k)
        r.EvalPt[k] = {le::i16(bytes + kEvalPt + 4 * k), le::i16(bytes + kEvalPt + 4 * k + 2)};
    r.r_fix = static_cast<int32_t>(le::u32(bytes + kRFix));
    return r;
}

bool hasSensorInfoFlag(const SensorBlock& block)
{
    return le::u32(block.data()) == flash_map::SENSORInfoFlag;
}

void putCalibration(SensorBlock& block, const CalibrationRecord& record, uint16_t width,
                    uint16_t height, const angle_table::Table& table)
{
    le::put32(block.data(), flash_map::SENSORInfoFlag);
    const CalibrationRecord::Bytes bytes = record.encode();
    std::copy(bytes.begin(), bytes.end(), block.begin() + sensor_info::kRecord);
    le::put16(block.data() + sensor_info::kWidth, width);
    le::put16(block.data() + sensor_info::kHeight, height);
    for (size_t k = 0; k < table.size(); ++k)
        le::put16(block.data() + sensor_info::kAngleTable + 2 * k, table[k]);
}

CalibrationRecord recordOf(const SensorBlock& block)
{
    return CalibrationRecord::decode(block.data() + sensor_info::kRecord);
}

uint16_t widthOf(const SensorBlock& block)
{
    return le::u16(block.data() + sensor_info::kWidth);
}

uint16_t heightOf(const SensorBlock& block)
{
    return le::u16(block.data() + sensor_info::kHeight);
}
