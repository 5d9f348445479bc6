#pragma once

#include "ScriptedTransport.h"

#include "device/ByteOrder.h"

#include <functional>
#include <map>
#include <vector>

// A scripted frame with a plain flash memory (writes store, erases set 0xFF) and a
// per-command status table, for tests that check the order and content of flash
// writes through the host stack without depending on the virtual frame.
struct FakeFlashFrame {
    std::vector<uint8_t> flash = std::vector<uint8_t>(0x20000, 0xFF);
    std::map<uint8_t, uint8_t> statusOf; // command code -> status (default 0x22)
    std::map<uint8_t, int> neverEcho;    // command code -> 1: always busy
    bool failReads = false;
    // Applied to every flash read reply: lets a test corrupt what comes back.
    std::function<void(uint32_t address, uint8_t* data, size_t n)> onRead;
    std::vector<uint8_t> statusReply = std::vector<uint8_t>(61, 0);

    ScriptedTransport::Responder responder()
    {
        return [this](const ScriptedTransport::Report& req, int poll, uint8_t* reply) {
            if (failReads)
                return false;
            const uint8_t code = req[1] & 0x3F;
            if (neverEcho.count(code)) {
                reply[1] = 0x3F;
                return true;
            }
            reply[1] = code;
            reply[2] = statusOf.count(code) ? statusOf[code] : 0x22;
            if (reply[2] != 0x22 || poll > 0)
                return true;
            const uint32_t address = le::u24(&req[2]);
            const size_t n = req[5];
            switch (code) {
            case 0x09:
                std::copy(&req[6], &req[6] + n, flash.begin() + address);
                break;
            case 0x0A:
                std::copy(flash.begin() + address, flash.begin() + address + n, reply + 3);
                if (onRead)
                    onRead(address, reply + 3, n);
                break;
            case 0x0D:
                std::fill(flash.begin() + (address & ~0xFFFu),
                          flash.begin() + (address & ~0xFFFu) + 0x1000 * n, 0xFF);
                break;
            case 0x30:
                std::copy(statusReply.begin(), statusReply.end(), reply + 3);
                break;
            default:
                break;
            }
            return true;
        };
    }
};

// The flash writes among the recorded requests: address, length and data.
struct FlashWrite {
    uint32_t address;
    std::vector<uint8_t> data;
};

inline std::vector<FlashWrite> flashWrites(const std::vector<ScriptedTransport::Report>& requests)
{
    std::vector<FlashWrite> writes;
    for (const auto& r : requests) {
        if (r[1] == 0x09)
            writes.push_back({le::u24(&r[2]), std::vector<uint8_t>(&r[6], &r[6] + r[5])});
    }
    return writes;
}
