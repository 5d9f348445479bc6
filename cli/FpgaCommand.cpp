#include "cli/Subcommands.h"

#include "cli/CliWorker.h"
#include "cli/ToolSession.h"
#include "codec/FlashMap.h"
#include "device/Device.h"
#include "maintenance/FpgaCode.h"
#include "maintenance/FpgaDownload.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli fpga download FILE\n"
    "Unscrambles the FPGA code file and writes it into the FPGA area of the flash\n"
    "(0x00000..0x0ffff), first through the Slave module, then through the Master: each pass\n"
    "erases every sector the code spans, writes the code in 62-byte chunks from the start\n"
    "of the area and reads it back. The download's lines go to stdout. A file larger than\n"
    "the area (65536 bytes) or an empty one is refused before anything is erased.";

} // namespace

int runFpga(const CliContext& context)
{
    const QStringList& args = context.args;
    if (wantsHelp(args) || args.size() != 2 || args[0] != QLatin1String("download")) {
        return usage(kUsage, wantsHelp(args));
    }
    const QString path = args[1];
    using Status = fpga_code::Loaded::Status;
    switch (fpga_code::load(path, flash_map::kFpgaCodeSize).status) {
    case Status::CannotOpen:
        return fail(kExitUsage, QStringLiteral("cannot read %1").arg(path));
    case Status::Empty:
        return fail(kExitUsage, QStringLiteral("%1 is empty").arg(path));
    case Status::TooLarge:
        return fail(kExitUsage, QStringLiteral("%1 is larger than the FPGA area (%2 bytes)")
                                    .arg(path)
                                    .arg(flash_map::kFpgaCodeSize));
    case Status::Ok:
        break;
    }
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    ReportedLines lines;
    BurnFPGAThread worker(*device, path, lines);
    const int last = runReportingWorker(worker, lines);
    // A failed download leaves the frame in calibration mode: the command puts it back.
    ToolSession session(*device);
    return session.finish(last == kFpgaDone ? kExitOk : kExitFailed);
}
