#include "sim/FrameRequests.h"

#include "codec/ByteOrder.h"
#include "codec/FrameLinkMessage.h"

#include <cstring>

using namespace frame_link;

namespace sim::frame_requests {
namespace {

std::vector<uint8_t> message(uint8_t kind, const uint8_t* payload = nullptr, size_t length = 0)
{
    std::vector<uint8_t> bytes(kHeaderSize + length);
    putHeader(bytes.data(), kind, length);
    if (length > 0)
        std::memcpy(bytes.data() + kHeaderSize, payload, length);
    return bytes;
}

} // namespace

bool answer(HidCollection& collection, std::vector<uint8_t>& input, const Send& send)
{
    for (;;) {
        Message request;
        const size_t taken = takeMessage(input.data(), input.size(), request);
        if (taken == 0)
            return true;
        const uint8_t kind = request.kind;
        const uint8_t* payload = request.payload;
        const size_t length = request.length;
        std::vector<uint8_t> reply;
        if (kind == kIdentity) {
            uint8_t identity[kIdentitySize];
            uint16_t vendor = 0;
            uint16_t product = 0;
            uint16_t page = 0;
            uint16_t usage = 0;
            // There is no failed identity answer: a collection that cannot say who it
            // is has gone away, and so does its connection.
            if (length != 0 || !collection.attributes(vendor, product) ||
                !collection.usage(page, usage))
                return false;
            le::put16(identity, vendor);
            le::put16(identity + 2, product);
            le::put16(identity + 4, page);
            le::put16(identity + 6, usage);
            reply = message(kIdentityAnswer, identity, sizeof identity);
        } else if (kind == kSetFeature) {
            const bool accepted =
                length >= 1 && length <= kMaxReport && collection.setFeature(payload, length);
            const uint8_t verdict = accepted ? kAccepted : kRefused;
            reply = message(kSetAnswer, &verdict, 1);
        } else if (kind == kGetFeature) {
            const size_t wanted = length == kGetRequestSize ? le::u16(payload + 1) : 0;
            uint8_t report[kMaxReport] = {};
            if (wanted >= 1 && wanted <= kMaxReport) {
                report[0] = payload[0];
                if (collection.getFeature(report, wanted))
                    reply = message(kGetAnswer, report, wanted);
            }
            if (reply.empty())
                reply = message(kGetFailed);
        } else {
            return false; // not this link's language: nothing after it can be trusted
        }
        input.erase(input.begin(), input.begin() + static_cast<long>(taken));
        if (!send(reply))
            return false;
    }
}

} // namespace sim::frame_requests
