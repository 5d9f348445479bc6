#include "ui/calibration/CalibrationCheckWin.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/DeviceJobQueue.h"
#include "device/DeviceState.h"
#include "device/ModeSwitch.h"
#include "transport/SceneTruth.h"
#include "transport/VirtualScene.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/SkinnedParts.h"

#include <QDateTime>
#include <QLabel>
#include <QPainter>

#include <memory>

namespace {

const QColor kCurrent(255, 255, 255);
const QColor kMeasured(120, 160, 200);
const QColor kLocated(255, 170, 40);
const QColor kText(225, 236, 248);

} // namespace

CalibrationCheckWin::CalibrationCheckWin(Device& device, DeviceJobQueue& jobs, VirtualScene* scene,
                                         QScreen* screen, QWidget* parent)
    : FullScreenWindow(QStringLiteral("Check"), parent), device_(device), jobs_(jobs),
      scene_(scene), worker_(device),
      seed_(static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch()))
{
    const AppContext& app = appContext();
    const QPixmap button(app.skinDirectory + QStringLiteral("button_Normal.png"));
    scale_ = button.isNull() ? 1.0 : button.width() / 160.0;
    message_ = addMessageLabel(true, skinned_parts::kLabelStyle);
    result_ = addMessageLabel(false, skinned_parts::kLabelStyle);
    exitButton_ = skinned_parts::pushButton(this, QRect(), false);
    exitButton_->setCaption(app.text(kTextExit));
    connect(exitButton_, &Button::clicked, this, &CalibrationCheckWin::ReturnSlot);
    setFocusButtons({exitButton_});
    connect(&worker_, &CalibrationCheckThread::sendData, this, &CalibrationCheckWin::recvData,
            Qt::QueuedConnection);

    message_->setText(app.text(kTextInitialising).trimmed());
    setBusyLook(true);
    showOn(screen);
    const QSize b(qRound(160 * scale_), qRound(48 * scale_));
    exitButton_->setGeometry(
        QRect(QPoint((width() - b.width()) / 2, height() * 59 / 100 - b.height()), b));
    message_->setGeometry(width() / 5, height() * 41 / 100, width() * 3 / 5, height() * 8 / 100);
    result_->setGeometry(width() / 5, height() * 49 / 100, width() * 3 / 5,
                         exitButton_->y() - height() * 49 / 100);

    // Calibration mode and the stored record, off the GUI thread.
    auto stored = std::make_shared<stored_record::StoredCalibration>();
    Device* d = &device_;
    jobs_.enqueue(
        this,
        [d, stored] {
            if (!SwitchMode(*d, CalibrationMode))
                return 0;
            *stored = stored_record::readStoredCalibration(*d);
            return stored->read ? 1 : 0;
        },
        [this, stored](int ok) {
            busy_ = false;
            setBusyLook(false);
            if (!ok) {
                message_->setText(appContext().text(kTextCheckConnection).trimmed());
                return;
            }
            opened(*stored);
        });
}

CalibrationCheckWin::~CalibrationCheckWin()
{
    worker_.stopAndWait();
}

QString CalibrationCheckWin::messageText() const
{
    return message_->text();
}

QString CalibrationCheckWin::resultText() const
{
    return result_->text();
}

accuracy_check::Figures CalibrationCheckWin::figures() const
{
    return accuracy_check::summarise(worker_.touches(), false);
}

void CalibrationCheckWin::opened(const stored_record::StoredCalibration& stored)
{
    const AppContext& app = appContext();
    if (!stored.usable()) {
        message_->setText(app.text(kTextFirst16Point).trimmed());
        result_->setText(stored.problem);
        return;
    }
    if (stored.width != width() || stored.height != height())
        result_->setText(QStringLiteral("The calibration was made for a %1 x %2 screen; this "
                                        "screen is %3 x %4.")
                             .arg(stored.width)
                             .arg(stored.height)
                             .arg(width())
                             .arg(height()));
    CalibrationCheckSetup setup;
    setup.width = width();
    setup.height = height();
    setup.sensorType = stored.sensorType;
    setup.crosses = kCrosses;
    setup.seed = seed_;
    setup.record = stored.record;
    const QRect clear = message_->geometry()
                            .united(exitButton_->geometry())
                            .adjusted(-qRound(40 * scale_), -qRound(40 * scale_),
                                      qRound(40 * scale_), qRound(40 * scale_));
    setup.keepClear = {clear.x(), clear.y(), clear.width(), clear.height()};
    if (scene_) {
        scene_->placeOperator(width(), height(), stored.sensorType, 0.0);
        setup.truth = truthOf(*scene_);
    }
    worker_.begin(setup);
}

