// What the image-adjusting window builds on: its column curves, its samples and the
// record it writes back when it is left.
#include "ImagingTestSupport.h"

#include "imaging/ColumnCurves.h"
#include "imaging/LevelingExit.h"
#include "imaging/SampleStore.h"

#include <QDir>

namespace {

using namespace imagingtest;

TEST(ColumnCurves, TwoRowsAveragedInsideTheRangeTheBrighterOneNearItsEnds)
{
    FrameCopy frame{};
    for (size_t col = 0; col < 640; ++col) {
        frame[2 * 640 + col] = 100; // row 2
        frame[3 * 640 + col] = 51;  // row 3
    }
    OptimumLineTable table{};
    table[0] = {2, 300, 320};  // the first segment is taken from column 0
    table[7] = {2, 600, 610};  // the last one up to column 639
    table[3] = {10, 400, 500}; // its second row would leave the frame
    const ColumnCurves::Curve c = ColumnCurves::actualCurve(frame.data(), table, 20, 560);
    EXPECT_EQ(c[0], 100);
    EXPECT_EQ(c[120], 100) << "exactly 100 columns inside the start: the larger";
    EXPECT_EQ(c[121], 75) << "mean rounded down";
    EXPECT_EQ(c[319], 75);
    EXPECT_EQ(c[320], 0) << "covered by no segment";
    EXPECT_EQ(c[450], 0);
    EXPECT_EQ(c[600], 100);
    EXPECT_EQ(c[639], 100);

    ColumnCurves::Curve background{};
    background[0] = 130;
    background[121] = 70;
    const ColumnCurves::Curve d = ColumnCurves::difference(c, background);
    EXPECT_EQ(d[0], 0) << "never below 0";
    EXPECT_EQ(d[121], 5);
}

TEST(SampleStore, FirstSampleOfTheRunStartsTheFolderAfresh)
{
    ScratchDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    dir.write("SampleData/old/L.bin", "stale");
    sample_store::g_SampleCount = 0;
    FrameCopy left{};
    FrameCopy right{};
    left[0] = 7;
    right[7039] = 9;
    auto picture = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("png") == 3;
    };
    EXPECT_TRUE(sample_store::saveSample(picture, left.data(), right.data()));
    EXPECT_TRUE(sample_store::saveSample(picture, left.data(), right.data()));
    EXPECT_FALSE(QFile::exists(dir.file("SampleData/old")));
    EXPECT_EQ(dir.read("SampleData/000/000.png"), "png");
    EXPECT_EQ(dir.read("SampleData/001/L001.bin").size(), 7040);
    EXPECT_EQ(dir.read("SampleData/001/L001.bin")[0], 7);
    EXPECT_EQ(dir.read("SampleData/001/R001.bin")[7039], 9);
    EXPECT_EQ(sample_store::g_SampleCount, 2);
    QDir::setCurrent(previous);
}

class LevelingExitTest : public ImagingTest {
protected:
    ConfigRecord stored()
    {
        ConfigRecord r;
        EXPECT_EQ(ReadConfigRecord(*device, r), 1);
        return r;
    }
};

TEST_F(LevelingExitTest, RecordRebuiltFromAnEmptyIniCarriesTheHexadecimalDefaults)
{
    setConfigRecord(1, 1, 160, 6);
    SettingsFile ini(dir.file("Vireto.ini"));
    ini.write("Vireto_Debug", "WriteConfigInfo", 1);
    const LevelingExitResult result = runLevelingExit(*device, ini, 0, 0, dir.path());
    EXPECT_EQ(result.configWritten, 1);
    EXPECT_EQ(result.deviceInfo, LevelingExitResult::DeviceInfo::None);
    const ConfigRecord r = stored();
    EXPECT_TRUE(r.valid());
    EXPECT_EQ(r.TouchRightClickDistThres, 16u);
    EXPECT_EQ(r.TouchRightClickTimeThres, 576u);
    EXPECT_EQ(r.TouchRightClickIncFrameThres, 6u);
    EXPECT_EQ(r.smoothness, 1);
    EXPECT_EQ(r.CalibCnt, 8);
    EXPECT_EQ(r.TouchType, 1);
    EXPECT_EQ(r.InfraredPenMode, 1) << "pen and sensor fields keep what was read";
    EXPECT_EQ(r.SensorType, 1);
    EXPECT_EQ(r.InfraredExpTime, 160);
    EXPECT_EQ(r.InfraredExpGain, 6);
}

TEST_F(LevelingExitTest, WithoutRebuildOnlyTheRightClickKeysChange)
{
    ConfigRecord before;
    before.screenSize = 4;
    before.CalibWay = 2;
    const ConfigRecordBytes bytes = before.encode();
    ASSERT_TRUE(frame->writeFlash(flash_map::kConfigRecord, {bytes.begin(), bytes.end()}));
    SettingsFile ini(dir.file("Vireto.ini"));
    ini.write("Vireto_ScreenInfo", "Screen_Size", 7);
    ini.write("Vireto_Config", "XPRightClickMode", "a");
    EXPECT_EQ(runLevelingExit(*device, ini, 0, 0, dir.path()).configWritten, 1);
    ConfigRecord expected = before;
    expected.XPRightClickMode = 10;
    expected.TouchRightClickDistThres = 16;
    expected.TouchRightClickTimeThres = 576;
    EXPECT_EQ(stored(), expected);
}

TEST_F(LevelingExitTest, DeviceInformationFollowsOnlyAWrittenRecord)
{
    SettingsFile ini(dir.file("Vireto.ini"));
    dir.write("DeviceInfo.ini", "[DeviceInfo]\nDeviceID=0x00000020\nFactoryName=Line3\n");
    LevelingExitResult r = runLevelingExit(*device, ini, 1, 1, dir.path());
    EXPECT_EQ(r.deviceInfo, LevelingExitResult::DeviceInfo::DialogWanted);
    r = runLevelingExit(*device, ini, 1, 0, dir.path());
    ASSERT_EQ(r.deviceInfo, LevelingExitResult::DeviceInfo::Written);
    EXPECT_EQ(r.info.message, "Write success!\n");
    EXPECT_EQ(SettingsFile(dir.file("DeviceInfo.ini")).readText("DeviceInfo", "DeviceID"),
              "0x00000021");

    frame->refuseCommand(cmd::kFlashWrite);
    r = runLevelingExit(*device, ini, 1, 0, dir.path());
    EXPECT_EQ(r.configWritten, 0);
    EXPECT_EQ(r.deviceInfo, LevelingExitResult::DeviceInfo::None);
    EXPECT_TRUE(logText().contains("Leveling exit: WriteConfigInfo failed!\n"));
}

} // namespace
