#include "device/SocketBus.h"

#include "LinkTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>

#include <pthread.h>
#include <sys/stat.h>

using namespace link_test;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kShortTimeoutMs = 100;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Bytes identityAnswer(uint16_t vendor, uint16_t product, uint16_t page, uint16_t usage)
{
    return message('i',
                   {uint8_t(vendor), uint8_t(vendor >> 8), uint8_t(product), uint8_t(product >> 8),
                    uint8_t(page), uint8_t(page >> 8), uint8_t(usage), uint8_t(usage >> 8)});
}

Bytes report(uint8_t id, size_t length, uint8_t fill)
{
    Bytes r(length, fill);
    r[0] = id;
    return r;
}

class SocketBusTest : public ::testing::Test {
protected:
    std::string socketPath(const std::string& name = "00-frame") const
    {
        return dir.path().toStdString() + "/" + name;
    }

    std::unique_ptr<HidCollection> open(int timeoutMs = kShortTimeoutMs)
    {
        SocketBus bus(dir.path().toStdString(), timeoutMs);
        return bus.openCollection(socketPath());
    }

    ScratchDir dir;
};

TEST_F(SocketBusTest, EnumeratesSocketsInByteOrderAndSkipsOtherEntries)
{
    for (const char* name : {"b", "a", "B", "\xc3\xa9", "a0"})
        ::close(bindAt(socketPath(name), false));
    std::ofstream(socketPath("0-regular-file")) << "not a socket";
    ::mkdir(socketPath("0-folder").c_str(), 0700);
    ::mkfifo(socketPath("0-fifo").c_str(), 0600);

    SocketBus bus(dir.path().toStdString());
    const std::vector<std::string> expected{socketPath("B"), socketPath("a"), socketPath("a0"),
                                            socketPath("b"), socketPath("\xc3\xa9")};
    EXPECT_EQ(bus.enumerate(), expected);
}

TEST_F(SocketBusTest, MissingFolderIsAnEmptyList)
{
    SocketBus bus(socketPath("no-such-folder"));
    EXPECT_TRUE(bus.enumerate().empty());
}

TEST_F(SocketBusTest, OpenFailsWhereNobodyAccepts)
{
    ::close(bindAt(socketPath(), false));
    SocketBus bus(dir.path().toStdString(), kShortTimeoutMs);
    EXPECT_EQ(bus.openCollection(socketPath()), nullptr);
    EXPECT_EQ(bus.openCollection(socketPath("missing")), nullptr);
    EXPECT_EQ(bus.openCollection(""), nullptr);
    EXPECT_EQ(bus.openCollection("/" + std::string(200, 'x')), nullptr);
}

TEST_F(SocketBusTest, IdentityIsAskedWithAnEmptyRequestEachTime)
{
    Bytes first;
    Bytes second;
    FakeLinkDevice device(socketPath(), [&](int fd) {
        first = readMessage(fd);
        writeBytes(fd, identityAnswer(0x0AC8, 0xCB12, 0xFF00, 0x0001));
        second = readMessage(fd);
        writeBytes(fd, identityAnswer(0x0AC8, 0xCB12, 0xFF00, 0x0001));
        closedByPeer(fd);
    });
    {
        auto c = open();
        ASSERT_NE(c, nullptr);
        uint16_t vendor = 0;
        uint16_t product = 0;
        uint16_t page = 0;
        uint16_t usage = 0;
        ASSERT_TRUE(c->attributes(vendor, product));
        ASSERT_TRUE(c->usage(page, usage));
        EXPECT_EQ(vendor, 0x0AC8);
        EXPECT_EQ(product, 0xCB12);
        EXPECT_EQ(page, 0xFF00);
        EXPECT_EQ(usage, 0x0001);
    }
    device.join();
    EXPECT_EQ(first, (Bytes{'I', 0, 0}));
    EXPECT_EQ(second, (Bytes{'I', 0, 0}));
}

// A refusal is a proper answer: the call fails, the connection stays usable.
TEST_F(SocketBusTest, SetFeatureSendsTheWholeReport)
{
    const Bytes sent = report(0x05, 64, 0x5A);
    Bytes command;
    Bytes keyReport;
    FakeLinkDevice device(socketPath(), [&](int fd) {
        command = readMessage(fd);
        writeBytes(fd, message('a', {1}));
        keyReport = readMessage(fd);
        writeBytes(fd, message('a', {0}));
        closedByPeer(fd);
    });
    {
        auto c = open();
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->setFeature(sent.data(), sent.size()));
        EXPECT_TRUE(c->setFeature(Bytes{0x07, 1, 2}.data(), 3));
    }
    device.join();
    Bytes expected{'S', 64, 0};
    expected.insert(expected.end(), sent.begin(), sent.end());
    EXPECT_EQ(command, expected);
    EXPECT_EQ(keyReport, (Bytes{'S', 3, 0, 0x07, 1, 2}));
}

