#pragma once

// vireto-cli as a process, the way the tests run it: in a scratch folder that is both
// its current folder and its home (VIRETO_HOME), with the protocol's waits scaled, and
// against a frame named with --device; or against a frame that this test serves on
// frame-link sockets, so that faults can be injected into what the process talks to.

#include "sim/FrameServer.h"
#include "sim/SimBus.h"
#include "sim/VirtualFrame.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/SpawnedProcess.h"
#include "tests/support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <utility>

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The run ended with exit code 0 and its standard output holds every one of texts.
inline ::testing::AssertionResult succeededPrinting(const CliRun& r,
                                                    std::initializer_list<const char*> texts)
{
    if (r.exitCode != 0)
        return ::testing::AssertionFailure()
               << "exit code " << r.exitCode << ": " << r.err.constData();
    for (const char* text : texts)
        if (!r.out.contains(text))
            return ::testing::AssertionFailure() << "\"" << text << "\" not printed in:\n"
                                                 << r.out.constData();
    return ::testing::AssertionSuccess();
}

struct CliOptions {
    double timeScale = 0;   // 1: the real timings
    QByteArray input;       // written to its standard input
    QString stdoutFile;     // standard output into this file instead of out
};

inline CliRun runCli(const QString& folder, const QString& device, const QStringList& args,
                     const CliOptions& options = {})
{
    SpawnOptions spawn;
    spawn.environment.insert("VIRETO_TIME_SCALE", QString::number(options.timeScale));
    spawn.environment.insert("VIRETO_HOME", folder);
    spawn.environment.remove("VIRETO_DEVICE");
    spawn.workingDirectory = folder;
    spawn.input = options.input;
    spawn.stdoutFile = options.stdoutFile;
    spawn.timeoutMs = bounded::kGiveUpMs;
    const SpawnedRun run = spawnAndWait(QString(VIRETO_BIN_DIR) + "/vireto-cli",
                                        QStringList{"--device=" + device} + args, spawn);
    EXPECT_TRUE(run.started) << "vireto-cli did not start";
    EXPECT_TRUE(run.finished) << "vireto-cli did not end";
    return {run.exitCode, run.out, run.err};
}

// A test that runs vireto-cli in its own scratch folder, against the virtual frame whose
// flash is the folder's "frame.flash" unless it names another device.
class CliFolderTest : public ::testing::Test {
protected:
    CliRun cli(const QStringList& args, const QString& device = {}, const CliOptions& options = {})
    {
        return runCli(dir.path(), device.isEmpty() ? simDevice() : device, args, options);
    }
    QString simDevice() const { return "sim:" + dir.file("frame.flash"); }
    // What the virtual frame's flash file holds (nothing when there is no such file).
    std::vector<uint8_t> flashOf(uint32_t address, size_t n) const
    {
        std::string error;
        auto frame = sim::VirtualFrame::withFlashFile(dir.file("frame.flash").toStdString(), error);
        return frame ? frame->readFlash(address, n) : std::vector<uint8_t>{};
    }

    ScratchDir dir;
};

// A virtual frame served by this test on the sockets of a folder.
struct ServedFrame {
    explicit ServedFrame(const QString& folder,
                         std::shared_ptr<sim::VirtualFrame> f = std::make_shared<sim::VirtualFrame>())
        : frame(std::move(f)), bus(std::vector<std::shared_ptr<sim::VirtualFrame>>{frame}),
          dir(folder)
    {
        QDir().mkpath(dir);
        server = std::make_unique<sim::FrameServer>(bus, dir.toStdString());
        EXPECT_TRUE(server->start()) << "cannot serve the frame in " << dir.toStdString();
    }
    QString device() const { return "unix:" + dir; }

    std::shared_ptr<sim::VirtualFrame> frame;
    sim::SimBus bus;
    QString dir;
    std::unique_ptr<sim::FrameServer> server;
};
