#include "sim/FrameServer.h"

#include "FakeFrameBus.h"
#include "LinkTestSupport.h"
#include "device/FrameIdentity.h"
#include "device/SocketBus.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>

using namespace link_test;
using frame_identity::kNoProductId;

namespace {

using Clock = std::chrono::steady_clock;

std::shared_ptr<FakeFrame> makeFrame(uint16_t product, uint8_t marker,
                                     std::vector<FakeFrame::Usage> usages = {FakeFrame::kMouse,
                                                                             FakeFrame::kDigitizer,
                                                                             FakeFrame::kVendor})
{
    return std::make_shared<FakeFrame>(0x0AC8, product, std::move(usages), marker);
}


int openDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

std::array<uint8_t, 64> commandReport(uint8_t fill)
{
    std::array<uint8_t, 64> r{};
    r.fill(fill);
    r[0] = 0x05;
    return r;
}

class FrameServerTest : public ::testing::Test {
protected:
    std::string folder() const { return dir.path().toStdString(); }

    std::vector<std::string> socketNames() const
    {
        std::vector<std::string> names;
        for (const std::string& path : SocketBus(folder()).enumerate())
            names.push_back(path.substr(folder().size() + 1));
        return names;
    }

    ScratchDir dir;
};

// One frame served into the test's folder, running from the start.
class ServedFrameTest : public FrameServerTest {
protected:
    explicit ServedFrameTest(uint16_t product = 0xCB12) : frame(makeFrame(product, 0x41)) {}
    void SetUp() override { ASSERT_TRUE(server.start()); }

    std::shared_ptr<FakeFrame> frame;
    FakeFrameBus bus{{frame}};
    sim::FrameServer server{bus, folder()};
};

TEST_F(FrameServerTest, PublishesEveryCollectionInTheBusOrder)
{
    auto first = makeFrame(0xCB12, 1);
    auto second = makeFrame(0xCB13, 2, {FakeFrame::kVendor, FakeFrame::kMouse});
    FakeFrameBus bus({first, second});
    sim::FrameServer server(bus, folder());
    ASSERT_TRUE(server.start());

    const std::vector<std::string> expectedNames{"00-fake_0_0", "01-fake_0_1", "02-fake_0_2",
                                                 "03-fake_1_0", "04-fake_1_1"};
    EXPECT_EQ(socketNames(), expectedNames);

    const std::vector<FakeFrame::Usage> expectedUsages{FakeFrame::kMouse, FakeFrame::kDigitizer,
                                                       FakeFrame::kVendor, FakeFrame::kVendor,
                                                       FakeFrame::kMouse};
    SocketBus host(folder());
    std::vector<FakeFrame::Usage> usages;
    for (const std::string& path : host.enumerate()) {
        auto c = host.openCollection(path);
        ASSERT_NE(c, nullptr) << path;
        FakeFrame::Usage u;
        ASSERT_TRUE(c->usage(u.first, u.second));
        usages.push_back(u);
    }
    EXPECT_EQ(usages, expectedUsages);
}

TEST_F(ServedFrameTest, TransportFindsTheVendorCollectionBehindMouseAndDigitizer)
{
    SocketTransport transport(folder());

    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(product, 0xCB12);
    product = 0;
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeFrame);
    EXPECT_EQ(product, 0xCB12);

    const auto request = commandReport(0x3C);
    ASSERT_EQ(transport.setFeature64(request.data()), 1);
    ASSERT_EQ(frame->reportsSet().size(), 1u);
    EXPECT_EQ(frame->reportsSet()[0], std::vector<uint8_t>(request.begin(), request.end()));

    std::array<uint8_t, 64> reply{};
    reply[0] = 0x06;
    ASSERT_EQ(transport.getFeature64(reply.data()), 1);
    EXPECT_EQ(reply[0], 0x06);
    EXPECT_EQ(reply[1], 0x41);
    EXPECT_EQ(reply[63], 0x3C);

    uint8_t key[3] = {};
    ASSERT_EQ(transport.getFeature3(0x07, key), 1);
    EXPECT_EQ(key[0], 0x07);
    EXPECT_EQ(key[1], 0x41);
    EXPECT_EQ(key[2], 0x3C);
}

