#pragma once

#include "device/CommandCodes.h"
#include "sim/FactoryValues.h"
#include "sim/FaultPlan.h"
#include "sim/FlashMemory.h"
#include "sim/ModuleState.h"
#include "sim/OpticsModel.h"
#include "sim/TouchModel.h"

#include <array>
#include <cstdint>
#include <memory>

namespace sim {

// What the frame's firmware holds: its flash, the two camera modules, its operating
// mode and status, and the faults it has been told to show. The command handlers work
// on it; the frame's lock is held around every use.
struct FrameState {
    FrameState(const FactoryValues& values, std::unique_ptr<FlashMemory> memory);

    // A restart: every module back to its power-up state with the optical settings stored
    // in the sensor information block (the factory ones while there is none), work mode.
    void powerOn();
    // The sensor information block carries its validity flag.
    bool hasSensorInformation() const;
    // Writes the optical settings the modules work with into the sensor information
    // block, keeping every other byte of its sectors.
    void storeOptics();

    ModuleState& module(Side side) { return modules[static_cast<size_t>(side)]; }
    const ModuleState& module(Side side) const { return modules[static_cast<size_t>(side)]; }

    FactoryValues factory;
    std::unique_ptr<FlashMemory> flash;
    std::array<ModuleState, 2> modules;
    // What the cameras see: the bezel, the emitters, the pictures and the optical faults.
    OpticsModel opticsModel;
    // What the cameras see of a finger, the virtual operator and the printed keys.
    TouchModel touchModel;
    FaultPlan faults;
    uint8_t mode = WorkMode;
    uint32_t errorCode = 0;
    int triggers = 0;
    uint8_t lastJumpTarget = 0;
    // A jump was answered: the frame restarts once the host has read the answer.
    bool jumpRequested = false;
};

} // namespace sim
