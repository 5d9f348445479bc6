#include "ui/main/Vireto.h"

#include "RenderedContrast.h"
#include "UiTestSupport.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/CaptionFit.h"
#include "ui/widgets/EngineeringPanel.h"
#include "ui/widgets/MyMessageBox.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

namespace {

class ViretoWindowTest : public UiTest {
protected:
    std::unique_ptr<Vireto> open(int toolMode = 1)
    {
        appContext().toolMode = toolMode;
        auto w = std::make_unique<Vireto>(*device);
        w->show();
        EXPECT_TRUE(waitUntil([&] { return w->statusText() == "Devices check completed."; }));
        return w;
    }
    // Answers the next modal box with keys, once it shows (it may wait for the frame).
    void answerNextBox(std::vector<Qt::Key> keys)
    {
        auto* poll = new QTimer(qApp);
        auto tries = std::make_shared<int>(0);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, keys] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box && ++*tries < 500)
                return;
            poll->deleteLater();
            for (Qt::Key key : keys)
                if (box)
                    QTest::keyClick(box, key);
        });
        poll->start(10);
    }
    void answerNextBox(Qt::Key key) { answerNextBox(std::vector<Qt::Key>{key}); }
};

TEST_F(ViretoWindowTest, FindsTheFrameAndEnablesEveryTile)
{
    auto w = open(1);
    ASSERT_EQ(w->menuButtons().size(), 5u);
    EXPECT_EQ(w->menuButtons()[0]->caption(), "Leveling");
    EXPECT_EQ(w->menuButtons()[4]->caption(), "Versions");
    EXPECT_TRUE(w->menuButtons()[4]->isButtonEnabled());
    for (size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(w->menuButtons()[i]->isButtonEnabled()) << i;
    EXPECT_TRUE(logText().contains(") Vireto log start!\n"));
    EXPECT_TRUE(logText().contains(") ChooseToolEnable = 1;0\n"));
}

TEST_F(ViretoWindowTest, ShortcutsJoinTheMenuInTheirPlace)
{
    SettingsFile::vireto().write("Shortcut_keys", "Shortcuts_en", 1);
    auto production = open(1);
    std::vector<QString> captions;
    for (Button* b : production->menuButtons())
        captions.push_back(b->caption());
    EXPECT_EQ(captions, (std::vector<QString>{"Leveling", "Calibrate", "Set", "Shortcuts", "Update",
                                              "Versions"}));
    production.reset();
    auto user = open(0);
    captions.clear();
    for (Button* b : user->menuButtons())
        captions.push_back(b->caption());
    EXPECT_EQ(captions, (std::vector<QString>{"Calibrate", "Shortcuts", "Set", "Versions"}));
}

TEST_F(ViretoWindowTest, TabWrapsAndReturnWithoutSelectionDoesNothing)
{
    auto w = open(1);
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_TRUE(w->lastAboutText().isEmpty());
    for (int i = 1; i <= 5; ++i) {
        QTest::keyClick(w.get(), Qt::Key_Tab);
        EXPECT_EQ(w->selectedButton(), i);
        EXPECT_TRUE(w->menuButtons()[static_cast<size_t>(i - 1)]->isHighlighted());
    }
    QTest::keyClick(w.get(), Qt::Key_Tab);
    EXPECT_EQ(w->selectedButton(), 1) << "from the last button back to the first";
    EXPECT_FALSE(w->menuButtons()[4]->isHighlighted());

    // Grey tiles cannot be pressed: Tab passes over them, and with none live selects none.
    w->menuButtons()[1]->setButtonEnabled(false);
    QTest::keyClick(w.get(), Qt::Key_Tab);
    EXPECT_EQ(w->selectedButton(), 3);
    for (Button* b : w->menuButtons())
        b->setButtonEnabled(false);
    QTest::keyClick(w.get(), Qt::Key_Tab);
    EXPECT_EQ(w->selectedButton(), 0);
}

TEST_F(ViretoWindowTest, ReturnPressesTheSelectedVersionsButton)
{
    auto w = open(1);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(w.get(), Qt::Key_Tab);
    answerNextBox(Qt::Key_Escape);
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return !w->lastAboutText().isEmpty(); }));
    EXPECT_EQ(w->lastAboutText(), "ToolID:4.2.5\n(M)FirmwareID: 1.3.2\nBootloaderID: 1.0.7");
}

