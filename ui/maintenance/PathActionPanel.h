#pragma once

#include "ui/widgets/EngineeringPanel.h"

#include <QStringList>

class Button;
class QLineEdit;

// A row of the engineering layout that works on a chosen file: its label, the path, a
// browse button ("...") and the button that starts the work. The window runs its guard
// between the button and the work, so the buttons only ask (browseRequested,
// actionRequested). The lines of the work go to the window's log area (logLines).
class PathActionPanel : public EngineeringPanel {
    Q_OBJECT
public:
    // label, action: language-table texts; filter: the file dialog's filter.
    PathActionPanel(QWidget* parent, const QRect& designRect, double scale, int label, int action,
                    QString filter);

    // The file dialog; a chosen file becomes the path.
    void browse();
    QString path() const { return path_; }
    void setPath(const QString& path);
    QLineEdit* pathField() const { return field_; }

signals:
    void browseRequested();
    void actionRequested();
    void logLines(const QStringList& lines);

protected:
    bool busy(const Button* button) const override;
    // The work runs: its button waits for the end.
    virtual bool working() const = 0;
    Button* actionButton() const { return action_; }

private:
    QString filter_;
    QString path_;
    QLineEdit* field_ = nullptr;
    Button* action_ = nullptr;
};
