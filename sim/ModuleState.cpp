#include "sim/ModuleState.h"

namespace sim {

ModuleState::ModuleState(const FactoryValues& factory)
    : dimLevel(factory.dimPixelLevel), registers(factory.sensorChipId)
{
    powerOn(ModuleOptics{});
}

void ModuleState::powerOn(const ModuleOptics& settings)
{
    registers.powerOn();
    optics = settings;
    captures = 0;
    streamA.interrupt();
    streamB.interrupt();
    // A module that has not captured yet still shows what its sensor sees.
    for (std::vector<uint8_t>& memory : imageMemory)
        memory.assign(kImageMemorySize, dimLevel);
}

void ModuleState::takePicture()
{
    for (std::vector<uint8_t>& memory : imageMemory)
        memory.assign(kImageMemorySize, dimLevel);
    ++captures;
}

} // namespace sim
