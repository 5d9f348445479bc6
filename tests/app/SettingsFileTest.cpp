#include "app/SettingsFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(SettingsFile, MissingFileGivesEveryDefault)
{
    ScratchDir dir;
    const SettingsFile ini(dir.file("Vireto.ini"));
    EXPECT_EQ(ini.readInt("Vireto_Config", "CalibTime", 40), 40);
    EXPECT_EQ(ini.readText("ImagePath", "imagePath", "0"), "0");
    EXPECT_EQ(ini.readText("Vireto_Config", "InfraredExpTime"), "");
    EXPECT_EQ(ini.readInt("SensorType", "SensorType", 0), 0);
}

TEST(SettingsFile, HexTextKeysReadTheirDefaultsAsHexadecimal)
{
    ScratchDir dir;
    const SettingsFile ini(dir.file("Vireto.ini"));
    EXPECT_EQ(ini.readHex("Vireto_Config", "TouchRightClickDistThres", "10"), 16);
    EXPECT_EQ(ini.readHex("Vireto_Config", "TouchRightClickTimeThres", "240"), 576);
    EXPECT_EQ(ini.readHex("Vireto_Config", "TouchRightClickIncFrameThres", "6"), 6);
    EXPECT_EQ(ini.readHex("Vireto_Config", "InfraredExpGain", "4"), 4);
}

TEST(SettingsFile, HexTextKeysReadStoredText)
{
    ScratchDir dir;
    dir.write("Vireto.ini", "[Vireto_Config]\nInfraredExpTime=0x0a\nXPRightClickMode=ff\n"
                            "TouchRightClickTimeThres=zz\n");
    const SettingsFile ini(dir.file("Vireto.ini"));
    EXPECT_EQ(ini.readHex("Vireto_Config", "InfraredExpTime", "0"), 10);
    EXPECT_EQ(ini.readHex("Vireto_Config", "XPRightClickMode", "0"), 255);
    EXPECT_EQ(ini.readHex("Vireto_Config", "TouchRightClickTimeThres", "240"), 0);
}

TEST(SettingsFile, NonNumericIntegerValuesReadAsZero)
{
    ScratchDir dir;
    dir.write("Vireto.ini", "[Vireto_Config]\nCalibTime=fast\nLanguage=2x\nSubVersion=5\n");
    const SettingsFile ini(dir.file("Vireto.ini"));
    EXPECT_EQ(ini.readInt("Vireto_Config", "CalibTime", 40), 0);
    EXPECT_EQ(ini.readInt("Vireto_Config", "Language", 3), 0);
    EXPECT_EQ(ini.readInt("Vireto_Config", "SubVersion", 0), 5);
}

TEST(SettingsFile, UnreadableFileGivesDefaults)
{
    ScratchDir dir;
    QDir().mkpath(dir.file("Vireto.ini")); // a folder where the file should be
    const SettingsFile ini(dir.file("Vireto.ini"));
    EXPECT_EQ(ini.readInt("Vireto_Config", "ChooseToolEnable", 1), 1);
}

TEST(SettingsFile, WriterStoresKeysWhenItGoesAway)
{
    ScratchDir dir;
    const SettingsFile ini(dir.file("Vireto.ini"));
    {
        SettingsFile::Writer w(ini);
        w.set("Vireto_Config", "Language", 2);
        w.set("ImagePath", "imagePath", "/data/fw/image.bin");
    }
    EXPECT_TRUE(dir.read("Vireto.ini").contains("Language=2"));
    EXPECT_EQ(ini.readInt("Vireto_Config", "Language", 0), 2);
    EXPECT_EQ(ini.readText("ImagePath", "imagePath", "0"), "/data/fw/image.bin");
}

TEST(SettingsFile, TextWithCommasReadsAsOneText)
{
    ScratchDir dir;
    dir.write("Vireto.ini", "[Vireto_Config]\nNote=one, two\n");
    EXPECT_EQ(SettingsFile(dir.file("Vireto.ini")).readText("Vireto_Config", "Note"), "one, two");
}

} // namespace
