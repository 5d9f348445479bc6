#include "ui/calibration/CalibrationRunWindow.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/SkinnedParts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

void CalibrationRunWindow::addRunButtons()
{
    const AppContext& app = appContext();
    typeButton_ = skinned_parts::pushButton(this, QRect(), false);
    stepBackButton_ = skinned_parts::pushButton(this, QRect(), false);
    stepBackButton_->setCaption(app.text(kTextStepBack));
    exitButton_ = skinned_parts::pushButton(this, QRect(), false);
    exitButton_->setCaption(app.text(kTextExit));
    connect(typeButton_, &Button::clicked, this, &CalibrationRunWindow::CalTypeSlot);
    connect(stepBackButton_, &Button::clicked, this, &CalibrationRunWindow::ResetSlot);
    connect(exitButton_, &Button::clicked, this, &CalibrationRunWindow::ReturnSlot);
    setFocusButtons({typeButton_, stepBackButton_, exitButton_});
    painter_.animate(*this);
}

void CalibrationRunWindow::layOutRunPanel(QLabel* message)
{
    const CalibrationRunPainter::Panel panel = painter_.panel(size());
    typeButton_->setGeometry(panel.buttons[0]);
    stepBackButton_->setGeometry(panel.buttons[1]);
    exitButton_->setGeometry(panel.buttons[2]);
    message->setGeometry(panel.message);
}

void CalibrationRunWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backspace)
        ResetSlot();
    else
        FullScreenWindow::keyPressEvent(event);
}

void CalibrationRunWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintDarkBackground(painter);
    if (const CalibrationRunLogic* run = shownRun())
        painter_.paint(painter, size(), *run, stepBackButton_->geometry().top());
}
