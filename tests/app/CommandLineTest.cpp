#include "app/CommandLine.h"

#include "app/AppContext.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

Edition chooseEditionFor(const StartupOptions& o)
{
    return chooseEdition(o.toolMode, o.subFunction);
}

// A program folder with an optional "Vireto.ini" and language pack.
class CommandLineTest : public ::testing::Test {
protected:
    SettingsFile ini() const { return SettingsFile(dir.file("Vireto.ini")); }
    SettingsFile pack() const { return SettingsFile(dir.file("Vireto_language.lrp")); }
    // A pack of n named languages.
    void setLanguageCount(int n) const
    {
        pack().write("Language", "LanguageCnt", n);
        for (int i = 0; i < n; ++i)
            pack().write("Language", QString("Language_%1").arg(i), QString("L%1").arg(i));
    }
    StartupOptions parse(const QStringList& args) const
    {
        return parseCommandLine(args, ini(), pack());
    }

    ScratchDir dir;
};

TEST_F(CommandLineTest, NoArgumentsAndNoSettingsOpenTheEngineeringEditionInEnglish)
{
    const StartupOptions o = parse({});
    EXPECT_EQ(o.toolMode, 1);
    EXPECT_EQ(o.subFunction, 0);
    EXPECT_EQ(o.languageIndex, 0);
    EXPECT_EQ(o.subVersion, 0);
}

TEST_F(CommandLineTest, ToolAndLanguageSwitchesWorkInEitherOrder)
{
    for (const QStringList& args : {QStringList{"-adj", "-chs"}, QStringList{"-chs", "-adj"}}) {
        const StartupOptions o = parse(args);
        EXPECT_EQ(o.toolMode, 1);
        EXPECT_EQ(o.subFunction, 5);
        EXPECT_EQ(o.languageIndex, 3);
        EXPECT_EQ(chooseEditionFor(o), Edition::SingleFunction);
    }
}

TEST_F(CommandLineTest, FirstToolSwitchWinsAndLaterOnesAreIgnored)
{
    StartupOptions o = parse({"-key", "-16cal"});
    EXPECT_EQ(o.toolMode, 1);
    EXPECT_EQ(o.subFunction, 3);
    o = parse({"-16cal", "-key"});
    EXPECT_EQ(o.toolMode, 3);
    EXPECT_EQ(o.subFunction, 2);
}

TEST_F(CommandLineTest, EveryToolSwitchMapsToItsEdition)
{
    struct Row {
        const char* arg;
        int toolMode;
        int subFunction;
    };
    const Row rows[] = {{"-MM", 1, 0},  {"-mm", 1, 0}, {"-DD", 2, 0},   {"-dd", 2, 0},
                        {"-UU", 3, 0},  {"-uu", 3, 0}, {"-4cal", 3, 1}, {"-16cal", 3, 2},
                        {"-key", 1, 3}, {"-ir", 1, 4}, {"-adj", 1, 5},  {"-update", 5, 0},
                        {"-ver", 1, 7}};
    ini().write("Vireto_Config", "ChooseToolEnable", 4); // must not leak into any row
    for (const Row& r : rows) {
        const StartupOptions o = parse({r.arg});
        EXPECT_EQ(o.toolMode, r.toolMode) << r.arg;
        EXPECT_EQ(o.subFunction, r.subFunction) << r.arg;
        EXPECT_TRUE(o.toolSwitchFound) << r.arg;
    }
}

TEST_F(CommandLineTest, SwitchesAreWholeCaseSensitiveArguments)
{
    for (const char* arg : {"-Mm", "-ADJ", "-adjx", "adj", "-Key", "--adj"}) {
        const StartupOptions o = parse({arg});
        EXPECT_FALSE(o.toolSwitchFound) << arg;
        EXPECT_EQ(o.toolMode, 1) << arg;
    }
    for (const char* arg : {"-En", "-Chs", "-chs ", "-english"})
        EXPECT_FALSE(parse({arg}).languageSwitchFound) << arg;
}

TEST_F(CommandLineTest, TwoCharacterLanguageSwitchIsCheckedAgainstThePack)
{
    setLanguageCount(3);
    StartupOptions o = parse({"-b"});
    EXPECT_TRUE(o.languageSwitchFound);
    EXPECT_EQ(o.languageIndex, 1);
    o = parse({"-c"});
    EXPECT_EQ(o.languageIndex, 2);
    o = parse({"-d"}); // 'd' - 'a' = 3 is not below 3
    EXPECT_FALSE(o.languageSwitchFound);
    EXPECT_FALSE(parse({"-z"}).languageSwitchFound);
    EXPECT_FALSE(parse({"-B"}).languageSwitchFound);
    EXPECT_FALSE(parse({"-1"}).languageSwitchFound);
}

