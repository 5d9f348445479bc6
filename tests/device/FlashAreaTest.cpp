// Ranges of flash as the flash tools handle them: chunked reads, written pieces checked
// by reading back, erases sector by sector, and progress that can end each of them.
#include "device/FlashArea.h"

#include "tests/support/FrameHarness.h"

#include <gtest/gtest.h>

namespace {

class FlashAreaTest : public FrameTest {
protected:
    int requests(uint8_t code) const
    {
        int n = 0;
        for (const auto& r : frame->requestLog())
            n += (r[1] & 0x3F) == code;
        return n;
    }
};

TEST_F(FlashAreaTest, WritesAreCheckedAndAFailureNamesItsAddress)
{
    using Step = flash_area::Failure::Step;
    std::vector<uint8_t> data(100);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    ASSERT_FALSE(flash_area::eraseSectors(*device, 0x1D000, 2));
    frame->clearRequestLog();
    ASSERT_FALSE(flash_area::writeVerified(*device, 0x1D010, data.data(), 100));
    EXPECT_EQ(requests(0x09), 4) << "100 bytes go in 32-byte pieces";
    EXPECT_EQ(frame->readFlash(0x1D010, 100), data);

    // Over what is there, a bit that would have to be set stays clear: the read-back
    // names the first differing byte.
    data[40] = 0xFF;
    const flash_area::Failure f = flash_area::writeVerified(*device, 0x1D010, data.data(), 100);
    EXPECT_EQ(f.step, Step::Differs);
    EXPECT_EQ(f.address, 0x1D010u + 40);
    EXPECT_EQ(f.wrote, 0xFF);
    EXPECT_EQ(f.read, 40);

    frame->refuseCommand(0x0D, 1);
    EXPECT_EQ(flash_area::eraseSectors(*device, 0x1D000, 2).step, Step::Erase);
}

TEST_F(FlashAreaTest, ReadsInSectorsAndProgressCanEndAnyOperation)
{
    using Step = flash_area::Failure::Step;
    std::vector<uint32_t> seen;
    std::vector<uint8_t> out;
    ASSERT_FALSE(flash_area::read(*device, 0x10000, 5000, out, [&](uint32_t done) {
        seen.push_back(done);
        return true;
    }));
    EXPECT_EQ(seen, (std::vector<uint32_t>{4096, 5000}));
    EXPECT_EQ(out, frame->readFlash(0x10000, 5000));

    const auto stopAtOnce = [](uint32_t) { return false; };
    EXPECT_EQ(flash_area::read(*device, 0x10000, 5000, out, stopAtOnce).step, Step::Stopped);
    frame->clearRequestLog();
    EXPECT_EQ(flash_area::eraseSectors(*device, 0x1C000, 3, stopAtOnce).step, Step::Stopped);
    EXPECT_EQ(requests(0x0D), 1) << "nothing after the step that was stopped";
    frame->refuseCommand(0x0A);
    EXPECT_EQ(flash_area::read(*device, 0x10000, 16, out).step, Step::Read);
}

} // namespace
