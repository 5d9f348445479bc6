#pragma once

#include "calibration/FindColumnRun.h"

#include <QDialog>

#include <memory>

class Device;
class FindColumnThread;
class QLabel;
class VirtualScene;

// The axis-adjusting window: full screen, it asks the operator to touch the bottom-left
// and then the bottom-right corner of the touch area while its worker
// (FindColumnThread) collects the touches and asks the frame for new optimum-line
// tables. It reports to the image-adjusting window through sendData(int): 12 axis-
// adjusting complete, then 16 closed (13 when the frame was lost).
class FindColumn : public QDialog {
    Q_OBJECT
public:
    // scene: the virtual frame's scene, whose operator is placed for the corners; null for
    // a real frame.
    FindColumn(Device& device, std::shared_ptr<VirtualScene> scene, int sensorType,
               QWidget* parent = nullptr);
    ~FindColumn() override;

    // For tests and screenshots.
    QString statusText() const;
    QString promptText() const;
    bool started() const { return started_; }
    const FindColumnState& runState() const { return state_; }
    bool workerRunning() const;
    // Stops the worker and waits for it (the owner leaves while this window is open).
    void stopWorker();

signals:
    void sendData(int code);

public slots:
    void recvSubData(int code);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Escape, and the end after code 3: stop the worker, pause, report 16 (or 13), close.
    void escape();
    void refreshPrompt();

    FindColumnState state_;
    std::unique_ptr<FindColumnThread> worker_;
    std::array<FindColumnRun::Target, 2> targets_{};
    bool started_ = false;
    bool escaping_ = false;
    bool closed_ = false;
    QLabel* status_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* prompt_ = nullptr;
};
