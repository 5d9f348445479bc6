#pragma once

#include "imaging/AdjustScreenState.h"
#include "imaging/LevelingConfig.h"

#include <QString>

// What the image-adjusting window shows and does; the window implements it and stays
// thin. Sides: 0 left (Master), 1 right (Slave).
class AdjustScreenView {
public:
    virtual ~AdjustScreenView() = default;
    virtual void showResult(int side, const QString& text) = 0;
    // "Qualified.png", "NoQualified.png", or empty for no picture.
    virtual void showQuality(int side, const QString& picture) = 0;
    virtual void setResultStyle(const QString& styleSheet) = 0;
    virtual void showHint(const QString& text) = 0;
    // The Image-adjusting, Axis-adjusting and Save buttons.
    virtual void setAdjustButtonsEnabled(bool enabled) = 0;
    // 1..4: Image-adjusting, Axis-adjusting, Save, Exit highlighted alone; 0: none.
    virtual void highlightButton(int index) = 0;
    virtual void repaintPictures() = 0;
    // ReturnSlot().
    virtual void leave() = 0;
    // The sensor data-cable test the worker waits for (code 17).
    virtual void runSensorTest() = 0;
    // After axis-adjusting: the worker again after a pause, without reloading (code 16).
    virtual void restartWorkerLater() = 0;
};

// The image-adjusting window's side of the workflow, without widgets: the worker and
// find-column codes of recvData(int), the result texts, the keyboard focus and the
// rules of pen mode.
class AdjustScreenLogic {
public:
    // What a key asks for (keyPressEvent).
    enum class Action { None, ReAdjust, AxisAdjust, Save, Exit, Default };
    static constexpr int kFocusAfterReAdjust = 6;
    static const char* const kResultStyle; // "color:rgb(40,40,40)"

    AdjustScreenLogic(AdjustScreenView& view, AdjustScreenState& state,
                      const LevelingConfig& config);

    // recvData(int).
    void handleCode(int code);
    Action keyPressed(int key);

    // The start of ReAdjustingButSlot(): a new search is asked for.
    void startReAdjusting();
    // The start of ExposureButSlot(): the buttons wait for the find-column window.
    void startAxisAdjusting();
    // SaveSlot()'s end: text 44 or 14, buttons back.
    void saveFinished(int stored);

    bool closing() const { return closing_; }
    void setClosing() { closing_ = true; }
    bool axisDone() const { return axisDone_; }
    // A save was stored while the window was open.
    bool saved() const { return saved_; }
    int focusIndex() const { return focus_; }
    bool adjustButtonsEnabled() const { return buttonsEnabled_; }

    // The result texts of codes 4 (text 59) and 12 (text 55) for a side, and the stored
    // values of code 9.
    static QString resultText(int textIndex, int side);
    static QString storedValuesText(int side);

private:
    void bothLabels(int textIndex);
    void enableButtons();
    void disableButtons();
    void showResults(int textIndex);
    void startLineFailed();

    AdjustScreenView& view_;
    AdjustScreenState& state_;
    const LevelingConfig& config_;
    void logLoss(const char* what);

    bool closing_ = false;
    bool axisDone_ = false;
    bool saved_ = false;
    bool lossLogged_ = false; // a lost frame is logged once, not with every code after it
    bool buttonsEnabled_ = true;
    int focus_ = 0;
};