TEST_F(ViretoWindowTest, HoveringAMenuButtonSelectsItAndLeavingClearsIt)
{
    auto w = open(1);
    auto moveOver = [](QWidget* target, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    };
    moveOver(w->menuButtons()[2], QPoint(10, 10));
    EXPECT_EQ(w->selectedButton(), 3);
    EXPECT_TRUE(w->menuButtons()[2]->isHighlighted());
    moveOver(w->testButton(), QPoint(5, 5));
    EXPECT_EQ(w->selectedButton(), 0);
    EXPECT_FALSE(w->menuButtons()[2]->isHighlighted());

    // A press anywhere starts a drag; moving outside the menu moves the window.
    const QPoint start = w->pos();
    QTest::mousePress(w.get(), Qt::LeftButton, {}, QPoint(300, 20));
    EXPECT_NE(w->dragOffset(), QPoint(-1, -1));
    moveOver(w.get(), QPoint(340, 50));
    EXPECT_EQ(w->pos(), start + QPoint(40, 30));
    QTest::mouseRelease(w.get(), Qt::LeftButton, {}, QPoint(340, 50));
    EXPECT_EQ(w->dragOffset(), QPoint(-1, -1));
}

TEST_F(ViretoWindowTest, EquipmentTestAndResetFromTheirButtons)
{
    auto w = open(1);
    w->monitor()->stop();
    QTest::mouseClick(w->testButton(), Qt::LeftButton, {}, QPoint(5, 5));
    // The window answers at once: the wait shows, the frame is asked off this thread.
    EXPECT_EQ(w->statusText(), "Are testing equipment function, please wait...");
    EXPECT_TRUE(w->logic().busy());
    EXPECT_EQ(w->cursor().shape(), Qt::BusyCursor);
    EXPECT_TRUE(w->progressBar()->isVisibleTo(w.get()));
    QTest::mouseClick(w->resetButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return !w->logic().busy(); }));
    EXPECT_EQ(w->statusText(), "Equipment testing succeed, can work normally!")
        << "the reset pressed meanwhile was ignored";
    EXPECT_NE(w->cursor().shape(), Qt::BusyCursor);
    QTest::mouseClick(w->resetButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(waitUntil([&] { return w->statusText() == "Reset success!"; }));
}

TEST_F(ViretoWindowTest, UnpluggingShowsNotDetectedAndDisablesTheMenu)
{
    auto w = open(1);
    frame->unplug();
    EXPECT_TRUE(waitUntil(
        [&] { return w->statusText() == "Device not detected, please check the connection."; }));
    EXPECT_FALSE(w->menuButtons()[4]->isButtonEnabled());
    frame->plug();
    EXPECT_TRUE(waitUntil([&] { return w->statusText() == "Devices check completed."; }));
    EXPECT_TRUE(w->menuButtons()[4]->isButtonEnabled());
}

TEST_F(ViretoWindowTest, ClosingDuringAnUpdateIsRefused)
{
    auto w = open(1);
    w->monitor()->stop();
    updatePending = 1;
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->statusText(), "Updating, please wait......");
    updatePending = 0;
}

TEST_F(ViretoWindowTest, CancellingTheExitQuestionLeavesWindowAndModeAlone)
{
    auto w = open(1);
    ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Tab}) {
        frame->clearRequestLog();
        if (key == Qt::Key_Tab) // Tab, Tab selects Cancel, Return presses it
            QTimer::singleShot(0, [] {
                QWidget* box = QApplication::activeModalWidget();
                QTest::keyClick(box, Qt::Key_Tab);
                QTest::keyClick(box, Qt::Key_Tab);
                QTest::keyClick(box, Qt::Key_Return);
            });
        else
            answerNextBox(key);
        w->close();
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(frame->mode(), CalibrationMode) << "no switch to work mode";
        for (const auto& r : frame->requestLog())
            EXPECT_NE(r[1], 0x0E);
    }
}

