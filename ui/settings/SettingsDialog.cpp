#include "ui/settings/SettingsDialog.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "device/ConfigSettings.h"
#include "device/DeviceJobQueue.h"
#include "device/ModeSwitch.h"
#include "ui/widgets/BandDrag.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/FocusRow.h"
#include "ui/widgets/MyMessageBox.h"
#include "ui/widgets/SkinnedParts.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QColor>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>

namespace {

constexpr int kDesignWidth = 900;

} // namespace

SettingsDialog::SettingsDialog(Device& device, DeviceJobQueue& jobs, const QString& title,
                               QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), device_(device), jobs_(jobs)
{
    const AppContext& app = appContext();
    setModal(true);
    setAttribute(Qt::WA_TranslucentBackground);
    background_ = QPixmap(app.skinDirectory + QStringLiteral("set/set.png"));
    scale_ = background_.isNull() ? 1.0 : background_.width() / double(kDesignWidth);
    resize(background_.isNull() ? QSize(900, 640) : background_.size());
    setWindowTitle(title);
    const QString radio = app.skinDirectory + QStringLiteral("set/");
    setStyleSheet(
        QStringLiteral("QRadioButton { color: rgb(225,236,248); }"
                       " QRadioButton:disabled { color: rgb(130,140,150); }"
                       " QRadioButton::indicator { width: %1px; height: %1px; }"
                       " QRadioButton::indicator:checked { image: url(%2radio_on.png); }"
                       " QRadioButton::indicator:unchecked { image: url(%2radio_off.png); }"
                       " QComboBox, QLineEdit { background: rgba(255,255,255,225); color: "
                       "rgb(0,38,102); border: 1px solid rgb(120,160,200); border-radius: 4px;"
                       " padding: 1px 4px; }"
                       " QComboBox:disabled { background: rgba(255,255,255,110); }")
            .arg(qRound(28 * scale_))
            .arg(radio));

    addLabel(title, QRect(28, 12, 500, 44), true);
    connect(skinned_parts::minimiseButton(this, scaled(kDesignWidth - 96, 12, 36, 36)),
            &Button::clicked, this, &SettingsDialog::MinimizeButSlot);
    connect(skinned_parts::quitButton(this, scaled(kDesignWidth - 52, 12, 36, 36)),
            &Button::clicked, this, &QDialog::close);
}

SettingsDialog::~SettingsDialog() = default;

QRect SettingsDialog::scaled(int x, int y, int w, int h) const
{
    return QRect(qRound(x * scale_), qRound(y * scale_), qRound(w * scale_), qRound(h * scale_));
}

QPoint SettingsDialog::dragOffset() const
{
    return drag_ ? drag_->offset() : QPoint(-1, -1);
}

QLabel* SettingsDialog::addLabel(const QString& text, const QRect& designRect, bool heading)
{
    QLabel* l = skinned_parts::label(
        this, scaled(designRect.x(), designRect.y(), designRect.width(), designRect.height()));
    l->setText(text);
    if (heading)
        l->setFont(appContext().skin.heading.font());
    return l;
}

Button* SettingsDialog::addButton(int text, const QRect& designRect)
{
    Button* b = skinned_parts::pushButton(
        this, scaled(designRect.x(), designRect.y(), designRect.width(), designRect.height()),
        false);
    b->setCaption(appContext().text(text));
    buttons_.push_back(b);
    return b;
}

QRadioButton* SettingsDialog::addRadio(const QString& text, const QRect& designRect,
                                       QButtonGroup* group, int id)
{
    auto* r = new QRadioButton(text, this);
    r->setFont(appContext().skin.text.font());
    r->setGeometry(scaled(designRect.x(), designRect.y(), designRect.width(), designRect.height()));
    group->addButton(r, id);
    return r;
}

void SettingsDialog::finishParts(const std::vector<Button*>& focusOrder)
{
    focus_ = new FocusRow(this);
    focus_->setButtons(focusOrder);
    drag_ = new BandDrag(this);
}

void SettingsDialog::setBusy(bool busy)
{
    busy_ += busy ? 1 : -1;
    const bool on = busy_ > 0;
    if (on)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
    for (Button* b : buttons_)
        b->setButtonEnabled(!on);
}

void SettingsDialog::runDeviceJob(std::function<int(Device&)> work, std::function<void(int)> done)
{
    setBusy(true);
    Device* device = &device_;
    jobs_.enqueue(
        this, [device, work] { return work(*device); },
        [this, done](int result) {
            setBusy(false);
            if (done)
                done(result);
        });
}

void SettingsDialog::synchroniseFromFrame(std::function<void(bool read)> then)
{
    runDeviceJob(
        [](Device& d) {
            if (!SwitchMode(d, CalibrationMode))
                return 0;
            const int synced = config_settings::syncFromFrame(d, SettingsFile::vireto());
            SwitchMode(d, WorkMode);
            return synced;
        },
        [then](int synced) { then(synced != 0); });
}

void SettingsDialog::warn(int textIndex)
{
    const AppContext& app = appContext();
    MyMessageBox box(this, app.text(kTextWarning), app.text(textIndex), 1, {QStringLiteral("OK")});
    box.run();
}

void SettingsDialog::reportWriteFailure(int saveResult)
{
    appContext().log.logf(
        "%s: writing the settings failed: %s\n", metaObject()->className(),
        config_settings::describe(static_cast<config_settings::SaveResult>(saveResult)));
    warn(kTextWriteFailed);
}

void SettingsDialog::MinimizeButSlot()
{
    showMinimized();
}

void SettingsDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else if (!focus_ || !focus_->handleKey(event->key()))
        QDialog::keyPressEvent(event);
}

void SettingsDialog::paintEvent(QPaintEvent*)
{
    skinned_parts::paintBackground(*this, background_, QColor(18, 44, 74));
}

void SettingsDialog::closeEvent(QCloseEvent* event)
{
    // Device work under way finishes first; the window says so by its busy cursor.
    if (busy()) {
        event->ignore();
        return;
    }
    emit sendShowData(3);
    event->accept();
}
