// The shortcut-key layout and code files, the schematic, the target list, the
// rectangles of a group, the key choice and the key area of the block.
#include "calibration/KeyLayout.h"
#include "app/SettingsFile.h"
#include "calibration/KeyChoice.h"
#include "calibration/KeyRectangles.h"
#include "device/ByteOrder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using namespace shortcut_keys;
using key_rectangles::Corner;

class KeyFiles : public ::testing::Test {
protected:
    SettingsFile ini(const QByteArray& text)
    {
        dir.write("Vireto.ini", text);
        return SettingsFile(dir.file("Vireto.ini"));
    }
    SettingsFile keyFile(const QByteArray& text)
    {
        dir.write("Vireto_Key.ini", text);
        return SettingsFile(dir.file("Vireto_Key.ini"));
    }
    ScratchDir dir;
};

TEST_F(KeyFiles, NoGroupsMeansNoKeysAndNoTargets)
{
    const KeyLayout layout = readKeyLayout(ini("[Other]\nx=1\n"));
    EXPECT_FALSE(layout.hasKeys());
    EXPECT_TRUE(problemOf(layout).isEmpty());
    EXPECT_TRUE(targetListOf(layout, schematicOf(layout, 1920, 1080)).empty());
}

TEST_F(KeyFiles, OneGroupIgnoresTheSecondAndThirdGroupCounts)
{
    const KeyLayout layout =
        readKeyLayout(ini("[Left_Key]\nGroupCnt=1\nGroup1_Num=4\nGroup2_Num=7\nGroup3_Num=9\n"
                          "[Bottom_Key]\nGroupCnt=2\nGroup1_Num=1\nGroup2_Num=1\nGroup3_Num=5\n"));
    EXPECT_EQ(layout.of(kLeftSide).groupNum[1], 0);
    EXPECT_EQ(layout.of(kLeftSide).groupNum[2], 0);
    EXPECT_EQ(layout.of(kLeftSide).keyCount(), 4);
    // Two groups: a third group's count is read but belongs to no group.
    EXPECT_EQ(layout.of(kBottomSide).groupNum[2], 5);
    EXPECT_EQ(layout.of(kBottomSide).keyCount(), 2);
    EXPECT_TRUE(problemOf(layout).isEmpty());
}

TEST_F(KeyFiles, LayoutsTheBlockCannotHoldAreRefusedWithTheirCause)
{
    QString why =
        problemOf(readKeyLayout(ini("[Left_Key]\nGroupCnt=2\nGroup1_Num=12\nGroup2_Num=11\n")));
    EXPECT_TRUE(why.contains("Left_Key has 23 keys")) << why.toStdString();
    EXPECT_TRUE(why.contains("at most 22")) << why.toStdString();
    EXPECT_TRUE(
        problemOf(readKeyLayout(ini("[Right_Key]\nGroupCnt=1\nGroup1_Num=22\n"))).isEmpty());
    why = problemOf(readKeyLayout(ini("[Top_Key]\nGroupCnt=1\nGroup1_Num=3\n")));
    EXPECT_TRUE(why.contains("Top_Key has 3 keys")) << why.toStdString();
    why = problemOf(readKeyLayout(ini("[Bottom_Key]\nGroupCnt=4\nGroup1_Num=1\n")));
    EXPECT_TRUE(why.contains("Bottom_Key/GroupCnt is 4")) << why.toStdString();
    why = problemOf(readKeyLayout(ini("[Right_Key]\nGroupCnt=2\nGroup1_Num=2\nGroup2_Num=0\n")));
    EXPECT_TRUE(why.contains("Right_Key/Group2_Num is 0")) << why.toStdString();
    // A sum that wraps round in 32 bits is still far too many keys.
    const KeyLayout wrapping = readKeyLayout(ini(
        "[Left_Key]\nGroupCnt=3\nGroup1_Num=2147483647\nGroup2_Num=2147483647\nGroup3_Num=3\n"));
    why = problemOf(wrapping);
    EXPECT_TRUE(why.contains("Left_Key has 4294967297 keys")) << why.toStdString();
    EXPECT_GT(wrapping.of(kLeftSide).keyCount(), 22);
}

