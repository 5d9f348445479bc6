#pragma once

#include "codec/DeviceInfoRecord.h"
#include "device/Device.h"
#include "production/DeviceInfoWorkbook.h"

#include <QDateTime>

#include <functional>
#include <optional>

// What the workbook row takes from outside the record: the leveled Master optics and
// the image geometry of the run.
struct DeviceInfoExportContext {
    uint8_t exposureGain = 0;
    uint8_t exposureTime = 0;
    uint32_t startLine = 0;
    int previewLines = 8;
};

// The outcome of a write: the operator's message ("Write success!\n" or the failing
// step's text) and, after a successful flash write, whether the next device ID was
// stored and whether the workbook took the row.
struct DeviceInfoWriteResult {
    bool written = false;
    QString message;
    bool exported = false;
    QString exportError;
    bool idAdvanced = false;
    QString advanceError;
};

// Reads and writes the device-information record and keeps the production files:
// "DeviceInfo.ini" (the values for the next frame; its device ID advances by one per
// write) and the workbook. The dialog and the automatic write after leveling are thin
// users of this class.
class DeviceInfoService {
public:
    DeviceInfoService(Device& device, QString folder);

    // Reads the record of the Master flash; a valid one becomes the in-memory copy.
    // 0 when the read failed ("Read Master failed!\n" in lastMessage()).
    int readStored(DeviceInfoRecord& record);
    // The last valid record read in this process.
    static std::optional<DeviceInfoRecord> storedCopy();
    static void forgetStoredCopy();

    // The values the dialog opens with: the stored record when there is a valid one
    // and re-production is on, else "DeviceInfo.ini".
    DeviceInfoFields dialogValues(bool isReProduction);
    // "DeviceInfo.ini", group DeviceInfo. Fields that are absent or not numbers read as
    // 0 / empty; the date is left unset (the automatic write takes today).
    DeviceInfoFields iniValues() const;

    // The write steps: firmware version, counter, erase, body, head, head read back,
    // next device ID, workbook. Nothing is written to the frame when the fields cannot
    // be stored (a text that is not Latin-1) or when the values file cannot take the
    // next device ID (not writable, or not a readable settings file): the next frame
    // would otherwise get the same ID, or the file be rewritten from a misreading.
    DeviceInfoWriteResult write(const DeviceInfoFields& fields,
                                const DeviceInfoExportContext& context);
    // The write without dialog: "DeviceInfo.ini" and today's date.
    DeviceInfoWriteResult automaticWrite(const DeviceInfoExportContext& context);

    QString iniPath() const;
    // Reads and advances the values in another file than "DeviceInfo.ini" beside the
    // program.
    void setValuesFile(const QString& path) { valuesFile_ = path; }
    const QString& lastMessage() const { return lastMessage_; }
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

private:
    DeviceInfoWriteResult fail(const char* message);
    WorkbookRow workbookRow(const DeviceInfoRecord& record, const DeviceInfoExportContext& context,
                            const ModuleVersions& versions) const;

    Device& device_;
    QString folder_;
    QString lastMessage_;
    QString valuesFile_;
    std::function<QDateTime()> clock_ = [] { return QDateTime::currentDateTime(); };
};
