#include "device/ByteOrder.h"
#include "device/FlashMap.h"
#include "sim/FlashImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace flash_map;

bool allBytes(const sim::FlashImage& image, uint32_t from, uint32_t to, uint8_t value)
{
    return std::all_of(image.begin() + from, image.begin() + to,
                       [value](uint8_t b) { return b == value; });
}

TEST(FactoryImageTest, DescriptorCarriesTheFirmwareLayout)
{
    const sim::FlashImage image = sim::factoryFlashImage();
    ASSERT_EQ(image.size(), kFlashSize);
    const uint8_t* d = image.data() + kImageDescriptor;
    EXPECT_EQ(std::memcmp(d, "AGPF", 4), 0);
    EXPECT_EQ(d[4], 1);
    EXPECT_EQ(d[5], 0);
    EXPECT_EQ(le::u32(d + 6), 0x11111111u);
    EXPECT_EQ(le::u32(d + 10), sim::factoryValues().partAVersion);
    EXPECT_EQ(le::u32(d + 14), 0u);
    EXPECT_EQ(le::u32(d + 18), 0x7E00u);
    EXPECT_EQ(le::u32(d + 22), 0x22222222u);
    EXPECT_EQ(le::u32(d + 26), 1u);
    EXPECT_EQ(le::u32(d + 30), 0x8000u);
    EXPECT_EQ(le::u32(d + 34), 0x7E00u);
}

TEST(FactoryImageTest, VersionsUseMajorMinorAndBuildNumber)
{
    const sim::FlashImage image = sim::factoryFlashImage();
    EXPECT_EQ(le::u32(image.data() + kVersionBlock), 0x01030002u);     // 1.3.2
    EXPECT_EQ(le::u32(image.data() + kVersionBlock + 4), 0x01000007u); // 1.0.7
    EXPECT_TRUE(allBytes(image, kVersionBlock + 8, kVersionBlock + kSectorSize, 0xFF));
}

TEST(FactoryImageTest, SensorBlockHoldsTheOpticsAndTheAngleTable)
{
    const sim::FlashImage image = sim::factoryFlashImage();
    const uint8_t* b = image.data() + kSensorBlock;
    const sim::FactoryValues& f = sim::factoryValues();
    EXPECT_EQ(std::memcmp(b, "FIWF", 4), 0);
    EXPECT_EQ(le::u32(b), SENSORInfoFlag);
    EXPECT_EQ(le::u16(b + 4), 236);
    EXPECT_EQ(le::u16(b + 6),
              (f.of(Side::Master).exposureGain << 8) | f.of(Side::Master).exposureTime);
    EXPECT_EQ(le::u16(b + 8), f.of(Side::Slave).startLine);
    EXPECT_EQ(le::u16(b + 12), 0);
    EXPECT_EQ(le::u16(b + 14), f.of(Side::Master).endColumn);
    EXPECT_EQ(le::u16(b + 76), f.of(Side::Slave).endColumn);
    // First Master segment: a start column at or below 255 marks the tables as present.
    EXPECT_LE(le::u16(b + 28), 255);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(le::u16(b + 26 + 6 * k), f.of(Side::Master).optimumLines[k].line);
        EXPECT_EQ(le::u16(b + 88 + 6 * k + 2), f.of(Side::Slave).optimumLines[k].startColumn);
        EXPECT_LT(le::u16(b + 26 + 6 * k + 2), le::u16(b + 26 + 6 * k + 4));
    }
    EXPECT_TRUE(allBytes(image, kSensorBlock + 136, kSensorBlock + 1352, 0x00));
    // The factory sensors' angle table (SensorType 0), 97 increasing entries.
    EXPECT_EQ(le::u16(b + 1352), 10);
    EXPECT_EQ(le::u16(b + 1352 + 2 * 96), 1264);
    EXPECT_TRUE(allBytes(image, kSensorBlock + 1546, kSensorBlock + 1546 + 22, 0x00));
    EXPECT_TRUE(allBytes(image, kSensorBlock + 1568, kSensorBlock + 2 * kSectorSize, 0xFF));
    EXPECT_EQ(sim::readOptics(b, Side::Slave).optimumLines[7].endColumn, 640);
}

TEST(FactoryImageTest, ConfigRecordHasTheDefaults)
{
    const sim::FlashImage image = sim::factoryFlashImage();
    const uint8_t* r = image.data() + kConfigRecord;
    EXPECT_EQ(std::memcmp(r, "FICA", 4), 0);
    const uint8_t expected[31] = {0x46, 0x49, 0x43, 0x41, 0, 0, 1,   0, 0, 0, 0, 1, 8, 144, 4, 0,
                                  1,    0,    10,   0,    0, 0, 240, 0, 0, 0, 6, 0, 0, 0,   0};
    EXPECT_EQ(std::memcmp(r, expected, 31), 0);
    EXPECT_TRUE(allBytes(image, kConfigRecord + 31, kConfigRecord + 288, 0x00));
    EXPECT_TRUE(allBytes(image, kConfigRecord + 288, kConfigRecord + kSectorSize, 0xFF));
}

TEST(FactoryImageTest, NoKeyTableAndNoDeviceInformation)
{
    const sim::FlashImage image = sim::factoryFlashImage();
    EXPECT_TRUE(allBytes(image, kKeyCodeTable, kKeyCodeTable + kSectorSize, 0xFF));
    EXPECT_TRUE(allBytes(image, kDeviceInfo, kFlashSize, 0xFF));
}

TEST(FactoryImageTest, BlankImageHasFirmwareButNoRecords)
{
    const sim::FlashImage blank = sim::blankFlashImage();
    const sim::FlashImage factory = sim::factoryFlashImage();
    EXPECT_TRUE(std::equal(factory.begin() + kImageDescriptor,
                           factory.begin() + kImageDescriptor + kSectorSize,
                           blank.begin() + kImageDescriptor));
    EXPECT_TRUE(std::equal(factory.begin() + kVersionBlock,
                           factory.begin() + kVersionBlock + kSectorSize,
                           blank.begin() + kVersionBlock));
    EXPECT_TRUE(allBytes(blank, kSensorBlock, kSensorBlock + 2 * kSectorSize, 0xFF));
    EXPECT_TRUE(allBytes(blank, kConfigRecord, kConfigRecord + kSectorSize, 0xFF));
}

TEST(FactoryImageTest, OpticsRoundTripThroughTheBlockLayout)
{
    sim::ModuleOptics master = sim::factoryValues().of(Side::Master);
    sim::ModuleOptics slave = sim::factoryValues().of(Side::Slave);
    master.startLine = 0x1234;
    master.exposureGain = 0xAB;
    slave.optimumLines[3] = {7, 0x0102, 0x0304};
    std::vector<uint8_t> block(kSensorBlockSize, 0);
    sim::writeOptics(master, slave, block.data());
    EXPECT_EQ(block[4], 0x34);
    EXPECT_EQ(block[5], 0x12);
    EXPECT_EQ(block[7], 0xAB);
    EXPECT_EQ(block[88 + 18 + 2], 0x02);
    EXPECT_EQ(block[88 + 18 + 3], 0x01);
    const sim::ModuleOptics back = sim::readOptics(block.data(), Side::Slave);
    EXPECT_EQ(back.optimumLines[3].endColumn, 0x0304);
    EXPECT_EQ(sim::readOptics(block.data(), Side::Master).exposureGain, 0xAB);
    EXPECT_TRUE(std::all_of(block.begin() + 136, block.end(), [](uint8_t b) { return b == 0; }));
}

} // namespace
