#include "ui/leveling/AdjustScreenWin.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/Delay.h"
#include "device/DeviceJob.h"
#include "device/DeviceState.h"
#include "imaging/AdjustScreenCodes.h"
#include "imaging/CImagePreviewThread.h"
#include "imaging/LinePicture.h"
#include "imaging/OpticalParams.h"
#include "imaging/SampleStore.h"
#include "imaging/SensorDataTest.h"
#include "transport/VirtualScene.h"
#include "ui/leveling/FindColumn.h"
#include "ui/leveling/LevelingExit.h"
#include "ui/main/MainWindowLogic.h"
#include "ui/settings/ReadWriteDeviceInfo.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"
#include "ui/widgets/SkinnedParts.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

// The pictures are drawn 8 rows per sensor line on a 1080-line screen, fewer on smaller.
constexpr double kDesignHeight = 1080.0;
constexpr int kCurveRise = 127; // a curve value of 255 is drawn this far above its baseline
constexpr double kLeftBaselineShare = 4.5;
constexpr double kRightBaselineShare = 1.9;
constexpr double kLeaveWaitMs = 500;
constexpr double kFindColumnWaitMs = 1000;
constexpr double kRestartWaitMs = 1000;

const QColor kCurveColour(0, 128, 255);
const QColor kPanelColour(244, 247, 251);
const QColor kPanelBorder(120, 160, 200);
const char* const kLightText = "color:rgb(225,236,248)";
const char* const kHeadingText = "color:rgb(255,255,255)";
// The result labels sit on light panels: their texts are dark. %1: the text's colour
// declaration, %2: room kept free on the right for the verdict picture.
const char* const kResultPanel =
    "QLabel { %1; background: rgb(244,247,251); border: 1px solid rgb(120,160,200); "
    "border-radius: 6px; padding: 6px %2px 6px 10px; }";

QString readout(int min, int max, int value)
{
    return appContext().text(kTextPixelReadout).arg(min).arg(max).arg(value);
}

QString emptyReadout()
{
    return appContext().text(kTextPixelReadout).arg(QString(), QString(), QString());
}

} // namespace

AdjustScreenWin::AdjustScreenWin(Device& device, const LevelingConfig& config,
                                 std::shared_ptr<VirtualScene> scene, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Window), device_(device), config_(config),
      scene_(std::move(scene)), logic_(*this, state_, config_)
{
    setWindowTitle(appContext().text(kTextLeveling));
    setWindowModality(Qt::ApplicationModal);
    setMouseTracking(true);
    readLevelingSettings(config_);
    const QScreen* screen =
        parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    setGeometry(screen ? screen->geometry() : QRect(0, 0, 1024, 768));
    buildControls();
    layOut();
    setResultStyle(QString::fromLatin1(AdjustScreenLogic::kResultStyle));

    previewLineCount = 8;
    buffers_ = std::make_unique<FrameBuffers>();
    state_.frameValid = 1;
    worker_ = std::make_unique<CImagePreviewThread>(device_, state_, config_);
    connect(worker_.get(), &CImagePreviewThread::sendData, this, &AdjustScreenWin::recvData,
            Qt::QueuedConnection);
    startWorker();
}

AdjustScreenWin::~AdjustScreenWin()
{
    delete findColumn_.data();
    if (worker_)
        worker_->stopWorker();
}

// --- Building ------------------------------------------------------------------------

