#include "maintenance/HeadlessFirmwareUpdate.h"

#include "app/SettingsFile.h"
#include "device/ByteOrder.h"
#include "device/ConfigRecord.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"
#include "maintenance/FirmwareDownload.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/device/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// An image file: the 84-byte header, then the parts' data.
QByteArray imageFile(const FirmwareHeader& header, const QByteArray& body)
{
    QByteArray bytes(FirmwareHeader::kSize, '\0');
    header.encode(reinterpret_cast<uint8_t*>(bytes.data()));
    return bytes + body;
}

QByteArray pattern(int length, int seed)
{
    QByteArray b(length, '\0');
    for (int i = 0; i < length; ++i)
        b[i] = static_cast<char>(i * 7 + seed);
    return b;
}

// Part A of lengthA bytes and part B of lengthB bytes (entry 4), as a file.
QByteArray twoParts(int lengthA, int lengthB, uint32_t versionB = 0x01040009)
{
    FirmwareHeader h;
    h.entries[0] = {1, FirmwareHeader::kSize, 0x01010005, static_cast<uint32_t>(lengthA)};
    h.entries[1] = {1, 0, 0, 0};
    h.entries[4] = {0, static_cast<uint32_t>(FirmwareHeader::kSize + lengthA), versionB,
                    static_cast<uint32_t>(lengthB)};
    return imageFile(h, pattern(lengthA, 1) + pattern(lengthB, 2));
}

class FirmwareUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delay::setTimeScale(0.0);
        resetDeviceState();
        updatePending = 0;
        bootLoaderSeen = 0;
        checkState = DEVICE_CHECKING;
        retryCount = 0;
        g_UpdateProgress = 0;
        qputenv("VIRETO_HOME", dir.path().toLocal8Bit());
        QDir::setCurrent(dir.path());
        appContext().reloadLanguage();
        frame = std::make_shared<sim::VirtualFrame>();
        device = std::make_unique<Device>(std::make_unique<sim::SimTransport>(frame));
        ASSERT_TRUE(open());
    }
    void TearDown() override
    {
        delay::setTimeScale(1.0);
        qunsetenv("VIRETO_HOME");
    }
    bool open()
    {
        uint16_t pid = 0;
        const bool ok = device->transport().open(pid) == 1;
        g_bDevExist = ok;
        bootLoaderSeen = pid == 0xCB11;
        return ok;
    }
    int update(const QByteArray& file, const QString& name = "fw.bin")
    {
        dir.write(name, file);
        HeadlessFirmwareUpdate u(*device, [this](const QString& s) { notes << s; });
        const int ok = u.run(dir.file(name));
        failure = u.failure();
        return ok;
    }
    // The packets of a stream, as the frame received them: (flags, first byte).
    std::vector<uint8_t> streamFlags(uint8_t code) const
    {
        std::vector<uint8_t> flags;
        for (const auto& r : frame->requestLog())
            if ((r[1] & 0x3F) == code)
                flags.push_back(r[1] & 0xC0);
        return flags;
    }
    uint32_t imageVersion() { return le::u32(frame->readFlash(0x013000, 4).data()); }

    LogCapture log;
    ScratchDir dir;
    std::shared_ptr<sim::VirtualFrame> frame;
    std::unique_ptr<Device> device;
    QStringList notes;
    QString failure;
};

TEST_F(FirmwareUpdateTest, BothPartsAreStreamedAndTheFrameComesBackWithTheNewVersion)
{
    ASSERT_EQ(update(twoParts(200, 130)), 1)
        << failure.toStdString() << notes.join('|').toStdString();
    EXPECT_EQ(imageVersion(), 0x01040009u);
    EXPECT_EQ(le::u32(frame->readFlash(0x013004, 4).data()), 0x01000007u)
        << "the boot loader's version is written back beside the new image version";
    EXPECT_FALSE(frame->inBootLoader());
    EXPECT_EQ(frame->productId(), 0xCB12);
    // Part A: 200 bytes = 62 + 62 + 62 + 14, first 0x80, last 0x40.
    EXPECT_EQ(streamFlags(0x2F), (std::vector<uint8_t>{0x80, 0x00, 0x00, 0x40}));
    EXPECT_EQ(streamFlags(0x2E), (std::vector<uint8_t>{0x80, 0x00, 0x40}));
    const std::vector<uint8_t> a =
        frame->downloadedBytes(Side::Master, sim::VirtualFrame::Stream::A);
    const QByteArray expectedA = pattern(200, 1);
    ASSERT_GE(a.size(), 200u);
    EXPECT_TRUE(
        std::equal(expectedA.begin(), expectedA.end(), reinterpret_cast<const char*>(a.data())));
    // The descriptor of part A, magic last.
    const std::vector<uint8_t> d = frame->readFlash(0x010000, 38);
    EXPECT_EQ(std::string(d.begin(), d.begin() + 4), "AGPF");
    EXPECT_EQ(d[4], 1);
    EXPECT_EQ(le::u32(&d[6]), 0x11111111u);
    EXPECT_EQ(le::u32(&d[10]), 0x01010005u);
    EXPECT_EQ(le::u32(&d[18]), 0x7E00u);
    EXPECT_EQ(d[22], 0x22);
    EXPECT_EQ(le::u32(&d[30]), 0x8000u);
    EXPECT_EQ(le::u32(&d[34]), 0x7E00u);
    EXPECT_EQ(SettingsFile::vireto().readText("ImagePath", "imagePath"), dir.file("fw.bin"));
    EXPECT_EQ(updatePending, 0);
    EXPECT_EQ(checkState, DEVICE_CHECKING) << "the monitor watches the application again";
    EXPECT_TRUE(notes.contains("progress 80%"));
}

