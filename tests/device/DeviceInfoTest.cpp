#include "app/SettingsFile.h"
#include "codec/ByteOrder.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "production/DeviceInfoService.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/support/FileFlags.h"
#include "tests/support/FrameHarness.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipEntry.h"

#include <gtest/gtest.h>

namespace {

DeviceInfoFields sampleFields()
{
    DeviceInfoFields f;
    f.deviceId = 0x00001000;
    f.infoVersion = 0x00000102;
    f.factoryName = "Factory_A";
    f.customerName = "Customer-B";
    f.producer = "Line3";
    f.manufactureDate = QDate(2026, 12, 6);
    f.batchNumber = "B2026";
    f.lotNumber = "L17";
    f.encrypWord = 0xDEADBEEF;
    f.productModel = "IR86";
    f.supportFeature = 0x0000000F;
    f.screenWidth = 1920;
    f.screenHeight = 1080;
    return f;
}

TEST(DeviceInfoLayout, FieldsSitAtTheirOffsets)
{
    DeviceInfoRecord r;
    r.fields = sampleFields();
    r.writeCounter = 7;
    const DeviceInfoRecord::Bytes b = r.encode();
    EXPECT_EQ(le::u32(&b[0]), 0x44455649u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[0]), 4), "IVED");
    EXPECT_EQ(le::u32(&b[4]), 0x1000u);
    EXPECT_EQ(le::u32(&b[8]), 0x102u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[12])), "Factory_A");
    EXPECT_EQ(b[12 + 9], 0) << "zero-padded";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[28])), "Customer-B");
    EXPECT_EQ(le::u16(&b[60]), 2026);
    EXPECT_EQ(b[62], 12);
    EXPECT_EQ(b[63], 6);
    EXPECT_EQ(le::u32(&b[96]), 0xDEADBEEFu);
    EXPECT_EQ(le::u32(&b[116]), 0xFu);
    EXPECT_EQ(le::u32(&b[120]), 7u);
    EXPECT_EQ(le::u32(&b[124]), 1920u);
    EXPECT_EQ(le::u32(&b[128]), 1080u);
    const DeviceInfoRecord back = DeviceInfoRecord::decode(b);
    EXPECT_EQ(back.fields, r.fields);
    EXPECT_EQ(back.writeCounter, 7u);
}

