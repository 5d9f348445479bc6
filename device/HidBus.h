#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One opened HID collection of some device.
class HidCollection {
public:
    virtual ~HidCollection() = default;
    // Vendor and product ID; false when they cannot be read (the device is gone).
    virtual bool attributes(uint16_t& vendorId, uint16_t& productId) = 0;
    // Top-level usage page and usage; false when the collection data cannot be read.
    virtual bool usage(uint16_t& usagePage, uint16_t& usage) = 0;
    // Feature reports, report ID in byte 0, length including that byte.
    virtual bool getFeature(uint8_t* report, size_t length) = 0;
    virtual bool setFeature(const uint8_t* report, size_t length) = 0;
};

// The system's list of HID collections: the real HID devices, the sockets of a
// frame-link folder, or the in-process virtual frames.
class HidBus {
public:
    virtual ~HidBus() = default;
    // The collections present now, in enumeration order.
    virtual std::vector<std::string> enumerate() = 0;
    // nullptr when the collection cannot be opened.
    virtual std::unique_ptr<HidCollection> openCollection(const std::string& path) = 0;
    // After enumerate(): why a collection of the frame's vendor and product IDs could not
    // be opened, when that was for lack of access; empty otherwise. The identity is
    // known without opening (hidapi reads it from the system), so this can be told
    // apart from no frame at all.
    virtual std::string accessProblem() const { return {}; }
};
