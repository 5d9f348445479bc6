#pragma once

#include <QWidget>

class QLabel;

// Stands in for the edition windows until they are built: a frameless window that
// names the chosen edition, language and skin, and keeps the run's log like a main
// window does (start lines on opening, the end line on closing).
class EditionPlaceholder : public QWidget {
    Q_OBJECT
public:
    explicit EditionPlaceholder(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint dragOffset_{-1, -1};
};

QString editionName(int toolMode, int subFunction);
