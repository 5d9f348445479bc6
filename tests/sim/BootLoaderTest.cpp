#include "SimTestSupport.h"

#include "device/FlashMap.h"

#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace simtest;

class BootLoaderTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        ASSERT_TRUE(host.open());
    }
    int jump(uint8_t target) { return host.device.commands.jump(target); }
    bool reopen(uint16_t& pid) { return host.device.transport().open(pid) == 1; }

    // Polls cond until it holds; a restart of the frame is over well within the bound.
    static bool eventually(const std::function<bool()>& cond)
    {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!cond()) {
            if (std::chrono::steady_clock::now() > giveUp)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    HostOnFrame host;
};

TEST_F(BootLoaderTest, JumpToTheBootLoaderAnswersThenComesBackAsTheBootLoader)
{
    ASSERT_EQ(jump(cmd::kJumpBootLoader), 1) << "the jump itself is answered";
    uint8_t v = 0;
    EXPECT_EQ(host.device.commands.FPGASingleRead(Side::Master, 0x35, v), 0)
        << "the old connection is dead";

    // With the time scale at 0 the restart is over at the next look.
    uint16_t pid = 0;
    ASSERT_TRUE(reopen(pid));
    EXPECT_EQ(pid, 0xCB11);
    EXPECT_TRUE(host.frame->inBootLoader());
}

TEST_F(BootLoaderTest, TheBootLoaderAnswersOnlyFlashStreamsAndJumps)
{
    ASSERT_EQ(jump(cmd::kJumpBootLoader), 1);
    uint16_t pid = 0;
    ASSERT_TRUE(reopen(pid));
    uint8_t version[8];
    EXPECT_EQ(host.device.commands.flashRead(flash_map::kVersionBlock, version, 8), 1);
    std::array<uint8_t, FrameCommands::kStatusReply> status{};
    EXPECT_EQ(host.device.commands.GetStatus(1, status), 0);
    EXPECT_EQ(host.device.link.linkStatus, DeviceLink::kLinkRefused);
    const uint8_t packet[62] = {1, 2, 3};
    EXPECT_EQ(host.device.commands.streamB(Side::Master, cmd::kFlagLast, packet, 62), 1);
    EXPECT_EQ(jump(cmd::kJumpBootLoader), 1);
    EXPECT_TRUE(host.frame->isPlugged()) << "a jump to where it already is restarts nothing";
}

TEST_F(BootLoaderTest, JumpBackBringsTheApplicationWithTheNewImageVersion)
{
    ASSERT_EQ(jump(cmd::kJumpBootLoader), 1);
    uint16_t pid = 0;
    ASSERT_TRUE(reopen(pid));
    ASSERT_EQ(host.device.commands.flashErase(flash_map::kVersionBlock, 1), 1);
    const uint8_t version[4] = {0x09, 0x00, 0x04, 0x01}; // 1.4.9
    ASSERT_EQ(host.device.commands.flashWrite(flash_map::kVersionBlock, version, 4), 1);
    ASSERT_EQ(jump(cmd::kJumpApplication), 1);
    ASSERT_TRUE(reopen(pid));
    EXPECT_EQ(pid, 0xCB12);
    EXPECT_FALSE(host.frame->inBootLoader());
    ModuleVersions versions;
    ASSERT_EQ(host.device.blocks.readVersions(Side::Master, versions), 1);
    EXPECT_EQ(versions.image, 0x01040009u);
    EXPECT_EQ(versions.bootLoader, 0xFFFFFFFFu)
        << "the boot loader leaves the block as the update wrote it";
}

TEST_F(BootLoaderTest, TheRestartTakesItsTimeWhenWaitsAreReal)
{
    delay::setTimeScale(0.002); // 1.5 s becomes 3 ms
    ASSERT_EQ(jump(cmd::kJumpBootLoader), 1);
    EXPECT_FALSE(host.frame->isPlugged());
    delay::waitUnscaled(10);
    EXPECT_TRUE(host.frame->isPlugged());
}

