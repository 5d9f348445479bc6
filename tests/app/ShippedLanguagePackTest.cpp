// The language pack that the build places beside the program, read through the real
// table and command-line code.
#include "app/CommandLine.h"
#include "app/LanguageTable.h"

#include "tests/support/TempDir.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

SettingsFile shippedPack()
{
    return SettingsFile(QStringLiteral(VIRETO_BIN_DIR "/Vireto_language.lrp"));
}

// Texts that are the same in a language as in English: product names, the maker's
// name, and words the language borrows unchanged.
const std::map<int, std::set<int>> kSameAsEnglish = {
    {1, {8 /* Test */, 110 /* Windows */, 111 /* Mac */, 116 /* OK */, 168}},
    {2, {110, 111, 168}},
    {3, {110, 111, 168}},
    {4, {110, 111, 168}},
    {5, {110, 111, 116, 168}},
};

// What a translation must carry over from the English text unchanged and as often:
// the argument placeholders and the technical tokens the operator reads as they are.
const QStringList kKeptTokens = {"%1",   "%2",  "%3",  "%4",   "%5",    "0x",
                                 "FPGA", "USB", "ESC", ".bin", "HInfo", "1.2.0"};

TEST(ShippedLanguagePack, NamesTheSixLanguagesInSwitchOrder)
{
    ASSERT_TRUE(QFile::exists(shippedPack().path())) << shippedPack().path().toStdString();
    EXPECT_EQ(LanguageTable::languageCount(shippedPack()), 6);
    EXPECT_EQ(LanguageTable::selectorEntries(shippedPack()),
              QStringList({"English", "Polski", QString::fromUtf8("Русский"),
                           QString::fromUtf8("简体中文"), QString::fromUtf8("繁體中文"),
                           QString::fromUtf8("日本語")}));
}

TEST(ShippedLanguagePack, EveryLanguageTranslatesEveryTextKeepingItsShape)
{
    const auto& english = LanguageTable::builtinTexts();
    const QStringList englishTable = LanguageTable::load(shippedPack(), 0);
    ASSERT_EQ(englishTable.size(), LanguageTable::kTextCount);
    for (int i = 0; i < LanguageTable::kTextCount; ++i)
        EXPECT_EQ(englishTable[i], QString::fromUtf8(english[static_cast<size_t>(i)]));

    for (const auto& [language, same] : kSameAsEnglish) {
        const QStringList table = LanguageTable::load(shippedPack(), language);
        ASSERT_EQ(table.size(), LanguageTable::kTextCount);
        for (int i = 0; i < LanguageTable::kTextCount; ++i) {
            SCOPED_TRACE(testing::Message() << "language " << language << ", text " << i);
            const QString en = QString::fromUtf8(english[static_cast<size_t>(i)]);
            const QString text = table[i];
            EXPECT_FALSE(text.trimmed().isEmpty());
            EXPECT_EQ(text == en, same.count(i) == 1) << text.toStdString();
            for (const QString& token : kKeptTokens)
                EXPECT_EQ(text.count(token), en.count(token))
                    << token.toStdString() << " in " << text.toStdString();
            EXPECT_EQ(text.count('\n'), en.count('\n')) << text.toStdString();
            // The English text is joined to others at these ends ("File:" + path +
            // "\nAre you sure..."; the indented size choices), so they stay as they are.
            EXPECT_EQ(text.startsWith('\n'), en.startsWith('\n'));
            EXPECT_EQ(text.endsWith('\n'), en.endsWith('\n'));
            EXPECT_EQ(text.startsWith(' '), en.startsWith(' '));
        }
    }
}

// Unquoted, the settings reader splits a value at commas, cuts it at a semicolon and
// drops leading spaces, and nothing above would notice "a,b" read back as "a, b".
TEST(ShippedLanguagePack, EveryTextIsQuotedInTheFile)
{
    QFile f(shippedPack().path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    const QRegularExpression textKey(QStringLiteral("^\\d+="));
    const QRegularExpression quoted(QStringLiteral("^\\d+=\"([^\"\\\\]|\\\\[n\"\\\\])*\"$"));
    int texts = 0;
    for (const QString& line : lines) {
        if (!textKey.match(line).hasMatch())
            continue;
        ++texts;
        EXPECT_TRUE(quoted.match(line).hasMatch()) << line.toStdString();
    }
    EXPECT_EQ(texts, 5 * LanguageTable::kTextCount);
}

TEST(ShippedLanguagePack, LanguageSwitchesPickTheTranslatedTexts)
{
    ScratchDir dir;
    const SettingsFile ini(dir.file("Vireto.ini"));
    const std::map<QString, QString> checkCompleted = {
        {"-EN", "Devices check completed."},
        {"-PL", QString::fromUtf8("Sprawdzanie urządzenia zakończone.")},
        {"-RU", QString::fromUtf8("Проверка устройства завершена.")},
        {"-CHS", QString::fromUtf8("设备检测完成。")},
        {"-CHT", QString::fromUtf8("裝置檢測完成。")},
        {"-JA", QString::fromUtf8("デバイスのチェックが完了しました。")},
    };
    for (const auto& [option, text] : checkCompleted) {
        const StartupOptions o = parseCommandLine({option}, ini, shippedPack());
        EXPECT_EQ(LanguageTable::load(shippedPack(), o.languageIndex)[15], text)
            << option.toStdString();
    }
}

} // namespace
