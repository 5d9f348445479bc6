#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace sim {

// The registers of one camera module: its FPGA's port registers (16-bit addresses) and
// its image sensor's registers (8-bit addresses, reached over I2C). Plain memory except
// for the few registers with a meaning of their own.
class ModuleRegisters {
public:
    static constexpr uint16_t kCaptureStart = 0x30; // write non-zero: take a picture
    static constexpr uint8_t kSensorChipId = 0x0A;  // read-only
    // A port log keeps at most this many bytes per register; later bytes are only counted.
    static constexpr size_t kPortLogLimit = 4u << 20;

    explicit ModuleRegisters(uint8_t chipId);

    // Restores the power-on contents (all zero, the chip ID) and forgets the port logs.
    void powerOn();

    uint8_t fpga(uint16_t reg) const { return fpga_[reg]; }
    void setFpga(uint16_t reg, uint8_t value) { fpga_[reg] = value; }
    uint8_t sensor(uint8_t reg) const { return sensor_[reg]; }
    // Writes to the chip-ID register are ignored, as the chip does.
    void writeSensor(uint8_t reg, uint8_t value);

    // Bytes written to a port register, in order, through any port write.
    void logPortWrite(uint16_t reg, const uint8_t* data, size_t length);
    std::vector<uint8_t> portLog(uint16_t reg) const;
    size_t portLogDropped(uint16_t reg) const;
    void clearPortLogs();

private:
    struct PortLog {
        std::vector<uint8_t> bytes;
        size_t dropped = 0;
    };

    uint8_t chipId_;
    std::array<uint8_t, 0x10000> fpga_{};
    std::array<uint8_t, 0x100> sensor_{};
    std::map<uint16_t, PortLog> portLogs_;
};

} // namespace sim