void CalibrationCheckWin::recvData(int code)
{
    const AppContext& app = appContext();
    if (!g_bDevExist) {
        message_->setText(app.text(kTextPulledOut).trimmed());
        ReturnSlot();
        return;
    }
    switch (code) {
    case kCheckShowCross:
        message_->setText(QStringLiteral("Please touch the centre of the cross (%1 of %2).")
                              .arg(worker_.current() + 1)
                              .arg(worker_.places().size()));
        break;
    case kCheckInitFailed:
        message_->setText(app.text(kTextInitFailed).trimmed());
        break;
    case kCheckFailed:
        message_->setText(app.text(kTextEnvironmentFailure).trimmed());
        result_->setText(worker_.lastError());
        break;
    case kCheckMeasured:
        showResult();
        break;
    case kCheckDone:
        finished_ = true;
        message_->setText(QStringLiteral("Check completed."));
        showResult();
        break;
    default:
        break;
    }
    update();
}

void CalibrationCheckWin::showResult()
{
    const std::vector<accuracy_check::Touch> touches = worker_.touches();
    const accuracy_check::Figures f = accuracy_check::summarise(touches, false);
    QString text = QStringLiteral("Distance from the crosses: mean %1 px, largest %2 px")
                       .arg(f.mean, 0, 'f', 1)
                       .arg(f.largest, 0, 'f', 1);
    if (!touches.empty() && touches.front().exact)
        text += QStringLiteral("\nFloor of the sensor rounding: mean %1 px, largest %2 px")
                    .arg(f.floorMean, 0, 'f', 1)
                    .arg(f.floorLargest, 0, 'f', 1);
    result_->setText(text);
}

void CalibrationCheckWin::ReturnSlot()
{
    if (leaving_)
        return;
    leaving_ = true;
    exitButton_->setButtonEnabled(false);
    setBusyLook(true);
    // After the jobs this window queued, so the frame is left in order.
    jobs_.enqueue(
        this, [] { return 0; },
        [this](int) {
            stopThen(worker_, this, [this] {
                const bool present = g_bDevExist && g_isDeviceCommunicate;
                emit sendShowData(present ? 2 : 3);
                closeNow();
            });
        });
}

void CalibrationCheckWin::drawCross(QPainter& painter, const QPointF& at, int arm,
                                    const QColor& color)
{
    painter.setPen(QPen(color, std::max(1.0, 2 * scale_)));
    painter.drawLine(at - QPointF(arm, 0), at + QPointF(arm, 0));
    painter.drawLine(at - QPointF(0, arm), at + QPointF(0, arm));
}

void CalibrationCheckWin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintDarkBackground(painter);
    if (!worker_.isRunning() && worker_.touches().empty())
        return;
    const auto& places = worker_.places();
    const std::vector<accuracy_check::Touch> touches = worker_.touches();
    painter.setFont(appContext().skin.text.font());
    for (const accuracy_check::Touch& t : touches) {
        const QPointF aim(t.aim.x, t.aim.y);
        const QPointF located(t.located.x, t.located.y);
        drawCross(painter, aim, qRound(14 * scale_), kMeasured);
        painter.setPen(QPen(kLocated, std::max(1.0, 1.5 * scale_)));
        painter.drawLine(aim, located);
        painter.setBrush(kLocated);
        painter.drawEllipse(located, 4 * scale_, 4 * scale_);
        painter.setPen(kText);
        painter.drawText(
            aim + QPointF(18 * scale_, -10 * scale_),
            QStringLiteral("%1 px").arg(accuracy_check::distance(t.located, t.aim), 0, 'f', 1));
    }
    const int current = worker_.current();
    if (!finished_ && worker_.isRunning() && current >= static_cast<int>(touches.size()) &&
        current < static_cast<int>(places.size())) {
        const QPointF at(places[static_cast<size_t>(current)].x,
                         places[static_cast<size_t>(current)].y);
        drawCross(painter, at, qRound(40 * scale_), kCurrent);
        painter.setPen(QPen(kCurrent, std::max(1.0, 2 * scale_)));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, 12 * scale_, 12 * scale_);
    }
}
