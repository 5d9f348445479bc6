#pragma once

#include "maintenance/FirmwareUpdateSession.h"

#include <QString>

#include <functional>

// A whole firmware update without windows, for vireto-cli and the tests: the same
// session, the same presence machine and the same download as the tool, stepped in
// this thread. Texts and progress go to note().
class HeadlessFirmwareUpdate : public FirmwareUpdateView {
public:
    HeadlessFirmwareUpdate(Device& device, std::function<void(const QString&)> note);

    // Progress (0 to 100) goes here instead of to note().
    void setProgress(std::function<void(int)> progress) { progress_ = std::move(progress); }

    // 1 when the frame came back with the new firmware.
    int run(const QString& imagePath);

    // The text of the last failure (empty after success).
    const QString& failure() const { return failure_; }

    void showText(int textIndex) override;
    void showProgress(int value) override;
    void hideProgress() override {}
    void setToolsEnabled(bool) override {}

private:
    // Steps the presence machine until it reports one of its codes (3, 13, 14 or 15).
    int waitForMonitor();
    int fail(const QString& why);

    Device& device_;
    std::function<void(const QString&)> note_;
    std::function<void(int)> progress_;
    FirmwareUpdateSession session_;
    QString failure_;
    int lastProgress_ = -1;
    int lastText_ = 0;
};