TEST_F(KeyFiles, KeyCodesAreHexadecimalSixteenBitValues)
{
    const KeyCodes codes = readKeyCodes(keyFile("[Key_Value]\nKeyCnt=3\nKey_1=1A04\nKey_3=7\n"));
    ASSERT_TRUE(codes.error.isEmpty());
    ASSERT_EQ(codes.codes.size(), 3u);
    EXPECT_EQ(codes.codes[0], 0x1A04);
    EXPECT_EQ(codes.codes[1], 0x0255); // missing: the default text "255" read as hexadecimal
    EXPECT_EQ(codes.codes[2], 0x0007);
    EXPECT_EQ(codes.table(), (std::vector<uint8_t>{3, 0, 0x1A, 0x04, 0x02, 0x55, 0x00, 0x07}));
    EXPECT_EQ(readKeyCodes(keyFile("[Other]\n")).table(), (std::vector<uint8_t>{0, 0}));
}

TEST_F(KeyFiles, CodesTheTableCannotHoldAreRefused)
{
    KeyCodes codes = readKeyCodes(keyFile("[Key_Value]\nKeyCnt=2\nKey_1=12345\n"));
    EXPECT_TRUE(codes.error.contains("Key_1 = 12345")) << codes.error.toStdString();
    EXPECT_TRUE(codes.codes.empty());
    codes = readKeyCodes(keyFile("[Key_Value]\nKeyCnt=300\n"));
    EXPECT_TRUE(codes.error.contains("KeyCnt is 300")) << codes.error.toStdString();
    codes = readKeyCodes(keyFile("[Key_Value]\nKeyCnt=-1\n"));
    EXPECT_FALSE(codes.error.isEmpty());
}

TEST(KeySchematic, GeometryOfEachSide)
{
    KeyLayout layout;
    layout.of(kLeftSide) = {2, {3, 2, 0}};
    layout.of(kRightSide) = {1, {9, 0, 0}};
    layout.of(kBottomSide) = {1, {2, 0, 0}};
    layout.of(kTopSide) = {1, {1, 0, 0}};
    const Schematic s = schematicOf(layout, 1000, 800);
    EXPECT_EQ(s.frame, (KeyRect{250, 200, 750, 600}));
    // Left, five keys (< 8): u = ((800/2)/8)/3 = 16; 64 x 32; 20 px left of the frame.
    ASSERT_EQ(s.keys[kLeftSide].size(), 5u);
    EXPECT_EQ(s.keys[kLeftSide][0], (KeyRect{250 - 64 - 20, 200, 250 - 20, 232}));
    EXPECT_EQ(s.keys[kLeftSide][2].top, 200 + 2 * 48);
    EXPECT_EQ(s.keys[kLeftSide][3].top, 200 + 3 * 48 + 16); // group 2: plus u
    // Right, nine keys: u = ((400)/9)/3 = 14.
    EXPECT_EQ(s.keys[kRightSide][0], (KeyRect{770, 200, 770 + 56, 228}));
    EXPECT_EQ(s.keys[kRightSide][8].top, 200 + 8 * 42);
    // Bottom: u = ((1000/2)/8)/3 = 20; 40 x 20; 20 px below the frame.
    EXPECT_EQ(s.keys[kBottomSide][1], (KeyRect{250 + 60, 620, 250 + 60 + 40, 640}));
    // Top: the bottom edge 20 px above the frame.
    EXPECT_EQ(s.keys[kTopSide][0], (KeyRect{250, 200 - 20 - 20, 290, 200 - 20}));
}

