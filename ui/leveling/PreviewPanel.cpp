#include "ui/leveling/PreviewPanel.h"

#include "app/TextIds.h"
#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"
#include "ui/widgets/Button.h"

#include <QImage>
#include <QPainter>

// The picture area: both cameras' frames, 9 sensor lines of 8 rows each, the left
// camera above the right one.
class PreviewArea : public QWidget {
public:
    PreviewArea(QWidget* parent, EngineeringPreviewState& state) : QWidget(parent), state_(state) {}
    void setCompressed(bool compressed)
    {
        compressed_ = compressed;
        update();
    }
    void clear()
    {
        frames_ = {};
        shown_ = 0;
        any_ = false;
        update();
    }
    int shown() const { return shown_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage picture(int side) const;

    EngineeringPreviewState& state_;
    std::array<FrameCopy, 2> frames_{};
    bool compressed_ = false;
    int shown_ = 0;
    bool any_ = false; // a frame has arrived since the preview started
};

namespace {

constexpr int kPictureRows = 72; // 9 lines of 8 rows
constexpr int kLinesRead = 8;
// Codes of a deferred register access that failed: a single read, a port write.
constexpr int kSingleReadFailed = 14;
constexpr int kPortWriteFailed = 16;

} // namespace

QImage PreviewArea::picture(int side) const
{
    const int width = static_cast<int>(frame_geometry::kLineWidth);
    const FrameCopy& frame = frames_[static_cast<size_t>(side)];
    QImage image(width, kPictureRows, QImage::Format_RGB32);
    for (int y = 0; y < kPictureRows; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uint8_t* in = frame.data() + (y / 8) * width;
        for (int x = 0; x < width; ++x)
            out[x] = qRgb(in[x], in[x], in[x]);
    }
    // The column range of the side, and the stretches of its optimum lines, in red over
    // the lines read.
    const OpticalValues v = opticalParams(side == 0 ? Side::Master : Side::Slave).values();
    QPainter mark(&image);
    mark.setPen(QColor(255, 0, 0));
    const int bottom = kLinesRead * 8 - 1;
    for (uint32_t column : {v.startColumn, v.endColumn})
        if (column < frame_geometry::kLineWidth)
            mark.drawLine(int(column), 0, int(column), bottom);
    for (const OptimumLineSegment& s : v.optimumLines) {
        if (s.line >= kLinesRead || s.startColumn >= s.endColumn)
            continue;
        const int y = s.line * 8 + 4;
        mark.drawLine(s.startColumn, y, std::min<int>(s.endColumn, width) - 1, y);
    }
    return image;
}

void PreviewArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QColor(120, 160, 200));
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 4, 4);
    if (state_.frames.take(frames_[0], frames_[1]) && state_.frameReady.exchange(0)) {
        ++shown_;
        any_ = true;
    }
    if (!any_)
        return;
    const int inset = 6;
    const QRect inner = rect().adjusted(inset, inset, -inset, -inset);
    const int half = (inner.height() - inset) / 2;
    painter.setClipRect(inner);
    for (int side : {0, 1}) {
        const QImage image = picture(side);
        const QRect display(inner.x(), inner.y() + side * (half + inset), inner.width(), half);
        if (compressed_)
            painter.drawImage(display, image);
        else
            painter.drawImage(display.topLeft(), image);
    }
}

PreviewPanel::PreviewPanel(QWidget* parent, const QRect& designRect, double scale, Device& device)
    : EngineeringPanel(parent, designRect, scale), device_(device)
{
    preview_ = addButton(kTextPreview, QRect(0, 0, 180, 40));
    connect(preview_, &Button::clicked, this, &PreviewPanel::previewRequested);
    compress_ = addButton(kTextCompressImage, QRect(196, 0, 220, 40));
    connect(compress_, &Button::clicked, this, &PreviewPanel::toggleCompress);
    area_ = new PreviewArea(this, state_);
    area_->setObjectName(QStringLiteral("previewArea"));
    area_->setGeometry(scaled(0, 52, 612, 270));
}

PreviewPanel::~PreviewPanel()
{
    stopPreview();
}

bool PreviewPanel::previewRunning() const
{
    return worker_ && worker_->isRunning();
}

int PreviewPanel::framesShown() const
{
    return area_->shown();
}

bool PreviewPanel::startPreview()
{
    if (previewRunning())
        return true;
    buffers_ = std::make_unique<FrameBuffers>();
    if (!buffers_->valid()) {
        buffers_.reset();
        return false;
    }
    area_->clear();
    state_.previewSwitch = 1;
    state_.frameReady = 0;
    worker_ = std::make_unique<PreviewThread>(device_, state_);
    connect(worker_.get(), &PreviewThread::sendData, this, &PreviewPanel::recvData,
            Qt::QueuedConnection);
    if (!worker_->startWorker()) {
        stopPreview();
        return false;
    }
    setButtonText(preview_, kTextClosePreview);
    return true;
}

void PreviewPanel::stopPreview()
{
    state_.previewSwitch = 0;
    const bool ran = worker_ != nullptr;
    if (worker_) {
        worker_->stopWorker();
        worker_.reset();
    }
    buffers_.reset();
    setButtonText(preview_, kTextPreview);
    if (ran)
        emit previewEnded();
}

bool PreviewPanel::deferToFrameEnd(std::function<int()> access)
{
    return previewRunning() && worker_->runAfterFrame(std::move(access));
}

void PreviewPanel::toggleCompress()
{
    compressed_ = !compressed_;
    setButtonText(compress_, compressed_ ? kTextNoCompressImage : kTextCompressImage);
    area_->setCompressed(compressed_);
}

void PreviewPanel::recvData(int code)
{
    switch (code) {
    case PreviewThread::kFrameReady:
        area_->update();
        return;
    case PreviewThread::kPreviewStopped:
        stopPreview();
        return;
    default:
        // A deferred register access that failed stops the preview as well.
        if (code == kSingleReadFailed || code == kPortWriteFailed)
            stopPreview();
        emit accessReported(code);
        return;
    }
}
