#include "ui/widgets/FullScreenWindow.h"

#include "app/AppContext.h"
#include "ui/widgets/FocusRow.h"
#include "ui/widgets/TouchScreen.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

FullScreenWindow::FullScreenWindow(const QString& title, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Window)
{
    setModal(true);
    setWindowTitle(title);
}

void FullScreenWindow::showOn(QScreen* screen)
{
    touch_screen::showFullScreenOn(this, screen);
}

void FullScreenWindow::setFocusButtons(const std::vector<Button*>& buttons)
{
    if (!focus_)
        focus_ = new FocusRow(this);
    focus_->setButtons(buttons);
}

int FullScreenWindow::focusIndex() const
{
    return focus_ ? focus_->focus() : 0;
}

void FullScreenWindow::closeNow()
{
    closeAllowed_ = true;
    close();
}

void FullScreenWindow::setBusyLook(bool busy)
{
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

QLabel* FullScreenWindow::addMessageLabel(bool heading, const char* style)
{
    const AppContext& app = appContext();
    auto* label = new QLabel(this);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setFont(heading ? app.skin.heading.font() : app.skin.text.font());
    label->setStyleSheet(QString::fromLatin1(style));
    return label;
}

void FullScreenWindow::paintDarkBackground(QPainter& painter)
{
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor(14, 34, 60));
    background.setColorAt(1, QColor(8, 22, 40));
    painter.fillRect(rect(), background);
}

void FullScreenWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        leave();
    else if (!focus_ || !focus_->handleKey(event->key()))
        QDialog::keyPressEvent(event);
}

void FullScreenWindow::closeEvent(QCloseEvent* event)
{
    if (closeAllowed_) {
        event->accept();
        return;
    }
    event->ignore();
    leave();
}