TEST_F(ViretoWindowTest, ConfirmedExitReturnsTheFrameToWorkModeAndLogsTheEnd)
{
    auto w = open(1);
    ASSERT_EQ(device->commands.switchMode(CalibrationMode), 1);
    answerNextBox({Qt::Key_Tab, Qt::Key_Return});
    w->close();
    EXPECT_TRUE(w->closing());
    EXPECT_TRUE(waitUntil([&] { return !w->isVisible(); })) << "the window goes once it is done";
    EXPECT_EQ(frame->mode(), WorkMode);
    EXPECT_FALSE(w->monitor()->isRunning());
    EXPECT_TRUE(logText().endsWith(") Vireto log end!\n"));
}

TEST_F(ViretoWindowTest, LanguageChangeRefreshesCaptionsAndTheStatusLine)
{
    home().write("Vireto_language.lrp",
                 "[Language]\nLanguageCnt=2\nLanguage_0=English\nLanguage_1=Deutsch\n"
                 "[Language_1]\n3=Versionen\n15=Geraet bereit.\n130=Leeren\n");
    auto w = open(2);
    ASSERT_NE(w->languageBox(), nullptr);
    EXPECT_EQ(w->languageBox()->count(), 2);
    w->languageBox()->setCurrentIndex(1);
    EXPECT_EQ(appContext().languageIndex, 1);
    EXPECT_EQ(SettingsFile::vireto().readInt("Vireto_Config", "Language", -1), 1);
    EXPECT_EQ(w->statusText(), "Geraet bereit.");
    bool found = false;
    for (Button* b : w->menuButtons())
        found = found || b->caption() == "Versionen";
    EXPECT_TRUE(found);
    w->languageBox()->setCurrentIndex(0);
    EXPECT_EQ(w->statusText(), "Devices check completed.");
}

TEST_F(ViretoWindowTest, GetStatusAndClearOnTheEngineeringPanel)
{
    frame->setErrorCode(0xBEEF);
    auto w = open(2);
    w->FingerIntoButSlot();
    EXPECT_TRUE(waitUntil([&] { return !w->logArea()->toPlainText().isEmpty(); }))
        << "the frame's answer comes off the GUI thread";
    EXPECT_EQ(w->logArea()->toPlainText(), "GetStatus! g_ErrorCode = 0xbeef");
    EXPECT_TRUE(logText().contains("GetStatus! g_ErrorCode = 0xbeef\n"));
    w->ClearButSlot();
    EXPECT_TRUE(w->logArea()->toPlainText().isEmpty());
}

TEST_F(ViretoWindowTest, TheVersionLabelCarriesTheSubVersion)
{
    appContext().subVersion = 5;
    auto w = open(1);
    auto* label = w->findChild<QLabel*>("version");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "V4.2.5-5");
    appContext().subVersion = 0;
}

