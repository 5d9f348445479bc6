// What the image-adjusting window builds on: its column curves, its samples and the
// record it writes back when it is left.
#include "ImagingTestSupport.h"

#include "imaging/ColumnCurves.h"
#include "imaging/SampleStore.h"

#include <QDir>

namespace {

using namespace imagingtest;

TEST(ColumnCurves, TwoRowsAveragedInsideTheRangeTheBrighterOneNearItsEnds)
{
    FrameCopy frame{};
    for (size_t col = 0; col < 640; ++col) {
        frame[2 * 640 + col] = 100; // row 2
        frame[3 * 640 + col] = 51;  // row 3
    }
    OptimumLineTable table{};
    table[0] = {2, 300, 320};  // the first segment is taken from column 0
    table[7] = {2, 600, 610};  // the last one up to column 639
    table[3] = {10, 400, 500}; // its second row would leave the frame
    const ColumnCurves::Curve c = ColumnCurves::actualCurve(frame.data(), table, 20, 560);
    EXPECT_EQ(c[0], 100);
    EXPECT_EQ(c[120], 100) << "exactly 100 columns inside the start: the larger";
    EXPECT_EQ(c[121], 75) << "mean rounded down";
    EXPECT_EQ(c[319], 75);
    EXPECT_EQ(c[320], 0) << "covered by no segment";
    EXPECT_EQ(c[450], 0);
    EXPECT_EQ(c[600], 100);
    EXPECT_EQ(c[639], 100);

    ColumnCurves::Curve background{};
    background[0] = 130;
    background[121] = 70;
    const ColumnCurves::Curve d = ColumnCurves::difference(c, background);
    EXPECT_EQ(d[0], 0) << "never below 0";
    EXPECT_EQ(d[121], 5);
}

TEST(SampleStore, FirstSampleOfTheRunStartsTheFolderAfresh)
{
    ScratchDir dir; // the data folder
    qputenv("VIRETO_HOME", dir.path().toLocal8Bit());
    dir.write("SampleData/old/L.bin", "stale");
    sample_store::g_SampleCount = 0;
    FrameCopy left{};
    FrameCopy right{};
    left[0] = 7;
    right[7039] = 9;
    auto picture = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("png") == 3;
    };
    EXPECT_TRUE(sample_store::saveSample(picture, left.data(), right.data()));
    EXPECT_TRUE(sample_store::saveSample(picture, left.data(), right.data()));
    EXPECT_FALSE(QFile::exists(dir.file("SampleData/old")));
    EXPECT_EQ(dir.read("SampleData/000/000.png"), "png");
    EXPECT_EQ(dir.read("SampleData/001/L001.bin").size(), 7040);
    EXPECT_EQ(dir.read("SampleData/001/L001.bin")[0], 7);
    EXPECT_EQ(dir.read("SampleData/001/R001.bin")[7039], 9);
    EXPECT_EQ(sample_store::g_SampleCount, 2);
    qunsetenv("VIRETO_HOME");
}

} // namespace
