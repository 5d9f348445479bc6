#include "ui/widgets/BandDrag.h"

#include <QMouseEvent>
#include <QWidget>

namespace {

constexpr double kBandDivisor = 8.85;
const QPoint kNoDrag(-1, -1);

} // namespace

BandDrag::BandDrag(QWidget* window) : QObject(window), window_(window)
{
    window->installEventFilter(this);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->installEventFilter(this);
}

int BandDrag::bandHeightOf(const QWidget* window)
{
    return static_cast<int>(window->height() / kBandDivisor);
}

bool BandDrag::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseMove)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    if (type == QEvent::MouseMove) {
        if (offset_ != kNoDrag)
            window_->move(global - offset_);
    } else if (watched == window_ && mouse->button() == Qt::LeftButton) {
        // Presses on a part that does not take them reach the window too.
        const bool inBand = window_->mapFromGlobal(global).y() <= bandHeight();
        offset_ = type == QEvent::MouseButtonPress && inBand
                      ? global - window_->frameGeometry().topLeft()
                      : kNoDrag;
    }
    return false;
}