// Every tile and button caption of the menus, the engineering panels and the exit box,
// in every shipped language and skin, fits its place at a legible size (the caption
// font shrinks where needed; it never runs over the edge).
TEST_F(ViretoWindowTest, EveryCaptionFitsInEveryShippedLanguageAndSkin)
{
    ASSERT_TRUE(QFile::copy(QString(VIRETO_BIN_DIR) + "/Vireto_language.lrp",
                            home().file("Vireto_language.lrp")));
    SettingsFile::vireto().write("Shortcut_keys", "Shortcuts_en", 1);
    SettingsFile::vireto().write("Shortcut_keys", "Shortcuts_test", 1);
    AppContext& app = appContext();
    auto checkButtons = [](QWidget& window, const char* where) {
        int checked = 0;
        for (Button* b : window.findChildren<Button*>()) {
            if (b->caption().isEmpty())
                continue;
            ++checked;
            const QFont drawn = b->drawnCaptionFont();
            EXPECT_TRUE(caption_fit::fits(drawn, b->captionArea(), b->caption()))
                << where << ": \"" << b->caption().toStdString() << "\" at " << drawn.pointSizeF()
                << " pt in " << b->captionArea().width() << "x" << b->captionArea().height();
        }
        EXPECT_GT(checked, 0) << where;
        // The engineering panels' labels stay on one line beside their fields.
        for (EngineeringPanel* panel : window.findChildren<EngineeringPanel*>()) {
            for (QLabel* l : panel->findChildren<QLabel*>()) {
                if (l->text().isEmpty() || l->wordWrap())
                    continue;
                EXPECT_TRUE(caption_fit::fits(l->font(), l->contentsRect(), l->text(),
                                              caption_fit::kLabelFlags))
                    << where << ": label \"" << l->text().toStdString() << "\"";
            }
        }
    };
    for (int language = 0; language < 6; ++language) {
        SCOPED_TRACE(testing::Message() << "language " << language);
        for (int size : {1024, 1440, 1920}) {
            SCOPED_TRACE(size);
            app.languageIndex = language;
            app.loadLookAndLanguage(size, 600);
            app.skinDirectory = QString(VIRETO_BIN_DIR) + "/skin/" + QString::number(size) + "/";
            for (int toolMode : {0, 1, 2}) {
                if (toolMode == 2 && size != 1024)
                    continue; // the test screen holds the engineering layout in the 1024 skin
                app.toolMode = toolMode;
                Vireto w(*device);
                checkButtons(w, toolMode == 2 ? "engineering" : "menu");
            }
            MyMessageBox box(
                nullptr, app.text(kTextExitTitle), app.text(kTextConfirmExit), 3,
                {app.text(kTextChooseAgain), app.text(kTextExitTitle), app.text(kTextCancel)});
            checkButtons(box, "exit box");
        }
    }
    app.languageIndex = 0;
    app.loadLookAndLanguage(1024, 768);
    app.skinDirectory = QString(VIRETO_BIN_DIR) + "/skin/1024/";
}

// Before the frame is checked the tiles are grey; their captions stay readable, as do
// a grey push button's and a lit tile's.
TEST_F(ViretoWindowTest, GreyAndLitCaptionsStandOutFromTheirFaces)
{
    appContext().toolMode = 1;
    Vireto w(*device);
    Button* tile = w.menuButtons()[0];
    ASSERT_FALSE(tile->isButtonEnabled());
    auto caption = [](Button* b) {
        const QString text = b->caption();
        return [b, text](bool on) { b->setCaption(on ? text : QString()); };
    };
    EXPECT_GE(renderedContrast(w, caption(tile)), 4.5) << "grey tile";
    w.testButton()->setButtonEnabled(false);
    EXPECT_GE(renderedContrast(w, caption(w.testButton())), 4.5) << "grey push button";
    tile->setButtonEnabled(true);
    for (bool highlighted : {false, true}) {
        tile->setHighlighted(highlighted);
        EXPECT_GE(renderedContrast(w, caption(tile)), 4.5) << "tile, highlighted " << highlighted;
    }
}

// The engineering layout on the test screen (smaller than its own skin wants): wholly on
// the screen, close button included, and dragged by its title band only.
TEST_F(ViretoWindowTest, TheEngineeringLayoutFitsTheScreenAndDragsByItsTitleBand)
{
    auto w = open(2);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w->frameGeometry())) << w->width() << "x" << w->height();
    auto* quit = qobject_cast<Button*>(w->childAt(w->width() - 12, 20));
    ASSERT_NE(quit, nullptr) << "the quit button in the corner";
    EXPECT_TRUE(screen.contains(QRect(quit->mapToGlobal(QPoint(0, 0)), quit->size())));

    auto moveTo = [&](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w.get(), &move);
    };
    const QPoint start = w->pos();
    QTest::mousePress(w.get(), Qt::LeftButton, {}, QPoint(w->width() / 2, 10));
    moveTo(QPoint(w->width() / 2 + 30, 30));
    EXPECT_EQ(w->pos(), start + QPoint(30, 20));
    QTest::mouseRelease(w.get(), Qt::LeftButton, {}, QPoint(w->width() / 2 + 30, 30));
    const QPoint moved = w->pos();
    QTest::mousePress(w.get(), Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() - 20));
    moveTo(QPoint(w->width() / 2 + 30, w->height() - 10));
    EXPECT_EQ(w->pos(), moved) << "a press below the title band does not drag";
    QTest::mouseRelease(w.get(), Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() - 20));
}

} // namespace
