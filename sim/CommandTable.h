#pragma once

#include "device/CommandCodes.h"
#include "sim/FrameState.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

constexpr uint8_t kStatusDone = 0x22;
constexpr uint8_t kStatusRefused = 0xFF;

// The 62 payload bytes of a request report. Reads outside them give 0 / nullptr, so a
// handler cannot be talked into reading past the report.
class Payload {
public:
    static constexpr size_t kSize = 62;
    explicit Payload(const uint8_t* bytes) : bytes_(bytes) {}

    uint8_t u8(size_t at) const { return at < kSize ? bytes_[at] : 0; }
    uint16_t u16(size_t at) const;
    uint32_t u24(size_t at) const;
    // length bytes from offset at; nullptr when they do not lie inside the payload.
    const uint8_t* bytes(size_t at, size_t length) const;

private:
    const uint8_t* bytes_;
};

struct CommandRequest {
    uint8_t command; // the whole command byte, flag bits included
    Payload payload;

    uint8_t code() const { return command & 0x3F; }
    uint8_t flags() const { return command & 0xC0; }
};

struct CommandReply {
    uint8_t status = kStatusDone;
    std::vector<uint8_t> data;

    static CommandReply done(std::vector<uint8_t> data = {})
    {
        return {kStatusDone, std::move(data)};
    }
    static CommandReply refused() { return {kStatusRefused, {}}; }
};

using CommandHandler = std::function<CommandReply(FrameState&, const CommandRequest&)>;
// A command that exists in a Master and a Slave form.
using ModuleHandler =
    std::function<CommandReply(FrameState&, Side, ModuleState&, const CommandRequest&)>;

// The firmware's dispatcher: one handler per command byte. Bytes without a handler are
// refused. Models of later frame parts replace single entries.
class CommandTable {
public:
    void set(uint8_t command, CommandHandler handler);
    void set(cmd::Pair pair, const ModuleHandler& handler);
    bool has(uint8_t command) const { return static_cast<bool>(handlers_[command]); }
    CommandReply dispatch(FrameState& state, const CommandRequest& request) const;

private:
    std::array<CommandHandler, 256> handlers_{};
};

} // namespace sim
