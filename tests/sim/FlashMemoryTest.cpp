#include "sim/FlashMemory.h"
#include "SimTestSupport.h"
#include "sim/FlashImages.h"

#include "tests/support/TempDir.h"

#include <QFile>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using sim::FlashMemory;
using sim::VirtualFrame;

std::vector<uint8_t> pattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 13);
    return bytes;
}

TEST(FlashMemoryTest, ProgrammingOnlyClearsBits)
{
    auto flash = FlashMemory::inMemory(std::vector<uint8_t>(FlashMemory::kSize, 0xFF));
    const uint8_t first[] = {0xF0, 0x0F, 0xAA};
    const uint8_t second[] = {0x3C, 0xFF, 0x55};
    ASSERT_TRUE(flash->program(0x100, first, 3));
    ASSERT_TRUE(flash->program(0x100, second, 3));
    EXPECT_EQ(flash->bytes()[0x100], 0x30);
    EXPECT_EQ(flash->bytes()[0x101], 0x0F);
    EXPECT_EQ(flash->bytes()[0x102], 0x00);
}

TEST(FlashMemoryTest, EraseSetsWholeSectorsAndLeavesTheNeighbours)
{
    auto flash = FlashMemory::inMemory(std::vector<uint8_t>(FlashMemory::kSize, 0x00));
    ASSERT_TRUE(flash->eraseSectors(2, 2));
    const uint8_t* b = flash->bytes();
    EXPECT_EQ(b[2 * 0x1000 - 1], 0x00);
    EXPECT_EQ(b[2 * 0x1000], 0xFF);
    EXPECT_EQ(b[4 * 0x1000 - 1], 0xFF);
    EXPECT_EQ(b[4 * 0x1000], 0x00);
}

TEST(FlashMemoryTest, RangesLeavingTheFlashChangeNothing)
{
    auto flash = FlashMemory::inMemory(std::vector<uint8_t>(FlashMemory::kSize, 0x00));
    const uint8_t data[2] = {0, 0};
    uint8_t out[2] = {1, 1};
    EXPECT_FALSE(flash->eraseSectors(31, 2));
    EXPECT_FALSE(flash->eraseSectors(32, 1));
    EXPECT_EQ(flash->bytes()[0x1FFFF], 0x00);
    EXPECT_FALSE(flash->program(0x1FFFF, data, 2));
    EXPECT_FALSE(flash->read(0x1FFFF, out, 2));
    EXPECT_FALSE(flash->read(0xFFFFFFFF, out, 2)); // no wrap-around of address + length
    EXPECT_EQ(out[0], 1);
    EXPECT_TRUE(flash->read(0x1FFFE, out, 2));
    EXPECT_TRUE(flash->eraseSectors(31, 1));
    EXPECT_EQ(flash->bytes()[0x1FFFF], 0xFF);
}

class FlashFileTest : public simtest::SimTest {
protected:
    std::string path() const { return dir.file("frame.flash").toStdString(); }
    ScratchDir dir;
};