TEST_F(BootLoaderTest, AFrameThatNeverComesBackStaysAwayUntilPluggedIn)
{
    host.frame->stayAwayAfterRestart();
    ASSERT_EQ(jump(cmd::kJumpBootLoader), 1);
    uint16_t pid = 0;
    EXPECT_FALSE(reopen(pid));
    EXPECT_FALSE(host.frame->isPlugged());
    host.frame->plug();
    ASSERT_TRUE(reopen(pid));
    EXPECT_EQ(pid, 0xCB11) << "plugged in again, it is in its boot loader";
}

// Unplugging or plugging the frame in while it restarts neither cuts the restart short
// nor is lost: it takes effect when the restart is over.
TEST_F(BootLoaderTest, UnplugAndPlugDuringARestartTakeEffectWhenItEnds)
{
    // What the version block reads after an undisturbed jump back to the application.
    auto versionsAfterJumpBack = [this](const std::function<void()>& duringRestart) {
        delay::setTimeScale(0.0);
        ModuleVersions versions;
        uint16_t pid = 0;
        const uint8_t image[4] = {0x09, 0x00, 0x04, 0x01}; // 1.4.9 alone, as an update leaves it
        if (!reopen(pid) || host.device.commands.flashErase(flash_map::kVersionBlock, 1) != 1 ||
            host.device.commands.flashWrite(flash_map::kVersionBlock, image, 4) != 1) {
            ADD_FAILURE() << "cannot set up the version block";
            return versions;
        }
        delay::setTimeScale(0.2); // a restart of 300 ms
        EXPECT_EQ(jump(cmd::kJumpApplication), 1);
        duringRestart();
        EXPECT_TRUE(host.frame->inBootLoader()) << "the restart is not cut short";
        EXPECT_TRUE(eventually([&] { return !host.frame->inBootLoader(); }));
        delay::setTimeScale(0.0);
        EXPECT_TRUE(reopen(pid));
        EXPECT_EQ(pid, 0xCB12);
        EXPECT_EQ(host.device.blocks.readVersions(Side::Master, versions), 1);
        return versions;
    };

    delay::setTimeScale(0.2);
    ASSERT_EQ(jump(cmd::kJumpBootLoader), 1);
    host.frame->unplug();
    ASSERT_TRUE(eventually([&] { return host.frame->inBootLoader(); }));
    EXPECT_FALSE(host.frame->isPlugged()) << "unplugged while restarting, it stays away";
    uint16_t pid = 0;
    EXPECT_FALSE(reopen(pid));
    host.frame->plug();
    ASSERT_TRUE(reopen(pid));
    EXPECT_EQ(pid, 0xCB11);

    const ModuleVersions undisturbed = versionsAfterJumpBack([] {});
    ASSERT_EQ(jump(cmd::kJumpBootLoader), 1);
    const ModuleVersions replugged = versionsAfterJumpBack([this] { host.frame->plug(); });
    EXPECT_EQ(replugged.image, 0x01040009u);
    EXPECT_EQ(replugged.bootLoader, undisturbed.bootLoader);
    EXPECT_TRUE(host.frame->isPlugged());
}

TEST_F(BootLoaderTest, FaultsOfADownload)
{
    ASSERT_EQ(jump(cmd::kJumpBootLoader), 1);
    uint16_t pid = 0;
    ASSERT_TRUE(reopen(pid));
    const uint8_t packet[62] = {};
    host.frame->refuseCommand(0x2F, 1, 2); // the third packet
    EXPECT_EQ(host.device.commands.streamA(Side::Master, cmd::kFlagFirst, packet, 62), 1);
    EXPECT_EQ(host.device.commands.streamA(Side::Master, 0, packet, 62), 1);
    EXPECT_EQ(host.device.commands.streamA(Side::Master, 0, packet, 62), 0);
    EXPECT_EQ(host.device.commands.streamA(Side::Master, cmd::kFlagLast, packet, 62), 1);

    host.frame->unplugAfterRequests(0x2E, 2);
    EXPECT_EQ(host.device.commands.streamB(Side::Master, cmd::kFlagFirst, packet, 62), 1);
    EXPECT_EQ(host.device.commands.streamB(Side::Master, 0, packet, 62), 0) << "pulled mid-stream";
    EXPECT_FALSE(host.frame->isPlugged());
}

} // namespace