void AdjustScreenWin::buildControls()
{
    const AppContext& app = appContext();
    title_ = new QLabel(app.text(kTextLeveling), this);
    title_->setFont(app.skin.title.font());
    title_->setStyleSheet(QString::fromLatin1(kHeadingText));

    hint_ = new QLabel(app.text(kTextLevelingHint), this);
    hint_->setWordWrap(true);
    hint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hint_->setFont(app.skin.text.font());
    hint_->setStyleSheet(QString::fromLatin1(kLightText));

    for (int side : {0, 1}) {
        auto* result = new QLabel(app.text(kTextSearchingImage), this);
        result->setObjectName(side == 0 ? QStringLiteral("leftResult")
                                        : QStringLiteral("rightResult"));
        result->setFont(app.skin.text.font());
        result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        result->setWordWrap(true);
        results_[static_cast<size_t>(side)] = result;
        auto* quality = new QLabel(this);
        quality->setScaledContents(true);
        quality_[static_cast<size_t>(side)] = quality;
        auto* name = new QLabel(QString::fromLatin1(side == 0 ? "Master" : "Slave"), this);
        name->setFont(app.skin.heading.font());
        name->setStyleSheet(QString::fromLatin1(kHeadingText));
        sideNames_[static_cast<size_t>(side)] = name;
        auto* value = new QLabel(emptyReadout(), this);
        value->setFont(app.skin.text.font());
        value->setStyleSheet(QString::fromLatin1(kLightText));
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        readouts_[static_cast<size_t>(side)] = value;
    }

    difference_ = new QRadioButton(app.text(kTextDifferenceImage), this);
    actual_ = new QRadioButton(app.text(kTextActualImage), this);
    // The skin's radio pictures, as large as the text.
    const int mark = QFontMetrics(app.skin.text.font()).height();
    const QString radioStyle =
        QStringLiteral("QRadioButton { %1; spacing: %2px; }"
                       " QRadioButton::indicator { width: %3px; height: %3px; }"
                       " QRadioButton::indicator:checked { image: url(%4set/radio_on.png); }"
                       " QRadioButton::indicator:unchecked { image: url(%4set/radio_off.png); }")
            .arg(QString::fromLatin1(kLightText))
            .arg(mark / 2)
            .arg(mark)
            .arg(app.skinDirectory);
    for (QRadioButton* radio : {difference_, actual_}) {
        radio->setFont(app.skin.text.font());
        radio->setStyleSheet(radioStyle);
        radio->setFocusPolicy(Qt::NoFocus);
    }
    actual_->setChecked(true);
    connect(difference_, &QRadioButton::toggled, this, [this](bool on) {
        curves_.setMode(on ? ColumnCurves::Mode::Difference : ColumnCurves::Mode::Actual);
        update();
    });

    const int texts[4] = {kTextImageAdjusting, kTextAxisAdjusting, kTextSave, kTextExit};
    void (AdjustScreenWin::*actions[4])() = {
        &AdjustScreenWin::ReAdjustingButSlot, &AdjustScreenWin::ExposureButSlot,
        &AdjustScreenWin::SaveSlot, &AdjustScreenWin::ReturnSlot};
    for (size_t i = 0; i < buttons_.size(); ++i) {
        Button* b = skinned_parts::pushButton(this, QRect(), false);
        b->setCaption(app.text(texts[i]));
        b->setCaptionFont(app.skin.heading.font());
        connect(b, &Button::clicked, this, actions[i]);
        buttons_[i] = b;
    }
    for (QWidget* child : findChildren<QWidget*>())
        child->setMouseTracking(true);
}

int AdjustScreenWin::curveLeft() const
{
    return width() / 8;
}

double AdjustScreenWin::baseline(int side) const
{
    return height() / (side == 0 ? kLeftBaselineShare : kRightBaselineShare);
}

QRect AdjustScreenWin::pictureRect(int side) const
{
    const int rows = kLinePictureRowHeight * previewLineCount;
    const int h = qRound(rows * std::min(1.0, height() / kDesignHeight));
    return QRect(curveLeft(), qRound(baseline(side)) + h / 6,
                 static_cast<int>(frame_geometry::kLineWidth), h);
}

