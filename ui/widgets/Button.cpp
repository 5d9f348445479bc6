#include "ui/widgets/Button.h"

#include "app/AppContext.h"
#include "ui/widgets/CaptionFit.h"

#include <QMouseEvent>
#include <QPainter>

Button::Button(QWidget* parent) : QLabel(parent)
{
    setScaledContents(true);
    setFocusPolicy(Qt::NoFocus);
    captionFont_ = appContext().skin.text.font();
}

void Button::setNormalPixmap(const QPixmap& pixmap)
{
    pixmaps_[static_cast<int>(Look::Normal)] = pixmap;
    applyLook(Look::Normal);
}

void Button::setFocusPixmap(const QPixmap& pixmap)
{
    pixmaps_[static_cast<int>(Look::Focus)] = pixmap;
}

void Button::setPressedPixmap(const QPixmap& pixmap)
{
    pixmaps_[static_cast<int>(Look::Pressed)] = pixmap;
}

void Button::setDisabledPixmap(const QPixmap& pixmap)
{
    pixmaps_[static_cast<int>(Look::Disabled)] = pixmap;
}

void Button::setSkin(const QString& normal, const QString& focus, const QString& pressed,
                     const QString& disabled)
{
    const QString skin = appContext().skinDirectory;
    auto load = [&](const QString& name) {
        return name.isEmpty() ? QPixmap() : QPixmap(skin + name);
    };
    setFocusPixmap(load(focus));
    setPressedPixmap(load(pressed));
    setDisabledPixmap(load(disabled));
    setNormalPixmap(load(normal));
}

void Button::setColors(int nr, int ng, int nb, int fr, int fg, int fb, int pr, int pg, int pb,
                       int dr, int dg, int db)
{
    colors_[0] = QColor(nr, ng, nb);
    colors_[1] = QColor(fr, fg, fb);
    colors_[2] = QColor(pr, pg, pb);
    colors_[3] = QColor(dr, dg, db);
    applyLook(look_);
}

void Button::applyLook(Look look)
{
    const QPixmap& pixmap = pixmaps_[static_cast<int>(look)];
    if (!pixmap.isNull())
        setPixmap(pixmap);
    look_ = look;
    const QColor c = colors_[static_cast<int>(look)];
    setStyleSheet(QStringLiteral("color:rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()));
    update();
}

void Button::setButtonEnabled(bool enabled)
{
    enabled_ = enabled;
    if (!enabled)
        applyLook(Look::Disabled);
    else
        applyLook(pressed_ ? Look::Pressed : highlighted_ ? Look::Focus : Look::Normal);
}

void Button::setHighlighted(bool highlighted)
{
    highlighted_ = highlighted;
    if (!enabled_)
        applyLook(Look::Disabled);
    else if (highlighted)
        applyLook(pressed_ ? Look::Pressed : Look::Focus);
    else
        applyLook(Look::Normal);
}

void Button::setCaption(const QString& caption)
{
    caption_ = caption;
    update();
}

void Button::setCaptionFont(const QFont& font)
{
    captionFont_ = font;
    update();
}

void Button::setAlignmentValue(int value)
{
    alignmentValue_ = value;
    update();
}

void Button::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!enabled_) {
        applyLook(Look::Disabled);
        return;
    }
    pressed_ = true;
    applyLook(Look::Pressed);
}

void Button::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !enabled_)
        return;
    const bool wasPressed = pressed_;
    pressed_ = false;
    applyLook(highlighted_ ? Look::Focus : Look::Normal);
    // Only a release over the button counts: sliding off it cancels the press.
    const QPoint p = event->position().toPoint();
    if (wasPressed && p.x() >= 1 && p.y() >= 1 && p.x() < width() && p.y() < height())
        emit clicked();
}

// Moves over a button end here; the window learns of them through its event filter.
void Button::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
}

void Button::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (caption_.isEmpty())
        return;
    QPainter painter(this);
    const QRect area = captionArea();
    painter.setFont(caption_fit::fitted(captionFont_, area, caption_));
    painter.setPen(colors_[static_cast<int>(look_)]);
    painter.drawText(area, caption_fit::kFlags, caption_);
}

QRect Button::captionArea() const
{
    // A little room at the sides, so that a caption never touches the tile's edge.
    QRect area = rect().adjusted(width() / 20, 0, -width() / 20, 0);
    if (alignmentValue_ != 0)
        area.adjust(0, height() * 3 / 5, 0, -height() / 20);
    return area;
}

QFont Button::drawnCaptionFont() const
{
    return caption_fit::fitted(captionFont_, captionArea(), caption_);
}
