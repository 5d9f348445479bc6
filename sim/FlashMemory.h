#pragma once

#include "device/FlashMap.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// The frame's 128 KB NOR flash: erasing sets whole 4 KB sectors to 0xFF, programming
// can only clear bits. Either held in memory or mapped from a file, so that what the
// frame programs outlives the process (even a killed one) like a real frame's flash.
// Not thread-safe: the frame serialises access.
//
// Frames in several processes may use one file at the same time: they share one flash,
// and each sees what the others program at once. Every erase, program and overwrite
// holds the file's lock (flock, exclusive; a read holds it shared), so no operation
// sees or undoes half of another; a sequence of them (erase, then write) is not kept
// together. bytes() is a view without the lock.
class FlashMemory {
public:
    static constexpr uint32_t kSize = flash_map::kFlashSize;
    static constexpr uint32_t kSectorSize = flash_map::kSectorSize;
    static constexpr uint32_t kSectorCount = kSize / kSectorSize;

    // image must hold kSize bytes.
    static std::unique_ptr<FlashMemory> inMemory(const std::vector<uint8_t>& image);
    // Maps the file at path; a missing file is created holding initialImage (a file that
    // another process creates at the same moment is used as it is). nullptr and a
    // message in error when the file cannot be used (wrong size, not writable, ...).
    static std::unique_ptr<FlashMemory> mappedFile(const std::string& path,
                                                   const std::vector<uint8_t>& initialImage,
                                                   std::string& error);
    ~FlashMemory();
    FlashMemory(const FlashMemory&) = delete;
    FlashMemory& operator=(const FlashMemory&) = delete;

    static bool inRange(uint32_t address, size_t length)
    {
        return address <= kSize && length <= kSize - address;
    }

    // False (and nothing changed) when the range leaves the flash.
    bool eraseSectors(uint32_t firstSector, uint32_t count);
    bool program(uint32_t address, const uint8_t* data, size_t length);
    bool read(uint32_t address, uint8_t* out, size_t length) const;
    // Sets bytes regardless of their erased state (factory programming, test set-up).
    bool overwrite(uint32_t address, const uint8_t* data, size_t length);

    const uint8_t* bytes() const { return bytes_; }
    bool isFileBacked() const { return mapped_; }

private:
    FlashMemory() = default;

    std::vector<uint8_t> owned_;
    uint8_t* bytes_ = nullptr;
    bool mapped_ = false;
    int fd_ = -1; // the mapped file, open for its lock
};

} // namespace sim
