// vireto-framesim: serves one virtual frame on a frame-link socket folder, so that the
// tool (--device=unix:DIR), the command-line tool and outside test harnesses can all
// reach the same frame. Signals plug and unplug it while it runs.

#include "app/ToolVersion.h"
#include "sim/FrameServer.h"
#include "sim/SimBus.h"
#include "sim/VirtualFrame.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/signalfd.h>
#include <unistd.h>

namespace {

const char* const kProgram = "vireto-framesim";

const char* const kUsage =
    "Usage: vireto-framesim --dir DIR [--flash PATH] [--blank]\n"
    "Serves a virtual touch frame on the Unix sockets of DIR (reach it with\n"
    "--device=unix:DIR).\n"
    "\n"
    "  --dir DIR      folder for the sockets, created when missing\n"
    "  --flash PATH   file that keeps the frame's flash (default VirtualFrame.flash)\n"
    "  --blank        a frame without sensor information, its flash in memory only\n"
    "  --help         this text\n"
    "  --version      the version of this program\n"
    "\n"
    "SIGUSR1 unplugs the frame, SIGUSR2 plugs it back in (while the frame restarts\n"
    "after a jump, when the restart is over); SIGINT or SIGTERM ends the program and\n"
    "removes its sockets.\n"
    "\n"
    "It refuses a folder where another server runs or any socket answers. It serves\n"
    "at most %zu connections at a time; further ones are closed as they arrive, with\n"
    "a line on stderr.\n";

struct Options {
    std::string dir;
    std::string flash = "VirtualFrame.flash";
    bool blank = false;
};

int fail(const std::string& why)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, why.c_str());
    return 1;
}

std::shared_ptr<sim::VirtualFrame> makeFrame(const Options& options, std::string& error)
{
    if (options.blank)
        return std::make_shared<sim::VirtualFrame>(sim::VirtualFrame::Contents::Blank);
    return sim::VirtualFrame::withFlashFile(options.flash, error);
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    CLI::App cli{kProgram};
    cli.set_help_flag();
    bool help = false;
    cli.add_flag("-h,--help", help);
    cli.set_version_flag("--version", std::string(kProgram) + " " + VIRETO_TOOL_VERSION);
    cli.add_option("--dir", options.dir)->check([](const std::string& v) {
        return v.empty() ? std::string("--dir needs a value") : std::string();
    });
    CLI::Option* flash = cli.add_option("--flash", options.flash);
    cli.add_flag("--blank", options.blank)->excludes(flash);
    // "--dir=" would otherwise take nothing, or the next argument, as its folder.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dir=") == 0 || std::strcmp(argv[i], "--flash=") == 0) {
            std::fprintf(stderr, "%s: %.*s needs a value (see --help)\n", kProgram,
                         static_cast<int>(std::strlen(argv[i]) - 1), argv[i]);
            return 2;
        }
    }
    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForVersion& e) {
        return cli.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "%s: %s (see --help)\n", kProgram, e.what());
        return 2;
    }
    if (help) {
        std::printf(kUsage, sim::FrameServer::kMaxConnections);
        return 0;
    }
    if (options.dir.empty()) {
        std::fprintf(stderr, "%s: --dir DIR is required (see --help)\n", kProgram);
        return 2;
    }

    // Blocked before any thread starts, so that only the loop below receives them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGUSR1, SIGUSR2, SIGINT, SIGTERM})
        sigaddset(&signals, s);
    if (::pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0)
        return fail("cannot block signals");
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0)
        return fail(std::string("signalfd: ") + std::strerror(errno));

    std::error_code made;
    std::filesystem::create_directories(options.dir, made);
    if (made)
        return fail("cannot create " + options.dir + ": " + made.message());

    const std::shared_ptr<sim::VirtualFrame> frame = makeFrame(options, error);
    if (!frame)
        return fail(error);
    sim::SimBus bus({frame});
    sim::FrameServer server(bus, options.dir);
    server.setNoticeHandler([](const std::string& notice) {
        std::fprintf(stderr, "%s: %s\n", kProgram, notice.c_str());
    });
    if (!server.start(&error))
        return fail(error);

    const long pid = static_cast<long>(::getpid());
    std::fprintf(stderr,
                 "%s: serving a virtual frame in %s (--device=unix:%s); "
                 "kill -USR1 %ld unplugs it, kill -USR2 %ld plugs it back in\n",
                 kProgram, options.dir.c_str(), options.dir.c_str(), pid, pid);

    for (;;) {
        signalfd_siginfo info{};
        const ssize_t n = ::read(signalFd, &info, sizeof info);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != static_cast<ssize_t>(sizeof info))
            return fail("cannot read signals");
        if (info.ssi_signo == SIGUSR1) {
            frame->unplug();
            server.rescan();
            std::fprintf(stderr, "%s: frame unplugged\n", kProgram);
        } else if (info.ssi_signo == SIGUSR2) {
            frame->plug();
            server.rescan();
            std::fprintf(stderr, "%s: frame plugged in\n", kProgram);
        } else {
            break;
        }
    }
    server.stop();
    ::close(signalFd);
    std::fprintf(stderr, "%s: stopped\n", kProgram);
    return 0;
}