TEST_F(FirmwareUpdateTest, AnEntryOfOnePacketCarriesOnlyTheLastFlag)
{
    FirmwareHeader h;
    h.entries[0] = {1, FirmwareHeader::kSize, 0x01010001, 62};
    ASSERT_EQ(update(imageFile(h, pattern(62, 3))), 1) << failure.toStdString();
    EXPECT_EQ(streamFlags(0x2F), std::vector<uint8_t>{0x40});
    EXPECT_TRUE(streamFlags(0x2E).empty());
}

TEST_F(FirmwareUpdateTest, OneHundredTwentyFourBytesAreTwoPackets)
{
    FirmwareHeader h;
    h.entries[0] = {1, FirmwareHeader::kSize, 0x01010001, 124};
    ASSERT_EQ(update(imageFile(h, pattern(124, 3))), 1) << failure.toStdString();
    EXPECT_EQ(streamFlags(0x2F), (std::vector<uint8_t>{0x80, 0x40}));
}

TEST_F(FirmwareUpdateTest, OnlyEntryOneWritesPartBFromEntryFour)
{
    FirmwareHeader h;
    h.entries[1] = {1, 0, 0, 0};
    h.entries[4] = {0, FirmwareHeader::kSize + 10, 0x01050001, 70};
    ASSERT_EQ(update(imageFile(h, pattern(80, 5))), 1) << failure.toStdString();
    EXPECT_TRUE(streamFlags(0x2F).empty());
    EXPECT_EQ(streamFlags(0x2E), (std::vector<uint8_t>{0x80, 0x40}));
    const std::vector<uint8_t> b =
        frame->downloadedBytes(Side::Master, sim::VirtualFrame::Stream::B);
    const QByteArray expected = pattern(80, 5).mid(10, 70);
    EXPECT_TRUE(
        std::equal(expected.begin(), expected.end(), reinterpret_cast<const char*>(b.data())));
    EXPECT_EQ(imageVersion(), 0x01050001u);
    EXPECT_EQ(le::u32(frame->readFlash(0x011000, 4).data()), 0x46574946u)
        << "images from 1.3 on keep the sensor block";
}

TEST_F(FirmwareUpdateTest, BadFilesAreRefusedBeforeTheFrameHearsOfThem)
{
    frame->clearRequestLog();
    FirmwareHeader none;
    EXPECT_EQ(update(imageFile(none, "")), 0);
    EXPECT_TRUE(notes.last().startsWith("The configuration file is incorrect"));

    FirmwareHeader two;
    two.entries[0] = {2, FirmwareHeader::kSize, 1, 4};
    EXPECT_EQ(update(imageFile(two, "abcd")), 0);
    EXPECT_TRUE(notes.last().startsWith("There is no item to be updated")) << "flag 2 is not 1";

    EXPECT_EQ(update(QByteArray(40, '\1')), 0) << "shorter than the header";
    EXPECT_TRUE(notes.last().startsWith("The configuration file is incorrect"));

    FirmwareHeader beyond;
    beyond.entries[0] = {1, FirmwareHeader::kSize, 1, 5000};
    EXPECT_EQ(update(imageFile(beyond, pattern(100, 1))), 0) << "part A reaches past the end";
    EXPECT_TRUE(notes.last().startsWith("The configuration file is incorrect"));

    // Parts that would erase the descriptor or the version block and write nothing, or
    // not fit the frame's flash at all.
    FirmwareHeader emptyA;
    emptyA.entries[0] = {1, FirmwareHeader::kSize, 1, 0};
    FirmwareHeader emptyB;
    emptyB.entries[1] = {1, 0, 0, 0};
    emptyB.entries[4] = {0, FirmwareHeader::kSize, 1, 0};
    FirmwareHeader huge;
    huge.entries[0] = {1, FirmwareHeader::kSize, 1, 200000};
    FirmwareHeader wrapping;
    wrapping.entries[0] = {1, 0xFFFFFFF0u, 1, 0x20};
    for (const QByteArray& file :
         {imageFile(emptyA, pattern(10, 1)), imageFile(emptyB, pattern(10, 1)),
          imageFile(huge, pattern(200000, 1)), imageFile(wrapping, "")}) {
        EXPECT_EQ(update(file), 0);
        EXPECT_TRUE(notes.last().startsWith("The configuration file is incorrect"));
    }

    HeadlessFirmwareUpdate u(*device, [this](const QString& s) { notes << s; });
    EXPECT_EQ(u.run(dir.file("missing.bin")), 0);
    EXPECT_TRUE(notes.last().startsWith("Failed to open the file"));
    EXPECT_EQ(u.run(QString()), 0);
    EXPECT_TRUE(notes.last().startsWith("Please open the image file first"));

    EXPECT_TRUE(frame->requestLog().empty());
    EXPECT_EQ(updatePending, 0);
}

