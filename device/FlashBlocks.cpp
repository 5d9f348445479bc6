#include "device/FlashBlocks.h"

#include "device/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace aw = address_word;
using namespace flash_map;

namespace {

constexpr size_t kPiece = 32;

RegisterRequest flashRequest(Side side, uint32_t address, size_t length)
{
    RegisterRequest r;
    r.addressWord = aw::make(aw::kSpaceFlash, address, side);
    r.length = static_cast<uint32_t>(length);
    return r;
}

} // namespace

int FlashBlocks::writeFlash(Side side, uint32_t address, const uint8_t* data, size_t length)
{
    RegisterRequest r = flashRequest(side, address, length);
    r.data.assign(data, data + length);
    return access_.writeBlock(r);
}

int FlashBlocks::ReadCalibInfo(SensorBlock& block, Side side)
{
    return access_.readBlock(flashRequest(side, kSensorBlock, block.size()), block.data());
}

int FlashBlocks::writeSensorBlock(const SensorBlock& block)
{
    constexpr size_t kWholePieces = kSensorBlockSize / kPiece; // 48
    for (size_t k = 0; k < kWholePieces; ++k) {
        uint8_t piece[kPiece];
        std::memcpy(piece, block.data() + k * kPiece, kPiece);
        if (k == 0)
            std::memset(piece, 0xFF, 4);
        if (!writeFlash(Side::Master, kSensorBlock + static_cast<uint32_t>(k * kPiece), piece,
                        kPiece))
            return 0;
    }
    uint8_t tail[kPiece] = {};
    std::memcpy(tail, block.data() + kWholePieces * kPiece,
                kSensorBlockSize - kWholePieces * kPiece);
    if (!writeFlash(Side::Master, kSensorBlock + static_cast<uint32_t>(kWholePieces * kPiece), tail,
                    kPiece))
        return 0;
    if (!writeFlash(Side::Master, kSensorBlock, block.data(), 4))
        return 0;

    SensorBlock readBack{};
    if (!ReadCalibInfo(readBack))
        return 0;
    return std::equal(block.begin() + 4, block.end(), readBack.begin() + 4) ? 1 : 0;
}

int FlashBlocks::readConfigRecord(ConfigRecordBytes& record, Side side)
{
    return access_.readBlock(flashRequest(side, kConfigRecord, record.size()), record.data());
}

int FlashBlocks::writeConfigRecordBlocks(const ConfigRecordBytes& record, Side side)
{
    constexpr size_t kPieces = 9;
    uint8_t image[kPieces * kPiece] = {};
    std::memcpy(image, record.data(), record.size());
    std::memset(image, 0xFF, 4);
    for (size_t k = 0; k < kPieces; ++k) {
        if (!writeFlash(side, kConfigRecord + static_cast<uint32_t>(k * kPiece), image + k * kPiece,
                        kPiece))
            return 0;
    }
    return writeFlash(side, kConfigRecord, record.data(), 4);
}

int FlashBlocks::readVersions(Side side, ModuleVersions& versions)
{
    uint8_t bytes[kVersionBlockSize];
    const int ok = access_.readBlock(flashRequest(side, kVersionBlock, sizeof bytes), bytes);
    versions.image = le::u32(bytes);
    versions.bootLoader = le::u32(bytes + 4);
    versions.valid = ok != 0;
    versions_[static_cast<int>(side)] = versions;
    return ok;
}
