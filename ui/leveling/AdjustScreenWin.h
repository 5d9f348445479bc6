#pragma once

#include "imaging/AdjustScreenState.h"
#include "imaging/BackgroundFrames.h"
#include "imaging/ColumnCurves.h"
#include "imaging/LevelingConfig.h"
#include "ui/leveling/AdjustScreenLogic.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class Button;
class CImagePreviewThread;
class Device;
class FindColumn;
class FrameBuffers;
class QLabel;
class QRadioButton;
class QTimer;
class SaveWait;
class VirtualScene;

// The image-adjusting window: the live line pictures of both cameras with their column
// curves, the image-adjusting search, the find-column window for axis-adjusting and
// the save. Its worker (CImagePreviewThread) does the device work; leaving writes the
// configuration record back. It tells its main window through sendShowData(int):
// 1 leveled (saved, and the record went back), 2 closed, 3 closed with the frame lost.
class AdjustScreenWin : public QDialog, private AdjustScreenView {
    Q_OBJECT
public:
    // config: what the main window found when it prepared image-adjusting. scene: the
    // virtual frame's scene (for the virtual operator of axis-adjusting), or null.
    AdjustScreenWin(Device& device, const LevelingConfig& config,
                    std::shared_ptr<VirtualScene> scene, QWidget* parent = nullptr);
    ~AdjustScreenWin() override;

    // For tests and screenshots.
    AdjustScreenLogic& logic() { return logic_; }
    AdjustScreenState& state() { return state_; }
    QString resultText(int side) const;
    bool hasQualityPicture(int side) const;
    QString readoutText(int side) const;
    QString hintText() const;
    Button* adjustButton(int index) const; // 1..4: Image-adjusting, Axis-adjusting, Save, Exit
    FindColumn* findColumnWindow() const;
    bool workerRunning() const;
    bool busy() const { return busy_; }
    // Chooses the drawing: true "Difference image", false "Actual image".
    void chooseDifference(bool difference);
    bool differenceShown() const;
    const ColumnCurves& curves() const { return curves_; }

signals:
    void sendShowData(int code);

public slots:
    void ReturnSlot();
    void SaveSlot();
    void ExposureButSlot();
    void ReAdjustingButSlot();
    void recvData(int code);
    void SaveDataButSlot();
    void SaveButSlot();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // AdjustScreenView
    void showResult(int side, const QString& text) override;
    void showQuality(int side, const QString& picture) override;
    void setResultStyle(const QString& styleSheet) override;
    void showHint(const QString& text) override;
    void setAdjustButtonsEnabled(bool enabled) override;
    void highlightButton(int index) override;
    void repaintPictures() override;
    void leave() override;
    void runSensorTest() override;
    void restartWorkerLater() override;

    void buildControls();
    void layOut();
    bool startWorker();
    // Stops the worker without blocking the window, then runs next.
    void stopWorkerThen(std::function<void()> next);
    // A pause that scales with the device link's waits, then next (unless the window
    // went away).
    void after(double ms, std::function<void()> next);
    void stepSave();
    void writeBackAndClose();
    void finishLeaving(int code, bool leveled);
    void showDeviceInfoOutcome(int outcome);
    void updateReadout(const QPoint& position);

    // Geometry of the drawing (window pixels): the curves start one eighth of the width
    // in; their baselines lie at a fixed share of the height.
    int curveLeft() const;
    double baseline(int side) const;
    QRect pictureRect(int side) const;

    Device& device_;
    LevelingConfig config_;
    std::shared_ptr<VirtualScene> scene_;
    AdjustScreenState state_;
    AdjustScreenLogic logic_;
    std::unique_ptr<FrameBuffers> buffers_;
    std::unique_ptr<CImagePreviewThread> worker_;
    QPointer<FindColumn> findColumn_;
    ColumnCurves curves_;
    std::array<FrameCopy, 2> shown_{}; // the frame being drawn (Master, Slave)
    std::unique_ptr<SaveWait> saveWait_;
    QTimer* saveTimer_ = nullptr;
    bool busy_ = false;    // a save, an axis-adjusting start or the leaving is under way
    bool leaving_ = false; // ReturnSlot() has begun
    bool exitCaptionToggled_ = false;
    int exitOutcome_ = 0; // LevelingExitResult of the write-back, kept for the box

    QLabel* title_ = nullptr;
    QLabel* hint_ = nullptr;
    std::array<QLabel*, 2> results_{};
    std::array<QLabel*, 2> quality_{};
    std::array<QLabel*, 2> readouts_{};
    std::array<QLabel*, 2> sideNames_{};
    QRadioButton* difference_ = nullptr;
    QRadioButton* actual_ = nullptr;
    std::array<Button*, 4> buttons_{};
};
