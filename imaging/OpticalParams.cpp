#include "imaging/OpticalParams.h"

#include "device/ByteOrder.h"

namespace {

std::array<OpticalParams, 2> g_OpticalParams;

} // namespace

std::atomic<uint32_t>& g_StartLineM = g_OpticalParams[0].startLine;
std::atomic<uint32_t>& g_StartLineS = g_OpticalParams[1].startLine;

OpticalParams& opticalParams(Side side)
{
    return g_OpticalParams[static_cast<size_t>(side)];
}

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

OptimumLineTable OpticalParams::optimumLines() const
{
    std::lock_guard lock(tableMutex_);
    return table_;
}

void OpticalParams::setOptimumLines(const OptimumLineTable& table)
{
    std::lock_guard lock(tableMutex_);
    table_ = table;
}

OpticalValues OpticalParams::values() const
{
    OpticalValues v;
    v.startLine = startLine;
    v.startColumn = startColumn;
    v.endColumn = endColumn;
    v.exposureGain = exposureGain;
    v.exposureTime = exposureTime;
    v.optimumLines = optimumLines();
    return v;
}
