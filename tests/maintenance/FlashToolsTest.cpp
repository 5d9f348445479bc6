#include "maintenance/FlashTools.h"
#include "maintenance/FlashTest.h"

#include "codec/ByteOrder.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/FrameHarness.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kFlash = 0x20000;

class FlashToolsTest : public FrameTest {
protected:
    // Runs one tool on its worker, as the window does, until its end.
    std::unique_ptr<FlashToolThread> runTool(FlashToolThread::Operation operation,
                                             const QString& path, const QByteArray& image = {})
    {
        auto worker =
            std::make_unique<FlashToolThread>(*device, operation, path, image, Side::Master);
        EXPECT_TRUE(worker->startWorker());
        EXPECT_TRUE(worker->join(bounded::kGiveUpMs)) << "the flash tool did not end";
        return worker;
    }
};

TEST_F(FlashToolsTest, ReadThenWriteOfTheDumpLeavesTheFlashAsItWas)
{
    const std::vector<uint8_t> before = frame->readFlash(0, kFlash);
    const QString dump = host->home.file("dump.bin");
    auto read = runTool(FlashToolThread::Operation::Read, dump);
    ASSERT_TRUE(read->outcome().ok) << read->outcome().failure.toStdString();
    EXPECT_TRUE(read->workModeRestored());
    EXPECT_EQ(read->sectorsDone(), 32u);
    const QByteArray file = host->home.read("dump.bin");
    ASSERT_EQ(file.size(), static_cast<qsizetype>(kFlash));
    EXPECT_TRUE(
        std::equal(before.begin(), before.end(), reinterpret_cast<const uint8_t*>(file.data())));

    QString problem;
    QByteArray image = flash_tools::loadImage(dump, problem);
    ASSERT_TRUE(problem.isEmpty());
    image[0x1E010] = 0x42;
    frame->clearRequestLog();
    auto write = runTool(FlashToolThread::Operation::Write, {}, image);
    ASSERT_TRUE(write->outcome().ok) << write->outcome().failure.toStdString();
    EXPECT_EQ(frame->readFlash(0x1E010, 1), std::vector<uint8_t>{0x42});
    EXPECT_EQ(frame->readFlash(0x11000, 1546),
              std::vector<uint8_t>(before.begin() + 0x11000, before.begin() + 0x11000 + 1546));
    EXPECT_EQ(frame->mode(), WorkMode);
    // Sector by sector: the erase of a sector comes before its first write.
    int erases = 0;
    for (const auto& r : frame->requestLog()) {
        const uint32_t sector = le::u24(&r[2]) / 0x1000;
        if (r[1] == 0x0D) {
            EXPECT_EQ(sector, static_cast<uint32_t>(erases++));
        } else if (r[1] == 0x09) {
            EXPECT_EQ(sector, static_cast<uint32_t>(erases - 1)) << "into the sector erased last";
        }
    }
    EXPECT_EQ(erases, 32);
}

TEST_F(FlashToolsTest, OnlyAWholeFlashImageIsWritten)
{
    for (int size : {0, 131071, 131073}) {
        host->home.write("image.bin", QByteArray(size, '\0'));
        QString problem;
        EXPECT_TRUE(flash_tools::loadImage(host->home.file("image.bin"), problem).isEmpty());
        EXPECT_TRUE(problem.contains(QString::number(size) + " bytes, not the 131072"))
            << problem.toStdString();
    }
    QString problem;
    flash_tools::loadImage(host->home.file("absent.bin"), problem);
    EXPECT_TRUE(problem.startsWith("cannot read"));
}

TEST_F(FlashToolsTest, AnUnplugMidOperationFailsItAndLeavesNoDump)
{
    frame->unplugAfterRequests(0x0A, 300);
    auto read = runTool(FlashToolThread::Operation::Read, host->home.file("dump.bin"));
    EXPECT_FALSE(read->outcome().ok);
    EXPECT_TRUE(read->outcome().failure.startsWith("read at 0x"))
        << read->outcome().failure.toStdString();
    EXPECT_FALSE(QFile::exists(host->home.file("dump.bin")));
    EXPECT_EQ(g_bDevExist, 0);

    frame->plug();
    ASSERT_TRUE(host->reopen());
    frame->unplugAfterRequests(0x0D, 3);
    auto erase = runTool(FlashToolThread::Operation::Erase, {});
    EXPECT_FALSE(erase->outcome().ok);
    EXPECT_FALSE(erase->workModeRestored());
}

