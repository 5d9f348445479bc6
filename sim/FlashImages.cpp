#include "sim/FlashImages.h"

#include "device/ByteOrder.h"
#include "device/SensorAngleTables.h"

#include <algorithm>
#include <cstring>

namespace sim {

using namespace flash_map;
namespace sb = sensor_block;

namespace {

constexpr size_t kSensorAngleTable = 1352;

// The tool writes its records in 32-byte pieces with zeros after the record (48 + 1
// pieces of the sensor block, 9 of the configuration record); a factory-programmed
// frame looks the same.
constexpr size_t kSensorBlockWritten = 49 * 32;
constexpr size_t kConfigRecordWritten = 9 * 32;

template <size_t N>
void place(FlashImage& image, uint32_t address, const std::array<uint8_t, N>& record,
           size_t written = N)
{
    std::fill_n(image.begin() + address, written, uint8_t{0});
    std::copy(record.begin(), record.end(), image.begin() + address);
}

void writeSegments(const OptimumLineTable& table, uint8_t* p)
{
    for (const OptimumSegment& s : table) {
        le::put16(p, s.line);
        le::put16(p + 2, s.startColumn);
        le::put16(p + 4, s.endColumn);
        p += sb::kSegmentSize;
    }
}

OptimumLineTable readSegments(const uint8_t* p)
{
    OptimumLineTable table{};
    for (OptimumSegment& s : table) {
        s = {le::u16(p), le::u16(p + 2), le::u16(p + 4)};
        p += sb::kSegmentSize;
    }
    return table;
}

uint16_t exposureWord(const ModuleOptics& optics)
{
    return static_cast<uint16_t>((optics.exposureGain << 8) | optics.exposureTime);
}

FlashImage firmwareOnlyImage(const FactoryValues& values)
{
    FlashImage image(kFlashSize, 0xFF);
    place(image, kImageDescriptor, imageDescriptor(values));
    place(image, kVersionBlock, versionBlock(values));
    return image;
}

} // namespace

std::array<uint8_t, kImageDescriptorSize> imageDescriptor(const FactoryValues& values)
{
    std::array<uint8_t, kImageDescriptorSize> d{};
    std::memcpy(d.data(), "AGPF", 4);
    d[4] = 1;
    d[5] = 0;
    le::put32(d.data() + 6, 0x11111111);
    le::put32(d.data() + 10, values.partAVersion);
    le::put32(d.data() + 14, 0);
    le::put32(d.data() + 18, 0x7E00);
    std::fill_n(d.data() + 22, 4, uint8_t{0x22});
    le::put32(d.data() + 26, 1);
    le::put32(d.data() + 30, 0x8000);
    le::put32(d.data() + 34, 0x7E00);
    return d;
}

std::array<uint8_t, kVersionBlockSize> versionBlock(const FactoryValues& values)
{
    std::array<uint8_t, kVersionBlockSize> v{};
    le::put32(v.data(), values.imageVersion);
    le::put32(v.data() + 4, values.bootLoaderVersion);
    return v;
}

void writeOptics(const ModuleOptics& master, const ModuleOptics& slave, uint8_t* block)
{
    le::put16(block + sb::kMasterStartLine, master.startLine);
    le::put16(block + sb::kMasterExposure, exposureWord(master));
    le::put16(block + sb::kSlaveStartLine, slave.startLine);
    le::put16(block + sb::kSlaveExposure, exposureWord(slave));
    le::put16(block + sb::kLeftStartColumn, master.startColumn);
    le::put16(block + sb::kLeftEndColumn, master.endColumn);
    writeSegments(master.optimumLines, block + sb::kMasterOptimumLines);
    le::put16(block + sb::kRightStartColumn, slave.startColumn);
    le::put16(block + sb::kRightEndColumn, slave.endColumn);
    writeSegments(slave.optimumLines, block + sb::kSlaveOptimumLines);
}

ModuleOptics readOptics(const uint8_t* block, Side side)
{
    const bool master = side == Side::Master;
    ModuleOptics o;
    o.startLine = le::u16(block + (master ? sb::kMasterStartLine : sb::kSlaveStartLine));
    const uint16_t exposure = le::u16(block + (master ? sb::kMasterExposure : sb::kSlaveExposure));
    o.exposureTime = static_cast<uint8_t>(exposure);
    o.exposureGain = static_cast<uint8_t>(exposure >> 8);
    o.startColumn = le::u16(block + (master ? sb::kLeftStartColumn : sb::kRightStartColumn));
    o.endColumn = le::u16(block + (master ? sb::kLeftEndColumn : sb::kRightEndColumn));
    o.optimumLines =
        readSegments(block + (master ? sb::kMasterOptimumLines : sb::kSlaveOptimumLines));
    return o;
}

std::array<uint8_t, kSensorBlockSize> sensorBlock(const FactoryValues& values)
{
    std::array<uint8_t, kSensorBlockSize> block{};
    le::put32(block.data() + sb::kFlag, SENSORInfoFlag);
    writeOptics(values.of(Side::Master), values.of(Side::Slave), block.data());
    // The lens table of the factory's sensors (SensorType 0), as a calibration stores it.
    for (size_t k = 0; k < angle_table::kEntries; ++k)
        le::put16(block.data() + kSensorAngleTable + 2 * k, angle_table::kTableB[k]);
    return block;
}

std::array<uint8_t, kConfigRecordSize> defaultConfigRecord()
{
    std::array<uint8_t, kConfigRecordSize> r{};
    le::put32(r.data(), ALGConfigInfoFlag);
    r[6] = 1;                      // touch enabled
    r[11] = 1;                     // calibration method
    r[12] = 8;                     // calibration points
    r[13] = 144;                   // infrared pen exposure time
    r[14] = 4;                     // infrared pen exposure gain
    r[16] = 1;                     // touch report type
    le::put32(r.data() + 18, 10);  // right click: largest movement
    le::put32(r.data() + 22, 240); // right click: hold time
    le::put32(r.data() + 26, 6);   // right click: frame count
    return r;
}

FlashImage blankFlashImage(const FactoryValues& values)
{
    return firmwareOnlyImage(values);
}

FlashImage factoryFlashImage(const FactoryValues& values)
{
    FlashImage image = firmwareOnlyImage(values);
    place(image, kSensorBlock, sensorBlock(values), kSensorBlockWritten);
    place(image, kConfigRecord, defaultConfigRecord(), kConfigRecordWritten);
    return image;
}

} // namespace sim
