#include "cli/Subcommands.h"

#include "cli/JsonOutput.h"

#include "app/ProgramFolder.h"
#include "cli/ToolSession.h"
#include "device/Device.h"
#include "imaging/StoredOptics.h"
#include "production/DeviceInfoService.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli devinfo show\n"
    "       vireto-cli devinfo write [--from FILE]\n"
    "show prints the frame's device-information record. write stores a new record from\n"
    "the values of DeviceInfo.ini (beside the program, or FILE) with today's date,\n"
    "advances its DeviceID for the next frame, and appends a row to the workbook\n"
    "Vireto_DeviceInfo.xlsx beside the program, with the Master camera's stored start line\n"
    "and exposure.";

void print(const DeviceInfoRecord& r)
{
    const DeviceInfoFields& f = r.fields;
    std::printf("valid: %s\n", r.valid() ? "yes" : "no");
    if (!r.valid())
        return;
    auto line = [](const char* name, const QString& value) {
        std::printf("%s %s\n", name, value.toLocal8Bit().constData());
    };
    line("DeviceID:", hexText(f.deviceId));
    line("InfoVersion:", hexText(f.infoVersion));
    line("FactoryName:", f.factoryName);
    line("CustomerName:", f.customerName);
    line("Producer:", f.producer);
    line("ManufDate:", dateText(f.manufactureDate));
    line("BatchNumber:", f.batchNumber);
    line("LotNumber:", f.lotNumber);
    line("EncrypWord:", hexText(f.encrypWord));
    line("ProductModel:", f.productModel);
    line("SupportFeature:", hexText(f.supportFeature));
    line("WriteCounter:", QString::number(r.writeCounter));
    line("ScreenWidth:", QString::number(f.screenWidth));
    line("ScreenHeight:", QString::number(f.screenHeight));
}

QJsonObject jsonOf(const DeviceInfoRecord& r)
{
    const DeviceInfoFields& f = r.fields;
    if (!r.valid())
        return {{"valid", false}};
    return {{"valid", true},
            {"DeviceID", hexText(f.deviceId)},
            {"InfoVersion", hexText(f.infoVersion)},
            {"FactoryName", f.factoryName},
            {"CustomerName", f.customerName},
            {"Producer", f.producer},
            {"ManufDate", dateText(f.manufactureDate)},
            {"BatchNumber", f.batchNumber},
            {"LotNumber", f.lotNumber},
            {"EncrypWord", hexText(f.encrypWord)},
            {"ProductModel", f.productModel},
            {"SupportFeature", hexText(f.supportFeature)},
            {"WriteCounter", static_cast<double>(r.writeCounter)},
            {"ScreenWidth", static_cast<double>(f.screenWidth)},
            {"ScreenHeight", static_cast<double>(f.screenHeight)}};
}

} // namespace

int runDevInfo(const CliContext& context)
{
    const QStringList& args = context.args;
    const bool show = args.value(0) == QLatin1String("show") && args.size() == 1;
    const bool write =
        args.value(0) == QLatin1String("write") &&
        (args.size() == 1 || (args.size() == 3 && args[1] == QLatin1String("--from")));
    if (wantsHelp(args) || (!show && !write)) {
        return usage(kUsage, wantsHelp(args));
    }
    QString iniFile = QDir(programFolder()).filePath(QStringLiteral("DeviceInfo.ini"));
    if (write && args.size() == 3)
        iniFile = args[2];
    if (write && !QFileInfo::exists(iniFile))
        return fail(kExitUsage,
                    QStringLiteral("no values for the record: %1 does not exist (give --from FILE)")
                        .arg(iniFile));

    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        DeviceInfoService service(device, programFolder());
        service.setValuesFile(iniFile);
        if (show) {
            DeviceInfoRecord record;
            if (!service.readStored(record))
                return fail(kExitFailed, service.lastMessage().trimmed());
            if (context.json)
                printJson(jsonOf(record));
            else
                print(record);
            return session.end() ? kExitOk : kExitFailed;
        }
        // The row lists the Master camera's optics as the frame keeps them.
        SensorBlock block{};
        if (!device.blocks.ReadCalibInfo(block))
            return fail(kExitFailed,
                        QStringLiteral("reading the sensor information block failed: %1")
                            .arg(lastFailure(device)));
        const OpticalValues optics = storedStartAndExposure(block, Side::Master);
        DeviceInfoExportContext exportContext;
        exportContext.exposureGain = optics.exposureGain;
        exportContext.exposureTime = optics.exposureTime;
        exportContext.startLine = optics.startLine;
        const DeviceInfoWriteResult result = service.automaticWrite(exportContext);
        if (!result.written)
            return fail(kExitFailed, result.message.trimmed());
        DeviceInfoRecord record;
        service.readStored(record);
        print(record);
        if (!result.idAdvanced)
            return fail(kExitFailed,
                        QStringLiteral("the record was written, but %1").arg(result.advanceError));
        if (!result.exported)
            return fail(kExitFailed,
                        QStringLiteral("the record was written, but the workbook was not: %1")
                            .arg(result.exportError));
        note(QStringLiteral("row added to %1")
                 .arg(DeviceInfoWorkbook(programFolder()).workbookPath()));
        return session.end() ? kExitOk : kExitFailed;
    });
}
