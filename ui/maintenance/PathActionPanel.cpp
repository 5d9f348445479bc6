#include "ui/maintenance/PathActionPanel.h"

#include "ui/widgets/Button.h"
#include "ui/widgets/FileChoice.h"

#include <QLineEdit>

PathActionPanel::PathActionPanel(QWidget* parent, const QRect& designRect, double scale, int label,
                                 int action, QString filter)
    : EngineeringPanel(parent, designRect, scale), filter_(std::move(filter))
{
    addLabel(label, QRect(0, 2, 170, 36));
    field_ = addPathField(QRect(176, 2, 216, 36));
    connect(addBrowseButton(QRect(398, 0, 48, 40)), &Button::clicked, this,
            &PathActionPanel::browseRequested);
    // Wide enough for "Run Script" in the longer languages.
    action_ = addButton(action, QRect(452, 0, 160, 40));
    connect(action_, &Button::clicked, this, &PathActionPanel::actionRequested);
}

void PathActionPanel::browse()
{
    const QString chosen = file_choice::choose(window(), file_choice::Purpose::Open, filter_);
    if (!chosen.isEmpty())
        setPath(chosen);
}

void PathActionPanel::setPath(const QString& path)
{
    path_ = path;
    showPath(field_, path);
}

bool PathActionPanel::busy(const Button* button) const
{
    return button == action_ && working();
}
