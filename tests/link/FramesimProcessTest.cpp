#include "LinkTestSupport.h"
#include "device/FrameIdentity.h"
#include "device/SocketBus.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/TempDir.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

const QString kProgram = QStringLiteral(VIRETO_BIN_DIR "/vireto-framesim");


// The processor time a process has used so far, in clock ticks (user and system).
long cpuTicks(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name, which is in parentheses: state is field 3,
    // user time 14 and system time 15.
    std::istringstream fields(line.substr(std::min(line.size(), line.rfind(')') + 2)));
    std::string field;
    long ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n)
        if (n >= 14)
            ticks += std::stol(field);
    return ticks;
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
    QStringList blankFrameArguments() const
    {
        return {QStringLiteral("--dir"), QString::fromStdString(sockets()),
                QStringLiteral("--blank")};
    }
    // Starts the program on a blank frame: true once it serves the frame's collections.
    bool startServing()
    {
        process.start(kProgram, blankFrameArguments());
        return process.waitForStarted(5000) &&
               bounded::eventually([&] { return socketCount() == 3; });
    }

    ScratchDir dir;
    QProcess process;
};

TEST_F(FramesimProcessTest, ServesTheFrameAndPlugsItOnSignals)
{
    ASSERT_TRUE(startServing());

    SocketTransport transport(sockets(), 500);
    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(product, 0xCB12);

    signal(SIGUSR1);
    EXPECT_TRUE(bounded::eventually([&] { return socketCount() == 0; }));
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeNotAFrame);

    signal(SIGUSR2);
    EXPECT_TRUE(bounded::eventually([&] { return transport.open(product) == 1; }));

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
    ASSERT_TRUE(startServing());

    const Finished second = runToEnd(blankFrameArguments());
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

// Under a small descriptor limit, a flood of connections must neither make the server
// spin nor leave clients waiting: it serves what it can, closes the rest at once and
// keeps serving the hosts it has.
TEST_F(FramesimProcessTest, OutOfDescriptorsItClosesNewConnectionsAndKeepsServing)
{
    process.setChildProcessModifier([] {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
            limit.rlim_cur = 24;
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
    ASSERT_TRUE(startServing());
    SocketTransport kept(sockets(), 500);
    uint16_t product = 0;
    ASSERT_EQ(kept.open(product), 1);

    const sockaddr_un vendor = link_test::addressOf(sockets() + "/02-sim_0_2");
    // More than it can hold; a full queue of waiting connections is retried until the
    // server takes them off it (or the test gives up).
    std::vector<pollfd> flood;
    // The bounds only end a broken test; a loaded machine is slow, never wrong.
    const auto enough = Clock::now() + bounded::kGiveUp;
    while (flood.size() < 60 && Clock::now() < enough) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&vendor), sizeof vendor) == 0) {
            link_test::writeBytes(fd, link_test::message('I')); // fails if already closed
            flood.push_back({fd, POLLIN, 0});
        } else {
            ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    EXPECT_EQ(flood.size(), 60u) << "waiting connections are not taken off the queue";
    // Every connection gets its answer or is closed; none is left waiting.
    size_t settled = 0;
    size_t closed = 0;
    const auto giveUp = Clock::now() + bounded::kGiveUp;
    while (settled < flood.size() && Clock::now() < giveUp) {
        ::poll(flood.data(), flood.size(), 50);
        for (pollfd& p : flood) {
            if (p.fd < 0 || !p.revents)
                continue;
            uint8_t byte = 0;
            if (::recv(p.fd, &byte, 1, MSG_PEEK) <= 0)
                ++closed;
            ++settled;
            p.fd = -p.fd - 1; // poll skips it from now on
        }
    }
    EXPECT_EQ(settled, flood.size()) << "connections left hanging";
    EXPECT_GT(closed, 0u);

    const long before = cpuTicks(process.processId());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long busy = cpuTicks(process.processId()) - before;
    EXPECT_LT(busy, ::sysconf(_SC_CLK_TCK) / 10) << "it keeps the processor busy while idle";
    EXPECT_EQ(kept.probe(product), HidTransport::kProbeFrame);

    for (const pollfd& p : flood)
        ::close(p.fd < 0 ? -p.fd - 1 : p.fd);
    SocketTransport later(sockets(), 500);
    EXPECT_TRUE(bounded::eventually([&] { return later.open(product) == 1; }));

    signal(SIGTERM);
    ASSERT_TRUE(process.waitForFinished(5000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    // One line per stretch of turning connections away: a slow machine may see the flood
    // in more than one stretch, but never a line per connection.
    const auto lines = err.count(QStringLiteral("out of file descriptors"));
    EXPECT_GE(lines, 1) << err.toStdString();
    EXPECT_LE(lines, 5) << err.toStdString();
}

TEST_F(FramesimProcessTest, InterruptEndsItCleanlyAndTheFlashStaysInItsFile)
{
    const QString flash = dir.file(QStringLiteral("kept.flash"));
    process.start(kProgram, {QStringLiteral("--dir=") + QString::fromStdString(sockets()),
                             QStringLiteral("--flash"), flash});
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(bounded::eventually([&] { return socketCount() == 3; }));
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
