#include "cli/CliSupport.h"

#include "device/Device.h"
#include "device/DeviceState.h"
#include "transport/TransportFactory.h"

#include <cstdio>

std::optional<uint32_t> parseNumber(const QString& text, uint32_t min, uint32_t max)
{
    bool ok = false;
    const QString t = text.trimmed();
    qulonglong v = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toULongLong(&ok, 16);
    else
        v = t.toULongLong(&ok, 10);
    if (!ok || t.isEmpty() || v < min || v > max)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

int fail(int code, const QString& message)
{
    std::fprintf(stderr, "vireto-cli: %s\n", message.toLocal8Bit().constData());
    return code;
}

void note(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

bool wantsHelp(const QStringList& args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

namespace {

std::shared_ptr<VirtualScene> openedScene;

} // namespace

VirtualScene* frameScene()
{
    return openedScene.get();
}

Device* openFrame(const CliContext& context, uint16_t* productId)
{
    QString error;
    ChosenFrame chosen = chooseFrame(context.deviceSpec, error);
    std::unique_ptr<HidTransport>& transport = chosen.transport;
    if (!transport) {
        fail(kExitNoFrame, error);
        return nullptr;
    }
    uint16_t pid = 0;
    if (!transport->open(pid)) {
        fail(kExitNoFrame, QStringLiteral("no frame found on %1").arg(context.deviceSpec));
        return nullptr;
    }
    if (productId)
        *productId = pid;
    setCurrentDevice(std::make_unique<Device>(std::move(transport)));
    openedScene = std::move(chosen.scene);
    g_bDevExist = 1;
    g_isDeviceCommunicate = 1;
    return &currentDevice();
}

QString lastFailure(Device& device)
{
    return QString::fromLatin1(failureText(device.link.lastOutcome()));
}
