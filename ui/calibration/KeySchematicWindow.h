#pragma once

#include "calibration/KeyLayout.h"
#include "ui/widgets/FullScreenWindow.h"

#include <utility>
#include <vector>

class QLabel;
class QScreen;

// What the key calibration and the key test windows share: full screen on the touch
// screen, the schematic of the frame with the keys of the layout in "Vireto.ini",
// outlined one pixel wide, the pressed key filled red, a hint above the frame, a message
// inside it and the buttons along its bottom.
class KeySchematicWindow : public FullScreenWindow {
    Q_OBJECT
public:
    QString hintText() const;
    QString messageText() const;
    const shortcut_keys::Schematic& schematic() const { return schematic_; }
    // The key drawn red at the last repaint (side code, key number; 0 none).
    std::pair<int, int> litKey() const { return lit_; }

protected:
    KeySchematicWindow(const QString& title, QScreen* screen, QWidget* parent);

    void placeButtons(const std::vector<Button*>& buttons);
    void showHint(int textIndex);
    void showMessage(int textIndex);
    void showMessage(const QString& text);
    // The key to fill red now (side code, key number); none by default.
    virtual std::pair<int, int> pressedKey() const { return {0, 0}; }
    // Drawn over the schematic.
    virtual void paintOver(QPainter&) {}
    void paintEvent(QPaintEvent* event) override;

    shortcut_keys::KeyLayout layout_;
    shortcut_keys::Schematic schematic_;

private:
    QLabel* hint_ = nullptr;
    QLabel* message_ = nullptr;
    std::pair<int, int> lit_{0, 0};
};
