#pragma once

#include "Device.h"
#include "KeyLayout.h"
#include "KeyTestThread.h"

#include <QDialog>

class Button;
class QLabel;
class VirtualScene;

// The shortcut-key test: the schematic of the frame with its keys full screen on the
// touch screen; whenever the frame reports a pressed key, that key is filled red. On
// the virtual frame the layout's keys are printed on its bezel and pressed in turn.
class KeyTestWin : public QDialog {
    Q_OBJECT
public:
    KeyTestWin(Device& device, VirtualScene* scene, QScreen* screen, QWidget* parent = nullptr);
    ~KeyTestWin() override;

    // For tests and screenshots.
    QString hintText() const;
    QString messageText() const;
    const KeyState& keyState() const { return worker_.keyState(); }
    const shortcut_keys::Schematic& schematic() const { return schematic_; }
    // The key drawn red at the last repaint (side code, key number; 0 none).
    std::pair<int, int> litKey() const { return lit_; }

signals:
    void sendShowData(int code);

public slots:
    void recvData(int code);
    void ReturnSlot();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void leaveWith(int textIndex);

    KeyTestThread worker_;
    VirtualScene* scene_;
    shortcut_keys::Schematic schematic_;
    QLabel* hint_ = nullptr;
    QLabel* message_ = nullptr;
    Button* exitButton_ = nullptr;
    std::pair<int, int> lit_{0, 0};
    bool leaving_ = false;
    bool closeAllowed_ = false;
};