TEST_F(FirmwareUpdateTest, AnOldImageLosesItsSensorBlockInTheBootLoader)
{
    frame->writeFlash(0x013000, {0x00, 0x00, 0x02, 0x01}); // 1.2.0
    ASSERT_EQ(update(twoParts(62, 62)), 1) << failure.toStdString();
    EXPECT_EQ(le::u32(frame->readFlash(0x011000, 4).data()), 0xFFFFFFFFu);
}

TEST_F(FirmwareUpdateTest, ARefusedPacketFailsTheUpdate)
{
    frame->refuseCommand(0x2E, 1, 1); // the second packet of part B
    EXPECT_EQ(update(twoParts(62, 200)), 0);
    EXPECT_TRUE(failure.startsWith("Update failed")) << failure.toStdString();
    EXPECT_EQ(updatePending, 0);
    EXPECT_TRUE(frame->inBootLoader()) << "the frame is left in its boot loader";
}

TEST_F(FirmwareUpdateTest, AFrameUnpluggedMidStreamIsUpdatedFromItsBootLoaderNextTime)
{
    frame->unplugAfterRequests(0x2E, 2);
    EXPECT_EQ(update(twoParts(62, 300)), 0);
    EXPECT_EQ(updatePending, 0);
    frame->clearFaults();
    frame->plug(); // plugged back in: still in its boot loader
    ASSERT_TRUE(open());
    EXPECT_EQ(bootLoaderSeen, 1);
    frame->clearRequestLog();
    ASSERT_EQ(update(twoParts(62, 300)), 1) << failure.toStdString();
    EXPECT_EQ(imageVersion(), 0x01040009u);
    const auto log = frame->requestLog();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const auto& r) { return r[1] == 0x38 && r[2] == 'B'; }),
              0)
        << "no jump to the boot loader it is already in";
}

TEST_F(FirmwareUpdateTest, AFrameThatNeverComesBackEndsTheUpdate)
{
    frame->stayAwayAfterRestart();
    EXPECT_EQ(update(twoParts(62, 62)), 0);
    EXPECT_TRUE(failure.contains("boot loader"));
    EXPECT_EQ(updatePending, 0);
}

TEST_F(FirmwareUpdateTest, ABlankFrameEndsWithAValidConfigurationRecord)
{
    frame = std::make_shared<sim::VirtualFrame>(sim::VirtualFrame::Contents::Blank);
    device = std::make_unique<Device>(std::make_unique<sim::SimTransport>(frame));
    ASSERT_TRUE(open());
    ASSERT_EQ(update(twoParts(62, 62)), 1) << failure.toStdString();
    ConfigRecord record;
    ASSERT_EQ(ReadConfigRecord(*device, record), 1);
    EXPECT_TRUE(record.valid());
    EXPECT_TRUE(log.contains("WriteConInfo.CalibCnt(8/10):8\n"));
}

TEST_F(FirmwareUpdateTest, APathWithWideCharactersIsReadFromATemporaryCopy)
{
    const QString name = QString::fromUtf8("\xe5\x9b\xba\xe4\xbb\xb6.bin");
    ASSERT_EQ(update(twoParts(62, 62), name), 1) << failure.toStdString();
    EXPECT_TRUE(log.contains("update :image path:"));
    EXPECT_EQ(SettingsFile::vireto().readText("ImagePath", "imagePath"), dir.file(name))
        << "the chosen path is remembered, not the copy";
}

TEST_F(FirmwareUpdateTest, TheDescriptorLogListsItsElevenFields)
{
    logImageDescriptor(*device);
    EXPECT_TRUE(log.contains(") \nMaster:\n"));
    EXPECT_TRUE(log.contains("HInfo:\n0x46504741,0x01,0x00,0x11111111,"));
    EXPECT_TRUE(log.contains("Imageversion:0x01030002,bootloader version=0x01000007\n"));
    EXPECT_TRUE(log.contains("--------------------------------------\n\nSlave:\n"));
}

TEST_F(FirmwareUpdateTest, TheWorkerStopsBetweenPartsWhenAsked)
{
    dir.write("fw.bin", twoParts(62, 62));
    FirmwareHeader header;
    ASSERT_EQ(checkFirmwareFile(dir.file("fw.bin"), header), kTextFileFine);
    std::atomic<int> stop{1};
    std::vector<int> codes;
    FirmwareDownload(*device, dir.file("fw.bin"), header, stop, [&](int c) {
        codes.push_back(c);
    }).run();
    EXPECT_EQ(codes, std::vector<int>{kFwProgress}) << "only the first progress; no part started";
    EXPECT_TRUE(streamFlags(0x2F).empty());
}

} // namespace
