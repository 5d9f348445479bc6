#pragma once

#include <cstdint>
#include <string>

// The one path to the frame: finds it among the system's HID collections, holds the
// process's open handle, and moves single feature reports. Every transfer is atomic
// (a lock is held around it); a command's request and its replies are not held
// together; the callers never run two commands at once.
//
// Results follow the system's convention: 1 success, 0 failure.
class HidTransport {
public:
    static constexpr int kReportSize = 64;   // command reports, report ID in byte 0
    static constexpr int kKeyReportSize = 3; // the key-state report

    // probe() results
    static constexpr int kProbeFrame = 0;           // the handle is a frame's vendor collection
    static constexpr int kProbeWrongCollection = 1; // a frame, but not its vendor collection
    static constexpr int kProbeNotAFrame = 2;       // gone, or not a frame at all

    virtual ~HidTransport() = default;

    // Finds the frame's vendor collection and makes it the open handle. productId gets
    // the ID of every collection that passed the vendor/product check (the last one
    // wins), or 0x00FF when none did.
    virtual int open(uint16_t& productId) = 0;
    // Is the open handle still the frame? No report traffic.
    virtual int probe(uint16_t& productId) = 0;
    // report[0] holds the report ID on entry.
    virtual int getFeature64(uint8_t* report) = 0;
    virtual int setFeature64(const uint8_t* report) = 0;
    // Writes reportId into report[0] and reads the 3-byte report.
    virtual int getFeature3(uint8_t reportId, uint8_t* report) = 0;
    // Closes the handle if one is open. Always 1.
    virtual int close() = 0;
    virtual bool isOpen() const = 0;
    // After a failed open: why a frame that is there could not be opened (no access to
    // its node), or empty when none was found.
    virtual std::string openProblem() const { return {}; }
};
