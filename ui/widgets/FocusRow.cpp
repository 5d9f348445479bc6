#include "ui/widgets/FocusRow.h"

#include "ui/widgets/Button.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

FocusRow::FocusRow(QWidget* window) : QObject(window), window_(window)
{
    watch(window);
}

void FocusRow::watch(QWidget* widget)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        child->setMouseTracking(true);
        child->installEventFilter(this);
    }
}

void FocusRow::setButtons(const std::vector<Button*>& buttons)
{
    buttons_ = buttons;
    for (Button* b : buttons_)
        watch(b);
    setFocusIndex(0);
}

void FocusRow::setFocusIndex(int index)
{
    focus_ = index >= 1 && index <= static_cast<int>(buttons_.size()) ? index : 0;
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setHighlighted(static_cast<int>(i) + 1 == focus_);
}

void FocusRow::next()
{
    if (!buttons_.empty())
        setFocusIndex(focus_ % static_cast<int>(buttons_.size()) + 1);
}

bool FocusRow::pressFocused()
{
    if (focus_ < 1 || focus_ > static_cast<int>(buttons_.size()))
        return false;
    Button* b = buttons_[static_cast<size_t>(focus_ - 1)];
    if (!b->isButtonEnabled() || !b->isVisible())
        return false;
    emit b->clicked();
    return true;
}

bool FocusRow::handleKey(int key)
{
    switch (key) {
    case Qt::Key_Tab:
        next();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pressFocused();
        return true;
    default:
        return false;
    }
}

bool FocusRow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto it = std::find(buttons_.begin(), buttons_.end(), watched);
        if (it != buttons_.end())
            setFocusIndex(static_cast<int>(it - buttons_.begin()) + 1);
        else if (focus_ != 0)
            setFocusIndex(0);
    }
    return QObject::eventFilter(watched, event);
}