void AdjustScreenWin::layOut()
{
    const int w = width();
    const int h = height();
    const int margin = std::max(12, w / 64);
    const int x0 = curveLeft();
    const int graphRight = x0 + static_cast<int>(frame_geometry::kLineWidth);
    const QFontMetrics text(appContext().skin.text.font());
    const int line = text.lineSpacing();

    title_->setGeometry(margin, h / 120, w / 2, std::max(line + 8, h / 24));

    // Beside each curve, in the margin: the side's name and the readout under the mouse.
    for (int side : {0, 1}) {
        const int top = qRound(baseline(side)) - kCurveRise;
        sideNames_[static_cast<size_t>(side)]->setGeometry(margin, top, x0 - margin - 4, line + 6);
        readouts_[static_cast<size_t>(side)]->setGeometry(margin, top + line + 10, x0 - margin - 4,
                                                          3 * line + 6);
    }

    const int columnLeft = graphRight + margin;
    const int columnWidth = std::max(40, w - columnLeft - margin);
    const int icon = std::max(32, std::min(64, h / 16));
    const int resultHeight = std::max(6 * line + 16, icon + 16);
    const QRect rightPicture = pictureRect(1);
    int below = rightPicture.bottom() + std::max(14, h / 40); // first free row under the drawing
    auto placeResult = [&](int side, const QRect& r) {
        results_[static_cast<size_t>(side)]->setGeometry(r);
        quality_[static_cast<size_t>(side)]->setGeometry(r.right() - icon - 10, r.top() + 10, icon,
                                                         icon);
    };
    // A wide screen has room right of the drawing: each side's result beside its curve
    // and picture, the drawing choice and the hint underneath. Otherwise the drawing
    // choice and the hint go right of the curves and the results underneath.
    // (The widest result is a line of four segments of the stored values, unbroken.)
    const int widestResult = text.horizontalAdvance(
        QStringLiteral("(10,320,400),(10,400,480),(10,480,560),(10,560,640),"));
    const bool wide = columnWidth >= widestResult + icon + 48;
    if (wide) {
        for (int side : {0, 1}) {
            const int top = qRound(baseline(side)) - kCurveRise - 4;
            placeResult(side, QRect(columnLeft, top, columnWidth,
                                    std::max(resultHeight, pictureRect(side).bottom() - top)));
        }
        const int choice = difference_->sizeHint().width() + 2 * margin;
        difference_->setGeometry(margin, below, choice, line + 8);
        actual_->setGeometry(margin + choice, below, actual_->sizeHint().width() + margin,
                             line + 8);
        below += line + 16;
        const int hintHeight = hint_->heightForWidth(w - 2 * margin);
        hint_->setGeometry(margin, below, w - 2 * margin, std::max(line, hintHeight));
        below += hint_->height();
    } else {
        const int top = qRound(baseline(0)) - kCurveRise;
        difference_->setGeometry(columnLeft, top, columnWidth, line + 8);
        actual_->setGeometry(columnLeft, top + line + 12, columnWidth, line + 8);
        const int hintTop = top + 2 * line + 32;
        hint_->setGeometry(columnLeft, hintTop, columnWidth,
                           std::max(line, qRound(baseline(1)) - hintTop));
        const int half = (w - 3 * margin) / 2;
        for (int side : {0, 1})
            placeResult(side, QRect(margin + side * (half + margin), below, half, resultHeight));
        below += resultHeight;
    }

    // The buttons in a row along the bottom.
    const int buttonWidth =
        std::max(w / 8, text.horizontalAdvance(appContext().text(kTextImageAdjusting)) + 40);
    const int buttonHeight = std::max(line + 18, h / 20);
    const int gap = std::max(margin, w / 40);
    const int rowWidth = 4 * buttonWidth + 3 * gap;
    const int buttonTop = std::min(h - buttonHeight - margin, below + std::max(margin, h / 30));
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setGeometry((w - rowWidth) / 2 + static_cast<int>(i) * (buttonWidth + gap),
                                 buttonTop, buttonWidth, buttonHeight);
}

// --- Accessors for tests -------------------------------------------------------------

QString AdjustScreenWin::resultText(int side) const
{
    return results_[side == 0 ? 0 : 1]->text();
}

