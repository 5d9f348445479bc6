#include "codec/FrameLinkMessage.h"

#include "codec/ByteOrder.h"

namespace frame_link {

size_t takeMessage(const uint8_t* input, size_t size, Message& message)
{
    if (size < kHeaderSize)
        return 0;
    const size_t length = le::u16(input + 1);
    if (size - kHeaderSize < length)
        return 0;
    message = {input[0], input + kHeaderSize, length};
    return kHeaderSize + length;
}

} // namespace frame_link
