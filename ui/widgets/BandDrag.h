#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Dragging a frameless window by its top band (the window's height divided by 8.85), as
// the message box and the settings windows do: a left press inside the band starts the
// drag, mouse moves over the window or any of its parts move it, the release ends it.
class BandDrag : public QObject {
    Q_OBJECT
public:
    // Watches the window and the parts it has now.
    explicit BandDrag(QWidget* window);

    int bandHeight() const { return bandHeightOf(window_); }
    static int bandHeightOf(const QWidget* window);
    // The cursor's offset from the window's corner while dragging, else (-1, -1).
    QPoint offset() const { return offset_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QPoint offset_{-1, -1};
};
