#pragma once

#include "production/DeviceInfoService.h"
#include "ui/settings/SettingsDialog.h"

#include <array>
#include <memory>

class QLineEdit;

// The device-information dialog: the record's fields to review and amend, loaded from
// the frame's record (when re-production is on and the frame has one) or from
// "DeviceInfo.ini", and Write, which stores them in the frame, advances the device ID in
// "DeviceInfo.ini" and adds the row to the workbook. The results show in the dialog.
class ReadWriteDeviceInfo : public SettingsDialog {
    Q_OBJECT
public:
    enum Field {
        kDeviceId,
        kInfoVersion,
        kFactoryName,
        kCustomerName,
        kProducer,
        kManufDate,
        kBatchNumber,
        kLotNumber,
        kEncrypWord,
        kProductModel,
        kSupportFeature,
        kScreenWidth,
        kScreenHeight,
        kFieldCount
    };

    // context: what the workbook row takes from the leveling (Master optics, lines).
    ReadWriteDeviceInfo(Device& device, DeviceJobQueue& jobs,
                        const DeviceInfoExportContext& context, bool isReProduction,
                        QWidget* parent = nullptr);

    QLineEdit* field(Field f) const { return fields_[static_cast<size_t>(f)]; }
    QString resultText() const;
    bool loaded() const { return loaded_; }

public slots:
    void WriteSlot();

private:
    void showValues(const DeviceInfoFields& values);
    // The fields as the record takes them; nothing, with the reason shown, when one
    // does not parse.
    std::optional<DeviceInfoFields> values();

    DeviceInfoExportContext context_;
    std::array<QLineEdit*, kFieldCount> fields_{};
    QLabel* result_ = nullptr;
    bool loaded_ = false;
};

// Opens the dialog over parent and returns when it is closed. The image-adjusting window
// calls this after its save when Vireto_Debug/AmendDeviceInfo is set; jobs is the main
// window's queue when there is one (nullptr: the dialog uses a queue of its own).
void runDeviceInfoDialog(QWidget* parent, Device& device, const DeviceInfoExportContext& context,
                         DeviceJobQueue* jobs = nullptr);
