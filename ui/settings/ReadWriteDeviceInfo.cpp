#include "ui/settings/ReadWriteDeviceInfo.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/DeviceJobQueue.h"
#include "ui/main/MainWindowLogic.h"
#include "ui/widgets/Button.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

enum class Kind { Hex, Text, Date, Decimal };

struct FieldInfo {
    const char* label;
    Kind kind;
};

constexpr FieldInfo kFields[ReadWriteDeviceInfo::kFieldCount] = {
    {"DeviceID:", Kind::Hex},         {"InfoVersion:", Kind::Hex},
    {"FactoryName:", Kind::Text},     {"CustomerName:", Kind::Text},
    {"Producer:", Kind::Text},        {"ManufDate:", Kind::Date},
    {"BatchNumber:", Kind::Text},     {"LotNumber:", Kind::Text},
    {"EncrypWord:", Kind::Hex},       {"ProductModel:", Kind::Text},
    {"SupportFeature:", Kind::Hex},   {"ScreenWidth:", Kind::Decimal},
    {"ScreenHeight:", Kind::Decimal},
};

QRegularExpression patternOf(Kind kind)
{
    switch (kind) {
    case Kind::Hex:
        return QRegularExpression(QStringLiteral("(0[xX])?[0-9A-Fa-f]{0,8}"));
    case Kind::Date:
        return QRegularExpression(QStringLiteral("[0-9]{0,8}"));
    case Kind::Decimal:
        return QRegularExpression(QStringLiteral("[0-9]{0,10}"));
    case Kind::Text:
        break;
    }
    return QRegularExpression(QStringLiteral("[A-Za-z_0-9-]*"));
}

} // namespace

ReadWriteDeviceInfo::ReadWriteDeviceInfo(Device& device, DeviceJobQueue& jobs,
                                         const DeviceInfoExportContext& context,
                                         bool isReProduction, QWidget* parent)
    : SettingsDialog(device, jobs, QStringLiteral("Device information"), parent), context_(context)
{
    addLabel(QStringLiteral("Master:"), QRect(40, 78, 300, 32), true);
    for (int i = 0; i < kFieldCount; ++i) {
        const int column = i < 7 ? 0 : 1;
        const int row = i < 7 ? i : i - 7;
        const int x = column == 0 ? 40 : 470;
        const int y = 118 + row * 44;
        addLabel(QString::fromLatin1(kFields[i].label), QRect(x, y, 170, 34));
        auto* edit = new QLineEdit(this);
        edit->setFont(appContext().skin.text.font());
        edit->setGeometry(scaled(x + 175, y, 215, 34));
        edit->setValidator(new QRegularExpressionValidator(patternOf(kFields[i].kind), edit));
        if (kFields[i].kind == Kind::Text)
            edit->setMaxLength(static_cast<int>(DeviceInfoRecord::kTextSize));
        fields_[static_cast<size_t>(i)] = edit;
    }
    Button* write = addButton(kTextWrite, QRect(470 + 175, 118 + 6 * 44 - 4, 215, 44));
    connect(write, &Button::clicked, this, &ReadWriteDeviceInfo::WriteSlot);
    result_ = addLabel(QString(), QRect(40, 440, 820, 170));
    result_->setWordWrap(true);
    result_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    finishParts({write});

    // The frame's record or "DeviceInfo.ini", read off the GUI thread.
    const QString folder = QDir::currentPath();
    auto values = std::make_shared<DeviceInfoFields>();
    auto readFailure = std::make_shared<QString>();
    runDeviceJob(
        [values, readFailure, folder, isReProduction](Device& d) {
            DeviceInfoService service(d, folder);
            *values = service.dialogValues(isReProduction);
            *readFailure = service.lastMessage().trimmed();
            return 1;
        },
        [this, values, readFailure](int) {
            showValues(*values);
            result_->setText(*readFailure);
            loaded_ = true;
        });
}

QString ReadWriteDeviceInfo::resultText() const
{
    return result_->text();
}

