// The record's bytes, its place in the sensor information block, and storing it.
#include "calibration/RecordStore.h"
#include "CalibrationTestSupport.h"
#include "calibration/CalibrationRecord.h"
#include "calibration/Solver16.h"
#include "device/ByteOrder.h"
#include "device/FlashMap.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using caltest::FrameHost;

CalibrationRecord sampleRecord()
{
    CalibrationRecord r;
    r.LCam = {{-660, -601}, 3, 716};
    r.RCam = {{31416, -556}, -2, -409};
    for (int n = 0; n < 10; ++n)
        for (int c = 0; c < 8; ++c)
            r.X[size_t(n)][size_t(c)] = (n + 1) * 1000 + c - (c == 5 ? 100000 : 0);
    for (int k = 0; k < 16; ++k)
        r.EvalPt[size_t(k)] = {int16_t(100 * k - 30), int16_t(-k)};
    r.r_fix = 1034;
    return r;
}

TEST(CalibrationRecordBytes, FieldsLieAtTheirOffsetsLittleEndian)
{
    const CalibrationRecord r = sampleRecord();
    const CalibrationRecord::Bytes b = r.encode();
    ASSERT_EQ(b.size(), 412u);
    EXPECT_EQ(le::i16(&b[0]), -660);
    EXPECT_EQ(le::i16(&b[2]), -601);
    EXPECT_EQ(int32_t(le::u32(&b[4])), 3);
    EXPECT_EQ(int32_t(le::u32(&b[8])), 716);
    EXPECT_EQ(le::i16(&b[12]), 31416);
    EXPECT_EQ(int32_t(le::u32(&b[16])), -2);
    EXPECT_EQ(int32_t(le::u32(&b[20])), -409);
    EXPECT_EQ(int32_t(le::u32(&b[24])), 1000);                   // X[0][0]
    EXPECT_EQ(int32_t(le::u32(&b[24 + 4 * 5])), 1005 - 100000);  // X[0][5]
    EXPECT_EQ(int32_t(le::u32(&b[24 + 32 * 9 + 4 * 7])), 10007); // X[9][7]
    EXPECT_EQ(le::i16(&b[344]), -30);                            // EvalPt[0].x
    EXPECT_EQ(le::i16(&b[344 + 4 * 15 + 2]), -15);               // EvalPt[15].y
    EXPECT_EQ(int32_t(le::u32(&b[408])), 1034);
    EXPECT_EQ(b[0], 0x6C); // -660 = 0xFD6C, low byte first
    EXPECT_EQ(b[1], 0xFD);
    EXPECT_EQ(CalibrationRecord::decode(b.data()), r);
}

TEST(CalibrationRecordBytes, TheBlockKeepsEveryByteOutsideTheCalibrationsOwn)
{
    SensorBlock block{};
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = uint8_t(i * 7 + 3);
    const SensorBlock before = block;
    putCalibration(block, sampleRecord(), 1920, 1080, angle_table::kTableA);
    EXPECT_TRUE(hasSensorInfoFlag(block));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data()), 4), "FIWF");
    EXPECT_TRUE(std::equal(block.begin() + 4, block.begin() + 136, before.begin() + 4));
    EXPECT_EQ(recordOf(block), sampleRecord());
    EXPECT_EQ(widthOf(block), 1920);
    EXPECT_EQ(heightOf(block), 1080);
    EXPECT_TRUE(std::equal(block.begin() + 552, block.begin() + 1352, before.begin() + 552));
    for (size_t k = 0; k < 97; ++k)
        EXPECT_EQ(le::u16(block.data() + 1352 + 2 * k), angle_table::kTableA[k]);
}

struct FlashRequest {
    uint8_t command;
    uint32_t address;
    uint8_t length; // bytes, or sectors for an erase
    std::vector<uint8_t> data;
};