TEST(DeviceInfoLayout, LongTextsAreCutToSixteenBytes)
{
    DeviceInfoRecord r;
    r.fields.productModel = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const auto b = r.encode();
    EXPECT_EQ(DeviceInfoRecord::decode(b).fields.productModel, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(le::u32(&b[116]), 0u) << "the next field is untouched";
}

TEST(DeviceInfoLayout, FieldTexts)
{
    EXPECT_EQ(hexText(0x1A), "0x0000001A");
    EXPECT_EQ(dateText(QDate(2026, 3, 7)), "20260307");
    EXPECT_EQ(parseHexField("0x1f"), 0x1Fu);
    EXPECT_EQ(parseHexField("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_FALSE(parseHexField("1FFFFFFFF"));
    EXPECT_FALSE(parseHexField("g1"));
    EXPECT_EQ(parseDecimalField("1080"), 1080u);
    EXPECT_FALSE(parseDecimalField("10a"));
    EXPECT_EQ(parseDateField("20261206"), QDate(2026, 12, 6));
    EXPECT_FALSE(parseDateField("20261306"));
}

class DeviceInfoServiceTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        DeviceInfoService::forgetStoredCopy();
        service = std::make_unique<DeviceInfoService>(*device, dir.path());
        service->setClock([] { return QDateTime(QDate(2026, 12, 6), QTime(10, 20, 30)); });
        dir.write("DeviceInfo.ini", "[DeviceInfo]\nDeviceID=0x00000010\nInfoVersion=0x1\n"
                                    "FactoryName=Plant7\nProductModel=IR86-ABCDEFGHIJKLMNOPQ\n"
                                    "ScreenWidth=1920\nScreenHeight=1080\n");
    }
    DeviceInfoRecord stored()
    {
        DeviceInfoRecord::Bytes b{};
        const auto v = frame->readFlash(0x01F000, 132);
        std::copy(v.begin(), v.end(), b.begin());
        return DeviceInfoRecord::decode(b);
    }

    ScratchDir dir;
    std::unique_ptr<DeviceInfoService> service;
};

TEST_F(DeviceInfoServiceTest, WritesBodyThenHeadAndReadsTheHeadBack)
{
    frame->clearRequestLog();
    const DeviceInfoWriteResult r = service->write(sampleFields(), {});
    ASSERT_TRUE(r.written) << r.message.toStdString();
    EXPECT_EQ(r.message, "Write success!\n");
    std::vector<std::pair<uint8_t, uint32_t>> steps;
    for (const auto& q : frame->requestLog())
        if (q[1] == 0x09 || q[1] == 0x0D || (q[1] == 0x0A && q[4] == 0x01 && q[3] == 0xF0))
            steps.emplace_back(q[1], static_cast<uint32_t>(q[2] | q[3] << 8 | q[4] << 16));
    const std::vector<std::pair<uint8_t, uint32_t>> expected = {
        {0x0A, 0x01F000}, {0x0A, 0x01F03C}, {0x0A, 0x01F078}, // the stored record (counter)
        {0x0D, 0x01F000}, {0x09, 0x01F004}, {0x09, 0x01F024}, {0x09, 0x01F044},
        {0x09, 0x01F064}, {0x09, 0x01F000}, {0x0A, 0x01F000}};
    EXPECT_EQ(steps, expected);
    const DeviceInfoRecord s = stored();
    EXPECT_TRUE(s.valid());
    EXPECT_EQ(s.fields, sampleFields());
    EXPECT_EQ(s.writeCounter, 0u);
    ASSERT_TRUE(DeviceInfoService::storedCopy());
    EXPECT_EQ(DeviceInfoService::storedCopy()->fields, sampleFields());
}

TEST_F(DeviceInfoServiceTest, TwoAutomaticWritesGiveConsecutiveIdsAndTwoRows)
{
    ASSERT_TRUE(service->automaticWrite({0x02, 0x60, 236, 8}).written);
    EXPECT_EQ(stored().fields.deviceId, 0x10u);
    EXPECT_EQ(stored().fields.manufactureDate, QDate(2026, 12, 6));
    EXPECT_EQ(stored().fields.productModel, "IR86-ABCDEFGHIJK") << "cut to 16 bytes";
    EXPECT_EQ(SettingsFile(dir.file("DeviceInfo.ini")).readText("DeviceInfo", "DeviceID"),
              "0x00000011");

    const DeviceInfoWriteResult second = service->automaticWrite({0x02, 0x60, 236, 8});
    ASSERT_TRUE(second.written);
    EXPECT_TRUE(second.exported) << second.exportError.toStdString();
    EXPECT_EQ(stored().fields.deviceId, 0x11u);
    EXPECT_EQ(stored().writeCounter, 1u) << "a valid record rewritten counts up";
    EXPECT_EQ(SettingsFile(dir.file("DeviceInfo.ini")).readText("DeviceInfo", "DeviceID"),
              "0x00000012");

    DeviceInfoWorkbook workbook(dir.path());
    const auto rows = workbook.rows();
    using C = WorkbookCell;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], C::ofText("0x00000010"));
    EXPECT_EQ(rows[1][0], C::ofText("0x00000011"));
    EXPECT_EQ(rows[1][5], C::ofDate(QDate(2026, 12, 6)));
    EXPECT_EQ(rows[1][9], C::ofText("IR86-ABCDEFGHIJK")) << "as the frame stores it";
    EXPECT_EQ(rows[1][11], C::ofNumber(1));
    EXPECT_EQ(rows[1][12], C::ofNumber(1920));
    EXPECT_EQ(rows[1][14], C::ofText("0x02"));
    EXPECT_EQ(rows[1][15], C::ofText("0x60"));
    EXPECT_EQ(rows[1][16], C::ofNumber(236));
    EXPECT_EQ(rows[1][17], C::ofText("4.2.5"));
    EXPECT_EQ(rows[1][18], C::ofText("1.3.2"));
    EXPECT_EQ(rows[1][19], C::ofText("1.0.7"));
    EXPECT_EQ(rows[1][21], C::ofNumber(640));
    EXPECT_EQ(rows[1].size(), static_cast<size_t>(DeviceInfoWorkbook::header().size()));
    const QByteArray xlsx = dir.read(DeviceInfoWorkbook::kWorkbookName);
    EXPECT_TRUE(xlsx.startsWith("PK")) << "a zip container";
    EXPECT_TRUE(xlsx.contains("xl/worksheets/sheet1.xml"));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QString(DeviceInfoWorkbook::kWorkbookName) + ".part")));
    // In the sheet itself: numbers and dates are cells of their type, not texts.
    const QByteArray sheet =
        zip_entry::read(dir.file(DeviceInfoWorkbook::kWorkbookName), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(sheet.contains("<c r=\"M3\" s=\"0\"><v>1920</v></c>") ||
                sheet.contains("<c r=\"M3\"><v>1920</v></c>"))
        << sheet.toStdString();
    EXPECT_TRUE(sheet.contains("<c r=\"F3\" s=\"1\"><v>46362</v></c>")) << "2026-12-06 as a date";
}

