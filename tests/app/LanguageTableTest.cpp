#include "app/LanguageTable.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageTable, BuiltInEnglishTextsHaveTheirIndexes)
{
    const auto& t = LanguageTable::builtinTexts();
    ASSERT_EQ(t.size(), 169u);
    EXPECT_STREQ(t[0], "Device checking,please wait...");
    EXPECT_STREQ(t[14], "Please check each interface connection situation, and again plug device!");
    EXPECT_STREQ(t[17], "Device not detected, please check the connection.");
    EXPECT_STREQ(t[21], "\nAre you sure you update?");
    EXPECT_STREQ(t[42], "FirmwareID: %1.%2.%3\n");
    EXPECT_STREQ(t[52], "The application is already running.");
    EXPECT_STREQ(t[86], " <=30 inches");
    EXPECT_STREQ(t[159], "min:%1\nmax:%2\nvalue:%3");
    EXPECT_STREQ(t[167], "Ongoing image evaluation, please wait...");
    EXPECT_GT(std::strlen(t[168]), 0u);
    for (const char* text : t)
        EXPECT_NE(text, nullptr);
}

TEST(LanguageTable, MissingPackGivesEnglishAndNoNames)
{
    ScratchDir dir;
    const SettingsFile pack(dir.file("Vireto_language.lrp"));
    const QStringList table = LanguageTable::load(pack, 3);
    ASSERT_EQ(table.size(), 169);
    EXPECT_EQ(table[15], "Devices check completed.");
    EXPECT_EQ(LanguageTable::languageCount(pack), 0);
    EXPECT_TRUE(LanguageTable::languageNames(pack).isEmpty());
    EXPECT_EQ(LanguageTable::selectorEntries(pack), QStringList{"English"});
}

TEST(LanguageTable, PackOverlaysItsLanguageEntryByEntry)
{
    ScratchDir dir;
    dir.write("Vireto_language.lrp",
              "[Language]\nLanguageCnt=2\nLanguage_0=English\nLanguage_1=Deutsch\n"
              "[Language_1]\n1=Einstellungen\n15=\"Ger\xc3\xa4tepr\xc3\xbc"
              "fung abgeschlossen.\"\n"
              "21=\"\\nWirklich aktualisieren?\"\n168=Beispiel GmbH\n169=beyond the table\n"
              "200=also beyond\n"
              "[Language_0]\n1=Settings\n");
    const SettingsFile pack(dir.file("Vireto_language.lrp"));
    const QStringList german = LanguageTable::load(pack, 1);
    ASSERT_EQ(german.size(), 169);
    EXPECT_EQ(german[1], "Einstellungen");
    EXPECT_EQ(german[15], QString::fromUtf8("Ger\xc3\xa4tepr\xc3\xbc"
                                            "fung abgeschlossen."));
    EXPECT_EQ(german[21], "\nWirklich aktualisieren?");
    EXPECT_EQ(german[168], "Beispiel GmbH");
    EXPECT_EQ(german[2], "Leveling"); // missing key keeps the English text
    EXPECT_FALSE(german.contains("beyond the table"));

    EXPECT_EQ(LanguageTable::load(pack, 0)[1], "Settings");
    EXPECT_EQ(LanguageTable::load(pack, 5)[1], "Set"); // no such group
    EXPECT_EQ(LanguageTable::languageNames(pack), QStringList({"English", "Deutsch"}));
    EXPECT_EQ(LanguageTable::selectorEntries(pack), QStringList({"English", "Deutsch"}));
}

TEST(LanguageTable, UnquotedTextWithCommasStaysOneText)
{
    ScratchDir dir;
    dir.write("Vireto_language.lrp", "[Language_0]\n14=Bitte pr\xc3\xbc"
                                     "fen, dann neu stecken!\n");
    const QStringList table = LanguageTable::load(SettingsFile(dir.file("Vireto_language.lrp")), 0);
    EXPECT_EQ(table[14], QString::fromUtf8("Bitte pr\xc3\xbc"
                                           "fen, dann neu stecken!"));
}

TEST(LanguageTable, NamesBeyondTheCountAreNotListedAndMissingNamesReadAsZero)
{
    ScratchDir dir;
    dir.write("Vireto_language.lrp",
              "[Language]\nLanguageCnt=3\nLanguage_0=A\nLanguage_2=C\nLanguage_3=D\n");
    EXPECT_EQ(LanguageTable::languageNames(SettingsFile(dir.file("Vireto_language.lrp"))),
              QStringList({"A", "0", "C"}));
}

TEST(LanguageTable, AHugeCountIsHeldToTheLanguagesThePackHas)
{
    ScratchDir dir;
    dir.write("Vireto_language.lrp", "[Language]\nLanguageCnt=2000000000\nLanguage_0=A\n"
                                     "[Language_1]\n0=B\n");
    const SettingsFile pack(dir.file("Vireto_language.lrp"));
    ASSERT_EQ(LanguageTable::languageCount(pack), 2) << "a name and a text group";
    EXPECT_EQ(LanguageTable::languageNames(pack), QStringList({"A", "0"}));
    dir.write("Vireto_language.lrp", "[Language]\nLanguageCnt=-5\nLanguage_0=A\n");
    EXPECT_EQ(LanguageTable::selectorEntries(pack), QStringList({"English"}));
}

} // namespace