// So is an unreadable report; it leaves the caller's buffer alone.
TEST_F(SocketBusTest, GetFeatureSendsReportIdAndLength)
{
    std::vector<Bytes> requests;
    FakeLinkDevice device(socketPath(), [&](int fd) {
        requests.push_back(readMessage(fd));
        writeBytes(fd, message('e'));
        requests.push_back(readMessage(fd));
        writeBytes(fd, message('g', report(0x06, 64, 0x33)));
        requests.push_back(readMessage(fd));
        writeBytes(fd, message('g', {0x09, 0x01, 0x80}));
        closedByPeer(fd);
    });
    Bytes reply = report(0x06, 64, 0x11);
    uint8_t key[3] = {0x09, 0, 0};
    {
        auto c = open();
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->getFeature(reply.data(), reply.size()));
        EXPECT_EQ(reply, report(0x06, 64, 0x11));
        EXPECT_TRUE(c->getFeature(reply.data(), reply.size()));
        EXPECT_TRUE(c->getFeature(key, 3));
    }
    device.join();
    const Bytes command{'G', 3, 0, 0x06, 64, 0};
    EXPECT_EQ(requests, (std::vector<Bytes>{command, command, {'G', 3, 0, 0x09, 3, 0}}));
    EXPECT_EQ(reply, report(0x06, 64, 0x33));
    EXPECT_EQ(Bytes(key, key + 3), (Bytes{0x09, 0x01, 0x80}));
}

TEST_F(SocketBusTest, LengthsTheLinkCannotCarryFailWithoutTraffic)
{
    bool closedWithoutRequest = false;
    FakeLinkDevice device(socketPath(), [&](int fd) { closedWithoutRequest = closedByPeer(fd); });
    {
        auto c = open();
        ASSERT_NE(c, nullptr);
        Bytes big(0x10000, 0);
        EXPECT_FALSE(c->getFeature(big.data(), 0));
        EXPECT_FALSE(c->getFeature(big.data(), big.size()));
        EXPECT_FALSE(c->setFeature(big.data(), 0));
        EXPECT_FALSE(c->setFeature(big.data(), big.size()));
    }
    device.join();
    EXPECT_TRUE(closedWithoutRequest);
}

// A wrong answer: the call fails, the host hangs up, and later calls fail at once.
struct WrongAnswer {
    const char* name;
    char request; // 'I', 'S' or 'G'
    Bytes answer;
};

class SocketBusWrongAnswerTest : public SocketBusTest,
                                 public ::testing::WithParamInterface<WrongAnswer> {};

bool call(HidCollection& c, char request)
{
    uint16_t a = 0;
    uint16_t b = 0;
    Bytes r = report(0x06, 64, 0);
    switch (request) {
    case 'I':
        return c.attributes(a, b);
    case 'S':
        return c.setFeature(r.data(), r.size());
    default:
        return c.getFeature(r.data(), r.size());
    }
}

