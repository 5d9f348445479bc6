#include "app/SettingsFile.h"
#include "app/RuntimeHome.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

// QSettings hands back an unquoted INI value that contains commas as a list; the
// tool's values are single texts, so the pieces are joined again the way the INI
// format writes a list.
QString valueAsText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

} // namespace

int settingsTextToInt(const QVariant& value)
{
    bool ok = false;
    const int v = valueAsText(value).trimmed().toInt(&ok);
    return ok ? v : 0;
}

int settingsHexToInt(const QString& text)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t = t.mid(2);
    bool ok = false;
    const int v = t.toInt(&ok, 16);
    return ok ? v : 0;
}

QVariant SettingsFile::readValue(const QString& group, const QString& key,
                                 const QVariant& def) const
{
    QSettings s(path_, QSettings::IniFormat);
    s.beginGroup(group);
    QVariant v = s.value(key, def);
    s.endGroup();
    return v;
}

int SettingsFile::readInt(const QString& group, const QString& key, int def) const
{
    return settingsTextToInt(readValue(group, key, def));
}

QString SettingsFile::readText(const QString& group, const QString& key, const QString& def) const
{
    return valueAsText(readValue(group, key, def));
}

int SettingsFile::readHex(const QString& group, const QString& key, const QString& defText) const
{
    return settingsHexToInt(readText(group, key, defText));
}

SettingsFile::Writer::Writer(const SettingsFile& file)
    : settings_(std::make_unique<QSettings>(file.path(), QSettings::IniFormat))
{
}

SettingsFile::Writer::~Writer() = default;

void SettingsFile::Writer::set(const QString& group, const QString& key, const QVariant& value)
{
    settings_->setValue(group + QLatin1Char('/') + key, value);
}

bool SettingsFile::write(const QString& group, const QString& key, const QVariant& value) const
{
    QSettings s(path_, QSettings::IniFormat);
    s.setValue(group + QLatin1Char('/') + key, value);
    s.sync();
    return s.status() == QSettings::NoError;
}

bool SettingsFile::isWritable() const
{
    // The file is replaced through a new file in its folder, so the folder counts too.
    const QFileInfo folder(QFileInfo(path_).absolutePath());
    return folder.isDir() && folder.isWritable() &&
           QSettings(path_, QSettings::IniFormat).isWritable();
}

bool SettingsFile::isWellFormed() const
{
    // Looked at here rather than through QSettings::status(): QSettings keeps a parsed file
    // for later objects on the same path, and those report no error.
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return true; // a missing file holds no keys and takes new ones
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.startsWith('['))
            continue;
        const qsizetype end = line.indexOf(']');
        if (end < 0)
            return false;
        // QSettings takes "/" and "\" in a section name as group separators: keys of
        // "[DeviceInfo/]" are not found in the group "DeviceInfo".
        const QByteArray name = line.mid(1, end - 1);
        if (name.contains('/') || name.contains('\\'))
            return false;
    }
    return true;
}

SettingsFile SettingsFile::vireto()
{
    return SettingsFile(runtime_home::settingsFile(QStringLiteral("Vireto.ini")));
}

SettingsFile SettingsFile::keyCodes()
{
    return SettingsFile(runtime_home::settingsFile(QStringLiteral("Vireto_Key.ini")));
}

SettingsFile SettingsFile::languagePack()
{
    return SettingsFile(runtime_home::resourceFile(QStringLiteral("Vireto_language.lrp")));
}
