#pragma once

#include "device/Device.h"

#include <atomic>

// Asks the frame for its status until it answers: one second, then up to five GetStatus
// attempts with 2 s, 5 s and then 3 s before each. Success stores the error code in
// g_ErrorCode and clears g_getStatusError; giving up sets g_getStatusError. The waits
// end early (with failure, nothing changed) when stop becomes non-zero.
int TestCommunication(Device& device, const std::atomic<int>* stop = nullptr);

// One GetStatus with its decoded answer.
struct FrameStatus {
    uint8_t modeCode = 0xFF;
    uint32_t errorCode = 0xFFFFFFFF;
};
int readFrameStatus(Device& device, uint8_t attempt, FrameStatus& status);