TEST_F(FrameServerTest, FirstOfTwoFramesWins)
{
    auto first = makeFrame(0xCB13, 0x01);
    auto second = makeFrame(0xCB12, 0x02);
    FakeFrameBus bus({first, second});
    sim::FrameServer server(bus, folder());
    ASSERT_TRUE(server.start());
    SocketTransport transport(folder());

    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(product, 0xCB13);
    const auto request = commandReport(0x11);
    ASSERT_EQ(transport.setFeature64(request.data()), 1);
    EXPECT_EQ(first->reportsSet().size(), 1u);
    EXPECT_TRUE(second->reportsSet().empty());
}

TEST_F(ServedFrameTest, UnpluggedFrameFailsProbeAndTransfersAndIsFoundAfterReplug)
{
    SocketTransport transport(folder(), 200);
    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);

    frame->unplug();
    server.rescan();
    EXPECT_TRUE(socketNames().empty());
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeNotAFrame);
    std::array<uint8_t, 64> reply{0x06};
    EXPECT_EQ(transport.getFeature64(reply.data()), 0);
    const auto request = commandReport(0);
    EXPECT_EQ(transport.setFeature64(request.data()), 0);
    EXPECT_EQ(transport.open(product), 0);
    EXPECT_EQ(product, kNoProductId);

    frame->plug();
    server.rescan();
    EXPECT_EQ(socketNames().size(), 3u);
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(product, 0xCB12);
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeFrame);
    EXPECT_EQ(transport.getFeature64(reply.data()), 1);
}

TEST_F(ServedFrameTest, UnplugIsNoticedWithoutBeingTold)
{

    frame->unplug();
    EXPECT_TRUE(bounded::eventually([&] { return socketNames().empty(); }));
    frame->plug();
    EXPECT_TRUE(bounded::eventually([&] { return socketNames().size() == 3; }));
}

TEST_F(FrameServerTest, ConnectionsToAFrameThatStaysSurviveOthersLeaving)
{
    // A keyboard before the frame: when it goes, the frame's sockets move up a place,
    // but the host's open handle keeps working.
    auto keyboard =
        std::make_shared<FakeFrame>(0x1234, 0x0001, std::vector<FakeFrame::Usage>{{1, 6}}, 0x09);
    auto frame = makeFrame(0xCB12, 0x41);
    FakeFrameBus bus({keyboard, frame});
    sim::FrameServer server(bus, folder());
    ASSERT_TRUE(server.start());
    SocketTransport transport(folder(), 200);
    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);
    ASSERT_EQ(socketNames().back(), "03-fake_1_2");

    keyboard->unplug();
    server.rescan();
    EXPECT_EQ(socketNames().back(), "02-fake_1_2");
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeFrame);
    std::array<uint8_t, 64> reply{0x06};
    EXPECT_EQ(transport.getFeature64(reply.data()), 1);
}

TEST_F(ServedFrameTest, ReopeningLeaksNoDescriptorsOnEitherSide)
{
    SocketTransport transport(folder());
    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);
    ASSERT_TRUE(bounded::eventually([&] { return frame->openHandles() == 1; }));
    const int before = openDescriptors();

    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(transport.open(product), 1);
    // The server lets go of the host's old connections as it sees them close.
    EXPECT_TRUE(bounded::eventually([&] { return openDescriptors() == before; }))
        << openDescriptors() << " descriptors, " << before << " before";
    EXPECT_TRUE(bounded::eventually([&] { return frame->openHandles() == 1; }));

    transport.close();
    EXPECT_TRUE(bounded::eventually([&] { return frame->openHandles() == 0; }));
}

TEST_F(ServedFrameTest, StopRemovesTheSocketsAndEndsTheConnections)
{
    SocketTransport transport(folder(), 200);
    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);

    server.stop();
    EXPECT_FALSE(server.running());
    EXPECT_TRUE(socketNames().empty());
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeNotAFrame);
    EXPECT_EQ(frame->openHandles(), 0);

    ASSERT_TRUE(server.start());
    EXPECT_EQ(transport.open(product), 1);
}

TEST_F(FrameServerTest, DestructorRemovesTheSockets)
{
    auto frame = makeFrame(0xCB12, 0x41);
    FakeFrameBus bus({frame});
    {
        sim::FrameServer server(bus, folder());
        ASSERT_TRUE(server.start());
        ASSERT_EQ(socketNames().size(), 3u);
    }
    EXPECT_TRUE(socketNames().empty());
}

