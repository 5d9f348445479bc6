// A client's byte stream as the frame-link server takes it, inside the server: the
// requests are answered on a collection of a virtual frame, as vireto-framesim serves
// it. The first byte picks the collection, the second how many bytes arrive at a time;
// the rest is the stream. Every answer must be one whole message of the link, and what
// stays unanswered must be less than a whole request.
#include "codec/FrameLinkMessage.h"
#include "device/Delay.h"
#include "sim/FlashImages.h"
#include "sim/FrameRequests.h"
#include "sim/SimBus.h"
#include "sim/VirtualFrame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

bool wellFormed(const std::vector<uint8_t>& answer)
{
    frame_link::Message message;
    if (frame_link::takeMessage(answer.data(), answer.size(), message) != answer.size())
        return false;
    switch (message.kind) {
    case frame_link::kIdentityAnswer:
        return message.length == frame_link::kIdentitySize;
    case frame_link::kSetAnswer:
        return message.length == 1;
    case frame_link::kGetAnswer:
        return message.length >= 1 && message.length <= sim::frame_requests::kMaxReport;
    case frame_link::kGetFailed:
        return message.length == 0;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    delay::setTimeScale(0.0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // A fresh frame per input; building its flash contents once keeps that quick.
    static const sim::FlashImage factory = sim::factoryFlashImage();
    sim::SimBus bus({std::make_shared<sim::VirtualFrame>(factory)});
    const std::vector<std::string> paths = bus.enumerate();
    auto collection = bus.openCollection(paths[data[0] % paths.size()]);
    if (!collection)
        __builtin_trap();
    const size_t chunk = 1 + data[1];
    const auto send = [](const std::vector<uint8_t>& answer) {
        if (!wellFormed(answer))
            __builtin_trap();
        return true;
    };

    std::vector<uint8_t> input;
    for (size_t at = 2; at < size; at += chunk) {
        const size_t end = std::min(size, at + chunk);
        input.insert(input.end(), data + at, data + end);
        if (!sim::frame_requests::answer(*collection, input, send))
            return 0;
        frame_link::Message rest;
        if (frame_link::takeMessage(input.data(), input.size(), rest) != 0)
            __builtin_trap(); // a whole request left unanswered
    }
    return 0;
}
