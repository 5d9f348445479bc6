#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// FPGA code files as they are made for the frame: every byte is stored XORed with a
// running key. The key of byte 0 is kFpgaKeySeed; the key of each next byte is the
// previous key rotated left by one bit (8-bit rotation). The key runs through the
// whole file.
namespace fpga_code {

// The one constant the FPGA code files of this frame are scrambled with.
constexpr uint8_t kFpgaKeySeed = 0xA5;

// The key that byte `index` of a file was scrambled with.
constexpr uint8_t keyAt(uint32_t index)
{
    const unsigned r = index % 8;
    return static_cast<uint8_t>((kFpgaKeySeed << r) | (kFpgaKeySeed >> ((8 - r) % 8)));
}

// Scrambling and unscrambling are the same XOR: bytes that start at file offset
// `offset` are turned over in place.
void unscramble(QByteArray& bytes, uint32_t offset = 0);

// What a download needs from the chosen file: its code bytes, unscrambled.
struct Loaded {
    enum class Status { Ok, CannotOpen, Empty, TooLarge };
    Status status = Status::CannotOpen;
    QByteArray code;
    qint64 fileSize = 0;
};
// Reads the whole file (at most `room` bytes are accepted) and unscrambles it.
Loaded load(const QString& path, uint32_t room);

} // namespace fpga_code
