#include "ui/calibration/KeySchematicWindow.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "ui/widgets/Button.h"

#include <QLabel>
#include <QPainter>

namespace {

const QColor kPaper(240, 244, 248);
const char* const kDarkText = "color:rgb(0,38,102)";

QRect toRect(const shortcut_keys::KeyRect& r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

} // namespace

KeySchematicWindow::KeySchematicWindow(const QString& title, QScreen* screen, QWidget* parent)
    : FullScreenWindow(title, parent)
{
    hint_ = addMessageLabel(true, kDarkText);
    message_ = addMessageLabel(false, kDarkText);
    showOn(screen);
    layout_ = shortcut_keys::readKeyLayout(SettingsFile::vireto());
    schematic_ = shortcut_keys::schematicOf(layout_, width(), height());
    const QRect frame = toRect(schematic_.frame);
    hint_->setGeometry(frame.left(), height() / 16, frame.width(), height() / 8);
    message_->setGeometry(frame.adjusted(20, 20, -20, -frame.height() / 4));
}

QString KeySchematicWindow::hintText() const
{
    return hint_->text();
}

QString KeySchematicWindow::messageText() const
{
    return message_->text();
}

void KeySchematicWindow::showHint(int textIndex)
{
    hint_->setText(appContext().text(textIndex).trimmed());
}

void KeySchematicWindow::showMessage(int textIndex)
{
    showMessage(appContext().text(textIndex));
}

void KeySchematicWindow::showMessage(const QString& text)
{
    message_->setText(text.trimmed());
}

void KeySchematicWindow::placeButtons(const std::vector<Button*>& buttons)
{
    const QPixmap picture(appContext().skinDirectory + QStringLiteral("button_Normal.png"));
    const QSize b = picture.isNull() ? QSize(160, 48) : picture.size();
    const int gap = b.width() / 6;
    const int n = static_cast<int>(buttons.size());
    const QRect frame = toRect(schematic_.frame);
    int x = frame.center().x() - (n * b.width() + (n - 1) * gap) / 2;
    for (Button* button : buttons) {
        button->setGeometry(QRect(QPoint(x, frame.bottom() - b.height() - 20), b));
        x += b.width() + gap;
    }
}

void KeySchematicWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kPaper);
    lit_ = pressedKey();
    const auto [side, number] = lit_;
    if (side >= shortcut_keys::kLeftSide && side <= shortcut_keys::kTopSide) {
        const auto& keys = schematic_.keys[static_cast<size_t>(side)];
        if (number >= 1 && number <= static_cast<int>(keys.size()))
            painter.fillRect(toRect(keys[static_cast<size_t>(number - 1)]), QColor(255, 0, 0));
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(toRect(schematic_.frame));
    for (int s : shortcut_keys::kSideOrder)
        for (const shortcut_keys::KeyRect& r : schematic_.keys[static_cast<size_t>(s)])
            painter.drawRect(toRect(r));
    paintOver(painter);
}
