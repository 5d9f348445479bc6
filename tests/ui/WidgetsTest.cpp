#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"

#include "RenderedContrast.h"
#include "UiTestSupport.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

class WidgetsTest : public UiTest {};

TEST_F(WidgetsTest, AButtonClicksOnlyWhenReleasedOverIt)
{
    Button b;
    b.resize(100, 40);
    QSignalSpy clicks(&b, &Button::clicked);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(b.look(), Button::Look::Pressed);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(b.look(), Button::Look::Normal);

    for (QPoint outside :
         {QPoint(0, 20), QPoint(50, 0), QPoint(100, 20), QPoint(50, 40), QPoint(300, 300)}) {
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(50, 20));
        QTest::mouseRelease(&b, Qt::LeftButton, {}, outside);
    }
    EXPECT_EQ(clicks.count(), 1) << "sliding off the button cancels the press";
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(clicks.count(), 1) << "a release without a press is not a click";
}

TEST_F(WidgetsTest, ADisabledButtonNeverClicksAndLooksDisabledEvenWhenHighlighted)
{
    Button b;
    b.resize(100, 40);
    b.setColors(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
    QSignalSpy clicks(&b, &Button::clicked);
    b.setButtonEnabled(false);
    b.setHighlighted(true);
    EXPECT_EQ(b.look(), Button::Look::Disabled);
    EXPECT_EQ(b.styleSheet(), "color:rgb(10,11,12)");
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(b.look(), Button::Look::Disabled);

    b.setButtonEnabled(true);
    EXPECT_EQ(b.look(), Button::Look::Focus) << "enabled again, still highlighted";
    EXPECT_EQ(b.styleSheet(), "color:rgb(4,5,6)");
    b.setHighlighted(false);
    EXPECT_EQ(b.styleSheet(), "color:rgb(1,2,3)");
}

// Answers the next modal box with keys once it is up.
void answerNextBox(std::function<void(MyMessageBox*)> answer)
{
    QTimer::singleShot(0, [answer] {
        auto* box = qobject_cast<MyMessageBox*>(QApplication::activeModalWidget());
        if (box)
            answer(box);
    });
}

TEST_F(WidgetsTest, MessageBoxButtonsGiveTheirResultsAndSetTheClosedFlag)
{
    struct Case {
        int mode;
        int index;
        int result;
    };
    for (Case c : {Case{1, 1, 1}, Case{2, 1, 1}, Case{2, 2, 0}, Case{3, 1, 2}, Case{3, 2, 1},
                   Case{3, 3, 0}}) {
        MyMessageBox::resetFlags();
        MyMessageBox box(nullptr, "title", "message", c.mode);
        answerNextBox([c](MyMessageBox* b) {
            QTest::mouseClick(b->button(c.index), Qt::LeftButton, {}, QPoint(5, 5));
        });
        EXPECT_EQ(box.run(), c.result) << c.mode << "/" << c.index;
        EXPECT_TRUE(MyMessageBox::closedFlag());
    }
}

TEST_F(WidgetsTest, EscapeAndTheQuitButtonCancel)
{
    MyMessageBox box(nullptr, "t", "m", 2);
    answerNextBox([](MyMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); });
    EXPECT_EQ(box.run(), MyMessageBox::kCancel);
    MyMessageBox other(nullptr, "t", "m", 3);
    answerNextBox([](MyMessageBox* b) { b->QuitButSlot(); });
    EXPECT_EQ(other.run(), MyMessageBox::kCancel);
    EXPECT_TRUE(MyMessageBox::closedFlag());
}

