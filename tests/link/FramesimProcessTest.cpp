#include "FrameIdentity.h"
#include "SocketBus.h"
#include "TempDir.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

const QString kProgram = QStringLiteral(VIRETO_BIN_DIR "/vireto-framesim");

bool eventually(const std::function<bool()>& cond)
{
    const auto giveUp = Clock::now() + std::chrono::seconds(5);
    while (!cond()) {
        if (Clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Runs the program to its end; its exit code and what it wrote.
struct Finished {
    int exitCode = -1;
    QString out;
    QString err;
};

Finished runToEnd(const QStringList& arguments)
{
    QProcess p;
    p.start(kProgram, arguments);
    Finished f;
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit)
        return f;
    f.exitCode = p.exitCode();
    f.out = QString::fromUtf8(p.readAllStandardOutput());
    f.err = QString::fromUtf8(p.readAllStandardError());
    return f;
}

class FramesimProcessTest : public ::testing::Test {
protected:
    std::string sockets() const { return dir.file(QStringLiteral("link")).toStdString(); }
    size_t socketCount() const { return SocketBus(sockets()).enumerate().size(); }

    void signal(int s) { ::kill(static_cast<pid_t>(process.processId()), s); }

    ScratchDir dir;
    QProcess process;
};

TEST_F(FramesimProcessTest, ServesTheFrameAndPlugsItOnSignals)
{
    process.start(kProgram, {QStringLiteral("--dir"), QString::fromStdString(sockets()),
                             QStringLiteral("--blank")});
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(eventually([&] { return socketCount() == 3; }));

    SocketTransport transport(sockets(), 500);
    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(product, 0xCB12);

    signal(SIGUSR1);
    EXPECT_TRUE(eventually([&] { return socketCount() == 0; }));
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeNotAFrame);

    signal(SIGUSR2);
    EXPECT_TRUE(eventually([&] { return transport.open(product) == 1; }));

    signal(SIGTERM);
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(socketCount(), 0u);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("unix:") + QString::fromStdString(sockets())))
        << err.toStdString();
}

TEST_F(FramesimProcessTest, ASecondServerOnTheSameFolderIsRefused)
{
    const QString folder = QString::fromStdString(sockets());
    process.start(kProgram, {QStringLiteral("--dir"), folder, QStringLiteral("--blank")});
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(eventually([&] { return socketCount() == 3; }));

    const Finished second = runToEnd({QStringLiteral("--dir"), folder, QStringLiteral("--blank")});
    EXPECT_NE(second.exitCode, 0);
    EXPECT_NE(second.exitCode, -1) << "it must not serve the folder too";
    EXPECT_EQ(second.err.count(QLatin1Char('\n')), 1) << second.err.toStdString();

    EXPECT_EQ(socketCount(), 3u);
    SocketTransport transport(sockets(), 500);
    uint16_t product = 0;
    EXPECT_EQ(transport.open(product), 1) << "the first server is still reachable";
    signal(SIGTERM);
    EXPECT_TRUE(process.waitForFinished(5000));
}

TEST_F(FramesimProcessTest, InterruptEndsItCleanlyAndTheFlashStaysInItsFile)
{
    const QString flash = dir.file(QStringLiteral("kept.flash"));
    process.start(kProgram, {QStringLiteral("--dir=") + QString::fromStdString(sockets()),
                             QStringLiteral("--flash"), flash});
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(eventually([&] { return socketCount() == 3; }));
    EXPECT_TRUE(QFileInfo::exists(flash));

    signal(SIGINT);
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(socketCount(), 0u);
}

TEST_F(FramesimProcessTest, BadArgumentsAreRefusedOnOneLine)
{
    const QString d = QString::fromStdString(sockets());
    for (const QStringList& arguments :
         {QStringList{}, QStringList{QStringLiteral("--dir")},
          QStringList{QStringLiteral("--dir="), QStringLiteral("--blank")},
          QStringList{QStringLiteral("--dir"), d, QStringLiteral("--bogus")},
          QStringList{QStringLiteral("--dir"), d, QStringLiteral("--blank"),
                      QStringLiteral("--flash"), dir.file(QStringLiteral("f"))}}) {
        const Finished f = runToEnd(arguments);
        EXPECT_NE(f.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_NE(f.exitCode, -1) << arguments.join(' ').toStdString();
        EXPECT_EQ(f.err.count(QLatin1Char('\n')), 1) << f.err.toStdString();
    }
    EXPECT_EQ(socketCount(), 0u);
}

TEST_F(FramesimProcessTest, UnusableFolderIsRefused)
{
    dir.write(QStringLiteral("file"), "not a folder");
    const Finished f = runToEnd(
        {QStringLiteral("--dir"), dir.file(QStringLiteral("file")), QStringLiteral("--blank")});
    EXPECT_NE(f.exitCode, 0);
    EXPECT_NE(f.exitCode, -1);
    EXPECT_EQ(f.err.count(QLatin1Char('\n')), 1) << f.err.toStdString();
}

TEST_F(FramesimProcessTest, HelpDescribesTheSignals)
{
    const Finished f = runToEnd({QStringLiteral("--help")});
    EXPECT_EQ(f.exitCode, 0);
    EXPECT_TRUE(f.out.contains(QStringLiteral("SIGUSR1")));
    EXPECT_TRUE(f.out.contains(QStringLiteral("--dir DIR")));
}

} // namespace
