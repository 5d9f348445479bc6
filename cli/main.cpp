// vireto-cli: the frame tool for headless stations and scripts. Data goes to files or
// stdout, messages to stderr; the exit status says how it ended.
#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "cli/Subcommands.h"

#include <QCoreApplication>

#include <cstdio>
#include <functional>
#include <map>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli [--device=WHERE] SUBCOMMAND [ARGS]\n"
    "\n"
    "  status                      product ID, application or boot loader, mode, error code\n"
    "  mode work|calibration|save|reset\n"
    "  flash read ADDR LEN FILE    flash write ADDR FILE    flash erase ADDR COUNT\n"
    "  flash dump FILE             flash program FILE   the whole 128 KB\n"
    "  reg read|write [--slave] [--sensor] ADDR [VALUE]\n"
    "  monitor [--codes N]         watch the frame come and go\n"
    "  config show|ensure          the configuration record\n"
    "  config set KEY=VALUE...     the settings window's OK, headless\n"
    "  devinfo show|write [--from FILE]   the device-information record\n"
    "  firmware update FILE        update the frame's firmware\n"
    "  fpga download FILE          write an FPGA code file into both modules\n"
    "  script run [--slave] FILE   run a register script\n"
    "  level [--save]              image-adjusting: start lines, optimum lines, end columns\n"
    "  find-column [--screen WxH]  axis-adjusting: start columns from the bottom corners\n"
    "  image grab PREFIX           both cameras' line images as PNG and raw dumps\n"
    "  test sensor-cable           test image|sensor [--passes N]\n"
    "  test flash [--cycles N] [--skip PARTS]   the factory flash test\n"
    "  calibrate [--points 16|4] [--screen WxH]   touch calibration\n"
    "  calib show|verify [--points N]|delete|restore FILE   the stored calibration\n"
    "  keys calibrate|show         the shortcut keys\n"
    "  keys test [--seconds N]     print each shortcut key as it is pressed\n"
    "\n"
    "WHERE: hid (default; or VIRETO_DEVICE), sim, sim:PATH, unix:DIR.\n"
    "SUBCOMMAND --help explains each one; --version prints the version.\n"
    "Exit status: 0 done, 1 the frame failed, 2 bad arguments, 3 no frame.";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    appContext().reloadLanguage(); // the frame's messages in the pack's language, else English
    QStringList args = app.arguments().mid(1);
    CliContext context;
    context.deviceSpec = deviceOption(args);
    args.erase(
        std::remove_if(args.begin(), args.end(),
                       [](const QString& a) { return a.startsWith(QLatin1String("--device=")); }),
        args.end());

    if (!args.isEmpty() && args.first() == QLatin1String("--version")) {
        std::printf("vireto-cli %s\n", kToolVersion);
        return kExitOk;
    }
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        std::puts(kUsage);
        return args.isEmpty() ? kExitUsage : kExitOk;
    }
    const std::map<QString, std::function<int(const CliContext&)>> subcommands = {
        {QStringLiteral("status"), runStatus},       {QStringLiteral("mode"), runMode},
        {QStringLiteral("flash"), runFlash},         {QStringLiteral("reg"), runRegister},
        {QStringLiteral("monitor"), runMonitor},     {QStringLiteral("config"), runConfig},
        {QStringLiteral("devinfo"), runDevInfo},     {QStringLiteral("firmware"), runFirmware},
        {QStringLiteral("level"), runLevel},         {QStringLiteral("find-column"), runFindColumn},
        {QStringLiteral("image"), runImage},         {QStringLiteral("test"), runTest},
        {QStringLiteral("calibrate"), runCalibrate}, {QStringLiteral("calib"), runCalib},
        {QStringLiteral("keys"), runKeys},           {QStringLiteral("fpga"), runFpga},
        {QStringLiteral("script"), runScript},
    };
    const auto it = subcommands.find(args.first());
    if (it == subcommands.end())
        return fail(kExitUsage,
                    QStringLiteral("unknown subcommand \"%1\" (try --help)").arg(args.first()));
    context.args = args.mid(1);
    const int exit = finishStandardOutput(it->second(context));
    endTrail();
    return exit;
}
