#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

// Access to one INI settings file ("Vireto.ini", the language pack, "DeviceInfo.ini").
// Every read opens the file, reads one key and drops it again, so a value changed by
// another window or by service staff is seen at the next read; nothing is cached here.
// A missing or unreadable file gives each key its default; a value that is not a
// number reads as 0.
class SettingsFile {
public:
    explicit SettingsFile(QString path) : path_(std::move(path)) {}

    // The tool's own settings file and the key-code file, in the settings folder.
    static SettingsFile vireto();
    static SettingsFile keyCodes();
    // The language pack, among the shipped resources.
    static SettingsFile languagePack();

    const QString& path() const { return path_; }

    QVariant readValue(const QString& group, const QString& key, const QVariant& def) const;
    int readInt(const QString& group, const QString& key, int def) const;
    QString readText(const QString& group, const QString& key, const QString& def = {}) const;
    // Keys that hold hexadecimal text without a prefix: "10" reads as 16, "240" as 576.
    int readHex(const QString& group, const QString& key, const QString& defText) const;

    // A short-lived writer: keys set through it reach the file when it goes away.
    class Writer {
    public:
        explicit Writer(const SettingsFile& file);
        ~Writer();
        Writer(const Writer&) = delete;
        Writer& operator=(const Writer&) = delete;
        void set(const QString& group, const QString& key, const QVariant& value);

    private:
        std::unique_ptr<QSettings> settings_;
    };
    Writer writer() const { return Writer(*this); }
    // Writes one key at once; false when the file could not be written.
    bool write(const QString& group, const QString& key, const QVariant& value) const;
    // Whether a write would reach the file: it can be opened for writing, or created
    // in its folder.
    bool isWritable() const;
    // False when the file has a section line without its "]" or a section name with "/"
    // or "\": QSettings then reads its keys in part or not at all, and a write rewrites
    // the file from what it could read.
    bool isWellFormed() const;

private:
    QString path_;
};

// Conversions shared by the readers (also used where a caller already holds the text).
int settingsTextToInt(const QVariant& value);
int settingsHexToInt(const QString& text);
