#pragma once

#include <QDialog>
#include <QPixmap>

class Button;
class QLabel;

// The frame the factory test and single-function editions share with the engineering
// window's look: the skin's background, title, version, minimise and quit buttons, a
// status line, and dragging the frameless window by any free spot. Laid out in the
// 1920 skin's units (960 x 600) and scaled to the skin in use.
class EditionFrame : public QDialog {
    Q_OBJECT
public:
    QString statusText() const;

protected:
    explicit EditionFrame(QWidget* parent = nullptr);

    QRect scaled(int x, int y, int w, int h) const;
    double scale() const { return scale_; }
    void setStatus(const QString& text);
    void setVersionText(const QString& text);
    // The height of the design area, for the status line at its foot.
    static constexpr int kDesignWidth = 960;
    static constexpr int kDesignHeight = 600;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    double scale_ = 1.0;
    QPixmap background_;
    QLabel* status_ = nullptr;
    QLabel* version_ = nullptr;
    QPoint dragOffset_{-1, -1};
};
