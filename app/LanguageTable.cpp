#include "app/LanguageTable.h"

#include <QRegularExpression>
#include <algorithm>

QStringList LanguageTable::load(const SettingsFile& pack, int languageIndex)
{
    const QString group = QStringLiteral("Language_%1").arg(languageIndex);
    QSettings s(pack.path(), QSettings::IniFormat);
    s.beginGroup(group);
    QStringList table;
    table.reserve(kTextCount);
    for (int i = 0; i < kTextCount; ++i) {
        const QString english = QString::fromUtf8(builtinTexts()[static_cast<size_t>(i)]);
        const QVariant v = s.value(QString::number(i), english);
        table << (v.typeId() == QMetaType::QStringList ? v.toStringList().join(QStringLiteral(", "))
                                                       : v.toString());
    }
    return table;
}

namespace {

// One past the highest language index the pack really mentions: a name key
// "Language_<i>" in group Language or a group "Language_<i>" of texts.
int languagesPresent(QSettings& s)
{
    static const QRegularExpression indexed(QStringLiteral("^Language_(\\d{1,9})$"));
    int present = 0;
    auto note = [&](const QStringList& names) {
        for (const QString& name : names) {
            const QRegularExpressionMatch m = indexed.match(name);
            if (m.hasMatch())
                present = std::max(present, m.captured(1).toInt() + 1);
        }
    };
    note(s.childGroups());
    s.beginGroup(QStringLiteral("Language"));
    note(s.childKeys());
    s.endGroup();
    return present;
}

int boundedCount(QSettings& s)
{
    const int declared = settingsTextToInt(s.value(QStringLiteral("Language/LanguageCnt"), 0));
    return std::clamp(declared, 0, languagesPresent(s));
}

} // namespace

int LanguageTable::languageCount(const SettingsFile& pack)
{
    QSettings s(pack.path(), QSettings::IniFormat);
    return boundedCount(s);
}

QStringList LanguageTable::languageNames(const SettingsFile& pack)
{
    QSettings s(pack.path(), QSettings::IniFormat);
    const int count = boundedCount(s);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QVariant v =
            s.value(QStringLiteral("Language/Language_%1").arg(i), QStringLiteral("0"));
        names << (v.typeId() == QMetaType::QStringList ? v.toStringList().join(QStringLiteral(", "))
                                                       : v.toString());
    }
    return names;
}

QStringList LanguageTable::selectorEntries(const SettingsFile& pack)
{
    const QStringList names = languageNames(pack);
    return names.isEmpty() ? QStringList{QStringLiteral("English")} : names;
}
