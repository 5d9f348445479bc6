#include "app/SkinChoice.h"

#include <gtest/gtest.h>

namespace {

TEST(SkinChoice, WidthThresholdsPickTheSkinAndFonts)
{
    SkinChoice c = SkinChoice::forDesktop(1279, 1024);
    EXPECT_EQ(c.path, "./skin/1024/");
    EXPECT_EQ(c.title.pointSize, 13);
    EXPECT_EQ(c.heading.pointSize, 12);
    EXPECT_EQ(c.text.pointSize, 11);
    EXPECT_EQ(c.title.family, "Calibri");
    EXPECT_EQ(c.heading.family, "Arial black");

    c = SkinChoice::forDesktop(1280, 1024);
    EXPECT_EQ(c.path, "./skin/1440/");
    EXPECT_EQ(c.title.pointSize, 14);
    EXPECT_EQ(c.heading.pointSize, 13);
    EXPECT_EQ(c.text.pointSize, 12);

    EXPECT_EQ(SkinChoice::forDesktop(1599, 900).path, "./skin/1440/");
    c = SkinChoice::forDesktop(1600, 900);
    EXPECT_EQ(c.path, "./skin/1920/");
    EXPECT_EQ(c.title.pointSize, 18);
    EXPECT_EQ(c.heading.pointSize, 17);
    EXPECT_EQ(c.text.pointSize, 16);
    EXPECT_FALSE(c.portrait);
}

TEST(SkinChoice, SmallScreensScaleTheFontsWithTheWidth)
{
    const SkinChoice c = SkinChoice::forDesktop(1024, 768);
    EXPECT_EQ(c.title.pointSize, 11);
    EXPECT_EQ(c.heading.pointSize, 10);
    EXPECT_EQ(c.text.pointSize, 9);
    EXPECT_GT(SkinChoice::forDesktop(80, 60).text.font().pointSize(), 0);
}

TEST(SkinChoice, PortraitScreensChooseByTheirHeight)
{
    SkinChoice c = SkinChoice::forDesktop(1080, 1920);
    EXPECT_TRUE(c.portrait);
    EXPECT_EQ(c.path, "./skin/1920/");
    c = SkinChoice::forDesktop(1024, 1024); // square counts as portrait
    EXPECT_TRUE(c.portrait);
    EXPECT_EQ(c.path, "./skin/1024/");
    EXPECT_EQ(SkinChoice::forDesktop(1200, 1300).path, "./skin/1440/");
}

} // namespace