bool AdjustScreenWin::hasQualityPicture(int side) const
{
    const QLabel* q = quality_[side == 0 ? 0 : 1];
    return !q->pixmap().isNull() && q->isVisible();
}

QString AdjustScreenWin::readoutText(int side) const
{
    return readouts_[side == 0 ? 0 : 1]->text();
}

QString AdjustScreenWin::hintText() const
{
    return hint_->text();
}

Button* AdjustScreenWin::adjustButton(int index) const
{
    return index >= 1 && index <= 4 ? buttons_[static_cast<size_t>(index - 1)] : nullptr;
}

FindColumn* AdjustScreenWin::findColumnWindow() const
{
    return findColumn_.data();
}

bool AdjustScreenWin::workerRunning() const
{
    return worker_ && worker_->isRunning();
}

void AdjustScreenWin::chooseDifference(bool difference)
{
    (difference ? difference_ : actual_)->setChecked(true);
}

bool AdjustScreenWin::differenceShown() const
{
    return difference_->isChecked();
}

// --- The worker ----------------------------------------------------------------------

bool AdjustScreenWin::startWorker()
{
    return worker_ && buffers_ && buffers_->valid() && worker_->startWorker();
}

void AdjustScreenWin::stopWorkerThen(std::function<void()> next)
{
    if (!worker_ || !worker_->isRunning()) {
        if (worker_)
            worker_->stopWorker(); // not running: only its clean-up
        next();
        return;
    }
    // The worker stops at its next step; the window keeps painting meanwhile.
    worker_->requestStop();
    whenFinished(*worker_, this, [this, next = std::move(next)] {
        worker_->stopWorker();
        next();
    });
}

void AdjustScreenWin::after(double ms, std::function<void()> next)
{
    QTimer::singleShot(qRound(ms * delay::timeScale()), this, std::move(next));
}

// --- Slots ---------------------------------------------------------------------------

void AdjustScreenWin::recvData(int code)
{
    if (leaving_ && code != kAdjustNewFrame)
        return;
    logic_.handleCode(code);
}

void AdjustScreenWin::ReAdjustingButSlot()
{
    if (busy_ || leaving_)
        return;
    buttons_[3]->setCaption(appContext().text(kTextExit));
    logic_.startReAdjusting();
    // A worker that ended after a failure searches again instead of leaving the texts
    // waiting for nothing.
    if (!workerRunning()) {
        state_.loadFlag = 0;
        startWorker();
    }
}

void AdjustScreenWin::ExposureButSlot()
{
    if (busy_ || leaving_)
        return;
    busy_ = true;
    buttons_[3]->setCaption(appContext().text(kTextExit));
    logic_.startAxisAdjusting();
    stopWorkerThen([this] {
        if (logic_.closing()) {
            busy_ = false;
            return;
        }
        after(kFindColumnWaitMs, [this] {
            busy_ = false;
            if (logic_.closing())
                return;
            delete findColumn_.data();
            findColumn_ = new FindColumn(device_, scene_, config_.SensorType, this);
            connect(findColumn_.data(), &FindColumn::sendData, this, &AdjustScreenWin::recvData);
        });
    });
}

void AdjustScreenWin::SaveSlot()
{
    if (busy_ || leaving_)
        return;
    busy_ = true;
    logic_.handleCode(kAdjustButtonsDisabled); // until the frame has answered
    saveWait_ = std::make_unique<SaveWait>(state_);
    if (!saveTimer_) {
        saveTimer_ = new QTimer(this);
        connect(saveTimer_, &QTimer::timeout, this, &AdjustScreenWin::stepSave);
    }
    // The wait bounds the worker, not the frame: its steps are not shortened with the
    // device link's waits.
    saveTimer_->start(qRound(SaveWait::kStepMs));
}

void AdjustScreenWin::stepSave()
{
    const int outcome = saveWait_ ? saveWait_->step() : 0;
    if (outcome == SaveWait::kWaiting)
        return;
    saveTimer_->stop();
    saveWait_.reset();
    busy_ = false;
    logic_.saveFinished(outcome);
}

