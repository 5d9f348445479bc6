#pragma once

#include "ui/main/MainWindowLogic.h"

#include <QString>

#include <functional>

// What the single-function edition's window does beyond a main window's status line.
class SingleEditionView : public MainWindowView {
public:
    // A one-button box.
    virtual void warn(const QString& title, const QString& text) = 0;
    // Opens the function of the sub-function (3, 4, 5 or 7).
    virtual void openFunction(int subFunction) = 0;
    virtual void closeWindow() = 0;
};

// The single-function edition's side: the status codes it shares with the engineering
// window, and at code 13 the firmware check and the opening of its one function.
class SingleEditionLogic {
public:
    // The sub-functions: 3 key calibration, 4 infrared pen settings, 5 image-adjusting,
    // 7 versions.
    enum Function { kKeys = 3, kPenSettings = 4, kImageAdjusting = 5, kVersions = 7 };

    SingleEditionLogic(Device& device, SingleEditionView& view, MainWindowLogic& main,
                       int subFunction, bool shortcutsEnabled);

    // recvShowData(int): codes 1, 2, 3, 5, 6, 7, 14 and 15 as the engineering window,
    // 13 its own; the others do nothing.
    void handleStatusCode(int code);
    // The function may open (key calibration needs shortcut keys); else a box says why.
    bool functionAvailable();
    // The versions, read off the GUI thread: shown gets the about text, or an empty one
    // when the frame could not be read.
    void readAbout(std::function<void(const QString&)> shown);

    int subFunction() const { return subFunction_; }
    // The language-table caption of the function's button.
    int functionCaption() const;

private:
    void frameChecked();

    Device& device_;
    SingleEditionView& view_;
    MainWindowLogic& main_;
    int subFunction_;
    bool shortcutsEnabled_;
};
