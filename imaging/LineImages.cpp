#include "imaging/LineImages.h"

#include "device/DebugOutput.h"
#include "device/DeviceState.h"

#include <cstdlib>
#include <cstring>

using namespace frame_geometry;

uint8_t* pFrameYA = nullptr;
uint8_t* pFrameYB = nullptr;
std::atomic<int> g_PreviewSucFlag{0};
std::atomic<int> previewLineCount{5};
std::array<EdgeSample, 2> g_EdgeSample{};

FrameBuffers::FrameBuffers()
{
    pFrameYA = static_cast<uint8_t*>(std::calloc(kBufferSize, 1));
    if (!pFrameYA) {
        debugPrintf("PreviewInit: pFrameYA malloc failed!\n");
        return;
    }
    pFrameYB = static_cast<uint8_t*>(std::calloc(kBufferSize, 1));
    if (!pFrameYB)
        debugPrintf("PreviewInit: pFrameYB malloc failed!\n");
}

FrameBuffers::~FrameBuffers()
{
    std::free(pFrameYA);
    std::free(pFrameYB);
    pFrameYA = nullptr;
    pFrameYB = nullptr;
}

uint8_t memoryFlagOf(uint8_t mode)
{
    return mode == 1 ? cmd::kFlagFirst : mode == 2 ? cmd::kFlagLast : 0;
}

namespace {

int readOneSide(Device& device, Side side, const ImageReadRequest& r, uint8_t* buffer)
{
    return device.commands.GetPreviewData(side, memoryFlagOf(r.mode), r.offset, r.length,
                                          buffer + r.destination);
}

void noteFailure(Device& device)
{
    g_PreviewSucFlag = 0;
    if (device.link.lastCallLostTheFrame())
        markDeviceLost();
}

} // namespace

int GetPreviewData(Device& device, const ImageReadRequest& request)
{
    if (!pFrameYA || !pFrameYB || request.length == 0 || request.length > kLineWidth ||
        static_cast<size_t>(request.destination) + request.length > kBufferSize) {
        g_PreviewSucFlag = 0;
        return 0;
    }
    if (!readOneSide(device, Side::Master, request, pFrameYA) ||
        !readOneSide(device, Side::Slave, request, pFrameYB)) {
        noteFailure(device);
        return 0;
    }
    g_PreviewSucFlag = 1;
    g_isDeviceCommunicate = 1;
    return 1;
}

int readPreviewFrame(Device& device, int lines, const std::function<bool()>& beforeLine)
{
    ImageReadRequest r;
    r.mode = 1;
    r.length = kLineWidth;
    for (int k = 0; k < lines && k < static_cast<int>(kBufferLines); ++k) {
        if (beforeLine && !beforeLine())
            return 0;
        r.offset = static_cast<uint16_t>(kLineWidth * static_cast<size_t>(k));
        r.destination = r.offset;
        if (!GetPreviewData(device, r))
            return 0;
    }
    return 1;
}

int readEdgeSample(Device& device, Side side, EdgeSample& sample, const ReadControl& control)
{
    constexpr uint16_t kHalf = kEdgeColumns / 2;
    for (size_t k = 0; k < kEdgeLines; ++k) {
        if (control.stopRequested())
            return 0;
        if (!g_bDevExist || !g_isDeviceCommunicate) {
            control.report(6);
            return 0;
        }
        const auto lineStart = static_cast<uint16_t>(kLineWidth * k + kEdgeFirstColumn);
        for (int half = 0; half < 2; ++half) {
            if (half == 1 && !control.stepGuard())
                return 0;
            const auto offset = static_cast<uint16_t>(lineStart + half * kHalf);
            if (!device.commands.GetPreviewData(side, cmd::kFlagFirst, offset, kHalf,
                                                sample.data() + kEdgeColumns * k + half * kHalf)) {
                if (device.link.lastCallLostTheFrame())
                    markDeviceLost();
                return 0;
            }
        }
    }
    return 1;
}

int readChunkedFrame(Device& device, const std::function<bool()>& beforeRequest)
{
    constexpr int kRequests = 95;
    constexpr int kFirstOfSecondMemory = 84;
    constexpr uint16_t kChunk = 61;
    ImageReadRequest r;
    for (int n = 0; n < kRequests; ++n) {
        const bool second = n >= kFirstOfSecondMemory;
        const int index = second ? n - kFirstOfSecondMemory : n;
        r.mode = second ? 2 : 1;
        r.offset = static_cast<uint16_t>(kChunk * index);
        r.length = n == 83 ? 57 : n == 94 ? 30 : kChunk;
        r.destination = static_cast<uint16_t>((second ? 5120 : 0) + kChunk * index);
        if (beforeRequest && !beforeRequest())
            return 0;
        if (!GetPreviewData(device, r))
            return 0;
    }
    return 1;
}
