#include "device/CollectionTransport.h"

#include "device/FrameIdentity.h"

#include "device/DebugOutput.h"

using namespace frame_identity;

CollectionTransport::CollectionTransport(std::unique_ptr<HidBus> bus) : bus_(std::move(bus)) {}

CollectionTransport::~CollectionTransport() = default;

int CollectionTransport::open(uint16_t& productId)
{
    productId = kNoProductId;
    std::unique_ptr<HidCollection> found;
    for (const std::string& path : bus_->enumerate()) {
        std::unique_ptr<HidCollection> c = bus_->openCollection(path);
        if (!c)
            continue;
        uint16_t vendor = 0;
        uint16_t product = 0;
        if (!c->attributes(vendor, product) || vendor != kVendorId || !isAcceptedProduct(product))
            continue;
        productId = product;
        uint16_t page = 0;
        uint16_t use = 0;
        if (c->usage(page, use) && isVendorCollection(page, use)) {
            found = std::move(c);
            break;
        }
    }
    // The old handle is released here, under the lock, so no transfer runs on it.
    std::lock_guard lock(transferLock_);
    handle_ = std::move(found);
    return handle_ ? 1 : 0;
}

int CollectionTransport::probe(uint16_t& productId)
{
    std::lock_guard lock(transferLock_);
    if (!handle_)
        return kProbeNotAFrame;
    uint16_t vendor = 0;
    uint16_t product = 0;
    if (!handle_->attributes(vendor, product) || vendor != kVendorId || !isAcceptedProduct(product))
        return kProbeNotAFrame;
    productId = product;
    uint16_t page = 0;
    uint16_t use = 0;
    if (!handle_->usage(page, use)) {
        debugPrintf("HidD_GetPreparsedData bRet=%d,usagepage=0x%04x,usage=0x%04x\n", 0, 0, 0);
        return kProbeNotAFrame;
    }
    return isVendorCollection(page, use) ? kProbeFrame : kProbeWrongCollection;
}

int CollectionTransport::getFeature64(uint8_t* report)
{
    std::lock_guard lock(transferLock_);
    if (handle_ && handle_->getFeature(report, kReportSize))
        return 1;
    debugPrintf("read File Error!\n");
    return 0;
}

int CollectionTransport::setFeature64(const uint8_t* report)
{
    std::lock_guard lock(transferLock_);
    if (handle_ && handle_->setFeature(report, kReportSize))
        return 1;
    debugPrintf("Write File Error!\n");
    return 0;
}

int CollectionTransport::getFeature3(uint8_t reportId, uint8_t* report)
{
    report[0] = reportId;
    std::lock_guard lock(transferLock_);
    return handle_ && handle_->getFeature(report, kKeyReportSize) ? 1 : 0;
}

int CollectionTransport::close()
{
    std::lock_guard lock(transferLock_);
    handle_.reset();
    return 1;
}

bool CollectionTransport::isOpen() const
{
    std::lock_guard lock(transferLock_);
    return handle_ != nullptr;
}