std::vector<FlashRequest> flashRequests(const sim::VirtualFrame& frame)
{
    std::vector<FlashRequest> out;
    for (const auto& r : frame.requestLog()) {
        const uint8_t c = r[1];
        if (c != cmd::kFlashRead && c != cmd::kFlashWrite && c != cmd::kFlashErase)
            continue;
        FlashRequest f{c, le::u24(&r[2]), r[5], {}};
        if (c == cmd::kFlashWrite)
            f.data.assign(r.begin() + 6, r.begin() + 6 + r[5]);
        out.push_back(f);
    }
    return out;
}

TEST(StoreRecord, ReadsErasesWritesFlagLastAndReadsBack)
{
    FrameHost host;
    const std::vector<uint8_t> optics = host.frame->readFlash(flash_map::kSensorBlock + 4, 132);
    host.frame->clearRequestLog();
    std::vector<int> progress;
    SolveControl control;
    control.progress = [&](int p) { progress.push_back(p); };
    const StoreOutcome out =
        StoreRecord(host.device, sampleRecord(), 1920, 1080, angle_table::kTableB, control);
    ASSERT_EQ(out.status, SolveStatus::Done) << out.error.toStdString();
    EXPECT_EQ(progress, (std::vector<int>{70, 90}));

    const std::vector<FlashRequest> r = flashRequests(*host.frame);
    size_t i = 0;
    for (; i < r.size() && r[i].command == cmd::kFlashRead; ++i)
        EXPECT_EQ(r[i].address, flash_map::kSensorBlock + 60 * i);
    ASSERT_EQ(i, 26u); // 1546 bytes in pieces of 60
    ASSERT_LT(i, r.size());
    EXPECT_EQ(r[i].command, cmd::kFlashErase);
    EXPECT_EQ(r[i].address, flash_map::kSensorBlock);
    EXPECT_EQ(r[i].length, 2);
    ++i;
    for (uint32_t p = 0; p < 48; ++p, ++i) {
        ASSERT_LT(i, r.size());
        EXPECT_EQ(r[i].command, cmd::kFlashWrite);
        EXPECT_EQ(r[i].address, flash_map::kSensorBlock + 32 * p);
        EXPECT_EQ(r[i].length, 32);
    }
    EXPECT_EQ(std::vector<uint8_t>(r[27].data.begin(), r[27].data.begin() + 4),
              std::vector<uint8_t>(4, 0xFF)); // the flag held back
    ASSERT_LT(i + 1, r.size());
    EXPECT_EQ(r[i].address, 0x011600u);
    EXPECT_EQ(r[i].length, 32);
    EXPECT_TRUE(
        std::all_of(r[i].data.begin() + 10, r[i].data.end(), [](uint8_t b) { return b == 0; }));
    ++i;
    EXPECT_EQ(r[i].address, flash_map::kSensorBlock);
    EXPECT_EQ(r[i].length, 4);
    EXPECT_EQ(std::string(r[i].data.begin(), r[i].data.end()), "FIWF");
    ++i;
    EXPECT_EQ(r.size() - i, 52u); // the read-back and the final read
    for (; i < r.size(); ++i)
        EXPECT_EQ(r[i].command, cmd::kFlashRead);

    const std::vector<uint8_t> stored = host.frame->readFlash(flash_map::kSensorBlock, 1546);
    EXPECT_EQ(CalibrationRecord::decode(stored.data() + 136), sampleRecord());
    EXPECT_EQ(le::u16(stored.data() + 548), 1920);
    EXPECT_EQ(le::u16(stored.data() + 550), 1080);
    EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 4, stored.begin() + 136), optics);
    EXPECT_TRUE(std::equal(out.stored.begin(), out.stored.end(), stored.begin()));
}

