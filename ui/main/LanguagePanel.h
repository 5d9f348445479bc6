#pragma once

#include "ui/widgets/EngineeringPanel.h"

class QComboBox;

// "Language" with the selector of the pack's languages.
class LanguagePanel : public EngineeringPanel {
    Q_OBJECT
public:
    LanguagePanel(QWidget* parent, const QRect& designRect, double scale);
    QComboBox* selector() const { return selector_; }

signals:
    void languageChosen(int index);

private:
    QComboBox* selector_;
};
