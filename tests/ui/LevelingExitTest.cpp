// Leaving the image-adjusting window: the configuration record rebuilt from
// Vireto.ini and written back, then the device-information step.
#include "ui/leveling/LevelingExit.h"

#include "device/ConfigRecordStore.h"
#include "tests/imaging/ImagingTestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using imagingtest::ImagingTest;

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
