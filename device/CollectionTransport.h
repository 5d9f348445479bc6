#pragma once

#include "device/HidBus.h"
#include "device/HidTransport.h"

#include <memory>
#include <mutex>

// The transport over any list of HID collections: the identity rules of open and
// probe, the one open handle, and the transfer lock. The bus decides what a
// collection is (a hidraw node, a socket, a virtual frame).
class CollectionTransport : public HidTransport {
public:
    explicit CollectionTransport(std::unique_ptr<HidBus> bus);
    ~CollectionTransport() override;

    int open(uint16_t& productId) override;
    int probe(uint16_t& productId) override;
    int getFeature64(uint8_t* report) override;
    int setFeature64(const uint8_t* report) override;
    int getFeature3(uint8_t reportId, uint8_t* report) override;
    int close() override;
    bool isOpen() const override;

    HidBus& bus() { return *bus_; }

private:
    std::unique_ptr<HidBus> bus_;
    // Held around every transfer and around every change of the handle. It lives as
    // long as the transport, so re-opening never replaces a lock another thread holds.
    mutable std::mutex transferLock_;
    std::unique_ptr<HidCollection> handle_;
};