TEST(KeyTargets, ThreeCornersPerGroupWithTheirSixBytes)
{
    KeyLayout layout;
    layout.of(kLeftSide) = {2, {3, 1, 0}};
    layout.of(kBottomSide) = {1, {2, 0, 0}};
    const Schematic s = schematicOf(layout, 1000, 800);
    const std::vector<KeyTarget> t = targetListOf(layout, s);
    ASSERT_EQ(t.size(), 9u);
    const KeyRect& first = s.keys[kLeftSide][0];
    const KeyRect& third = s.keys[kLeftSide][2];
    EXPECT_EQ(t[0].x, first.left);
    EXPECT_EQ(t[0].y, first.top);
    EXPECT_EQ(t[1].x, first.right);
    EXPECT_EQ(t[1].y, first.bottom);
    EXPECT_EQ(t[2].x, third.right); // the last key's top-right corner
    EXPECT_EQ(t[2].y, third.top);
    EXPECT_EQ(t[0].record, (std::array<uint8_t, 6>{1, 2, 1, 3, 1, 0}));
    EXPECT_EQ(t[2].record, (std::array<uint8_t, 6>{1, 2, 1, 3, 3, 2}));
    // A group of one key also gets three targets.
    EXPECT_EQ(t[5].record, (std::array<uint8_t, 6>{1, 2, 2, 1, 1, 5}));
    // Bottom keys: the last key's bottom-left corner.
    const KeyRect& lastBottom = s.keys[kBottomSide][1];
    EXPECT_EQ(t[8].x, lastBottom.left);
    EXPECT_EQ(t[8].y, lastBottom.bottom);
    EXPECT_EQ(t[8].record, (std::array<uint8_t, 6>{3, 1, 1, 2, 2, 8}));
}

TEST(KeyRectangles, OneKeySpansItsTwoCorners)
{
    const auto r =
        key_rectangles::groupRectangles(kLeftSide, 1, {-30, 300}, {-12, 340}, {-12, 300});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (KeyRect{-30, 300, -12, 340}));
}