TEST_F(DeviceInfoServiceTest, RowsAlreadyRecordedSurviveAFailedWorkbookWrite)
{
    ASSERT_TRUE(service->automaticWrite({}).exported);
    // Something in the way of the new workbook: the row is still recorded.
    QFile::remove(dir.file(DeviceInfoWorkbook::kWorkbookName));
    QDir().mkpath(dir.file(DeviceInfoWorkbook::kWorkbookName) + "/blocked");
    const DeviceInfoWriteResult r = service->automaticWrite({});
    EXPECT_TRUE(r.written) << "a failed export never undoes the flash write";
    EXPECT_FALSE(r.exported);
    EXPECT_FALSE(r.exportError.isEmpty());
    EXPECT_TRUE(stored().valid());
    EXPECT_EQ(DeviceInfoWorkbook(dir.path()).rows().size(), 2u);
    EXPECT_TRUE(host->log.contains("Device information export failed"));
}

TEST_F(DeviceInfoServiceTest, EachFailingStepStopsWithItsMessage)
{
    frame->refuseCommand(0x0A, 1);
    EXPECT_EQ(service->write(sampleFields(), {}).message, "ReadImageVersion Master failed!\n");
    EXPECT_TRUE(host->log.contains("ReadImageVersion Master failed!\n"));

    frame->clearFaults();
    frame->refuseCommand(0x0D, 1);
    EXPECT_EQ(service->write(sampleFields(), {}).message, "Write Master failed (Erase Master)!\n");

    frame->clearFaults();
    frame->failFlashWrites(sim::FlashWriteFault::Refuse, 1);
    EXPECT_EQ(service->write(sampleFields(), {}).message, "Write Master failed (Write Master)!\n");
    EXPECT_FALSE(stored().valid()) << "an interrupted write leaves no head";

    frame->clearFaults();
    frame->refuseCommand(0x09, 1, 4); // the head
    EXPECT_EQ(service->write(sampleFields(), {}).message, "Write Master failed (Write Master)!\n");

    frame->clearFaults();
    frame->refuseCommand(0x0A, 1, 4); // reading the head back
    EXPECT_EQ(service->write(sampleFields(), {}).message, "Write Master failed (Read Master)!\n");
    EXPECT_FALSE(QFileInfo::exists(dir.file(DeviceInfoWorkbook::kWorkbookName)));
    EXPECT_EQ(SettingsFile(dir.file("DeviceInfo.ini")).readText("DeviceInfo", "DeviceID"),
              "0x00000010")
        << "a failed write does not advance the device ID";
}

