#include "skin/manifest.h"

#include <gtest/gtest.h>

using skin::parseManifest;

namespace {

std::string errorOf(std::string_view text)
{
    return parseManifest(text, "images.txt").error;
}

} // namespace

TEST(ManifestTest, ReadsEntriesCommentsAndBlankLines)
{
    const auto m = parseManifest("# header\n\nmin1.png 36 36\n"
                                 "  set/set.png\t900  640   # settings\r\n"
                                 "messageBox/messageBox.png 560 300",
                                 "images.txt");
    ASSERT_TRUE(m.ok()) << m.error;
    ASSERT_EQ(m.entries.size(), 3u);
    EXPECT_EQ(m.entries[0].path, "min1.png");
    EXPECT_EQ(m.entries[0].width, 36);
    EXPECT_EQ(m.entries[0].line, 3);
    EXPECT_EQ(m.entries[1].path, "set/set.png");
    EXPECT_EQ(m.entries[1].width, 900);
    EXPECT_EQ(m.entries[1].height, 640);
    EXPECT_EQ(m.entries[2].path, "messageBox/messageBox.png");
    EXPECT_EQ(m.entries[2].line, 5);
}

TEST(ManifestTest, EmptyTextIsAnEmptyManifest)
{
    const auto m = parseManifest("# nothing yet\n", "images.txt");
    EXPECT_TRUE(m.ok());
    EXPECT_TRUE(m.entries.empty());
}

TEST(ManifestTest, ErrorsNameFileAndLine)
{
    EXPECT_EQ(errorOf("min1.png 36 36\n\nquit1.png 36\n").rfind("images.txt:3: ", 0), 0u);
}

TEST(ManifestTest, RejectsBadLines)
{
    const char* const bad[] = {
        // field count
        "min1.png 36", "min1.png", "min1.png 36 36 36",
        // sizes
        "min1.png 0 36", "min1.png -36 36", "min1.png +36 36", "min1.png 36x 36", "min1.png 36 3.5",
        "min1.png 36 99999999999", "min1.png 36 9000",
        // paths
        "min1.jpg 36 36", ".png 36 36", "/etc/min1.png 36 36", "../min1.png 36 36",
        "set//set.png 36 36", "set\\set.png 36 36", "set/.png 36 36"};
    for (const char* line : bad)
        EXPECT_FALSE(errorOf(line).empty()) << line;
}

TEST(ManifestTest, RejectsDuplicates)
{
    const auto m = parseManifest("min1.png 36 36\nmin2.png 36 36\nmin1.png 20 20\n", "m");
    EXPECT_FALSE(m.ok());
    EXPECT_TRUE(m.entries.empty());
    EXPECT_NE(m.error.find("m:3:"), std::string::npos) << m.error;
}

TEST(ManifestTest, ValidPaths)
{
    EXPECT_TRUE(skin::isValidImagePath("calibration1-5.png"));
    EXPECT_TRUE(skin::isValidImagePath("set/arrow_left_Press.png"));
    EXPECT_FALSE(skin::isValidImagePath("set/"));
    EXPECT_FALSE(skin::isValidImagePath("a b.png"));
}

TEST(ManifestTest, ScalesToNearestPixel)
{
    const auto& s1024 = skin::kSkins[0];
    const auto& s1440 = skin::kSkins[1];
    const auto& s1920 = skin::kSkins[2];
    ASSERT_EQ(s1024.folder, 1024);
    ASSERT_EQ(s1440.folder, 1440);
    ASSERT_EQ(s1920.folder, 1920);
    EXPECT_EQ(skin::scaled(960, s1024), 576);
    EXPECT_EQ(skin::scaled(36, s1024), 22); // 21.6
    EXPECT_EQ(skin::scaled(64, s1024), 38); // 38.4
    EXPECT_EQ(skin::scaled(28, s1024), 17); // 16.8
    EXPECT_EQ(skin::scaled(300, s1440), 225);
    EXPECT_EQ(skin::scaled(2, s1440), 2);   // 1.5 rounds up
    EXPECT_EQ(skin::scaled(38, s1440), 29); // 28.5
    EXPECT_EQ(skin::scaled(181, s1920), 181);
}
