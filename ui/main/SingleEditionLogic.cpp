#include "ui/main/SingleEditionLogic.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/DeviceState.h"
#include "device/FlashBlocks.h"
#include "device/ModeSwitch.h"
#include "ui/main/EditionSteps.h"

#include <memory>

SingleEditionLogic::SingleEditionLogic(Device& device, SingleEditionView& view,
                                       MainWindowLogic& main, int subFunction,
                                       bool shortcutsEnabled)
    : device_(device), view_(view), main_(main), subFunction_(subFunction),
      shortcutsEnabled_(shortcutsEnabled)
{
}

int SingleEditionLogic::functionCaption() const
{
    switch (subFunction_) {
    case kKeys:
        return kTextShortcuts;
    case kPenSettings:
        return kTextIrPen;
    case kImageAdjusting:
        return kTextLeveling;
    default:
        return kTextVersions;
    }
}

void SingleEditionLogic::handleStatusCode(int code)
{
    switch (code) {
    case kShowReady:
        frameChecked();
        return;
    case kShowLeveled:
    case kShowWindowClosed:
    case kShowAbsentDuringUpdate:
    case kShowLeftToCalibration:
    case kShowLeftToWork:
    case kShowCheckStarted:
    case kShowBootLoader:
    case kShowNoFrame:
        main_.handleStatusCode(code);
        return;
    default:
        return;
    }
}

void SingleEditionLogic::frameChecked()
{
    if (g_getStatusError) {
        main_.showText(kTextCheckConnection);
        view_.closeWindow();
        return;
    }
    main_.handleStatusCode(kShowReady);
    Device* device = &device_;
    view_.runDeviceJob([device] { return edition_steps::checkSingleFirmware(*device); },
                       [this](int mismatch) {
                           const AppContext& app = appContext();
                           if (mismatch)
                               view_.warn(app.text(kTextWarning), app.text(mismatch));
                           if (g_bDevExist && functionAvailable())
                               view_.openFunction(subFunction_);
                       });
}

bool SingleEditionLogic::functionAvailable()
{
    if (subFunction_ == kKeys && !shortcutsEnabled_) {
        const AppContext& app = appContext();
        view_.warn(app.text(kTextWarning), app.text(kTextNoShortcutKeys));
        return false;
    }
    return true;
}

void SingleEditionLogic::readAbout(std::function<void(const QString&)> shown)
{
    if (!main_.frameUsable(false))
        return;
    auto text = std::make_shared<QString>();
    Device* device = &device_;
    view_.runDeviceJob(
        [device, text] {
            if (!SwitchMode(*device, CalibrationMode))
                return 0;
            ModuleVersions v;
            const int read = device->blocks.readVersions(Side::Master, v);
            if (read) {
                appContext().log.logf("BootloaderID: V%d.%d.%d\n", v.bootLoader >> 24,
                                      (v.bootLoader >> 16) & 0xFF, v.bootLoader & 0xFFFF);
                *text = aboutTextOf(v);
            }
            if (!SwitchMode(*device, WorkMode))
                appContext().log.logf("Switch to work mode failed! g_isSwitchMode=%d\n",
                                      g_isSwitchMode.load());
            return read;
        },
        [this, text, shown](int read) {
            if (!read)
                main_.showText(g_bDevExist ? kTextCheckConnection : kTextNoFrame);
            shown(*text);
        });
}