TEST_F(FrameServerTest, StartRefusesAFolderThatCannotHoldSockets)
{
    FakeFrameBus bus({makeFrame(0xCB12, 0x41)});
    std::string error;
    sim::FrameServer missing(bus, folder() + "/missing");
    EXPECT_FALSE(missing.start(&error));
    EXPECT_NE(error.find("missing"), std::string::npos);

    sim::FrameServer tooLong(bus, folder() + "/" + std::string(120, 'x'));
    std::filesystem::create_directory(tooLong.dir());
    EXPECT_FALSE(tooLong.start(&error));
    EXPECT_FALSE(tooLong.running());
}

TEST_F(FrameServerTest, SocketsLeftByAnEarlierRunAreReplaced)
{
    ::close(bindAt(folder() + "/00-fake_0_0", false));
    ::close(bindAt(folder() + "/07-fake_0_7", false));
    auto frame = makeFrame(0xCB12, 0x41);
    FakeFrameBus bus({frame});
    sim::FrameServer server(bus, folder());
    ASSERT_TRUE(server.start());
    EXPECT_EQ(socketNames(),
              (std::vector<std::string>{"00-fake_0_0", "01-fake_0_1", "02-fake_0_2"}));
    SocketTransport transport(folder());
    uint16_t product = 0;
    EXPECT_EQ(transport.open(product), 1);
}

TEST_F(FrameServerTest, AFolderWhereAnotherDeviceAnswersIsRefused)
{
    const int other = bindAt(folder() + "/00-other");
    FakeFrameBus bus({makeFrame(0xCB12, 0x41)});
    sim::FrameServer server(bus, folder());
    std::string error;
    EXPECT_FALSE(server.start(&error));
    EXPECT_NE(error.find("00-other"), std::string::npos) << error;
    EXPECT_EQ(socketNames(), std::vector<std::string>{"00-other"});
    ::close(other);
}

TEST_F(ServedFrameTest, StopRemovesOnlyTheSocketsItCreated)
{
    // Someone else's socket now stands under one of the server's names.
    const std::string taken = folder() + "/01-fake_0_1";
    ::unlink(taken.c_str());
    const int other = bindAt(taken);
    server.stop();
    EXPECT_EQ(socketNames(), std::vector<std::string>{"01-fake_0_1"});
    ::close(other);
}

TEST_F(FrameServerTest, ConnectionsBeyondTheLimitAreClosedAtOnce)
{
    FakeFrameBus bus({makeFrame(0xCB12, 0x41)});
    sim::FrameServer server(bus, folder(), 2);
    std::mutex mutex;
    std::vector<std::string> notices;
    server.setNoticeHandler([&](const std::string& notice) {
        std::lock_guard lock(mutex);
        notices.push_back(notice);
    });
    ASSERT_TRUE(server.start());
    const std::string vendor = folder() + "/02-fake_0_2";
    auto answersIdentity = [](int fd) {
        const Bytes answer = fd >= 0 && writeBytes(fd, message('I')) ? readMessage(fd) : Bytes{};
        return !answer.empty() && answer[0] == 'i';
    };
    const int first = connectTo(vendor);
    const int second = connectTo(vendor);
    EXPECT_TRUE(answersIdentity(first));
    EXPECT_TRUE(answersIdentity(second));
    for (int i = 0; i < 3; ++i) {
        const int excess = connectTo(vendor);
        EXPECT_TRUE(closedByPeer(excess));
        ::close(excess);
    }
    EXPECT_TRUE(answersIdentity(second)) << "the connections it has are still served";
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(notices.size(), 1u) << "one line when the limit is reached";
        EXPECT_NE(notices[0].find("2 connections"), std::string::npos) << notices[0];
    }

    ::close(first);
    int later = -1;
    EXPECT_TRUE(bounded::eventually([&] {
        ::close(later);
        later = connectTo(vendor);
        return answersIdentity(later);
    })) << "room again once a host lets go";
    ::close(later);
    ::close(second);
}

// The server's side of the messages, spoken by hand.
class FrameServerWireTest : public ServedFrameTest {
protected:
    FrameServerWireTest() : ServedFrameTest(0xCB14) {}
    void SetUp() override
    {
        ServedFrameTest::SetUp();
        if (HasFatalFailure())
            return;
        fd = connectTo(folder() + "/02-fake_0_2");
        ASSERT_GE(fd, 0);
    }
    void TearDown() override
    {
        if (fd >= 0)
            ::close(fd);
    }

