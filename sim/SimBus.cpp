#include "sim/SimBus.h"

#include <charconv>
#include <string_view>

namespace sim {
namespace {

constexpr std::string_view kPrefix = "sim:";

// A collection handle that asks the frame on every call, so that an unplugged frame or a
// changed usage is noticed the moment it happens.
class SimCollection : public HidCollection {
public:
    SimCollection(std::shared_ptr<VirtualFrame> frame, int collection, uint64_t connection)
        : frame_(std::move(frame)), collection_(collection), connection_(connection)
    {
    }

    bool attributes(uint16_t& vendorId, uint16_t& productId) override
    {
        return frame_->collectionAttributes(collection_, connection_, vendorId, productId);
    }
    bool usage(uint16_t& usagePage, uint16_t& usage) override
    {
        return frame_->collectionUsage(collection_, connection_, usagePage, usage);
    }
    bool getFeature(uint8_t* report, size_t length) override
    {
        return frame_->getFeature(collection_, connection_, report, length);
    }
    bool setFeature(const uint8_t* report, size_t length) override
    {
        return frame_->setFeature(collection_, connection_, report, length);
    }

private:
    std::shared_ptr<VirtualFrame> frame_;
    int collection_;
    uint64_t connection_;
};

// Reads a decimal number up to the given separator (or the end); false on anything else.
bool takeNumber(std::string_view& text, int& value, char separator)
{
    const char* end = text.data() + text.size();
    const auto [next, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || next == text.data() || value < 0)
        return false;
    text.remove_prefix(static_cast<size_t>(next - text.data()));
    if (separator == '\0')
        return text.empty();
    if (text.empty() || text.front() != separator)
        return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

SimBus::SimBus(std::vector<std::shared_ptr<VirtualFrame>> frames) : frames_(std::move(frames)) {}

std::string SimBus::pathOf(size_t frame, int collection)
{
    return std::string(kPrefix) + std::to_string(frame) + ":" + std::to_string(collection);
}

std::vector<std::string> SimBus::enumerate()
{
    std::vector<std::string> paths;
    for (size_t f = 0; f < frames_.size(); ++f) {
        if (!frames_[f])
            continue;
        for (int collection : frames_[f]->collections())
            paths.push_back(pathOf(f, collection));
    }
    return paths;
}

std::unique_ptr<HidCollection> SimBus::openCollection(const std::string& path)
{
    std::string_view rest = path;
    if (rest.substr(0, kPrefix.size()) != kPrefix)
        return nullptr;
    rest.remove_prefix(kPrefix.size());
    int frame = 0;
    int collection = 0;
    if (!takeNumber(rest, frame, ':') || !takeNumber(rest, collection, '\0'))
        return nullptr;
    if (static_cast<size_t>(frame) >= frames_.size() || !frames_[static_cast<size_t>(frame)])
        return nullptr;
    const std::shared_ptr<VirtualFrame>& target = frames_[static_cast<size_t>(frame)];
    uint64_t connection = 0;
    if (!target->openCollection(collection, connection))
        return nullptr;
    return std::make_unique<SimCollection>(target, collection, connection);
}

} // namespace sim