void ReadWriteDeviceInfo::showValues(const DeviceInfoFields& v)
{
    field(kDeviceId)->setText(hexText(v.deviceId));
    field(kInfoVersion)->setText(hexText(v.infoVersion));
    field(kFactoryName)->setText(v.factoryName);
    field(kCustomerName)->setText(v.customerName);
    field(kProducer)->setText(v.producer);
    // Values without a date (from "DeviceInfo.ini") get today's, as the automatic write.
    field(kManufDate)
        ->setText(dateText(v.manufactureDate.isValid() ? v.manufactureDate : QDate::currentDate()));
    field(kBatchNumber)->setText(v.batchNumber);
    field(kLotNumber)->setText(v.lotNumber);
    field(kEncrypWord)->setText(hexText(v.encrypWord));
    field(kProductModel)->setText(v.productModel);
    field(kSupportFeature)->setText(hexText(v.supportFeature));
    field(kScreenWidth)->setText(QString::number(v.screenWidth));
    field(kScreenHeight)->setText(QString::number(v.screenHeight));
}

std::optional<DeviceInfoFields> ReadWriteDeviceInfo::values()
{
    DeviceInfoFields v;
    QStringList bad;
    auto hex = [&](Field f, uint32_t& out) {
        if (const auto n = parseHexField(field(f)->text()))
            out = *n;
        else
            bad << QString::fromLatin1(kFields[f].label);
    };
    auto dec = [&](Field f, uint32_t& out) {
        if (const auto n = parseDecimalField(field(f)->text()))
            out = *n;
        else
            bad << QString::fromLatin1(kFields[f].label);
    };
    hex(kDeviceId, v.deviceId);
    hex(kInfoVersion, v.infoVersion);
    hex(kEncrypWord, v.encrypWord);
    hex(kSupportFeature, v.supportFeature);
    dec(kScreenWidth, v.screenWidth);
    dec(kScreenHeight, v.screenHeight);
    if (const auto d = parseDateField(field(kManufDate)->text()))
        v.manufactureDate = *d;
    else
        bad << QString::fromLatin1(kFields[kManufDate].label);
    v.factoryName = field(kFactoryName)->text();
    v.customerName = field(kCustomerName)->text();
    v.producer = field(kProducer)->text();
    v.batchNumber = field(kBatchNumber)->text();
    v.lotNumber = field(kLotNumber)->text();
    v.productModel = field(kProductModel)->text();
    if (!bad.isEmpty()) {
        result_->setText(QStringLiteral("Nothing was written: %1 cannot be stored (numbers in "
                                        "hexadecimal or decimal as shown, the date as yyyyMMdd).")
                             .arg(bad.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    return v;
}

void ReadWriteDeviceInfo::WriteSlot()
{
    if (busy() || !loaded_)
        return;
    const std::optional<DeviceInfoFields> v = values();
    if (!v)
        return;
    result_->setText(QString());
    const QString folder = QDir::currentPath();
    const DeviceInfoExportContext context = context_;
    auto outcome = std::make_shared<DeviceInfoWriteResult>();
    const DeviceInfoFields fields = *v;
    runDeviceJob(
        [outcome, folder, context, fields](Device& d) {
            DeviceInfoService service(d, folder);
            *outcome = service.write(fields, context);
            return outcome->written ? 1 : 0;
        },
        [this, outcome](int) {
            QString text = outcome->message.trimmed();
            if (outcome->written) {
                text += outcome->idAdvanced
                            ? QStringLiteral("\nThe next device ID is in DeviceInfo.ini.")
                            : QStringLiteral("\n") + outcome->advanceError;
                text +=
                    outcome->exported
                        ? QStringLiteral("\nThe row was added to %1.")
                              .arg(QLatin1String(DeviceInfoWorkbook::kWorkbookName))
                        : QStringLiteral("\nThe workbook was not written: ") + outcome->exportError;
                // The next frame: the advanced ID.
                if (outcome->idAdvanced)
                    field(kDeviceId)->setText(
                        hexText(parseHexField(field(kDeviceId)->text()).value_or(0) + 1));
            }
            result_->setText(text);
        });
}

void runDeviceInfoDialog(QWidget* parent, Device& device, const DeviceInfoExportContext& context,
                         DeviceJobQueue* jobs)
{
    std::unique_ptr<DeviceJobQueue> own;
    if (!jobs) {
        own = std::make_unique<DeviceJobQueue>();
        jobs = own.get();
    }
    ReadWriteDeviceInfo dialog(device, *jobs, context, g_IsReProduction != 0, parent);
    dialog.exec();
}
