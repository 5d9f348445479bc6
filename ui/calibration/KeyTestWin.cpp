#include "KeyTestWin.h"

#include "AppContext.h"
#include "Button.h"
#include "DeviceState.h"
#include "KeySchematicDrawing.h"
#include "SettingsFile.h"
#include "SkinnedParts.h"
#include "TextIds.h"
#include "TouchScreen.h"
#include "VirtualScene.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace {

const QColor kPaper(240, 244, 248);
const char* const kDarkText = "color:rgb(0,38,102)";

} // namespace

KeyTestWin::KeyTestWin(Device& device, VirtualScene* scene, QScreen* screen, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Window), worker_(device), scene_(scene)
{
    const AppContext& app = appContext();
    setModal(true);
    setWindowTitle(app.text(kTextKeyTest));
    hint_ = new QLabel(app.text(kTextKeyTestHint).trimmed(), this);
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    hint_->setFont(app.skin.heading.font());
    hint_->setStyleSheet(QString::fromLatin1(kDarkText));
    message_ = new QLabel(this);
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setFont(app.skin.text.font());
    message_->setStyleSheet(QString::fromLatin1(kDarkText));
    exitButton_ = skinned_parts::pushButton(this, QRect(), false);
    exitButton_->setCaption(app.text(kTextExit));
    connect(exitButton_, &Button::clicked, this, &KeyTestWin::ReturnSlot);

    touch_screen::showFullScreenOn(this, screen);
    const shortcut_keys::KeyLayout layout = shortcut_keys::readKeyLayout(SettingsFile::vireto());
    schematic_ = shortcut_keys::schematicOf(layout, width(), height());
    const QPixmap button(app.skinDirectory + QStringLiteral("button_Normal.png"));
    const QSize b = button.isNull() ? QSize(160, 48) : button.size();
    const QRect frame(QPoint(schematic_.frame.left, schematic_.frame.top),
                      QPoint(schematic_.frame.right, schematic_.frame.bottom));
    hint_->setGeometry(frame.left(), height() / 16, frame.width(), height() / 8);
    message_->setGeometry(frame.adjusted(20, 20, -20, -(b.height() + 40)));
    exitButton_->setGeometry(QRect(QPoint(frame.center().x() - b.width() / 2,
                                          frame.bottom() - b.height() - 20),
                                   b));
    if (scene_) {
        scene_->printKeys(shortcut_keys::groupCountsOf(layout), width(), height());
        scene_->pressPrintedKeys(true);
    }
    connect(&worker_, &KeyTestThread::sendData, this, &KeyTestWin::recvData,
            Qt::QueuedConnection);
    worker_.begin();
}

KeyTestWin::~KeyTestWin()
{
    worker_.stopAndWait();
    if (scene_)
        scene_->pressPrintedKeys(false);
}

QString KeyTestWin::hintText() const
{
    return hint_->text();
}

QString KeyTestWin::messageText() const
{
    return message_->text();
}

void KeyTestWin::recvData(int code)
{
    if (leaving_)
        return;
    if (!g_bDevExist) {
        leaveWith(kTextPulledOut);
        return;
    }
    if (!g_isDeviceCommunicate) {
        leaveWith(kTextCheckConnection);
        return;
    }
    if (code == KeyTestThread::kTestRunning)
        message_->setText(appContext().text(kTextKeyTesting).trimmed());
    update();
}

void KeyTestWin::leaveWith(int textIndex)
{
    if (textIndex >= 0)
        message_->setText(appContext().text(textIndex).trimmed());
    if (leaving_)
        return;
    leaving_ = true;
    exitButton_->setButtonEnabled(false);
    stopThen(worker_, this, [this] {
        if (scene_)
            scene_->pressPrintedKeys(false);
        emit sendShowData(3);
        closeAllowed_ = true;
        close();
    });
}

void KeyTestWin::ReturnSlot()
{
    leaveWith(-1);
}

void KeyTestWin::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        ReturnSlot();
        return;
    }
    QDialog::keyPressEvent(event);
}

void KeyTestWin::closeEvent(QCloseEvent* event)
{
    if (closeAllowed_) {
        event->accept();
        return;
    }
    event->ignore();
    ReturnSlot();
}

void KeyTestWin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kPaper);
    lit_ = {static_cast<int>(worker_.keyState().sideCode.load()),
            worker_.keyState().keyNumber.load()};
    key_schematic::draw(painter, schematic_, lit_.first, lit_.second);
}
