#include "cli/ToolSession.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "cli/CliSupport.h"

ToolSession::~ToolSession()
{
    if (active_)
        end();
}

bool ToolSession::begin()
{
    if (!SwitchMode(device_, CalibrationMode, this)) {
        fail(kExitFailed, QStringLiteral("cannot switch the frame to calibration mode: %1")
                              .arg(lastFailure(device_)));
        return false;
    }
    active_ = true;
    return true;
}

bool ToolSession::end(const QString& done)
{
    active_ = false;
    if (SwitchMode(device_, WorkMode, this))
        return true;
    const QString notDone =
        QStringLiteral("the frame did not return to work mode: reconnect it (%1)")
            .arg(lastFailure(device_));
    fail(kExitFailed, done.isEmpty() ? notDone : done + QStringLiteral("; ") + notDone);
    return false;
}

int ToolSession::finish(int exit, const QString& done)
{
    const bool ended = end(exit == kExitOk ? done : QString());
    return ended ? exit : kExitFailed;
}

void ToolSession::deviceNotDetected()
{
    note(appContext().text(kTextNoFrame));
}

void ToolSession::showText(int textIndex)
{
    note(appContext().text(textIndex));
}

FrameSession::FrameSession(const CliContext& context) : device_(openFrame(context))
{
    if (!device_)
        return;
    session_.emplace(*device_);
    begun_ = session_->begin();
}

int FrameSession::exitCode() const
{
    return device_ ? kExitFailed : kExitNoFrame;
}

int inFrameSession(const CliContext& context,
                   const std::function<int(Device& device, ToolSession& session)>& work)
{
    FrameSession frame(context);
    if (!frame.begun())
        return frame.exitCode();
    return work(*frame.device(), frame.session());
}