TEST(KeyRectangles, FiveKeysFourPitchesApartAreSpacedEvenly)
{
    // Left side: 40 px keys every 70 px; the last key's top-right corner 280 px lower.
    const auto r =
        key_rectangles::groupRectangles(kLeftSide, 5, {-30, 300}, {-12, 340}, {-12, 580});
    ASSERT_EQ(r.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(r[size_t(i)], (KeyRect{-30, 300 + 70 * i, -12, 340 + 70 * i})) << i;
    // Bottom side: along x; a slight tilt across (down 3 px over the group, seen at the
    // last key's bottom-left corner) is shared out.
    const auto b =
        key_rectangles::groupRectangles(kBottomSide, 5, {1000, 1090}, {1060, 1110}, {1400, 1113});
    EXPECT_EQ(b[4], (KeyRect{1400, 1093, 1460, 1113}));
    EXPECT_EQ(b[1], (KeyRect{1100, 1091, 1160, 1111})); // (3 * 1 + 2) / 4 = 1
}

TEST(KeyRectangles, NegativeOffsetsRoundLikePositiveOnes)
{
    // Keys numbered upwards: the offsets are negative and round away from zero alike.
    const auto up =
        key_rectangles::groupRectangles(kRightSide, 3, {1930, 600}, {1950, 640}, {1949, 541});
    const auto down =
        key_rectangles::groupRectangles(kRightSide, 3, {1930, 600}, {1950, 640}, {1951, 659});
    EXPECT_EQ(up[1].top - 600, -(down[1].top - 600));
    EXPECT_EQ(up[1].left - 1930, -(down[1].left - 1930));
}

TEST(KeyArea, CountsAndRectanglesAtTheirOffsets)
{
    key_rectangles::KeyArea area;
    area.keys[kLeftSide] = {{-30, 300, -12, 340}, {-30, 370, -12, 410}};
    area.keys[kBottomSide] = {{1382, 1091, 1449, 1110}};
    area.keys[kRightSide] = {{1931, 319, 1949, 361}};
    area.keys[kTopSide] = {{500, -30, 560, -12}, {600, -30, 660, -12}};
    SensorBlock block{};
    block.fill(0xAB);
    key_rectangles::putKeyArea(block, area);
    EXPECT_EQ(block[964], 2);
    EXPECT_EQ(block[965], 1);
    EXPECT_EQ(block[966], 1);
    EXPECT_EQ(block[967], 2);
    EXPECT_EQ(le::i16(&block[968]), -30);
    EXPECT_EQ(le::i16(&block[968 + 8 + 2]), 370);
    EXPECT_EQ(le::i16(&block[1144]), 1382);
    EXPECT_EQ(le::i16(&block[1160 + 6]), 361);
    EXPECT_EQ(le::i16(&block[1336 + 8 + 2]), -30);
    EXPECT_EQ(block[963], 0xAB);
    EXPECT_EQ(block[1352], 0xAB);
    const key_rectangles::KeyArea back = key_rectangles::keyAreaOf(block);
    for (int side : kSideOrder)
        EXPECT_EQ(back.keys[size_t(side)], area.keys[size_t(side)]);
}

TEST(KeyChoice, RangesOfTheNearAndTheFarCamera)
{
    using touch_extraction::CandidateList;
    using touch_extraction::kLeftCamera;
    using touch_extraction::kRightCamera;
    CandidateList c{};
    c[0] = {950, 5, 80, 0, 0};
    // Left keys: the left camera is near (0..900), the right far (600..1220).
    EXPECT_EQ(key_choice::chooseKey(c, 1, 0, kLeftCamera).valid, 0);
    EXPECT_EQ(key_choice::chooseKey(c, 1, 0, kRightCamera).valid, 1);
    c[0].position = 0;
    EXPECT_EQ(key_choice::chooseKey(c, 1, 0, kLeftCamera).valid, 1);
    c[0].position = 1221;
    EXPECT_EQ(key_choice::chooseKey(c, 1, 1, kLeftCamera).valid, 0);
    c[0].position = 1220;
    EXPECT_EQ(key_choice::chooseKey(c, 1, 1, kLeftCamera).valid, 1);
    // Right and bottom keys: the right camera is near.
    EXPECT_EQ(key_choice::chooseKey(c, 1, 2, kRightCamera).valid, 0);
    EXPECT_EQ(key_choice::columnClassOfSide(1), 0);
    EXPECT_EQ(key_choice::columnClassOfSide(2), 1);
    EXPECT_EQ(key_choice::columnClassOfSide(3), 2);
}

TEST(KeyChoice, TwoBelowTwoHundredAndOneTakeTheNearerWithoutLookingAtWidths)
{
    touch_extraction::CandidateList c{};
    c[0] = {120, 30, 80, 0, 0};
    c[1] = {190, 2, 80, 0, 0};
    c[2] = {600, 15, 80, 0, 0};
    const TouchCandidate k = key_choice::chooseKey(c, 3, 0, touch_extraction::kLeftCamera);
    EXPECT_EQ(k.valid, 1);
    EXPECT_EQ(k.position, 190);
    EXPECT_EQ(c[0].valid, 0);
    EXPECT_EQ(c[2].valid, 0);
}

TEST(KeyChoice, OtherwiseTheWidestThenTheNearestTheCentre)
{
    touch_extraction::CandidateList c{};
    c[0] = {150, 4, 80, 0, 0}; // alone below 201: not final
    c[1] = {500, 12, 80, 0, 0};
    c[2] = {800, 12, 80, 0, 0}; // equal width: the later wins
    EXPECT_EQ(key_choice::chooseKey(c, 3, 0, touch_extraction::kLeftCamera).position, 800);
    touch_extraction::CandidateList n{};
    n[0] = {300, 6, 80, 0, 0};
    n[1] = {700, 4, 80, 0, 0}; // |350 - 320| beats |150 - 320|
    EXPECT_EQ(key_choice::chooseKey(n, 2, 0, touch_extraction::kLeftCamera).position, 700);
}

} // namespace
