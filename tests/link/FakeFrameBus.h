#pragma once

// A bus of hand-made frames for the socket server's tests: each frame has a list of
// collections, can be unplugged and plugged back in (a handle opened before the unplug
// stays dead, as with real devices), and records the reports set on it. Thread-safe:
// the server's thread calls it while the test plugs and unplugs.

#include "device/HidBus.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace link_test {

struct FakeFrame {
    using Usage = std::pair<uint16_t, uint16_t>; // usage page, usage
    static constexpr Usage kMouse{0x0001, 0x0002};
    static constexpr Usage kDigitizer{0x000D, 0x0004};
    static constexpr Usage kVendor{0xFF00, 0x0001};

    FakeFrame(uint16_t vendor, uint16_t product, std::vector<Usage> usages, uint8_t marker)
        : vendorId(vendor), productId(product), collections(std::move(usages)), marker(marker)
    {
    }

    const uint16_t vendorId;
    const uint16_t productId;
    const std::vector<Usage> collections;
    // Byte 1 of every report read from this frame, to tell frames apart.
    const uint8_t marker;

    void unplug()
    {
        std::lock_guard lock(mutex);
        plugged = false;
    }
    void plug()
    {
        std::lock_guard lock(mutex);
        if (!plugged)
            ++powerUps;
        plugged = true;
    }
    void setRefuseReports(bool refuse)
    {
        std::lock_guard lock(mutex);
        refuseReports = refuse;
    }
    std::vector<std::vector<uint8_t>> reportsSet() const
    {
        std::lock_guard lock(mutex);
        return received;
    }
    int openHandles() const
    {
        std::lock_guard lock(mutex);
        return handles;
    }

    mutable std::mutex mutex;
    bool plugged = true;
    int powerUps = 0;
    bool refuseReports = false;
    int handles = 0;
    std::vector<std::vector<uint8_t>> received;
};

class FakeFrameHandle : public HidCollection {
public:
    FakeFrameHandle(std::shared_ptr<FakeFrame> frame, size_t collection)
        : frame_(std::move(frame)), collection_(collection)
    {
        std::lock_guard lock(frame_->mutex);
        powerUp_ = frame_->powerUps;
        ++frame_->handles;
    }
    ~FakeFrameHandle() override
    {
        std::lock_guard lock(frame_->mutex);
        --frame_->handles;
    }

    bool attributes(uint16_t& vendorId, uint16_t& productId) override
    {
        std::lock_guard lock(frame_->mutex);
        vendorId = frame_->vendorId;
        productId = frame_->productId;
        return alive();
    }
    bool usage(uint16_t& usagePage, uint16_t& usage) override
    {
        std::lock_guard lock(frame_->mutex);
        usagePage = frame_->collections[collection_].first;
        usage = frame_->collections[collection_].second;
        return alive();
    }
    bool getFeature(uint8_t* report, size_t length) override
    {
        std::lock_guard lock(frame_->mutex);
        if (!alive() || frame_->refuseReports)
            return false;
        // Byte 1: the frame; then the last report set, as far as it fits.
        for (size_t i = 1; i < length; ++i)
            report[i] = static_cast<uint8_t>(i);
        if (length > 1)
            report[1] = frame_->marker;
        if (!frame_->received.empty())
            for (size_t i = 2; i < length && i < frame_->received.back().size(); ++i)
                report[i] = frame_->received.back()[i];
        return true;
    }
    bool setFeature(const uint8_t* report, size_t length) override
    {
        std::lock_guard lock(frame_->mutex);
        if (!alive() || frame_->refuseReports)
            return false;
        frame_->received.emplace_back(report, report + length);
        return true;
    }

private:
    bool alive() const { return frame_->plugged && frame_->powerUps == powerUp_; }

    std::shared_ptr<FakeFrame> frame_;
    size_t collection_;
    int powerUp_ = 0;
};

// Paths "fake:<frame>:<collection>"; frames in the order given.
class FakeFrameBus : public HidBus {
public:
    explicit FakeFrameBus(std::vector<std::shared_ptr<FakeFrame>> frames)
        : frames_(std::move(frames))
    {
    }

    std::vector<std::string> enumerate() override
    {
        std::vector<std::string> paths;
        for (size_t f = 0; f < frames_.size(); ++f) {
            std::lock_guard lock(frames_[f]->mutex);
            if (!frames_[f]->plugged)
                continue;
            for (size_t c = 0; c < frames_[f]->collections.size(); ++c)
                paths.push_back("fake:" + std::to_string(f) + ":" + std::to_string(c));
        }
        return paths;
    }

    std::unique_ptr<HidCollection> openCollection(const std::string& path) override
    {
        size_t f = 0;
        size_t c = 0;
        if (std::sscanf(path.c_str(), "fake:%zu:%zu", &f, &c) != 2 || f >= frames_.size() ||
            c >= frames_[f]->collections.size())
            return nullptr;
        {
            std::lock_guard lock(frames_[f]->mutex);
            if (!frames_[f]->plugged)
                return nullptr;
        }
        return std::make_unique<FakeFrameHandle>(frames_[f], c);
    }

private:
    std::vector<std::shared_ptr<FakeFrame>> frames_;
};

} // namespace link_test
