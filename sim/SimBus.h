#pragma once

#include "device/HidBus.h"
#include "sim/VirtualFrame.h"

#include <memory>
#include <vector>

namespace sim {

// The in-process list of HID collections: every collection of every plugged virtual
// frame, frames in the order given, each frame's collections in its own order.
// Collection paths are "sim:<frame>:<collection>".
class SimBus : public HidBus {
public:
    explicit SimBus(std::vector<std::shared_ptr<VirtualFrame>> frames);
    std::vector<std::string> enumerate() override;
    std::unique_ptr<HidCollection> openCollection(const std::string& path) override;

    const std::vector<std::shared_ptr<VirtualFrame>>& frames() const { return frames_; }

    static std::string pathOf(size_t frame, int collection);

private:
    std::vector<std::shared_ptr<VirtualFrame>> frames_;
};

} // namespace sim