TEST_F(DeviceInfoServiceTest, AValuesFileThatCannotTakeTheNextIdStopsTheWrite)
{
    FileFlagGuard frozen(dir.file("DeviceInfo.ini"), FS_IMMUTABLE_FL);
    if (!frozen.applied())
        GTEST_SKIP() << "file attributes cannot be set here";
    frame->clearRequestLog();
    const DeviceInfoWriteResult r = service->automaticWrite({});
    EXPECT_FALSE(r.written);
    EXPECT_TRUE(r.message.contains("DeviceInfo.ini cannot be written")) << r.message.toStdString();
    EXPECT_TRUE(frame->requestLog().empty()) << "the frame is not touched";
    EXPECT_FALSE(SettingsFile(dir.file("DeviceInfo.ini")).write("DeviceInfo", "DeviceID", "0x11"))
        << "a write that does not reach the file says so";
}

TEST_F(DeviceInfoServiceTest, AValuesFileThatCannotBeReadStopsTheWriteAndStaysAsItWas)
{
    // A section line without its "]", and a section name with a group separator: the
    // keys read as zeros or empty texts, and advancing the ID rewrote the file from the
    // part that could be read.
    for (const QByteArray& broken :
         {QByteArray("; v\xff\n[DeviceInfo\nDeviceID=0x00000010\nCustomerName=Plant7; line 3\n"),
          QByteArray("[DeviceInfo//]\nDeviceID=0x00000010\n[DeviceInfo]\nCustomerName=Plant7\n")}) {
        dir.write("DeviceInfo.ini", broken);
        frame->clearRequestLog();
        const DeviceInfoWriteResult r = service->automaticWrite({});
        EXPECT_FALSE(r.written) << broken.toStdString();
        EXPECT_TRUE(r.message.contains("DeviceInfo.ini is not a readable settings file"))
            << r.message.toStdString();
        EXPECT_TRUE(frame->requestLog().empty()) << "the frame is not touched";
        EXPECT_EQ(dir.read("DeviceInfo.ini"), broken);
        EXPECT_FALSE(service->write(sampleFields(), {}).written) << "the dialog's write as well";
    }
}

TEST_F(DeviceInfoServiceTest, AHeadThatDoesNotStickIsReported)
{
    // Every programming leaves a byte unprogrammed; only the head is read back.
    frame->failFlashWrites(sim::FlashWriteFault::Corrupt, sim::VirtualFrame::kAlways);
    const DeviceInfoWriteResult r = service->write(sampleFields(), {});
    EXPECT_FALSE(r.written);
    EXPECT_EQ(r.message, "Write Master failed (Write Master head)!\n");
}

TEST_F(DeviceInfoServiceTest, TextsOutsideLatin1AreRefusedBeforeAnyFlashTraffic)
{
    DeviceInfoFields f = sampleFields();
    f.producer = QString::fromUtf8("\xe5\xb7\xa5\xe5\x8e\x82");
    frame->clearRequestLog();
    const DeviceInfoWriteResult r = service->write(f, {});
    EXPECT_FALSE(r.written);
    EXPECT_TRUE(r.message.contains("Latin-1"));
    EXPECT_TRUE(frame->requestLog().empty());
}

TEST_F(DeviceInfoServiceTest, DialogOpensWithTheIniValuesUnlessAStoredRecordIsReproduced)
{
    EXPECT_EQ(service->dialogValues(true).factoryName, "Plant7") << "no valid record yet";
    ASSERT_TRUE(service->write(sampleFields(), {}).written);
    EXPECT_EQ(service->dialogValues(true).factoryName, "Factory_A");
    EXPECT_EQ(service->dialogValues(false).factoryName, "Plant7");
}

} // namespace
