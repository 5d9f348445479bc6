#include "ui/leveling/FindColumn.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/FindColumnThread.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "imaging/AdjustScreenCodes.h"
#include "transport/VirtualScene.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace {

constexpr double kEscapeWaitMs = 500;
const QColor kOutline(154, 125, 196);
const QColor kCurrentTarget(255, 0, 0);
const QColor kOtherTarget(182, 182, 182);
const QColor kBackground(242, 245, 249);

} // namespace

FindColumn::FindColumn(Device& device, std::shared_ptr<VirtualScene> scene, int sensorType,
                       QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Window)
{
    setWindowTitle(appContext().text(kTextAxisAdjusting));
    setWindowModality(Qt::ApplicationModal);
    const QScreen* screen =
        parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    setGeometry(area);

    const AppContext& app = appContext();
    const int w = area.width();
    const int h = area.height();
    // Texts to be read from a step back: sized by the screen, in the skin's families.
    auto sized = [h](QFont font, int divisor) {
        font.setPixelSize(std::max(12, h / divisor));
        return font;
    };
    status_ = new QLabel(app.text(kTextInitialising), this);
    status_->setStyleSheet(QStringLiteral("color:rgb(0,38,102)"));
    status_->setFont(sized(app.skin.text.font(), 34));
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);
    status_->setGeometry(w / 10, h / 12, w * 8 / 10, h / 8);
    hint_ = new QLabel(app.text(kTextKeySchematicHint), this);
    hint_->setStyleSheet(QStringLiteral("color:rgb(255,0,0)"));
    hint_->setFont(sized(app.skin.text.font(), 44));
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    hint_->setGeometry(w / 10, h / 12 + h / 8, w * 8 / 10, h / 8);
    prompt_ = new QLabel(app.text(kTextTouchBottomLeft), this);
    prompt_->setStyleSheet(QStringLiteral("color:rgb(0,38,102)"));
    prompt_->setFont(sized(app.skin.title.font(), 24));
    prompt_->setAlignment(Qt::AlignCenter);
    prompt_->setWordWrap(true);
    prompt_->setGeometry(w / 10, h * 2 / 5, w * 8 / 10, h / 5);
    showFullScreen();

    targets_ = FindColumnRun::targetsFor(w, h);
    // A virtual frame gets someone in front of it who touches the corners.
    if (scene)
        scene->placeReleasingOperator(w, h, sensorType, 0.0);
    worker_ = std::make_unique<FindColumnThread>(device, state_, w, h);
    connect(worker_.get(), &FindColumnThread::sendSubData, this, &FindColumn::recvSubData,
            Qt::QueuedConnection);
    worker_->startWorker();
}

FindColumn::~FindColumn()
{
    if (worker_)
        worker_->stopWorker();
}

QString FindColumn::statusText() const
{
    return status_->text();
}

QString FindColumn::promptText() const
{
    return prompt_->text();
}

bool FindColumn::workerRunning() const
{
    return worker_ && worker_->isRunning();
}

void FindColumn::stopWorker()
{
    escaping_ = true;
    worker_->stopWorker();
}

void FindColumn::refreshPrompt()
{
    prompt_->setText(
        appContext().text(state_.target == 0 ? kTextTouchBottomLeft : kTextTouchBottomRight));
}

void FindColumn::recvSubData(int code)
{
    if (!g_bDevExist || escaping_)
        return;
    AppContext& app = appContext();
    switch (code) {
    case FindColumnRun::kProgress:
        if (g_CalDataInitSuc) {
            status_->setText(app.text(kTextFindColumnHint));
            started_ = true;
            refreshPrompt();
            update();
        }
        break;
    case FindColumnRun::kProbeFailed:
        status_->setText(app.text(kTextInitFailed));
        app.log.logf("Calibration init failed! g_CalDataInitSuc=%d\n", g_CalDataInitSuc.load());
        break;
    case FindColumnRun::kFailed:
        status_->setText(
            app.text(g_isDeviceCommunicate ? kTextEnvironmentFailure : kTextCheckConnection));
        app.log.logf("Calibration Process failed! g_CalibrationProcessSuc=%d\n",
                     g_CalibrationProcessSuc.load());
        break;
    case FindColumnRun::kDone:
        emit sendData(kAdjustAxisDone);
        escape();
        break;
    default:
        break;
    }
}

void FindColumn::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        escape();
}

void FindColumn::closeEvent(QCloseEvent* event)
{
    // Only the way of Escape closes the window, so that its owner always hears of it.
    if (!closed_) {
        event->ignore();
        escape();
        return;
    }
    QDialog::closeEvent(event);
}

void FindColumn::escape()
{
    if (escaping_)
        return;
    escaping_ = true;
    worker_->requestStop();
    auto finish = [this] {
        QTimer::singleShot(qRound(kEscapeWaitMs * delay::timeScale()), this, [this] {
            worker_->stopWorker();
            emit sendData(g_bDevExist && g_isDeviceCommunicate ? kAdjustFindColumnClosed
                                                               : kAdjustFindColumnLost);
            closed_ = true;
            close();
        });
    };
    whenFinished(*worker_, this, finish);
}

void FindColumn::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), kBackground);
    const int w = width();
    const int h = height();
    const QString skin = appContext().skinDirectory;

    // The frame's outline along the screen's edge.
    painter.setPen(QPen(kOutline, std::max(3, h / 200)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(2, 2, w - 5, h - 5));

    const int current = state_.target;
    const bool collecting = state_.steadyCount > 0;
    const QPixmap cross(skin + QStringLiteral("calibration.png"));
    const int radius = std::max(14, h / 36);
    for (int t = 0; t < 2; ++t) {
        const QPoint p(targets_[static_cast<size_t>(t)].x, targets_[static_cast<size_t>(t)].y);
        const bool active = t == current && !state_.bothDone;
        if (!cross.isNull())
            painter.drawPixmap(p - QPoint(cross.width() / 2, cross.height() / 2), cross);
        painter.setPen(QPen(active ? kCurrentTarget : kOtherTarget, std::max(3, h / 240)));
        painter.drawEllipse(p, radius, radius);
        painter.drawEllipse(p, radius * 2, radius * 2);
    }

    // An arrow towards the corner being asked for, pressed while the touch is taken.
    if (current < FindColumnState::kBothDone && !state_.bothDone) {
        const bool left = current == 0;
        const QString name = QStringLiteral("arrow%1%2.png")
                                 .arg(left ? 1 : 2)
                                 .arg(collecting ? QStringLiteral("_Press") : QString());
        QPixmap arrow(skin + name);
        if (!arrow.isNull()) {
            // Large enough to be seen from where the operator stands.
            const int side = std::max(arrow.width(), h / 7);
            arrow = arrow.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            const QPoint corner(targets_[static_cast<size_t>(current)].x,
                                targets_[static_cast<size_t>(current)].y);
            const int gap = radius * 2 + arrow.width() / 4;
            const QPoint at = left ? corner + QPoint(gap, -gap - arrow.height())
                                   : corner + QPoint(-gap - arrow.width(), -gap - arrow.height());
            painter.drawPixmap(at, arrow);
        }
    }
}
