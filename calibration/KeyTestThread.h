#pragma once

#include "device/Device.h"
#include "device/DeviceWorker.h"

#include <atomic>
#include <cstdint>

// The key the frame reports as pressed: side code (1 left, 2 right, 3 bottom, 4 top,
// 0 none) and key number (1-based inside the side, 0 none). Written by the key test,
// read by the window's painting.
struct KeyState {
    std::atomic<uint32_t> sideCode{0};
    std::atomic<uint8_t> keyNumber{0};
};

// The shortcut-key test: polls the 3-byte key report every 10 ms. Sends kTestRunning
// once at the start and kPolled after every poll; a failed read counts as no key
// pressed. Ends by itself (after a last kPolled) when the frame is gone.
class KeyTestThread : public DeviceWorker {
    Q_OBJECT
public:
    // The codes of sendData(int).
    enum Code { kPolled = 0, kTestRunning = 6 };
    static constexpr double kPollIntervalMs = 10.0;

    explicit KeyTestThread(Device& device, QObject* parent = nullptr);
    ~KeyTestThread() override;

    // The start operation: clears the stop flag and starts with the creator's priority.
    void begin() { startWorker(); }

    const KeyState& keyState() const { return state_; }

protected:
    void run() override;

private:
    KeyState state_;
};
