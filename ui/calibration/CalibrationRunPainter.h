#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <vector>

class CalibrationRunLogic;
class QPainter;
class QTimer;
class QWidget;

// The drawing of a calibration run, shared by the windows that host one: the targets
// (done, waiting, held), the progress bar and the status lines, over whatever
// background the window paints.
class CalibrationRunPainter {
public:
    CalibrationRunPainter(); // loads the skin's target pictures
    // The skin's size against the 1920 skin's.
    double scale() const { return scale_; }
    // Repaints window every 40 ms from now on; the repaints counted move the waiting
    // target's pictures. stopAnimation() when the run's window goes.
    void animate(QWidget& window);
    void stopAnimation();
    // barBottom: the progress bar sits just above this line.
    void paint(QPainter& painter, const QSize& area, const CalibrationRunLogic& logic,
               int barBottom) const;
    static std::vector<QPoint> targets(const CalibrationRunLogic& logic);

    // The panel in the middle of a run's window, between the rows of targets: three
    // buttons in a row and the message area above them.
    struct Panel {
        std::array<QRect, 3> buttons;
        QRect message;
    };
    Panel panel(const QSize& area) const;

private:
    void drawCentred(QPainter& painter, const QPixmap& pixmap, const QPoint& at) const;
    void drawProgress(QPainter& painter, const QSize& area, const CalibrationRunLogic& logic,
                      int barBottom) const;
    void drawStatusLines(QPainter& painter, const QSize& area,
                         const CalibrationRunLogic& logic) const;

    double scale_ = 1.0;
    QTimer* animation_ = nullptr; // the window's
    int repaints_ = 0;
    QPixmap done_;
    std::array<QPixmap, 5> waiting_;
    std::array<QPixmap, 5> holding_;
};
