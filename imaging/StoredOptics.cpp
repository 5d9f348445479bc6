#include "imaging/StoredOptics.h"

#include "codec/ByteOrder.h"
#include "codec/FlashMap.h"
#include "imaging/OpticalParams.h"

using namespace stored_optics;

namespace {

void loadExposure(OpticalParams& side, uint16_t word)
{
    side.exposureGain = static_cast<uint8_t>(word >> 8);
    side.exposureTime = static_cast<uint8_t>(word);
}

} // namespace

void setDefaultOptics()
{
    for (Side side : {Side::Master, Side::Slave}) {
        OpticalParams& p = opticalParams(side);
        p.endColumn = kDefaultEndColumn;
        p.startLine = kDefaultStartLine;
        p.startColumn = 0;
    }
}

bool storedTablesAbsent(const SensorBlock& block)
{
    return le::u16(block.data() + kFirstSegmentStart) > kLargestTableStart;
}

OpticalValues storedStartAndExposure(const SensorBlock& block, Side side)
{
    const uint8_t* b = block.data();
    const bool master = side == Side::Master;
    const uint16_t exposure = le::u16(b + (master ? kMasterExposure : kSlaveExposure));
    OpticalValues v;
    v.startLine = le::u16(b + (master ? kMasterStartLine : kSlaveStartLine));
    v.exposureGain = static_cast<uint8_t>(exposure >> 8);
    v.exposureTime = static_cast<uint8_t>(exposure);
    return v;
}

void loadStoredOptics(const SensorBlock& block, const StoredOpticsRules& rules)
{
    const uint8_t* b = block.data();
    OpticalParams& master = opticalParams(Side::Master);
    OpticalParams& slave = opticalParams(Side::Slave);
    master.startLine = le::u16(b + kMasterStartLine);
    slave.startLine = le::u16(b + kSlaveStartLine);
    if (rules.loadExposure) {
        loadExposure(master, le::u16(b + kMasterExposure));
        loadExposure(slave, le::u16(b + kSlaveExposure));
    }
    if (rules.checkTables && storedTablesAbsent(block)) {
        master.setOptimumLines({});
        slave.setOptimumLines({});
        return;
    }
    master.startColumn = le::u16(b + kLeftStartColumn);
    master.endColumn = le::u16(b + kLeftEndColumn);
    master.setOptimumLines(decodeOptimumLines(b + kMasterOptimumLines));
    slave.startColumn = le::u16(b + kRightStartColumn);
    slave.endColumn = le::u16(b + kRightEndColumn);
    slave.setOptimumLines(decodeOptimumLines(b + kSlaveOptimumLines));
}

std::array<uint16_t, 2> storedEndColumns(Device& device, uint16_t above)
{
    std::array<uint16_t, 2> columns{639, 639};
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block) || le::u32(block.data()) != flash_map::SENSORInfoFlag)
        return columns;
    const uint16_t left = le::u16(block.data() + stored_optics::kLeftEndColumn);
    const uint16_t right = le::u16(block.data() + stored_optics::kRightEndColumn);
    if (left > above && left <= 639)
        columns[0] = left;
    if (right > above && right <= 639)
        columns[1] = right;
    return columns;
}