void AdjustScreenWin::SaveDataButSlot()
{
    FrameCopy left{};
    FrameCopy right{};
    state_.frames.take(left, right);
    const QPixmap picture = grab();
    sample_store::saveSample([&picture](const QString& path) { return picture.save(path, "PNG"); },
                             left.data(), right.data());
}

void AdjustScreenWin::SaveButSlot()
{
    exitCaptionToggled_ = !exitCaptionToggled_;
    buttons_[3]->setCaption(exitCaptionToggled_ ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

void AdjustScreenWin::ReturnSlot()
{
    if (leaving_)
        return;
    leaving_ = true;
    busy_ = true;
    logic_.setClosing();
    if (saveTimer_)
        saveTimer_->stop();
    setAdjustButtonsEnabled(false);
    buttons_[3]->setButtonEnabled(false);
    if (findColumn_) {
        // It may be what called: it goes once it has returned, its worker before anything
        // else touches the frame.
        findColumn_->stopWorker();
        findColumn_->hide();
        findColumn_->deleteLater();
    }
    const bool present = g_bDevExist && g_isDeviceCommunicate;
    if (present)
        state_.frames.take(g_BackgroundFrames[0], g_BackgroundFrames[1]);
    stopWorkerThen([this, present] {
        after(kLeaveWaitMs, [this, present] {
            buffers_.reset();
            if (present)
                writeBackAndClose();
            else
                finishLeaving(3, false);
        });
    });
}

void AdjustScreenWin::writeBackAndClose()
{
    auto outcome = std::make_shared<LevelingExitResult>();
    Device* device = &device_;
    const QString folder = QDir::currentPath();
    const int writeInfo = g_WriteDeviceInfo;
    const int amendInfo = g_AmendDeviceInfo;
    auto* job = new DeviceJob(
        [device, outcome, folder, writeInfo, amendInfo] {
            *outcome =
                runLevelingExit(*device, SettingsFile::vireto(), writeInfo, amendInfo, folder);
            return outcome->configWritten;
        },
        this);
    connect(job, &DeviceJob::sendData, this, [this, outcome](int) {
        using DeviceInfo = LevelingExitResult::DeviceInfo;
        const AppContext& app = appContext();
        if (!outcome->configWritten && g_bDevExist) {
            // The leveling is not complete without its record: the operator is told
            // rather than shown the main window as if nothing had happened.
            MyMessageBox box(this, app.text(kTextLeveling), app.text(kTextWriteFailed), 1,
                             {QStringLiteral("OK")});
            box.run();
        } else if (outcome->deviceInfo == DeviceInfo::Written) {
            MyMessageBox box(this, app.text(kTextLeveling), outcome->info.message.trimmed(), 1,
                             {QStringLiteral("OK")});
            box.run();
        } else if (outcome->deviceInfo == DeviceInfo::DialogWanted) {
            // The operator amends the values before the record is written.
            runDeviceInfoDialog(this, device_, levelingExportContext());
        }
        const bool leveled = outcome->configWritten && logic_.saved();
        after(kLeaveWaitMs, [this, leveled] {
            const bool present = g_bDevExist && g_isDeviceCommunicate;
            finishLeaving(present ? 2 : 3, present && leveled);
        });
    });
    job->startJob();
}

void AdjustScreenWin::finishLeaving(int code, bool leveled)
{
    // A leveling that was saved and whose record went back is reported as such before
    // the window says it closed.
    if (leveled)
        emit sendShowData(kShowLeveled);
    emit sendShowData(code);
    close();
}

void AdjustScreenWin::closeEvent(QCloseEvent* event)
{
    // Closing goes the way of Exit, so that the frame is left as it should be.
    if (!leaving_) {
        event->ignore();
        ReturnSlot();
        return;
    }
    QDialog::closeEvent(event);
}

// --- AdjustScreenView ----------------------------------------------------------------

void AdjustScreenWin::showResult(int side, const QString& text)
{
    results_[side == 0 ? 0 : 1]->setText(text);
}

void AdjustScreenWin::showQuality(int side, const QString& picture)
{
    QLabel* q = quality_[side == 0 ? 0 : 1];
    if (picture.isEmpty()) {
        q->clear();
        q->hide();
        return;
    }
    q->setPixmap(QPixmap(appContext().skinDirectory + picture));
    q->show();
    q->raise();
}

void AdjustScreenWin::setResultStyle(const QString& styleSheet)
{
    for (int side : {0, 1}) {
        QLabel* result = results_[static_cast<size_t>(side)];
        const int room = quality_[static_cast<size_t>(side)]->width() + 20;
        result->setStyleSheet(QString::fromLatin1(kResultPanel).arg(styleSheet).arg(room));
    }
}

void AdjustScreenWin::showHint(const QString& text)
{
    hint_->setText(text);
}

void AdjustScreenWin::setAdjustButtonsEnabled(bool enabled)
{
    for (size_t i = 0; i < 3; ++i)
        buttons_[i]->setButtonEnabled(enabled);
}

void AdjustScreenWin::highlightButton(int index)
{
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setHighlighted(static_cast<int>(i) + 1 == index);
}

void AdjustScreenWin::repaintPictures()
{
    update();
}

void AdjustScreenWin::leave()
{
    ReturnSlot();
}

void AdjustScreenWin::runSensorTest()
{
    // The worker waits for the test; it runs off the window's thread, and the warning
    // box comes up here once it has finished.
    auto result = std::make_shared<SensorDataResult>();
    Device* device = &device_;
    auto* job = new DeviceJob(
        [device, result] {
            *result = TestSensorData(*device);
            return result->ok;
        },
        this);
    connect(job, &DeviceJob::sendData, this, [this, result](int ok) {
        if (!result->warning.isEmpty()) {
            MyMessageBox box(this, appContext().text(kTextWarning), result->warning, 1,
                             {QStringLiteral("OK")});
            box.run();
        }
        if (!ok)
            showHint(appContext().text(kTextCheckConnection));
        state_.testFinished = 1;
    });
    job->startJob();
}

void AdjustScreenWin::restartWorkerLater()
{
    after(kRestartWaitMs, [this] {
        if (logic_.closing() || workerRunning())
            return;
        state_.loadFlag = 0; // the values found by axis-adjusting stay
        if (startWorker())
            state_.frameValid = 1;
    });
}

// --- Keyboard, mouse, drawing ----------------------------------------------------------

bool AdjustScreenWin::focusNextPrevChild(bool)
{
    return false; // Tab moves the window's own button focus
}

void AdjustScreenWin::keyPressEvent(QKeyEvent* event)
{
    switch (logic_.keyPressed(event->key())) {
    case AdjustScreenLogic::Action::ReAdjust:
        ReAdjustingButSlot();
        return;
    case AdjustScreenLogic::Action::AxisAdjust:
        ExposureButSlot();
        return;
    case AdjustScreenLogic::Action::Save:
        SaveSlot();
        return;
    case AdjustScreenLogic::Action::Exit:
        ReturnSlot();
        return;
    case AdjustScreenLogic::Action::None:
        return;
    case AdjustScreenLogic::Action::Default:
        QDialog::keyPressEvent(event);
        return;
    }
}

void AdjustScreenWin::updateReadout(const QPoint& position)
{
    const int column = position.x() - curveLeft();
    if (column < 0 || column >= static_cast<int>(frame_geometry::kLineWidth))
        return;
    for (int side : {0, 1}) {
        const double base = baseline(side);
        if (position.y() <= base && position.y() >= base - kCurveRise) {
            readouts_[static_cast<size_t>(side)]->setText(
                readout(curves_.minimum(side), curves_.maximum(side),
                        curves_.shown(side)[static_cast<size_t>(column)]));
        }
    }
}

void AdjustScreenWin::mouseMoveEvent(QMouseEvent* event)
{
    updateReadout(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

void AdjustScreenWin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The skin's colours, without the main window's picture (its title band would cross
    // the curves on a full screen).
    QLinearGradient shade(0, 0, width(), height());
    shade.setColorAt(0, QColor(14, 40, 72));
    shade.setColorAt(1, QColor(16, 78, 108));
    painter.fillRect(rect(), shade);
    painter.fillRect(QRect(0, 0, width(), title_->geometry().bottom() + 4), QColor(20, 52, 88));

    if (state_.frames.take(shown_[0], shown_[1]))
        state_.frameReady = 0;
    g_BackgroundFrames = shown_;
    curves_.update(shown_[0].data(), shown_[1].data(), state_.frameValid.exchange(0) != 0);

    const int lines = previewLineCount;
    const int x0 = curveLeft();
    const int columns = static_cast<int>(frame_geometry::kLineWidth);
    for (int side : {0, 1}) {
        const auto i = static_cast<size_t>(side);
        const OpticalValues v = opticalParams(side == 0 ? Side::Master : Side::Slave).values();

        // The line picture: every sensor line 8 rows tall, the column range and the
        // optimum-line segments in red.
        const std::vector<uint8_t> raster = linePictureRaster(shown_[i].data(), lines);
        const int rows = lines * kLinePictureRowHeight;
        QImage picture(columns, rows, QImage::Format_RGB32);
        for (int y = 0; y < rows; ++y) {
            auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
            const uint8_t* in = raster.data() + static_cast<size_t>(y) * frame_geometry::kLineWidth;
            for (int x = 0; x < columns; ++x)
                out[x] = qRgb(in[x], in[x], in[x]);
        }
        {
            QPainter mark(&picture);
            mark.setPen(QColor(255, 0, 0));
            for (uint32_t column : {v.startColumn, v.endColumn})
                if (column < frame_geometry::kLineWidth)
                    mark.drawLine(int(column), 0, int(column), rows - 1);
            for (const OptimumLineSegment& s : v.optimumLines) {
                if (s.line >= lines || s.startColumn >= s.endColumn)
                    continue;
                const int band = s.line * kLinePictureRowHeight;
                const int end = std::min<int>(s.endColumn, columns) - 1;
                mark.fillRect(QRect(QPoint(s.startColumn, band + 3), QPoint(end, band + 4)),
                              QColor(255, 0, 0));
            }
        }
        const QRect target = pictureRect(side);
        painter.drawImage(target, picture);
        painter.setPen(kPanelBorder);
        painter.drawRect(target.adjusted(-1, -1, 0, 0));

        // The column curve on its panel, with the threshold of the difference drawing.
        const double base = baseline(side);
        const QRectF panel(x0 - 4, base - kCurveRise - 4, columns + 8, kCurveRise + 8);
        painter.setPen(kPanelBorder);
        painter.setBrush(kPanelColour);
        painter.drawRoundedRect(panel, 4, 4);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QColor(200, 210, 222));
        painter.drawLine(QPointF(x0, base), QPointF(x0 + columns - 1, base));
        if (curves_.mode() == ColumnCurves::Mode::Difference) {
            QPen dashed(Qt::black);
            dashed.setStyle(Qt::DashLine);
            painter.setPen(dashed);
            const double y = base - config_.DifferenceImage / 2.0;
            painter.drawLine(QPointF(x0, y), QPointF(x0 + columns - 1, y));
        }
        QPolygonF curve;
        curve.reserve(columns);
        const ColumnCurves::Curve& values = curves_.shown(side);
        for (int col = 0; col < columns; ++col)
            curve << QPointF(x0 + col, base - values[static_cast<size_t>(col)] / 2.0);
        painter.setPen(kCurveColour);
        painter.drawPolyline(curve);
    }
}
