#pragma once

#include "device/CollectionTransport.h"
#include "sim/SimBus.h"

#include <memory>
#include <vector>

namespace sim {

// The transport to in-process virtual frames: the same open, probe and transfer rules
// as for real frames, over a bus of virtual ones.
class SimTransport : public CollectionTransport {
public:
    explicit SimTransport(std::shared_ptr<VirtualFrame> frame)
        : SimTransport(std::vector<std::shared_ptr<VirtualFrame>>{std::move(frame)})
    {
    }
    explicit SimTransport(std::vector<std::shared_ptr<VirtualFrame>> frames)
        : CollectionTransport(std::make_unique<SimBus>(std::move(frames)))
    {
    }

    SimBus& simBus() { return static_cast<SimBus&>(bus()); }
};

} // namespace sim
