// A firmware file as an operator hands it over: the header and every size and offset in
// it are checked before anything reaches the frame.
#include "codec/FirmwareImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FirmwareHeader header;
    checkFirmwareBytes(data, size, size, header);
    // A file whose real size differs from what was read (a file that grew or shrank).
    checkFirmwareBytes(data, size, size > 7 ? size * 3 / 2 : 0, header);
    if (const auto decoded = FirmwareHeader::decode(data, size))
        (void)decoded->entries[0].length;
    return 0;
}