TEST(StoreRecord, AReadBackThatDiffersIsAFailedStore)
{
    FrameHost host;
    host.frame->failFlashWrites(sim::FlashWriteFault::Corrupt, 1);
    const StoreOutcome out =
        StoreRecord(host.device, sampleRecord(), 1920, 1080, angle_table::kTableB);
    EXPECT_EQ(out.status, SolveStatus::Failed);
    EXPECT_TRUE(out.error.contains(QStringLiteral("writing"))) << out.error.toStdString();
}

TEST(StoreRecord, EachFailingStepFailsTheStore)
{
    for (uint8_t code : {cmd::kFlashRead, cmd::kFlashErase, cmd::kFlashWrite}) {
        FrameHost host;
        host.frame->refuseCommand(code);
        const StoreOutcome out =
            StoreRecord(host.device, sampleRecord(), 1920, 1080, angle_table::kTableB);
        EXPECT_EQ(out.status, SolveStatus::Failed) << int(code);
        EXPECT_FALSE(out.error.isEmpty());
    }
}

TEST(StoreRecord, AStopRequestEndsItBeforeTheFlashChanges)
{
    FrameHost host;
    const std::vector<uint8_t> before = host.frame->readFlash(flash_map::kSensorBlock, 1546);
    SolveControl control;
    int asked = 0;
    control.stopRequested = [&] { return ++asked > 1; }; // after the block was read
    EXPECT_EQ(
        StoreRecord(host.device, sampleRecord(), 1920, 1080, angle_table::kTableB, control).status,
        SolveStatus::Stopped);
    EXPECT_EQ(host.frame->readFlash(flash_map::kSensorBlock, 1546), before);
}

TEST(SolveFast, ReplacesOnlyTheWholeScreenMap)
{
    FrameHost host;
    const SolveInputs in = caltest::inputsFromScene(sim::TouchScene::standard(1920, 1080));
    const Solve16Result full = Solve16(in);
    ASSERT_EQ(full.status, SolveStatus::Done);
    ASSERT_EQ(StoreRecord(host.device, full.record, 1920, 1080, *in.table).status,
              SolveStatus::Done);

    FastInputs fast;
    fast.width = 1920;
    fast.height = 1080;
    fast.table = in.table;
    const int k[4] = {0, 3, 12, 15};
    for (int j = 0; j < 4; ++j) {
        fast.left[size_t(j)] = in.left[size_t(k[j])];
        // The right reading of corner j lies mirrored within its row, like PR.
        fast.right[size_t(calibration_targets::mirroredFast(j))] =
            in.right[size_t(calibration_targets::mirroredFull(k[j]))];
    }
    const FastResult r = SolveFast(host.device, fast);
    ASSERT_EQ(r.status, SolveStatus::Done) << r.error.toStdString();
    EXPECT_EQ(r.record.EvalPt, full.record.EvalPt);
    for (size_t n = 0; n < 9; ++n)
        EXPECT_EQ(r.record.X[n], full.record.X[n]);
    EXPECT_EQ(r.record.LCam, full.record.LCam);
    EXPECT_EQ(r.record.r_fix, full.record.r_fix);
    EXPECT_NE(r.record.X[9], CalibrationRecord::Map{});
    EXPECT_NEAR(r.record.X[9][0], 1 << 20, 1 << 14); // near the identity
}

TEST(SolveFast, RefusesAFrameWithoutASixteenPointRecord)
{
    FrameHost blank(std::make_shared<sim::VirtualFrame>(sim::VirtualFrame::Contents::Blank));
    FastInputs in;
    in.width = 1920;
    in.height = 1080;
    FastResult r = SolveFast(blank.device, in);
    EXPECT_EQ(r.status, SolveStatus::Failed);
    EXPECT_TRUE(r.error.contains(QStringLiteral("FIWF")));

    FrameHost factory; // leveled, but never calibrated: r_fix 0
    r = SolveFast(factory.device, in);
    EXPECT_EQ(r.status, SolveStatus::Failed);
    EXPECT_TRUE(r.error.contains(QStringLiteral("r_fix = 0"))) << r.error.toStdString();
}

} // namespace
