// A desktop of two screens of different sizes (the offscreen platform configured by
// two-screens.json): the calibration opens on the screen Vireto.ini names and calibrates
// for that screen's size.
#include "UiTestSupport.h"
#include "codec/CalibrationRecord.h"
#include "transport/SimScene.h"
#include "ui/calibration/CalibrationWin.h"
#include "ui/main/Vireto.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/TouchScreen.h"

#include <QScreen>
#include <QTest>

namespace {

TEST(TouchScreenChoice, ByNameOrPlaceElseThePrimary)
{
    const QStringList names = {"Main", "Touch"};
    EXPECT_EQ(touch_screen::chooseIndex(names, 0, ""), 0);
    EXPECT_EQ(touch_screen::chooseIndex(names, 0, "1"), 1);
    EXPECT_EQ(touch_screen::chooseIndex(names, 0, " Touch "), 1);
    EXPECT_EQ(touch_screen::chooseIndex(names, 1, "Main"), 0);
    EXPECT_EQ(touch_screen::chooseIndex(names, 0, "HDMI-2"), 0);
    EXPECT_EQ(touch_screen::chooseIndex(names, 0, "2"), 0);
    EXPECT_EQ(touch_screen::chooseIndex(names, 0, "-1"), 0);
}

class TwoScreens : public UiTest {};

TEST_F(TwoScreens, TheCalibrationRunsOnTheNamedScreenAtItsSize)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2)
        << "run with QT_QPA_PLATFORM=offscreen:configfile=two-screens.json";
    QScreen* touch = screens[1];
    ASSERT_EQ(touch->name(), "Touch");
    EXPECT_EQ(touch_screen::chosen(), QGuiApplication::primaryScreen());
    home().write("Vireto.ini", "[Vireto_ScreenInfo]\nTouchScreen=Touch\n");
    ASSERT_EQ(touch_screen::chosen(), touch);

    delay::setTimeScale(0.0);
    Vireto w(*device, std::make_shared<SimScene>(frame));
    w.show();
    ASSERT_TRUE(waitUntil([&] { return w.statusText() == "Devices check completed."; }));
    QTest::mouseClick(w.menuButtons()[2], Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(waitUntil([&] { return w.calibrationWin() != nullptr; }));
    CalibrationWin* c = w.calibrationWin();
    EXPECT_EQ(c->screen(), touch);
    EXPECT_EQ(c->geometry(), touch->geometry());
    EXPECT_EQ(c->logic().setup().width, 1280);
    EXPECT_EQ(c->logic().setup().height, 800);
    ASSERT_TRUE(waitUntil([&] { return w.statusText() == "Calibrate completed!"; }, 30000));
    const auto bytes = frame->readFlash(flash_map::kSensorBlock, flash_map::kSensorBlockSize);
    SensorBlock block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    EXPECT_EQ(widthOf(block), 1280);
    EXPECT_EQ(heightOf(block), 800);
    // The record's model puts the targets of that screen where they were touched.
    EXPECT_NEAR(recordOf(block).EvalPt[15].x, 1280 * 21 / 24 + 1280 / 16, 3);
}

} // namespace