TEST_F(WidgetsTest, TabCyclesTheButtonsAndReturnPressesTheSelectedOne)
{
    MyMessageBox three(nullptr, "t", "m", 3);
    QTest::keyClick(&three, Qt::Key_Tab);
    EXPECT_EQ(three.selectedButton(), 1);
    QTest::keyClick(&three, Qt::Key_Tab);
    QTest::keyClick(&three, Qt::Key_Tab);
    EXPECT_EQ(three.selectedButton(), 3);
    EXPECT_TRUE(three.button(3)->isHighlighted());
    QTest::keyClick(&three, Qt::Key_Tab);
    EXPECT_EQ(three.selectedButton(), 1) << "from Cancel back to Choose";
    EXPECT_FALSE(three.button(3)->isHighlighted());
    answerNextBox([](MyMessageBox* b) {
        QTest::keyClick(b, Qt::Key_Tab);
        QTest::keyClick(b, Qt::Key_Return);
    });
    EXPECT_EQ(three.run(), MyMessageBox::kOk) << "selected 2 is OK";

    MyMessageBox one(nullptr, "t", "m", 1);
    QTest::keyClick(&one, Qt::Key_Tab);
    QTest::keyClick(&one, Qt::Key_Tab);
    EXPECT_EQ(one.selectedButton(), 1);
    answerNextBox([](MyMessageBox* b) { QTest::keyClick(b, Qt::Key_Return); });
    EXPECT_EQ(one.run(), MyMessageBox::kCancel) << "Return in a one-button box closes with 0";

    MyMessageBox two(nullptr, "t", "m", 2);
    answerNextBox([](MyMessageBox* b) { QTest::keyClick(b, Qt::Key_Return); });
    QTimer::singleShot(50,
                       [&two] { two.CancelButtonSlot(); }); // Return with nothing selected waits
    EXPECT_EQ(two.run(), MyMessageBox::kCancel);
}

TEST_F(WidgetsTest, OnlyTheTopBandDragsTheBox)
{
    MyMessageBox box(nullptr, "t", "m", 1);
    box.show();
    const int band = box.dragBandHeight();
    EXPECT_EQ(band, static_cast<int>(box.height() / 8.85));
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(10, band + 2));
    EXPECT_EQ(box.dragOffset(), QPoint(-1, -1));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(10, band + 2));
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(10, band - 1));
    EXPECT_NE(box.dragOffset(), QPoint(-1, -1));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(10, band - 1));
    EXPECT_EQ(box.dragOffset(), QPoint(-1, -1));
}

TEST_F(WidgetsTest, MessageBoxTextsStandOutFromTheirBackgroundInEverySkin)
{
    AppContext& app = appContext();
    const QString skins = QString(VIRETO_BIN_DIR) + "/skin/";
    for (int size : {1024, 1440, 1920}) {
        SCOPED_TRACE(size);
        app.skin = SkinChoice::forDesktop(size, 768);
        app.skinDirectory = skins + QString::number(size) + "/";
        MyMessageBox box(nullptr, "Versions", "Are you sure you exit?", 2, {"Exit", "Cancel"});
        QLabel* title = nullptr;
        QLabel* message = nullptr;
        for (QLabel* l : box.findChildren<QLabel*>()) {
            if (l->text() == "Versions")
                title = l;
            if (l->text() == "Are you sure you exit?")
                message = l;
        }
        ASSERT_TRUE(title && message);
        auto labelText = [](QLabel* l, const QString& t) {
            return [l, t](bool on) { l->setText(on ? t : QString()); };
        };
        EXPECT_GE(renderedContrast(box, labelText(title, "Versions")), 4.5) << "title";
        EXPECT_GE(renderedContrast(box, labelText(message, "Are you sure you exit?")), 4.5)
            << "message";
        for (int i = 1; i <= 2; ++i) {
            Button* b = box.button(i);
            const QString caption = b->caption();
            for (bool highlighted : {false, true}) {
                b->setHighlighted(highlighted);
                EXPECT_GE(
                    renderedContrast(
                        box, [b, caption](bool on) { b->setCaption(on ? caption : QString()); }),
                    4.5)
                    << "button " << i << (highlighted ? " highlighted" : "");
            }
            b->setHighlighted(false);
        }
    }
    app.loadLookAndLanguage(1024, 768);
    app.skinDirectory = skins + "1024/";
}

} // namespace
