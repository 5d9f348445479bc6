#pragma once

#include "device/ModeSwitch.h"

#include <functional>
#include <optional>

struct CliContext;

// A device function as the windows run one: the frame goes to calibration mode first
// and back to work mode at the end, with the window's messages printed instead.
class ToolSession : public ModeSwitchObserver {
public:
    explicit ToolSession(Device& device) : device_(device) {}
    ~ToolSession() override;

    // Calibration mode; false (with the reason printed) when the frame refuses.
    bool begin();
    // Back to work mode; false (with the reason printed) when that failed. `done` says
    // what the command did before, so the message tells what was done and what was not.
    bool end(const QString& done = {});
    // Ends the command with its own exit code, unless the frame did not return to work
    // mode: a frame left with touch off fails the command.
    int finish(int exit, const QString& done = {});

    void deviceNotDetected() override;
    void showText(int textIndex) override;

private:
    Device& device_;
    bool active_ = false;
};

// How most subcommands start: the frame the context names is opened and a ToolSession
// begun on it. When either fails the reason has been printed and exitCode() is the
// command's exit (no frame, or failed).
class FrameSession {
public:
    explicit FrameSession(const CliContext& context);

    bool begun() const { return begun_; }
    int exitCode() const;
    Device* device() const { return device_; }
    ToolSession& session() { return *session_; }

private:
    Device* device_;
    std::optional<ToolSession> session_;
    bool begun_ = false;
};

// A subcommand's work in a FrameSession: work(device, session) gives the exit code, or
// the session's exit code when it could not begin.
int inFrameSession(const CliContext& context,
                   const std::function<int(Device& device, ToolSession& session)>& work);
