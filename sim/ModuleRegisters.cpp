#include "sim/ModuleRegisters.h"

#include <algorithm>

namespace sim {

ModuleRegisters::ModuleRegisters(uint8_t chipId) : chipId_(chipId)
{
    powerOn();
}

void ModuleRegisters::powerOn()
{
    fpga_.fill(0);
    sensor_.fill(0);
    sensor_[kSensorChipId] = chipId_;
    portLogs_.clear();
}

void ModuleRegisters::writeSensor(uint8_t reg, uint8_t value)
{
    if (reg != kSensorChipId)
        sensor_[reg] = value;
}

void ModuleRegisters::logPortWrite(uint16_t reg, const uint8_t* data, size_t length)
{
    PortLog& log = portLogs_[reg];
    const size_t room = kPortLogLimit - log.bytes.size();
    const size_t kept = std::min(room, length);
    log.bytes.insert(log.bytes.end(), data, data + kept);
    log.dropped += length - kept;
}

std::vector<uint8_t> ModuleRegisters::portLog(uint16_t reg) const
{
    const auto it = portLogs_.find(reg);
    return it == portLogs_.end() ? std::vector<uint8_t>{} : it->second.bytes;
}

size_t ModuleRegisters::portLogDropped(uint16_t reg) const
{
    const auto it = portLogs_.find(reg);
    return it == portLogs_.end() ? 0 : it->second.dropped;
}

void ModuleRegisters::clearPortLogs()
{
    portLogs_.clear();
}

} // namespace sim