TEST_P(SocketBusWrongAnswerTest, FailsAndBreaksTheConnection)
{
    const WrongAnswer& wrong = GetParam();
    bool hungUp = false;
    FakeLinkDevice device(socketPath(), [&](int fd) {
        readMessage(fd);
        writeBytes(fd, wrong.answer);
        hungUp = closedByPeer(fd);
    });
    auto c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(call(*c, wrong.request));
    device.join();
    EXPECT_TRUE(hungUp);
    const auto start = Clock::now();
    EXPECT_FALSE(call(*c, 'I'));
    EXPECT_FALSE(call(*c, 'S'));
    EXPECT_FALSE(call(*c, 'G'));
    EXPECT_LT(msSince(start), kShortTimeoutMs);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SocketBusWrongAnswerTest,
    ::testing::Values(WrongAnswer{"IdentityOfSevenBytes", 'I', message('i', Bytes(7, 0))},
                      WrongAnswer{"IdentityOfNineBytes", 'I', message('i', Bytes(9, 0))},
                      WrongAnswer{"AcceptToIdentity", 'I', message('a', {0})},
                      WrongAnswer{"UnknownKind", 'I', message('x', Bytes(8, 0))},
                      WrongAnswer{"ReportToSet", 'S', message('g', report(0x06, 64, 0))},
                      WrongAnswer{"AcceptWithoutVerdict", 'S', message('a')},
                      WrongAnswer{"VerdictOutOfRange", 'S', message('a', {2})},
                      WrongAnswer{"ReportOneByteShort", 'G', message('g', report(0x06, 63, 0))},
                      WrongAnswer{"ReportOneByteLong", 'G', message('g', report(0x06, 65, 0))},
                      WrongAnswer{"ReportWithOtherId", 'G', message('g', report(0x07, 64, 0))},
                      WrongAnswer{"FailureWithPayload", 'G', message('e', {0})},
                      WrongAnswer{"VerdictToGet", 'G', message('a', {0})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SocketBusTest, AnswerArrivingInPiecesIsReassembled)
{
    FakeLinkDevice device(socketPath(), [&](int fd) {
        readMessage(fd);
        for (uint8_t byte : message('g', report(0x06, 64, 0x21))) {
            writeBytes(fd, {byte});
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        closedByPeer(fd);
    });
    auto c = open(1000);
    ASSERT_NE(c, nullptr);
    Bytes reply = report(0x06, 64, 0);
    EXPECT_TRUE(c->getFeature(reply.data(), reply.size()));
    EXPECT_EQ(reply, report(0x06, 64, 0x21));
}

TEST_F(SocketBusTest, SilenceFailsAfterTheTimeout)
{
    bool hungUp = false;
    FakeLinkDevice device(socketPath(), [&](int fd) {
        readMessage(fd);
        hungUp = closedByPeer(fd);
    });
    auto c = open(kShortTimeoutMs);
    ASSERT_NE(c, nullptr);
    const auto start = Clock::now();
    uint16_t vendor = 0;
    uint16_t product = 0;
    EXPECT_FALSE(c->attributes(vendor, product));
    const double elapsed = msSince(start);
    EXPECT_GE(elapsed, kShortTimeoutMs);
    EXPECT_LT(elapsed, kShortTimeoutMs + 400);
    device.join();
    EXPECT_TRUE(hungUp);
}

TEST_F(SocketBusTest, AnswerCutOffAndThenSilentFailsAfterTheTimeout)
{
    FakeLinkDevice device(socketPath(), [&](int fd) {
        readMessage(fd);
        const Bytes whole = message('g', report(0x06, 64, 0));
        writeBytes(fd, Bytes(whole.begin(), whole.begin() + 20));
        closedByPeer(fd);
    });
    auto c = open(kShortTimeoutMs);
    ASSERT_NE(c, nullptr);
    const auto start = Clock::now();
    Bytes reply = report(0x06, 64, 0);
    EXPECT_FALSE(c->getFeature(reply.data(), reply.size()));
    EXPECT_GE(msSince(start), kShortTimeoutMs);
}

TEST_F(SocketBusTest, TheDefaultTimeoutIsTwoSeconds)
{
    FakeLinkDevice device(socketPath(), [&](int fd) {
        readMessage(fd);
        closedByPeer(fd);
    });
    SocketBus bus(dir.path().toStdString());
    auto c = bus.openCollection(socketPath());
    ASSERT_NE(c, nullptr);
    const auto start = Clock::now();
    Bytes reply = report(0x06, 64, 0);
    EXPECT_FALSE(c->getFeature(reply.data(), reply.size()));
    const double elapsed = msSince(start);
    EXPECT_GE(elapsed, 2000);
    EXPECT_LT(elapsed, 2500);
}

TEST_F(SocketBusTest, ConnectionClosedWhileAnsweringFailsAtOnce)
{
    FakeLinkDevice device(socketPath(), [&](int fd) {
        readMessage(fd);
        const Bytes whole = identityAnswer(0x0AC8, 0xCB12, 0xFF00, 1);
        writeBytes(fd, Bytes(whole.begin(), whole.begin() + 5));
    });
    auto c = open(1000);
    ASSERT_NE(c, nullptr);
    const auto start = Clock::now();
    uint16_t page = 0;
    uint16_t usage = 0;
    EXPECT_FALSE(c->usage(page, usage));
    EXPECT_LT(msSince(start), 500);
}

TEST_F(SocketBusTest, ConnectionClosedBeforeTheRequestFailsWithoutSignal)
{
    FakeLinkDevice device(socketPath(), [](int) {});
    auto c = open(1000);
    ASSERT_NE(c, nullptr);
    device.join();
    // Writing into a closed connection raises SIGPIPE unless the send suppresses it;
    // the test process would die here.
    const Bytes r = report(0x05, 64, 0);
    EXPECT_FALSE(c->setFeature(r.data(), r.size()));
    EXPECT_FALSE(c->setFeature(r.data(), r.size()));
}

void ignoreSignal(int) {}

TEST_F(SocketBusTest, SignalsDuringTheWaitDoNotFailTheCall)
{
    struct sigaction handler {};
    handler.sa_handler = ignoreSignal; // no SA_RESTART: the wait sees EINTR
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGUSR1, &handler, &previous), 0);

    std::atomic<bool> answered{false};
    FakeLinkDevice device(socketPath(), [&](int fd) {
        readMessage(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        writeBytes(fd, message('a', {0}));
        answered = true;
        closedByPeer(fd);
    });
    const pthread_t host = ::pthread_self();
    std::thread interrupter([&] {
        while (!answered) {
            ::pthread_kill(host, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    auto c = open(1000);
    const Bytes r = report(0x05, 64, 0);
    const bool sent = c && c->setFeature(r.data(), r.size());
    c.reset();
    answered = true;
    interrupter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_TRUE(sent);
}

} // namespace
