#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"

#include "cli/ToolSession.h"
#include "device/Device.h"

#include <cstdio>

namespace {

namespace aw = address_word;

constexpr const char* kUsage =
    "usage: vireto-cli reg read  [--slave] [--sensor] ADDR\n"
    "       vireto-cli reg write [--slave] [--sensor] ADDR VALUE\n"
    "Reads or writes one register of the Master module (--slave: the Slave module): an FPGA\n"
    "port register (16-bit address), or with --sensor an image-sensor register (8-bit address)\n"
    "over I2C. Numbers take 0x-hex or decimal; the value read is printed as 0xNN.";

} // namespace

int runRegister(const CliContext& context)
{
    QStringList args = context.args;
    if (wantsHelp(args) || args.isEmpty()) {
        return usage(kUsage, !args.isEmpty());
    }
    bool slave = false;
    bool sensor = false;
    std::vector<std::string> words;
    CLI::App app{"reg"};
    app.add_flag("--slave", slave);
    app.add_flag("--sensor", sensor);
    app.add_option("WORDS", words);
    QString parseError;
    if (!parseArguments(app, args, parseError))
        return fail(kExitUsage, parseError + QStringLiteral(" (see reg --help)"));
    args.clear();
    for (const std::string& w : words)
        args << fromArgument(w);
    const QString verb = args.value(0);
    const bool write = verb == QLatin1String("write");
    if (!write && verb != QLatin1String("read"))
        return fail(kExitUsage,
                    QStringLiteral("unknown register operation \"%1\" (read, write)").arg(verb));
    if (args.size() != (write ? 3 : 2))
        return fail(kExitUsage,
                    QStringLiteral("reg %1 needs %2").arg(verb, write ? "ADDR VALUE" : "ADDR"));
    const auto address = parseNumber(args.value(1), 0, sensor ? 0xFF : 0xFFFF);
    if (!address)
        return fail(kExitUsage, QStringLiteral("bad register address \"%1\" (0..0x%2)")
                                    .arg(args.value(1))
                                    .arg(sensor ? 0xFF : 0xFFFF, 0, 16));
    std::optional<uint32_t> value;
    if (write) {
        value = parseNumber(args.value(2), 0, 0xFF);
        if (!value)
            return fail(kExitUsage,
                        QStringLiteral("bad value \"%1\" (0..0xff)").arg(args.value(2)));
    }

    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        RegisterRequest r;
        r.addressWord = aw::make(sensor ? aw::kSpaceSensor : aw::kSpaceFpga, *address,
                                 slave ? Side::Slave : Side::Master);
        r.length = 1;
        int ok = 0;
        uint8_t read = 0;
        if (write) {
            r.data = {static_cast<uint8_t>(*value)};
            ok = sensor ? device.access.sensorWrite(r) : device.access.portWrite(r);
        } else {
            ok = sensor ? device.access.sensorRead(r, read) : device.access.singleRead(r, read);
        }
        if (!ok)
            return fail(kExitFailed,
                        QStringLiteral("register %1 failed: %2").arg(verb, lastFailure(device)));
        if (!write)
            std::printf("0x%02x\n", read);
        return session.end() ? kExitOk : kExitFailed;
    });
}