    Bytes ask(const Bytes& request)
    {
        EXPECT_TRUE(writeBytes(fd, request));
        return readMessage(fd);
    }

    int fd = -1;
};

TEST_F(FrameServerWireTest, IdentityAnswer)
{
    EXPECT_EQ(ask(message('I')),
              (Bytes{'i', 8, 0, 0xC8, 0x0A, 0x14, 0xCB, 0x00, 0xFF, 0x01, 0x00}));
}

TEST_F(FrameServerWireTest, SetFeatureVerdicts)
{
    EXPECT_EQ(ask(message('S', {0x05, 1, 2, 3})), (Bytes{'a', 1, 0, 0}));
    EXPECT_EQ(frame->reportsSet().back(), (Bytes{0x05, 1, 2, 3}));
    EXPECT_EQ(ask(message('S', Bytes(65, 0x05))), (Bytes{'a', 1, 0, 1}));
    EXPECT_EQ(ask(message('S')), (Bytes{'a', 1, 0, 1}));
    frame->setRefuseReports(true);
    EXPECT_EQ(ask(message('S', Bytes(64, 0x05))), (Bytes{'a', 1, 0, 1}));
    EXPECT_EQ(frame->reportsSet().size(), 1u);
}

TEST_F(FrameServerWireTest, GetFeatureLengths)
{
    Bytes one = ask(message('G', {0x06, 1, 0}));
    EXPECT_EQ(one, (Bytes{'g', 1, 0, 0x06}));
    Bytes full = ask(message('G', {0x06, 64, 0}));
    ASSERT_EQ(full.size(), 3u + 64);
    EXPECT_EQ(full[3], 0x06);
    EXPECT_EQ(full[4], 0x41);
    const Bytes failed{'e', 0, 0};
    EXPECT_EQ(ask(message('G', {0x06, 0, 0})), failed);
    EXPECT_EQ(ask(message('G', {0x06, 65, 0})), failed);
    EXPECT_EQ(ask(message('G', {0x06, 64, 1})), failed);
    EXPECT_EQ(ask(message('G', {0x06, 64})), failed);
    EXPECT_EQ(ask(message('G', {0x06, 64, 0, 0})), failed);
    frame->setRefuseReports(true);
    EXPECT_EQ(ask(message('G', {0x06, 64, 0})), failed);
}

TEST_F(FrameServerWireTest, RequestsInPiecesAndBackToBack)
{
    const Bytes request = message('G', {0x07, 3, 0});
    for (uint8_t byte : request) {
        ASSERT_TRUE(writeBytes(fd, {byte}));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(readMessage(fd), (Bytes{'g', 3, 0, 0x07, 0x41, 0x02}));

    Bytes two = message('I');
    const Bytes set = message('S', {0x05, 9});
    two.insert(two.end(), set.begin(), set.end());
    ASSERT_TRUE(writeBytes(fd, two));
    EXPECT_EQ(readMessage(fd)[0], 'i');
    EXPECT_EQ(readMessage(fd), (Bytes{'a', 1, 0, 0}));
}

TEST_F(FrameServerWireTest, MalformedRequestsEndTheConnection)
{
    ASSERT_TRUE(writeBytes(fd, message('X', {1, 2})));
    EXPECT_TRUE(closedByPeer(fd));
    const int other = connectTo(folder() + "/02-fake_0_2");
    ASSERT_TRUE(writeBytes(other, message('I', {0})));
    EXPECT_TRUE(closedByPeer(other));
    ::close(other);
}

TEST_F(FrameServerWireTest, LargestPayloadIsReadAndRefused)
{
    EXPECT_EQ(ask(message('S', Bytes(0xFFFF, 0x05))), (Bytes{'a', 1, 0, 1}));
    EXPECT_EQ(ask(message('I'))[0], 'i');
}

TEST_F(FrameServerWireTest, UnpluggedFrameEndsTheConnection)
{
    frame->unplug();
    server.rescan();
    EXPECT_TRUE(closedByPeer(fd));
}

TEST_F(FrameServerWireTest, HostGoneMidRequestDoesNotDisturbOthers)
{
    ASSERT_TRUE(writeBytes(fd, {'S', 64, 0, 0x05}));
    ::close(fd);
    fd = connectTo(folder() + "/02-fake_0_2");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask(message('I'))[0], 'i');
}

} // namespace