TEST_F(CommandLineTest, FirstLanguageSwitchWins)
{
    setLanguageCount(6);
    EXPECT_EQ(parse({"-ru", "-ja"}).languageIndex, 2);
    EXPECT_EQ(parse({"-c", "-en"}).languageIndex, 2);
    EXPECT_EQ(parse({"-CHT", "-adj", "-b"}).languageIndex, 4);
}

TEST_F(CommandLineTest, ParsingStopsOnceBothSwitchesAreFound)
{
    setLanguageCount(3);
    const StartupOptions o = parse({"-ver", "-b", "-key", "-c"});
    EXPECT_EQ(o.subFunction, 7);
    EXPECT_EQ(o.languageIndex, 1);
}

TEST_F(CommandLineTest, ChooseToolEnableDecidesWithoutToolSwitch)
{
    const std::pair<int, int> rows[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4},
                                        {5, 5}, {6, 1}, {7, 1}, {9, 1}, {-1, 1}};
    for (const auto& [stored, expected] : rows) {
        ini().write("Vireto_Config", "ChooseToolEnable", stored);
        const StartupOptions o = parse({"-en"});
        EXPECT_EQ(o.toolMode, expected) << stored;
        EXPECT_EQ(o.subFunction, 0);
    }
    ini().write("Vireto_Config", "ChooseToolEnable", 4);
    EXPECT_EQ(chooseEditionFor(parse({})), Edition::FactoryTest);
    ini().write("Vireto_Config", "ChooseToolEnable", 9);
    EXPECT_EQ(chooseEditionFor(parse({})), Edition::Engineering);
    ini().write("Vireto_Config", "ChooseToolEnable", "three");
    EXPECT_EQ(parse({}).toolMode, 0); // not a number reads as 0: engineering window
}

TEST_F(CommandLineTest, StoredLanguageOutsideThePackIsResetAndWrittenBack)
{
    setLanguageCount(2);
    ini().write("Vireto_Config", "Language", 7);
    EXPECT_EQ(parse({}).languageIndex, 0);
    EXPECT_EQ(ini().readInt("Vireto_Config", "Language", -1), 0);

    ini().write("Vireto_Config", "Language", 1);
    EXPECT_EQ(parse({}).languageIndex, 1);
    EXPECT_EQ(ini().readInt("Vireto_Config", "Language", -1), 1);

    ini().write("Vireto_Config", "Language", -2);
    EXPECT_EQ(parse({}).languageIndex, 0);
    EXPECT_EQ(ini().readInt("Vireto_Config", "Language", -1), 0);
}

TEST_F(CommandLineTest, LanguageSwitchLeavesTheStoredLanguageAlone)
{
    setLanguageCount(2);
    ini().write("Vireto_Config", "Language", 7);
    EXPECT_EQ(parse({"-en"}).languageIndex, 0);
    EXPECT_EQ(ini().readInt("Vireto_Config", "Language", -1), 7);
}

TEST_F(CommandLineTest, OnlyKnownSubVersionsStand)
{
    for (int v : {1, 3, 5, 8}) {
        ini().write("Vireto_Config", "SubVersion", v);
        EXPECT_EQ(parse({}).subVersion, v);
    }
    for (int v : {2, 4, 9, -1, 100}) {
        ini().write("Vireto_Config", "SubVersion", v);
        EXPECT_EQ(parse({}).subVersion, 0) << v;
    }
}

TEST(EditionChoice, ToolModeAndSubFunctionPickTheWindow)
{
    EXPECT_EQ(chooseEdition(3, 0), Edition::User);
    EXPECT_EQ(chooseEdition(3, 2), Edition::User);
    EXPECT_EQ(chooseEdition(4, 0), Edition::FactoryTest);
    EXPECT_EQ(chooseEdition(1, 5), Edition::SingleFunction);
    EXPECT_EQ(chooseEdition(1, 0), Edition::Engineering);
    EXPECT_EQ(chooseEdition(2, 0), Edition::Engineering);
    EXPECT_EQ(chooseEdition(5, 0), Edition::Engineering);
    EXPECT_EQ(chooseEdition(0, 0), Edition::Engineering);
}

TEST(DeviceOption, CommandLineBeatsEnvironmentWhichBeatsTheDefault)
{
    qunsetenv("VIRETO_DEVICE");
    EXPECT_EQ(deviceOption({"-adj"}), "hid");
    qputenv("VIRETO_DEVICE", "unix:/tmp/frames");
    EXPECT_EQ(deviceOption({}), "unix:/tmp/frames");
    EXPECT_EQ(deviceOption({"--device=sim"}), "sim");
    qunsetenv("VIRETO_DEVICE");
}

} // namespace
