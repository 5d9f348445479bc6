#include "ui/calibration/CalibrationWin.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "calibration/CalibrationTargets.h"
#include "device/Delay.h"
#include "transport/VirtualScene.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"
#include "ui/widgets/SkinnedParts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {

// The virtual operator touches within half a pixel of each target.
constexpr double kAimError = 0.5;
constexpr int kAnimationMs = 40;
constexpr int kRepaintsPerFrame = 5;
constexpr double kLeavePauseMs = 2100.0;
constexpr double kAfterStopPauseMs = 500.0;

const QColor kBarBack(177, 233, 251);
const QColor kBarFill(0, 211, 40);
const QColor kText(225, 236, 248);

} // namespace

CalibrationWin::CalibrationWin(Device& device, const CalibrationRunSetup& setup,
                               VirtualScene* scene, QScreen* screen, QWidget* parent)
    : FullScreenWindow(appContext().text(kTextCalibrate), parent), logic_(device, *this, setup),
      scene_(scene)
{
    const AppContext& app = appContext();
    done_ = QPixmap(app.skinDirectory + QStringLiteral("calibration.png"));
    for (int i = 0; i < 5; ++i) {
        waiting_[static_cast<size_t>(i)] =
            QPixmap(app.skinDirectory + QStringLiteral("calibration1-%1.png").arg(i + 1));
        holding_[static_cast<size_t>(i)] =
            QPixmap(app.skinDirectory + QStringLiteral("calibration2-%1.png").arg(i + 1));
    }
    scale_ = done_.isNull() ? 1.0 : done_.width() / 48.0;

    message_ = addMessageLabel(true, skinned_parts::kLabelStyle);
    typeButton_ = skinned_parts::pushButton(this, QRect(), false);
    stepBackButton_ = skinned_parts::pushButton(this, QRect(), false);
    stepBackButton_->setCaption(app.text(kTextStepBack));
    exitButton_ = skinned_parts::pushButton(this, QRect(), false);
    exitButton_->setCaption(app.text(kTextExit));
    connect(typeButton_, &Button::clicked, this, &CalibrationWin::CalTypeSlot);
    connect(stepBackButton_, &Button::clicked, this, &CalibrationWin::ResetSlot);
    connect(exitButton_, &Button::clicked, this, &CalibrationWin::ReturnSlot);
    setFocusButtons({typeButton_, stepBackButton_, exitButton_});

    animation_ = new QTimer(this);
    connect(animation_, &QTimer::timeout, this, [this] {
        ++repaints_;
        update();
    });
    animation_->start(kAnimationMs);

    if (scene_)
        scene_->placeOperator(setup.width, setup.height, setup.sensorType, kAimError);
    showMessage(app.text(kTextInitialising));
    showOn(screen);
    layOut();
    logic_.start();
}

CalibrationWin::~CalibrationWin() = default;

QString CalibrationWin::messageText() const
{
    return message_->text();
}

void CalibrationWin::layOut()
{
    // A panel in the middle of the screen, between the rows of targets.
    const int w = width();
    const int h = height();
    const QSize button(qRound(160 * scale_), qRound(48 * scale_));
    const int gap = qRound(24 * scale_);
    const int rowWidth = 3 * button.width() + 2 * gap;
    const int buttonsY = h * 59 / 100 - button.height();
    int x = (w - rowWidth) / 2;
    for (Button* b : {typeButton_, stepBackButton_, exitButton_}) {
        b->setGeometry(QRect(QPoint(x, buttonsY), button));
        x += button.width() + gap;
    }
    message_->setGeometry(w / 5, h * 41 / 100, w * 3 / 5, buttonsY - h * 41 / 100 - 3 * gap / 2);
}

std::vector<QPoint> CalibrationWin::targets() const
{
    std::vector<QPoint> points;
    const int w = logic_.setup().width;
    const int h = logic_.setup().height;
    if (logic_.fastRun()) {
        for (const auto& t : calibration_targets::fastTargets(w, h))
            points.emplace_back(t.x, t.y);
    } else {
        for (const auto& t : calibration_targets::fullTargets(w, h))
            points.emplace_back(t.x, t.y);
    }
    return points;
}

// --- CalibrationRunView --------------------------------------------------------------

void CalibrationWin::showMessage(const QString& text)
{
    message_->setText(text.trimmed());
}

void CalibrationWin::setTypeButtonEnabled(bool enabled)
{
    typeButton_->setButtonEnabled(enabled && !leaving_);
}

void CalibrationWin::setTypeCaption(int textIndex)
{
    typeButton_->setCaption(appContext().text(textIndex));
}

void CalibrationWin::setStepBackEnabled(bool enabled)
{
    stepBackButton_->setButtonEnabled(enabled && !leaving_);
}

