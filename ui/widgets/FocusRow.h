#pragma once

#include <QObject>

#include <vector>

class Button;
class QWidget;

// The keyboard and mouse focus of a window's skinned buttons: Tab moves the highlight
// on cyclically (1 -> 2 -> ... -> n -> 1), Return presses the highlighted button when it
// is enabled, and moving the mouse over a button highlights it while moving it anywhere
// else in the window clears the highlight. Focus 0 is none, 1..n the buttons in order.
class FocusRow : public QObject {
    Q_OBJECT
public:
    // Watches the mouse over window and its present children.
    explicit FocusRow(QWidget* window);

    void setButtons(const std::vector<Button*>& buttons);
    int focus() const { return focus_; }
    void setFocusIndex(int index);
    void next();
    // True when a highlighted, enabled button was pressed.
    bool pressFocused();
    // Tab and Return (or Enter): true when the key was one of them.
    bool handleKey(int key);
    // Watches a widget created after the row (it is part of the window).
    void watch(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::vector<Button*> buttons_;
    int focus_ = 0;
};
