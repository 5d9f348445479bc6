#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The device-information record written at the end of production: 132 bytes at flash
// 0x01F000 of the Master module, valid when it starts with the head 0x44455649 ("IVED").
struct DeviceInfoFields {
    uint32_t deviceId = 0;
    uint32_t infoVersion = 0;
    QString factoryName; // the text fields are Latin-1, at most 16 bytes in the record
    QString customerName;
    QString producer;
    QDate manufactureDate;
    QString batchNumber;
    QString lotNumber;
    uint32_t encrypWord = 0; // opaque to the tool: stored and exported as it is
    QString productModel;
    uint32_t supportFeature = 0;
    uint32_t screenWidth = 0;
    uint32_t screenHeight = 0;

    bool operator==(const DeviceInfoFields&) const = default;
};

struct DeviceInfoRecord {
    static constexpr size_t kSize = 132;
    static constexpr size_t kBodySize = 128;
    static constexpr size_t kTextSize = 16;
    static constexpr uint32_t kHead = 0x44455649;

    uint32_t head = kHead;
    DeviceInfoFields fields;
    uint32_t writeCounter = 0;

    bool valid() const { return head == kHead; }

    using Bytes = std::array<uint8_t, kSize>;
    Bytes encode() const;
    static DeviceInfoRecord decode(const Bytes& bytes);
};

// How the dialog shows the fields: numbers as "0x" and eight hexadecimal digits, the
// date as year, month and day joined ("20261206"), sizes in decimal.
QString hexText(uint32_t value);
QString dateText(const QDate& date);
// The reverse, for values typed or read from "DeviceInfo.ini"; nullopt when the text is
// not a number that fits 32 bits (a leading "0x" is optional for hexadecimal fields).
std::optional<uint32_t> parseHexField(const QString& text);
std::optional<uint32_t> parseDecimalField(const QString& text);
std::optional<QDate> parseDateField(const QString& text);
