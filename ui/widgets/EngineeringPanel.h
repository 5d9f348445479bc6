#pragma once

#include <QRect>
#include <QWidget>

#include <utility>
#include <vector>

class Button;
class QLabel;
class QLineEdit;

// One panel of the engineering layout. It lays its widgets out in its own
// coordinates, drawn for the 1920 skin and scaled by the window's factor, sets its
// captions from the language table (again after a language change), and stops its
// worker when the window asks. The main window only places the panels.
class EngineeringPanel : public QWidget {
    Q_OBJECT
public:
    // designRect: where the panel sits in the window, in 1920-skin coordinates.
    EngineeringPanel(QWidget* parent, const QRect& designRect, double scale);

    // Captions and labels from the language table.
    void refreshTexts();
    // Stops the panel's worker, if it has one running.
    virtual void stopWorkers() {}
    // While another tool owns the frame (a flash operation, a firmware update) the
    // panel's buttons are disabled.
    virtual void setToolsEnabled(bool enabled);

protected:
    QRect scaled(int x, int y, int w, int h) const;
    // Parts in panel coordinates; text is a language-table index (-1: set by hand).
    Button* addButton(int text, const QRect& designRect);
    // A button whose tool is not part of this build: shown, never enabled.
    Button* addUnavailableButton(int text, const QRect& designRect);
    QLabel* addLabel(int text, const QRect& designRect);
    // A button of this panel shows another language-table text from now on (toggles).
    void setButtonText(Button* button, int text);
    QLineEdit* addField(const QRect& designRect, bool enabled);
    // The read-only field of a chosen file's path, and the "..." button that browses.
    QLineEdit* addPathField(const QRect& designRect);
    Button* addBrowseButton(const QRect& designRect);
    // The path in its field: the end in view, the whole as the tool tip.
    static void showPath(QLineEdit* field, const QString& path);
    // Shows each available button enabled unless the tools are locked or busy(button).
    void updateButtons();
    // A panel whose own work runs disables the buttons that would start it again.
    virtual bool busy(const Button*) const { return false; }
    bool locked() const { return locked_; }

private:
    double scale_;
    std::vector<std::pair<Button*, int>> captioned_;
    std::vector<std::pair<QLabel*, int>> labels_;
    std::vector<Button*> available_;
    bool locked_ = false;
};
