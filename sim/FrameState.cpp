#include "sim/FrameState.h"

#include "device/ByteOrder.h"
#include "sim/FlashImages.h"

#include <vector>

namespace sim {

FrameState::FrameState(const FactoryValues& values, std::unique_ptr<FlashMemory> memory)
    : factory(values), flash(std::move(memory)), modules{ModuleState(values), ModuleState(values)}
{
    powerOn();
}

bool FrameState::hasSensorInformation() const
{
    return le::u32(flash->bytes() + flash_map::kSensorBlock) == flash_map::SENSORInfoFlag;
}

void FrameState::storeOptics()
{
    constexpr uint32_t kFirstSector = flash_map::kSensorBlock / FlashMemory::kSectorSize;
    constexpr uint32_t kBytes = flash_map::kSensorBlockSectors * FlashMemory::kSectorSize;
    std::vector<uint8_t> sectors(kBytes);
    flash->read(flash_map::kSensorBlock, sectors.data(), kBytes);
    writeOptics(module(Side::Master).optics, module(Side::Slave).optics, sectors.data());
    flash->eraseSectors(kFirstSector, flash_map::kSensorBlockSectors);
    flash->program(flash_map::kSensorBlock, sectors.data(), kBytes);
}

void FrameState::powerOn()
{
    const bool stored = hasSensorInformation();
    const uint8_t* block = flash->bytes() + flash_map::kSensorBlock;
    for (Side side : {Side::Master, Side::Slave})
        module(side).powerOn(stored ? readOptics(block, side) : factory.of(side));
    opticsModel.powerOn(*this);
    mode = WorkMode;
    triggers = 0;
}

} // namespace sim
