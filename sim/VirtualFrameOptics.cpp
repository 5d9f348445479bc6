#include "sim/VirtualFrame.h"

// The optical part of the virtual frame's public face: faults and the model's truth.
namespace sim {

void VirtualFrame::breakSensorDataLine(Side side, int bit, bool stuckHigh)
{
    std::lock_guard lock(mutex_);
    if (bit < 0 || bit > 7)
        return;
    OpticalFaults& faults = state_.opticsModel.faults(side);
    const auto line = static_cast<uint8_t>(1u << bit);
    faults.linesReadingLow = static_cast<uint8_t>(faults.linesReadingLow & ~line);
    faults.linesReadingHigh = static_cast<uint8_t>(faults.linesReadingHigh & ~line);
    (stuckHigh ? faults.linesReadingHigh : faults.linesReadingLow) |= line;
}

void VirtualFrame::darkenBezel(Side side, uint16_t firstColumn, uint16_t columns)
{
    std::lock_guard lock(mutex_);
    OpticalFaults& faults = state_.opticsModel.faults(side);
    faults.darkFrom = firstColumn;
    faults.darkColumns = columns;
}

void VirtualFrame::hideStartLine(Side side)
{
    std::lock_guard lock(mutex_);
    state_.opticsModel.faults(side).startLineHidden = true;
}

void VirtualFrame::driftSensorRegister(Side side, uint8_t reg)
{
    std::lock_guard lock(mutex_);
    state_.opticsModel.faults(side).driftingSensor[reg] = 0;
}

void VirtualFrame::stickFpgaRegister(Side side, uint16_t reg, uint8_t value)
{
    std::lock_guard lock(mutex_);
    state_.opticsModel.faults(side).stuckFpga[reg] = value;
    state_.module(side).registers.setFpga(reg, value);
}

BezelTruth VirtualFrame::bezel(Side side) const
{
    std::lock_guard lock(mutex_);
    return state_.opticsModel.bezel(side);
}

void VirtualFrame::setBezel(Side side, const BezelTruth& bezel)
{
    std::lock_guard lock(mutex_);
    state_.opticsModel.bezel(side) = bezel;
}

ModuleOptics VirtualFrame::opticsTruth(Side side) const
{
    std::lock_guard lock(mutex_);
    return state_.opticsModel.levelled(side);
}

void VirtualFrame::holdPictures(bool hold)
{
    std::lock_guard lock(mutex_);
    state_.opticsModel.holdPictures(hold);
}

std::vector<uint8_t> VirtualFrame::idealPicture(Side side) const
{
    std::lock_guard lock(mutex_);
    return state_.opticsModel.idealPicture(state_, side);
}

} // namespace sim
