// vireto-cli: the frame tool for headless stations and scripts. Data goes to files or
// stdout, messages and progress to stderr; the exit status says how it ended.
#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/ToolVersion.h"
#include "cli/Interruption.h"
#include "cli/Subcommands.h"
#include "transport/TransportFactory.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli [--device WHERE] [--record FILE] [--json] SUBCOMMAND [ARGS]\n"
    "       vireto-cli --version | --help\n"
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
    "WHERE: hid (default; or VIRETO_DEVICE), sim, sim:PATH, unix:DIR, replay:FILE.\n"
    "--record FILE writes every report exchanged with the frame to FILE (JSON lines);\n"
    "--device replay:FILE answers from such a recording. --json prints one JSON object\n"
    "per line (status, config show, devinfo show, calib show|verify, level, monitor).\n"
    "Options take their value as --opt=VALUE or --opt VALUE.\n"
    "SUBCOMMAND --help explains each one. Exit status: 0 done, 1 the frame failed,\n"
    "2 bad arguments, 3 no frame, 130/143 stopped by SIGINT/SIGTERM.\n";

// The subcommands read "--opt VALUE"; "--opt=VALUE" is the same option.
QStringList splitOptionValues(const std::vector<std::string>& raw)
{
    QStringList args;
    for (const std::string& word : raw) {
        const QString arg = QString::fromLocal8Bit(word.c_str());
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && equals > 2) {
            args << arg.left(equals) << arg.mid(equals + 1);
            continue;
        }
        args << arg;
    }
    return args;
}

int usageError(const QString& message)
{
    return fail(kExitUsage, message + QStringLiteral(" (try vireto-cli --help)"));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    appContext().reloadLanguage(); // the frame's messages in the pack's language, else English

    CLI::App cli{"vireto-cli"};
    cli.set_help_flag(); // our own usage text
    bool help = false;
    std::string device;
    std::string record;
    bool json = false;
    cli.add_flag("-h,--help", help);
    cli.set_version_flag("--version", std::string("vireto-cli ") + VIRETO_TOOL_VERSION);
    cli.add_option("--device", device);
    cli.add_option("--record", record);
    cli.add_flag("--json", json);
    cli.require_subcommand(0, 1);
    for (const std::string& name : subcommandNames()) {
        CLI::App* sub = cli.add_subcommand(name);
        sub->set_help_flag(); // SUBCOMMAND --help is the subcommand's own
        sub->prefix_command();
    }
    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForVersion& e) {
        return cli.exit(e);
    } catch (const CLI::ParseError& e) {
        const std::vector<std::string> extra = cli.remaining();
        if (!extra.empty() && !extra.front().starts_with('-'))
            return usageError(QStringLiteral("unknown subcommand \"%1\"")
                                  .arg(QString::fromLocal8Bit(extra.front().c_str())));
        return usageError(QString::fromLocal8Bit(e.what()));
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    const std::vector<CLI::App*> chosen = cli.get_subcommands();
    if (chosen.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }

    CliContext context;
    context.deviceSpec = device.empty() ? deviceOption({}) : QString::fromLocal8Bit(device.c_str());
    QString problem;
    if (!isDeviceSpec(context.deviceSpec, problem))
        return usageError(problem);
    context.recordPath = QString::fromLocal8Bit(record.c_str());
    context.args = splitOptionValues(chosen.front()->remaining());
    context.json = json || context.args.removeAll(QStringLiteral("--json")) > 0;

    interruption::install();
    int exit = runSubcommand(chosen.front()->get_name(), context);
    exit = finishStandardOutput(interruption::requested() ? interruption::exitCode() : exit);
    endTrail(exit);
    return exit;
}
