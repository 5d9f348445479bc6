#pragma once

#include "device/Device.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

// Geometry of the cameras' line images as the tool reads them.
namespace frame_geometry {
constexpr size_t kLineWidth = 640;                        // pixels per sensor line, one byte each
constexpr size_t kBufferLines = 11;                       // lines held per frame buffer
constexpr size_t kBufferSize = kLineWidth * kBufferLines; // 7040
constexpr size_t kEdgeLines = 8;                          // right-edge sample: lines 0..7
constexpr size_t kEdgeFirstColumn = 540;                  //   columns 540..639
constexpr size_t kEdgeColumns = 100;
constexpr size_t kEdgeSampleSize = kEdgeLines * kEdgeColumns; // 800
constexpr size_t kChunkedReadSize = 5760; // 8 lines of the first memory + 1 of the second
} // namespace frame_geometry

// The two host-side frame buffers: pFrameYA for the Master (left) camera, pFrameYB for
// the Slave (right) one. Owned by whichever window or worker allocated them (through
// FrameBuffers); nothing reads them outside that owner's life.
extern uint8_t* pFrameYA;
extern uint8_t* pFrameYB;
// 1 after the last image read of both sides succeeded.
extern std::atomic<int> g_PreviewSucFlag;
// Lines read per preview frame: 5 at program start; the imaging windows set 8.
extern std::atomic<int> previewLineCount;

// Allocates and zeroes both buffers and publishes them as pFrameYA / pFrameYB; frees
// and clears them when it goes. A failed allocation leaves the pointer empty (and the
// second buffer unallocated when the first failed) after its debug message.
class FrameBuffers {
public:
    FrameBuffers();
    ~FrameBuffers();
    FrameBuffers(const FrameBuffers&) = delete;
    FrameBuffers& operator=(const FrameBuffers&) = delete;
    bool valid() const { return pFrameYA != nullptr && pFrameYB != nullptr; }
};

// Parameters of the next image read, the same for both sides.
struct ImageReadRequest {
    uint8_t mode = 1;         // 1 first image memory, 2 second, anything else no memory bits
    uint16_t offset = 0;      // byte offset inside the image memory
    uint16_t length = 0;      // bytes to read (at most 640)
    uint16_t destination = 0; // byte offset inside pFrameYA / pFrameYB
};

// The memory bits of the command byte for a request mode (0x80, 0x40 or none).
uint8_t memoryFlagOf(uint8_t mode);

// Reads the request from the Master into pFrameYA and then from the Slave into pFrameYB
// (the Slave read is skipped when the Master read failed). Success of both sets
// g_PreviewSucFlag and g_isDeviceCommunicate; a failure clears g_PreviewSucFlag, and a
// transport failure marks the frame lost. A request outside the buffers is refused.
int GetPreviewData(Device& device, const ImageReadRequest& request);

// How an imaging worker is asked, between device accesses, whether it may go on.
struct ReadControl {
    std::function<bool()> stopRequested = [] { return false; };
    // The step guard: false ends the operation at once.
    std::function<bool()> stepGuard = [] { return true; };
    // Worker codes (6 = the frame was lost).
    std::function<void(int)> report = [](int) {};
};

// Lines 0..lines-1 of both cameras into rows 0..lines-1 of the buffers (mode 1, one
// GetPreviewData per line). Stops at the first failure. beforeLine, when given, runs
// before each line and ends the read (with failure) when it returns false.
int readPreviewFrame(Device& device, int lines, const std::function<bool()>& beforeLine = {});

// The right-edge sample of one camera: columns 540..639 of lines 0..7, line k at
// 100 * k, read as two 50-byte halves with the step guard between them.
using EdgeSample = std::array<uint8_t, frame_geometry::kEdgeSampleSize>;
extern std::array<EdgeSample, 2> g_EdgeSample; // Master, Slave
int readEdgeSample(Device& device, Side side, EdgeSample& sample, const ReadControl& control);

// The image sensor test's read: 95 requests of at most 61 bytes, 84 from the first
// image memory (bytes 0..5119) and 11 from the second into row 8 (bytes 5120..5759).
// beforeRequest, when given, runs before each request and ends the read when false.
int readChunkedFrame(Device& device, const std::function<bool()>& beforeRequest = {});
