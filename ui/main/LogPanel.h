#pragma once

#include "ui/widgets/EngineeringPanel.h"

class QTextEdit;

// The engineering layout's log area, where the panels' results appear, with Clear.
class LogPanel : public EngineeringPanel {
    Q_OBJECT
public:
    LogPanel(QWidget* parent, const QRect& designRect, double scale);
    QTextEdit* area() const { return area_; }
    void append(const QString& line);
    void clear();

private:
    QTextEdit* area_;
};
