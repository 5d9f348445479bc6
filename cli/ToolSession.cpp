#include "ToolSession.h"

#include "AppContext.h"
#include "CliSupport.h"

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

bool ToolSession::end()
{
    active_ = false;
    if (SwitchMode(device_, WorkMode, this))
        return true;
    fail(kExitFailed,
         QStringLiteral("cannot switch the frame back to work mode: %1").arg(lastFailure(device_)));
    return false;
}

void ToolSession::deviceNotDetected()
{
    note(appContext().text(17));
}

void ToolSession::showText(int textIndex)
{
    note(appContext().text(textIndex));
}
