// The pure parts of the searches: edge samples, the quality check, the stored block.
#include "ImagingTestSupport.h"

#include "device/ByteOrder.h"
#include "imaging/EdgeAnalysis.h"
#include "imaging/QualityCheck.h"
#include "imaging/StoredOptics.h"

namespace {

using namespace imagingtest;
using namespace edge_analysis;

EdgeSample sampleWith(const std::array<int, 8>& lineLevels)
{
    EdgeSample s{};
    for (size_t line = 0; line < 8; ++line)
        std::fill_n(s.begin() + 100 * line, 100, static_cast<uint8_t>(lineLevels[line]));
    return s;
}

TEST(EdgeAnalysis, BrightestLineTiesGoToTheLowerLine)
{
    EXPECT_EQ(brightestLine(sampleWith({10, 10, 90, 10, 10, 90, 10, 10})), 2u);
    EdgeSample s = sampleWith({10, 10, 90, 10, 10, 90, 10, 10});
    s[5 * 100 + 99] = 91;
    EXPECT_EQ(brightestLine(s), 5u) << "one grey level more wins";
    EXPECT_EQ(brightestLine(sampleWith({0, 0, 0, 0, 0, 0, 0, 0})), 0u);
    EXPECT_EQ(brightestLine(sampleWith({0, 0, 0, 0, 0, 0, 0, 1})), 7u);
}

TEST(EdgeAnalysis, DifferenceMethodFindsTheFirstColumnBelow37)
{
    EdgeLine lit{};
    EdgeLine dark{};
    lit.fill(200);
    dark.fill(20);
    EXPECT_FALSE(firstDarkColumn(lit, dark)) << "bright to the very edge";
    lit[60] = 56; // 56 - 20 = 36
    EXPECT_EQ(firstDarkColumn(lit, dark), 60u);
    lit[40] = 57; // exactly 37 is still bright
    EXPECT_EQ(firstDarkColumn(lit, dark), 60u);
    // The lit line darker than the reference: a negative difference is below 37.
    lit[0] = 10;
    EXPECT_EQ(firstDarkColumn(lit, dark), 0u);
    EXPECT_EQ(kFirstColumn + *firstDarkColumn(lit, dark), 540);
}

TEST(EdgeAnalysis, ProjectionSumsTheEightLines)
{
    EdgeSample s = sampleWith({20, 20, 20, 20, 20, 20, 20, 20});
    for (size_t line = 0; line < 8; ++line)
        s[100 * line + 70] = 221; // 8 * 221 = 1768
    const Projection p = projection(s);
    EXPECT_EQ(p[0], 160);
    EXPECT_EQ(p[70], 1768);
    EXPECT_EQ(firstColumnAbove(p, kProjectionThreshold), 70u);
    s[100 * 7 + 70] = 213; // 1760 is not above 1760
    EXPECT_FALSE(firstColumnAbove(projection(s), kProjectionThreshold));
    EXPECT_EQ(firstColumnAbove(projection(s), kPenThreshold), 70u);
}

// --- Quality check ------------------------------------------------------------------

class QualityCheckTest : public ImagingTest {};

quality_check::ColumnProfile brightProfile()
{
    quality_check::ColumnProfile p{};
    p.fill(500);
    return p;
}

TEST_F(QualityCheckTest, NineDarkColumnsPassTenFail)
{
    auto p = brightProfile();
    std::fill_n(p.begin() + 300, 9, 383);
    EXPECT_TRUE(quality_check::passesDarkRunCheck(p, 598));
    p[309] = 100;
    EXPECT_FALSE(quality_check::passesDarkRunCheck(p, 598));
    p = brightProfile();
    std::fill_n(p.begin() + 300, 10, 384); // 384 is not dark
    EXPECT_TRUE(quality_check::passesDarkRunCheck(p, 598));
}

TEST_F(QualityCheckTest, DarkRunAtTheEndOfTheRangeFailsTheSameWay)
{
    auto p = brightProfile();
    std::fill_n(p.begin() + 588, 10, 0); // columns 588..597, the last ten before 598
    EXPECT_FALSE(quality_check::passesDarkRunCheck(p, 598));
    EXPECT_TRUE(quality_check::passesDarkRunCheck(p, 597)) << "only nine of them in range";
    p = brightProfile();
    std::fill_n(p.begin(), 100, 0); // before column 100 nothing counts
    std::fill_n(p.begin() + 100, 9, 0);
    EXPECT_TRUE(quality_check::passesDarkRunCheck(p, 598));
    EXPECT_TRUE(quality_check::passesDarkRunCheck(brightProfile(), 100)) << "empty range";
}

TEST_F(QualityCheckTest, LogsTheProfileAndEveryDarkColumn)
{
    auto p = brightProfile();
    p[150] = 7;
    p[151] = 8;
    EXPECT_TRUE(quality_check::passesDarkRunCheck(p, 598));
    const QByteArray log = logText();
    EXPECT_TRUE(log.contains("count = 1; i = 150; value = 7\n"));
    EXPECT_TRUE(log.contains("count = 2; i = 151; value = 8\n"));
    // 20 rows of 32 values, each "%d ", then an empty line.
    QByteArray row;
    for (int i = 0; i < 32; ++i)
        row += "500 ";
    EXPECT_EQ(log.count(row + "\n"), 19);
    EXPECT_TRUE(log.contains("500 7 8 500 "));
}

TEST(QualityProfile, SumsTheThreeRowsOfEachSegment)
{
    std::array<uint8_t, frame_geometry::kBufferSize> f{};
    for (size_t r = 0; r < 11; ++r)
        for (size_t c = 0; c < 640; ++c)
            f[r * 640 + c] = static_cast<uint8_t>(r * 10 + (c % 7));
    OptimumLineTable t{};
    t[0] = {2, 0, 80};
    t[1] = {5, 80, 80};   // covers nothing
    t[2] = {9, 80, 160};  // rows 9..11 leave the frame: skipped
    t[3] = {1, 600, 700}; // columns beyond 639 are cut
    const auto p = quality_check::columnProfile(f.data(), t);
    EXPECT_EQ(p[0], 20 + 30 + 40);
    EXPECT_EQ(p[79], 20 + 30 + 40 + 3 * (79 % 7));
    EXPECT_EQ(p[80], 0);
    EXPECT_EQ(p[159], 0);
    EXPECT_EQ(p[639], 10 + 20 + 30 + 3 * (639 % 7));
}

// --- Stored values -----------------------------------------------------------------

SensorBlock storedBlock()
{
    SensorBlock b{};
    le::put32(b.data(), flash_map::SENSORInfoFlag);
    le::put16(b.data() + 4, 230);
    le::put16(b.data() + 6, 0x0350); // gain 3, time 0x50
    le::put16(b.data() + 8, 241);
    le::put16(b.data() + 10, 0x0461);
    le::put16(b.data() + 12, 7);
    le::put16(b.data() + 14, 590);
    le::put16(b.data() + 74, 9);
    le::put16(b.data() + 76, 603);
    for (size_t k = 0; k < 8; ++k) {
        le::put16(b.data() + 26 + 6 * k, static_cast<uint16_t>(k + 1));
        le::put16(b.data() + 28 + 6 * k, static_cast<uint16_t>(80 * k));
        le::put16(b.data() + 30 + 6 * k, static_cast<uint16_t>(80 * k + 80));
        le::put16(b.data() + 88 + 6 * k, static_cast<uint16_t>(8 - k));
        le::put16(b.data() + 90 + 6 * k, static_cast<uint16_t>(80 * k));
        le::put16(b.data() + 92 + 6 * k, static_cast<uint16_t>(80 * k + 80));
    }
    return b;
}

TEST(StoredOptics, LoadsEveryFieldFromItsOffset)
{
    resetImagingState();
    setDefaultOptics();
    loadStoredOptics(storedBlock(), {});
    const OpticalValues m = opticalParams(Side::Master).values();
    const OpticalValues s = opticalParams(Side::Slave).values();
    EXPECT_EQ(g_StartLineM, 230u);
    EXPECT_EQ(g_StartLineS, 241u);
    EXPECT_EQ(m.exposureGain, 3);
    EXPECT_EQ(m.exposureTime, 0x50);
    EXPECT_EQ(s.exposureGain, 4);
    EXPECT_EQ(s.exposureTime, 0x61);
    EXPECT_EQ(m.startColumn, 7u);
    EXPECT_EQ(m.endColumn, 590u);
    EXPECT_EQ(s.startColumn, 9u);
    EXPECT_EQ(s.endColumn, 603u);
    EXPECT_EQ(m.optimumLines[7], (OptimumLineSegment{8, 560, 640}));
    EXPECT_EQ(s.optimumLines[0], (OptimumLineSegment{8, 0, 80}));
}

TEST(StoredOptics, TablesAbsentWhenTheFirstSegmentStartsBeyond255)
{
    resetImagingState();
    SensorBlock b = storedBlock();
    le::put16(b.data() + 28, 255);
    EXPECT_FALSE(storedTablesAbsent(b));
    le::put16(b.data() + 28, 256);
    EXPECT_TRUE(storedTablesAbsent(b));

    opticalParams(Side::Master).setOptimumLines(decodeOptimumLines(storedBlock().data() + 26));
    SensorBlock erased{};
    erased.fill(0xFF);
    setDefaultOptics();
    loadStoredOptics(erased, {});
    const OpticalValues m = opticalParams(Side::Master).values();
    EXPECT_EQ(m.startColumn, 0u);
    EXPECT_EQ(m.endColumn, 639u);
    EXPECT_EQ(m.optimumLines, OptimumLineTable{}) << "tables zeroed";
    EXPECT_EQ(opticalParams(Side::Slave).values().endColumn, 639u);
    EXPECT_EQ(g_StartLineM, 0xFFFFu) << "start lines are taken as stored";
    EXPECT_EQ(m.exposureTime, 0xFF);

    // The engineering preview takes the tables as they are.
    setDefaultOptics();
    loadStoredOptics(erased, {.loadExposure = true, .checkTables = false});
    EXPECT_EQ(opticalParams(Side::Master).values().endColumn, 0xFFFFu);
    EXPECT_EQ(opticalParams(Side::Master).optimumLines()[0].line, 0xFFFF);
}

TEST(StoredOptics, ExposureStaysWhenNotLoaded)
{
    resetImagingState();
    opticalParams(Side::Master).exposureTime = 0x12;
    loadStoredOptics(storedBlock(), {.loadExposure = false, .checkTables = true});
    EXPECT_EQ(opticalParams(Side::Master).exposureTime, 0x12);
    EXPECT_EQ(opticalParams(Side::Master).exposureGain, OpticalParams::kUnset);
}

TEST(OptimumLines, EncodeAndDecodeAreLittleEndianTriples)
{
    OptimumLineTable t{};
    t[0] = {0x0102, 0x0304, 0x0506};
    std::array<uint8_t, 48> bytes{};
    encodeOptimumLines(t, bytes.data());
    EXPECT_EQ(bytes[0], 0x02);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(bytes[4], 0x06);
    EXPECT_EQ(decodeOptimumLines(bytes.data()), t);
}

} // namespace
