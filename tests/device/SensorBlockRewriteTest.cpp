// The guarded rewrite of the sensor information block on a virtual frame that is
// unplugged in the middle of it.
#include "device/SensorBlockRewrite.h"

#include "codec/ByteOrder.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/support/FrameHarness.h"
#include "tests/support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

namespace rewrite = sensor_block_rewrite;
using flash_map::kSensorBlock;
using flash_map::kSensorBlockSize;

// The copies go to the harness's scratch program folder.
class SensorBlockRewriteTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        ASSERT_EQ(device->blocks.ReadCalibInfo(before), 1);
        ASSERT_EQ(le::u32(before.data()), flash_map::SENSORInfoFlag) << "a factory block";
        after = before;
        std::fill(after.begin() + 136, after.begin() + 552, uint8_t{0}); // record deleted
    }
    SensorBlock flashBlock() const
    {
        SensorBlock b{};
        const std::vector<uint8_t> v = frame->readFlash(kSensorBlock, kSensorBlockSize);
        std::copy(v.begin(), v.end(), b.begin());
        return b;
    }
    QStringList copies() const { return QDir(rewrite::backupFolder()).entryList(QDir::Files); }

    SensorBlock before{};
    SensorBlock after{};
};

TEST_F(SensorBlockRewriteTest, AFrameUnpluggedMidWriteAndPluggedBackGetsTheRewriteFinished)
{
    delay::setTimeScale(0.01); // the frame is waited for 300 ms
    frame->unplugAfterRequests(0x09, 20);
    std::thread replug([this] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (frame->isPlugged() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        frame->plug();
    });
    const rewrite::Outcome out = rewrite::rewrite(*device, before, after);
    replug.join();
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_TRUE(out.resumed) << "the unplug must have happened during the rewrite";
    EXPECT_EQ(flashBlock(), after);
    EXPECT_TRUE(copies().isEmpty()) << "the copy goes once the block is read back";
    EXPECT_EQ(g_bDevExist, 1);
}

TEST_F(SensorBlockRewriteTest, AFrameThatStaysAwayLeavesTheCopyWhichBringsTheBlockBack)
{
    frame->unplugAfterRequests(0x09, 20);
    const rewrite::Outcome out = rewrite::rewrite(*device, before, after);
    EXPECT_FALSE(out.ok);
    ASSERT_EQ(copies().size(), 1);
    const QString copy = QDir(rewrite::backupFolder()).filePath(copies().first());
    EXPECT_EQ(out.copyPath, copy);
    EXPECT_TRUE(copies().first().startsWith("SensorBlock_"));
    EXPECT_TRUE(out.error.contains("did not come back")) << out.error.toStdString();
    EXPECT_TRUE(out.error.contains("vireto-cli calib restore " + copy)) << out.error.toStdString();
    EXPECT_NE(le::u32(flashBlock().data()), flash_map::SENSORInfoFlag) << "left unflagged";

    QFile saved(copy); // the block as it was
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_TRUE(rewrite::problemOfSavedBlock(bytes).isEmpty());
    SensorBlock restored{};
    std::copy(bytes.begin(), bytes.end(), restored.begin());
    EXPECT_EQ(restored, before);

    frame->plug();
    ASSERT_TRUE(host->reopen());
    const rewrite::Outcome back = rewrite::rewrite(*device, flashBlock(), restored);
    ASSERT_TRUE(back.ok) << back.error.toStdString();
    EXPECT_EQ(flashBlock(), before);
    EXPECT_EQ(copies().size(), 1) << "an unflagged block needs no copy of its own";
}

TEST_F(SensorBlockRewriteTest, NothingIsErasedWhenNoCopyCanBeSaved)
{
    host->home.write("backup", "a file where the folder would go");
    frame->clearRequestLog();
    const rewrite::Outcome out = rewrite::rewrite(*device, before, after);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.error.contains("not touched")) << out.error.toStdString();
    EXPECT_TRUE(frame->requestLog().empty());
    EXPECT_EQ(flashBlock(), before);
}

} // namespace
