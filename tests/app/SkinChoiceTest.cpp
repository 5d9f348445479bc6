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

// The engineering layout (1344 x 900 at the 1920 skin) and the menus (960 x 600) on
// the desktops the tool meets, less a task bar: always whole on the screen, in the
// largest skin that allows it.
TEST(SkinChoice, EveryLayoutFitsEveryDesktopFromTheSmallestUp)
{
    struct Desktop {
        int w, h;
        const char* engineeringSkin;
    };
    const QSize engineering(1344, 900);
    const QSize menu(960, 600);
    for (Desktop d : {Desktop{1024, 768, "./skin/1024/"}, Desktop{1280, 1024, "./skin/1440/"},
                      Desktop{1366, 768, "./skin/1440/"}, Desktop{1600, 900, "./skin/1440/"},
                      Desktop{1920, 1080, "./skin/1920/"}, Desktop{1080, 1920, "./skin/1440/"},
                      Desktop{768, 1024, "./skin/1024/"}, Desktop{2560, 1440, "./skin/1920/"}}) {
        SCOPED_TRACE(testing::Message() << d.w << "x" << d.h);
        const QSize free(d.w, d.h - 40);
        const SkinChoice own = SkinChoice::forDesktop(d.w, d.h);
        const WindowFit e = fitWindow(own, engineering, free);
        EXPECT_EQ(e.skin.path, d.engineeringSkin);
        EXPECT_LE(e.size().width(), free.width());
        EXPECT_LE(e.size().height(), free.height());
        EXPECT_EQ(e.skin.portrait, own.portrait);
        // The menus fit every desktop in its own skin.
        const WindowFit m = fitWindow(own, menu, free);
        EXPECT_EQ(m.skin.path, own.path);
        EXPECT_DOUBLE_EQ(m.extraScale, 1.0);
    }
    // The next smaller skin brings its own fonts.
    const WindowFit portrait =
        fitWindow(SkinChoice::forDesktop(1080, 1920), engineering, QSize(1080, 1880));
    EXPECT_EQ(portrait.skin.text.pointSize, 12);
    EXPECT_DOUBLE_EQ(portrait.extraScale, 1.0);
    // Below the smallest skin the window shrinks further rather than leave the screen.
    const WindowFit tiny =
        fitWindow(SkinChoice::forDesktop(800, 600), engineering, QSize(800, 560));
    EXPECT_EQ(tiny.skin.path, "./skin/1024/");
    EXPECT_LT(tiny.extraScale, 1.0);
    EXPECT_LE(tiny.size().width(), 800);
    EXPECT_LE(tiny.size().height(), 560);
}

} // namespace
