#include "ui/calibration/CalibrationRunPainter.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "calibration/CalibrationTargets.h"
#include "ui/calibration/CalibrationRunLogic.h"

#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int kRepaintsPerFrame = 5;
constexpr int kAnimationMs = 40;

const QColor kBarBack(177, 233, 251);
const QColor kBarFill(0, 211, 40);
const QColor kText(225, 236, 248);

} // namespace

CalibrationRunPainter::CalibrationRunPainter()
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
}

std::vector<QPoint> CalibrationRunPainter::targets(const CalibrationRunLogic& logic)
{
    std::vector<QPoint> points;
    const int w = logic.setup().width;
    const int h = logic.setup().height;
    if (logic.fastRun()) {
        for (const auto& t : calibration_targets::fastTargets(w, h))
            points.emplace_back(t.x, t.y);
    } else {
        for (const auto& t : calibration_targets::fullTargets(w, h))
            points.emplace_back(t.x, t.y);
    }
    return points;
}

CalibrationRunPainter::Panel CalibrationRunPainter::panel(const QSize& area) const
{
    const int w = area.width();
    const int h = area.height();
    const QSize button(qRound(160 * scale_), qRound(48 * scale_));
    const int gap = qRound(24 * scale_);
    const int rowWidth = 3 * button.width() + 2 * gap;
    const int buttonsY = h * 59 / 100 - button.height();
    Panel p;
    int x = (w - rowWidth) / 2;
    for (QRect& b : p.buttons) {
        b = QRect(QPoint(x, buttonsY), button);
        x += button.width() + gap;
    }
    p.message = QRect(w / 5, h * 41 / 100, w * 3 / 5, buttonsY - h * 41 / 100 - 3 * gap / 2);
    return p;
}

void CalibrationRunPainter::drawCentred(QPainter& painter, const QPixmap& pixmap,
                                        const QPoint& at) const
{
    if (!pixmap.isNull())
        painter.drawPixmap(at - QPoint(pixmap.width() / 2, pixmap.height() / 2), pixmap);
}

void CalibrationRunPainter::drawProgress(QPainter& painter, const QSize& area,
                                         const CalibrationRunLogic& logic, int barBottom) const
{
    const CalibrationRunState& s = logic.state();
    const int count = s.targetCount();
    const int index = std::clamp(s.index.load(), 0, count);
    // While collecting the bar counts targets; while computing and storing, percent.
    const double part = index < count && s.progress == 0
                            ? double(index) / count
                            : std::clamp(s.progress.load(), 0, 100) / 100.0;
    const int w = area.width() * 2 / 5;
    const int h = std::max(6, qRound(10 * scale_));
    const QRect bar((area.width() - w) / 2, barBottom - 3 * h, w, h);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBarBack);
    painter.drawRect(bar);
    painter.setBrush(kBarFill);
    painter.drawRect(QRect(bar.topLeft(), QSize(qRound(bar.width() * part), bar.height())));
}

void CalibrationRunPainter::drawStatusLines(QPainter& painter, const QSize& area,
                                            const CalibrationRunLogic& logic) const
{
    const CalibrationRunState& s = logic.state();
    const AppContext& app = appContext();
    painter.setPen(kText);
    painter.setFont(app.skin.text.font());
    const QRect line(area.width() / 4, area.height() * 19 / 100, area.width() / 2,
                     qRound(36 * scale_));
    if (!logic.fastRun() && s.index < s.targetCount())
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

void CalibrationRunPainter::animate(QWidget& window)
{
    animation_ = new QTimer(&window);
    QObject::connect(animation_, &QTimer::timeout, &window, [this, &window] {
        ++repaints_;
        window.update();
    });
    animation_->start(kAnimationMs);
}

void CalibrationRunPainter::stopAnimation()
{
    if (animation_)
        animation_->stop();
}

void CalibrationRunPainter::paint(QPainter& painter, const QSize& area,
                                  const CalibrationRunLogic& logic, int barBottom) const
{
    const CalibrationRunState& s = logic.state();
    const std::vector<QPoint> points = targets(logic);
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
    drawProgress(painter, area, logic, barBottom);
    drawStatusLines(painter, area, logic);
}
