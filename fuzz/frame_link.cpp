// The frame-link byte stream as a socket server receives it from any client.
#include "codec/FrameLinkMessage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t offset = 0;
    while (offset < size) {
        frame_link::Message message;
        const size_t taken = frame_link::takeMessage(data + offset, size - offset, message);
        if (taken == 0)
            break;
        if (taken > size - offset || message.length > taken)
            __builtin_trap(); // a message claimed bytes it does not have
        offset += taken;
    }
    return 0;
}
