#include "device/FlashArea.h"

#include <algorithm>

namespace flash_area {

namespace {

namespace aw = address_word;

RegisterRequest flashRequest(uint32_t address, uint32_t length, Side side)
{
    RegisterRequest r;
    r.addressWord = aw::make(aw::kSpaceFlash, address, side);
    r.length = length;
    return r;
}

bool goOn(const Progress& progress, uint32_t done)
{
    return !progress || progress(done);
}

} // namespace

Failure read(Device& device, uint32_t address, uint32_t length, std::vector<uint8_t>& out,
             const Progress& progress, Side side)
{
    out.assign(length, 0xFF);
    for (uint32_t done = 0; done < length; done += kReadChunk) {
        const uint32_t n = std::min(kReadChunk, length - done);
        if (!device.access.readBlock(flashRequest(address + done, n, side), out.data() + done))
            return {Failure::Step::Read, address + done};
        if (!goOn(progress, done + n))
            return {Failure::Step::Stopped, address + done + n};
    }
    return {};
}

Failure writeVerified(Device& device, uint32_t address, const uint8_t* data, uint32_t length,
                      const Progress& progress, Side side)
{
    for (uint32_t done = 0; done < length; done += kWritePiece) {
        const uint32_t n = std::min(kWritePiece, length - done);
        RegisterRequest r = flashRequest(address + done, n, side);
        r.data.assign(data + done, data + done + n);
        if (!device.access.writeBlock(r))
            return {Failure::Step::Write, address + done};
        if (!goOn(progress, done + n))
            return {Failure::Step::Stopped, address + done + n};
    }
    std::vector<uint8_t> back;
    if (const Failure f = read(device, address, length, back, {}, side); f)
        return {Failure::Step::ReadBack, f.address};
    for (uint32_t i = 0; i < length; ++i) {
        if (back[i] != data[i])
            return {Failure::Step::Differs, address + i, data[i], back[i]};
    }
    return {};
}

Failure eraseSectors(Device& device, uint32_t address, uint32_t count, const Progress& progress,
                     Side side)
{
    for (uint32_t s = 0; s < count; ++s) {
        const uint32_t sector = address + s * flash_map::kSectorSize;
        if (!device.access.erase(flashRequest(sector, 1, side)))
            return {Failure::Step::Erase, sector};
        if (!goOn(progress, s + 1))
            return {Failure::Step::Stopped, sector};
    }
    return {};
}

} // namespace flash_area
