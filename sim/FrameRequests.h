#pragma once

#include "device/HidBus.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

// The device side's handling of the frame-link requests of one connection, apart from
// the sockets: the server hands it the bytes as they arrive and sends what it answers.
namespace frame_requests {

// The longest report a request may carry or ask for.
constexpr size_t kMaxReport = 64;

// Delivers one answer message; false when it could not (the connection then closes).
using Send = std::function<bool(const std::vector<uint8_t>& message)>;

// Answers every complete request at the front of input, in order, on collection,
// handing each answer to send, and removes the requests it answered. An incomplete
// request stays for more bytes. False: the connection must close (a message that is not
// one of the link's requests, an identity request of a collection that cannot say who
// it is, or an answer that send could not deliver).
bool answer(HidCollection& collection, std::vector<uint8_t>& input, const Send& send);

} // namespace frame_requests
} // namespace sim