TEST_F(FlashToolsTest, AFailedWriteStillReturnsTheFrameToWorkMode)
{
    const std::vector<uint8_t> flash = frame->readFlash(0, kFlash);
    frame->failFlashWrites(sim::FlashWriteFault::Refuse, 1);
    auto write = runTool(FlashToolThread::Operation::Write, {},
                         QByteArray(reinterpret_cast<const char*>(flash.data()), kFlash));
    EXPECT_FALSE(write->outcome().ok);
    EXPECT_TRUE(write->outcome().failure.startsWith("write at 0x00020 failed"))
        << write->outcome().failure.toStdString();
    EXPECT_TRUE(write->workModeRestored());
    EXPECT_EQ(frame->mode(), WorkMode);
}

class FlashTestTest : public FrameTest {
protected:
    FlashTestRun makeRun(bool skipLines)
    {
        options.dumpPrefix = host->home.file("ft_");
        // The columns a leveling found: the frame measures its exposure over them.
        options.endColumns = {frame->opticsTruth(Side::Master).endColumn,
                              frame->opticsTruth(Side::Slave).endColumn};
        options.firstWaitMs = 0;
        options.skipRanges = skipLines;
        options.skipLines = skipLines;
        return FlashTestRun(*device, options, state, stop,
                            [this](int code) { codes.push_back(code); });
    }

    FlashTestOptions options;
    FlashTestState state;
    std::atomic<int> stop{0};
    std::vector<int> codes;
};

TEST_F(FlashTestTest, AChangeInsideASkippedPartPassesAndOneOutsideIsFound)
{
    FlashTestRun test = makeRun(true);
    ASSERT_TRUE(test.takeReference());
    EXPECT_EQ(host->home.read("ft_0_Flash_Master.bin").size(), kFlash);
    EXPECT_EQ(host->home.read("ft_0_Flash_Slave.bin").size(), kFlash);
    // Byte 20 of the sensor sector lies in the skipped lines part (18..65).
    frame->writeFlash(0x11014, {0x5A});
    EXPECT_TRUE(test.cycle()) << "cycle 1 stores the optics (save mode) and passes";
    EXPECT_TRUE(test.cycle());
    EXPECT_EQ(codes, (std::vector<int>{3, 3}));
    EXPECT_EQ(host->home.read("ft_2_Flash_Slave.bin").size(), kFlash);

    frame->writeFlash(0x11010, {0x5A});
    EXPECT_FALSE(test.cycle());
    EXPECT_EQ(codes.back(), FlashTestRun::kMasterDiffers);
    EXPECT_EQ(state.lastDifference, 0x11010u);
    EXPECT_EQ(state.runCounter, 3);
}

TEST_F(FlashTestTest, WithoutSkippingEveryByteCountsAndLostFramesEndTheTest)
{
    FlashTestRun test = makeRun(false);
    ASSERT_TRUE(test.takeReference());
    frame->writeFlash(0x11014, {0x5A});
    EXPECT_FALSE(test.cycle());
    EXPECT_EQ(codes.back(), FlashTestRun::kMasterDiffers);
    EXPECT_EQ(state.lastDifference, 0x11014u);

    codes.clear();
    frame->unplug();
    FlashTestRun lost = makeRun(false);
    lost.run();
    EXPECT_EQ(codes, std::vector<int>{FlashTestRun::kReferenceFailed});
}

TEST_F(FlashTestTest, TheRunEndsAfterItsCyclesOrWhenTheFrameGoes)
{
    options.maxCycles = 2;
    options.cycleWaitMs = 0;
    makeRun(false).run();
    EXPECT_EQ(codes, (std::vector<int>{3, 3})) << "two clean cycles end silently";

    codes.clear();
    options.maxCycles = 0;
    FlashTestRun test = makeRun(false);
    ASSERT_TRUE(test.takeReference());
    frame->unplugAfterRequests(0x11, 1);
    EXPECT_FALSE(test.cycle());
    EXPECT_EQ(codes, (std::vector<int>{3, FlashTestRun::kCycleFailed}));
}

} // namespace