TEST_F(FlashFileTest, MissingFileIsCreatedFactoryFresh)
{
    std::string error;
    auto frame = VirtualFrame::withFlashFile(path(), error);
    ASSERT_TRUE(frame) << error;
    EXPECT_TRUE(frame->isFlashFileBacked());
    const QByteArray bytes = dir.read("frame.flash");
    ASSERT_EQ(bytes.size(), 0x20000);
    const sim::FlashImage factory = sim::factoryFlashImage();
    EXPECT_TRUE(std::equal(factory.begin(), factory.end(),
                           reinterpret_cast<const uint8_t*>(bytes.constData())));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(FlashFileTest, WhatOneFrameWritesTheNextFrameOnTheFileReads)
{
    const std::vector<uint8_t> data = pattern(40, 5);
    std::string error;
    {
        auto shared = std::shared_ptr<VirtualFrame>(VirtualFrame::withFlashFile(path(), error));
        ASSERT_TRUE(shared) << error;
        simtest::HostOnFrame host(shared);
        ASSERT_TRUE(host.open());
        ASSERT_EQ(host.device.commands.flashErase(0x01F000, 1), 1);
        ASSERT_EQ(host.device.commands.flashWrite(0x01F010, data.data(), data.size()), 1);
    }
    auto second = VirtualFrame::withFlashFile(path(), error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(second->readFlash(0x01F010, data.size()), data);
    EXPECT_EQ(second->readFlash(0x01F000, 16), std::vector<uint8_t>(16, 0xFF));
}

TEST_F(FlashFileTest, TwoFramesOnOneFileShareTheirFlash)
{
    std::string error;
    auto a = VirtualFrame::withFlashFile(path(), error);
    auto b = VirtualFrame::withFlashFile(path(), error);
    ASSERT_TRUE(a && b) << error;
    simtest::RawLink link(*a);
    ASSERT_EQ(link.command(0x09, simtest::flashPayload(0x01E000, 2, {0x12, 0x34}))[2],
              simtest::kDone);
    EXPECT_EQ(b->readFlash(0x01E000, 2), (std::vector<uint8_t>{0x12, 0x34}));
}

TEST_F(FlashFileTest, WritesSurviveAKilledProcess)
{
    const std::vector<uint8_t> data = pattern(58, 77);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string error;
        auto frame = VirtualFrame::withFlashFile(path(), error);
        if (!frame)
            ::_exit(2);
        simtest::RawLink link(*frame);
        link.command(0x0D, simtest::flashPayload(0x01E000, 1));
        link.command(0x09, simtest::flashPayload(0x01E020, 58, data));
        ::raise(SIGKILL);
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child exit " << WEXITSTATUS(status);
    std::string error;
    auto frame = VirtualFrame::withFlashFile(path(), error);
    ASSERT_TRUE(frame) << error;
    EXPECT_EQ(frame->readFlash(0x01E020, data.size()), data);
}

// Two processes that find the file missing at the same moment both create it; the one
// that comes second must not replace the file the first is already erasing in.
TEST_F(FlashFileTest, ProcessesCreatingTheFileAtOnceKeepEachOthersErase)
{
    const std::vector<uint8_t> programmed(FlashMemory::kSize, 0x00);
    for (int round = 0; round < 20; ++round) {
        ::unlink(path().c_str());
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        pid_t children[2];
        for (int c = 0; c < 2; ++c) {
            children[c] = ::fork();
            ASSERT_GE(children[c], 0);
            if (children[c] == 0) {
                ::close(go[1]);
                char byte;
                if (::read(go[0], &byte, 1) != 0)
                    ::_exit(4);
                std::string error;
                auto flash = FlashMemory::mappedFile(path(), programmed, error);
                ::_exit(!flash ? 2 : c == 0 && !flash->eraseSectors(0, 1) ? 3 : 0);
            }
        }
        ::close(go[0]);
        ::close(go[1]); // both start now
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        }
        const QByteArray bytes = dir.read("frame.flash");
        ASSERT_EQ(bytes.size(), 0x20000);
        ASSERT_EQ(bytes.left(0x1000), QByteArray(0x1000, '\xFF')) << "round " << round;
        ASSERT_EQ(bytes.at(0x1000), 0x00);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "temporary files left";
    }
}

TEST_F(FlashFileTest, FileOfTheWrongSizeIsRefusedAndLeftAlone)
{
    dir.write("frame.flash", QByteArray(1000, 'x'));
    std::string error;
    auto frame = VirtualFrame::withFlashFile(path(), error);
    EXPECT_FALSE(frame);
    EXPECT_NE(error.find("1000 bytes"), std::string::npos) << error;
    EXPECT_NE(error.find("131072"), std::string::npos) << error;
    EXPECT_EQ(dir.read("frame.flash").size(), 1000);
}

TEST_F(FlashFileTest, EmptyFileIsRefusedToo)
{
    dir.write("frame.flash", QByteArray());
    std::string error;
    EXPECT_FALSE(VirtualFrame::withFlashFile(path(), error));
    EXPECT_NE(error.find("0 bytes"), std::string::npos) << error;
}

TEST_F(FlashFileTest, UnusablePlacesGiveAMessage)
{
    std::string error;
    EXPECT_FALSE(
        VirtualFrame::withFlashFile(dir.file("missing/dir/frame.flash").toStdString(), error));
    EXPECT_NE(error.find("missing/dir"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(VirtualFrame::withFlashFile(dir.path().toStdString(), error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(VirtualFrame::withFlashFile("", error));
    EXPECT_FALSE(error.empty());
}

} // namespace
