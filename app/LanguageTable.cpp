#include "app/LanguageTable.h"

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

int LanguageTable::languageCount(const SettingsFile& pack)
{
    return pack.readInt(QStringLiteral("Language"), QStringLiteral("LanguageCnt"), 0);
}

QStringList LanguageTable::languageNames(const SettingsFile& pack)
{
    const int count = languageCount(pack);
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << pack.readText(QStringLiteral("Language"), QStringLiteral("Language_%1").arg(i),
                               QStringLiteral("0"));
    return names;
}

QStringList LanguageTable::selectorEntries(const SettingsFile& pack)
{
    const QStringList names = languageNames(pack);
    return names.isEmpty() ? QStringList{QStringLiteral("English")} : names;
}