void CalibrationWin::repaintTargets()
{
    update();
}

void CalibrationWin::reportToOwner(int code)
{
    emit sendShowData(code);
}

void CalibrationWin::leave()
{
    ReturnSlot();
}

void CalibrationWin::warn(const QString& title, const QString& text)
{
    MyMessageBox box(this, title, text, 1, {QStringLiteral("OK")});
    box.run();
}

// --- Slots ------------------------------------------------------------------------------

void CalibrationWin::recvData(int code)
{
    logic_.handleCode(code);
}

void CalibrationWin::CalTypeSlot()
{
    if (!leaving_)
        logic_.switchType();
}

void CalibrationWin::ResetSlot()
{
    if (!leaving_)
        logic_.stepBack();
}

void CalibrationWin::pause(double ms, const std::function<void()>& then)
{
    QTimer::singleShot(qRound(ms * delay::timeScale()), this, then);
}

void CalibrationWin::ReturnSlot()
{
    if (leaving_)
        return;
    leaving_ = true;
    setBusyLook(true);
    for (Button* b : {typeButton_, stepBackButton_, exitButton_})
        b->setButtonEnabled(false);
    pause(kLeavePauseMs, [this] {
        logic_.stopWorkers([this] {
            pause(kAfterStopPauseMs, [this] {
                emit sendShowData(logic_.closingCode());
                animation_->stop();
                closeNow();
            });
        });
    });
}

// --- Keyboard, painting, closing -----------------------------------------------------

void CalibrationWin::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backspace)
        ResetSlot();
    else
        FullScreenWindow::keyPressEvent(event);
}

void CalibrationWin::drawCentred(QPainter& painter, const QPixmap& pixmap, const QPoint& at)
{
    if (!pixmap.isNull())
        painter.drawPixmap(at - QPoint(pixmap.width() / 2, pixmap.height() / 2), pixmap);
}

void CalibrationWin::drawProgress(QPainter& painter)
{
    const CalibrationRunState& s = logic_.state();
    const int count = s.targetCount();
    const int index = std::clamp(s.index.load(), 0, count);
    // While collecting the bar counts targets; while computing and storing, percent.
    const double part = index < count && s.progress == 0
                            ? double(index) / count
                            : std::clamp(s.progress.load(), 0, 100) / 100.0;
    const int w = width() * 2 / 5;
    const int h = std::max(6, qRound(10 * scale_));
    const QRect bar((width() - w) / 2, stepBackButton_->geometry().top() - 3 * h, w, h);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBarBack);
    painter.drawRect(bar);
    painter.setBrush(kBarFill);
    painter.drawRect(QRect(bar.topLeft(), QSize(qRound(bar.width() * part), bar.height())));
}

void CalibrationWin::drawStatusLines(QPainter& painter)
{
    const CalibrationRunState& s = logic_.state();
    const AppContext& app = appContext();
    painter.setPen(kText);
    painter.setFont(app.skin.text.font());
    const QRect line(width() / 4, height() * 19 / 100, width() / 2, qRound(36 * scale_));
    if (!logic_.fastRun() && s.index < s.targetCount())
        painter.drawText(line, Qt::AlignCenter,
                         app.text(kTextTargetIndex)
                             .arg(s.index + 1)
                             .arg(s.leftCount.load())
                             .arg(s.rightCount.load()));
    if (s.rejected)
        painter.drawText(
            line.translated(0, line.height()), Qt::AlignCenter,
            app.text(kTextEfficientPoints).arg(s.leftValid.load()).arg(s.rightValid.load()));
}

void CalibrationWin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintDarkBackground(painter);

    const CalibrationRunState& s = logic_.state();
    const std::vector<QPoint> points = targets();
    const int index = s.index;
    for (int k = 0; k < index && k < static_cast<int>(points.size()); ++k)
        drawCentred(painter, done_, points[static_cast<size_t>(k)]);
    const int shown = s.shownTarget;
    if (shown >= 0 && shown < static_cast<int>(points.size()) && shown >= index) {
        int frame = 1;
        const std::array<QPixmap, 5>* images = &waiting_;
        if (s.bothSidesSeen && s.steadyCount > 0) {
            images = &holding_;
            const int wait = std::max(1, g_WaitFrameCount.load());
            frame = (s.steadyCount * 100 / wait + 5) / 35 + 1;
        } else {
            frame = repaints_ / kRepaintsPerFrame % 5 + 1;
        }
        drawCentred(painter, (*images)[static_cast<size_t>(std::clamp(frame, 1, 5) - 1)],
                    points[static_cast<size_t>(shown)]);
    }
    drawProgress(painter);
    drawStatusLines(painter);
}
