#pragma once

#include <cstdint>

// How the tool recognises a frame among the system's HID collections.
namespace frame_identity {

constexpr uint16_t kVendorId = 0x0AC8;
constexpr uint16_t kBootLoaderProductId = 0xCB11;
constexpr uint16_t kFirstApplicationProductId = 0xCB12;
constexpr uint16_t kLastApplicationProductId = 0xCB15;
constexpr uint16_t kVendorUsagePage = 0xFF00;
constexpr uint16_t kVendorUsage = 0x0001;
constexpr uint16_t kNoProductId = 0x00FF;

constexpr bool isAcceptedProduct(uint16_t productId)
{
    return productId >= kBootLoaderProductId && productId <= kLastApplicationProductId;
}

constexpr bool isApplicationProduct(uint16_t productId)
{
    return productId >= kFirstApplicationProductId && productId <= kLastApplicationProductId;
}

constexpr bool isVendorCollection(uint16_t usagePage, uint16_t usage)
{
    return usagePage == kVendorUsagePage && usage == kVendorUsage;
}

} // namespace frame_identity
