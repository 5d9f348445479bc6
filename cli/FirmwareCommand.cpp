#include "cli/Subcommands.h"

#include "cli/Interruption.h"
#include "cli/ProgressLine.h"

#include "device/Device.h"
#include "device/FrameIdentity.h"
#include "device/PresenceMonitor.h"
#include "maintenance/HeadlessFirmwareUpdate.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli firmware update FILE\n"
    "Writes the parts of the image file into the frame: the frame restarts into its boot\n"
    "loader, receives the parts, and comes back with its new image version and a valid\n"
    "configuration record. A frame left in its boot loader by an interrupted update is\n"
    "updated from there. Progress goes to stderr; exit 0 only when the frame is back.";

} // namespace

int runFirmware(const CliContext& context)
{
    const QStringList& args = context.args;
    if (wantsHelp(args) || args.size() != 2 || args[0] != QLatin1String("update")) {
        return usage(kUsage, wantsHelp(args));
    }
    uint16_t pid = 0;
    Device* device = openFrame(context, &pid);
    if (!device)
        return kExitNoFrame;
    bootLoaderSeen = pid == frame_identity::kBootLoaderProductId;
    checkState = DEVICE_CHECKING;
    if (bootLoaderSeen)
        note(QStringLiteral("the frame runs its boot loader: updating from there"));
    // Once the frame has left its application, stopping half-way would strand it in its
    // boot loader: a signal is honoured before the update only, and after it.
    if (interruption::requested())
        return kExitFailed;
    ProgressLine line(QStringLiteral("firmware update"), 100);
    HeadlessFirmwareUpdate update(*device, [&line](const QString& s) {
        line.finish();
        note(s);
    });
    update.setProgress([&line](int percent) { line.update(percent); });
    const bool updated = update.run(args[1]);
    if (updated)
        line.update(100); // the frame is back: the last steps have no percentage of their own
    line.finish();
    if (!updated)
        return fail(kExitFailed, QStringLiteral("update failed: %1").arg(update.failure()));
    // The last step checks what the frame came back with: an unreadable version block
    // is not an update that can be called done.
    ModuleVersions versions;
    if (!device->blocks.readVersions(Side::Master, versions))
        return fail(kExitFailed,
                    QStringLiteral("the parts were written and the frame came back, but its "
                                   "versions could not be read: %1")
                        .arg(lastFailure(*device)));
    std::printf("updated: image version %s, boot loader version %s\n",
                versionWordText(versions.image).toLatin1().constData(),
                versionWordText(versions.bootLoader).toLatin1().constData());
    return kExitOk;
}
