#include "ui/calibration/KeyTestWin.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/DeviceState.h"
#include "transport/VirtualScene.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/SkinnedParts.h"

KeyTestWin::KeyTestWin(Device& device, VirtualScene* scene, QScreen* screen, QWidget* parent)
    : KeySchematicWindow(appContext().text(kTextKeyTest), screen, parent), worker_(device),
      scene_(scene)
{
    showHint(kTextKeyTestHint);
    exitButton_ = skinned_parts::pushButton(this, QRect(), false);
    exitButton_->setCaption(appContext().text(kTextExit));
    exitButton_->show();
    connect(exitButton_, &Button::clicked, this, &KeyTestWin::ReturnSlot);
    placeButtons({exitButton_});
    setFocusButtons({exitButton_});
    if (scene_) {
        scene_->printKeys(shortcut_keys::groupCountsOf(layout_), width(), height());
        scene_->pressPrintedKeys(true);
    }
    connect(&worker_, &KeyTestThread::sendData, this, &KeyTestWin::recvData, Qt::QueuedConnection);
    worker_.begin();
}

KeyTestWin::~KeyTestWin()
{
    worker_.stopAndWait();
    if (scene_)
        scene_->pressPrintedKeys(false);
}

std::pair<int, int> KeyTestWin::pressedKey() const
{
    return {static_cast<int>(worker_.keyState().sideCode.load()),
            worker_.keyState().keyNumber.load()};
}

void KeyTestWin::recvData(int code)
{
    if (leaving_)
        return;
    if (const int trouble = frameTroubleText()) {
        leaveWith(trouble);
        return;
    }
    if (code == KeyTestThread::kTestRunning)
        showMessage(kTextKeyTesting);
    update();
}

void KeyTestWin::leaveWith(int textIndex)
{
    if (textIndex >= 0)
        showMessage(textIndex);
    if (leaving_)
        return;
    leaving_ = true;
    exitButton_->setButtonEnabled(false);
    stopThen(worker_, this, [this] {
        if (scene_)
            scene_->pressPrintedKeys(false);
        emit sendShowData(3);
        closeNow();
    });
}

void KeyTestWin::ReturnSlot()
{
    leaveWith(-1);
}
