#include "codec/OptimumLines.h"

#include "codec/ByteOrder.h"

OptimumLineTable decodeOptimumLines(const uint8_t* bytes)
{
    OptimumLineTable table{};
    for (OptimumLineSegment& s : table) {
        s = {le::u16(bytes), le::u16(bytes + 2), le::u16(bytes + 4)};
        bytes += 6;
    }
    return table;
}

void encodeOptimumLines(const OptimumLineTable& table, uint8_t* bytes)
{
    for (const OptimumLineSegment& s : table) {
        le::put16(bytes, s.line);
        le::put16(bytes + 2, s.startColumn);
        le::put16(bytes + 4, s.endColumn);
        bytes += 6;
    }
}
