#include "maintenance/FirmwareUpdateSession.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "device/FlashMap.h"
#include "device/ModeSwitch.h"
#include "device/PresenceMonitor.h"
#include "maintenance/FirmwareDownload.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool hasCharacterAbove160(const QString& path)
{
    for (QChar c : path)
        if (c.unicode() > 160)
            return true;
    return false;
}

} // namespace

FirmwareUpdateSession::FirmwareUpdateSession(Device& device, FirmwareUpdateView& view)
    : device_(device), view_(view)
{
}

FirmwareUpdateSession::~FirmwareUpdateSession() = default;

// A path the frame's tools cannot pass on is read from a copy in a private temporary
// folder instead.
bool FirmwareUpdateSession::takeCopyIfNeeded()
{
    LogWriter& log = appContext().log;
    readPath_ = chosenPath_;
    if (!hasCharacterAbove160(chosenPath_))
        return true;
    copyDir_ = std::make_unique<QTemporaryDir>();
    const QString copy =
        copyDir_->isValid() ? copyDir_->filePath(QStringLiteral("image.bin")) : QString();
    if (copy.isEmpty() || !QFile::copy(chosenPath_, copy)) {
        copyDir_.reset();
        view_.showText(kTextCannotOpen);
        log.logf("update :E:image path:%s\n", chosenPath_.toLocal8Bit().constData());
        return false;
    }
    readPath_ = copy;
    log.logf("update :image path:%s\n", copy.toLocal8Bit().constData());
    return true;
}

void FirmwareUpdateSession::abandon(int textIndex)
{
    updatePending = 0;
    if (textIndex)
        view_.showText(textIndex);
    view_.hideProgress();
    view_.setToolsEnabled(true);
}

bool FirmwareUpdateSession::frameLost()
{
    if (g_bDevExist)
        return false;
    workerCode(kFwNoFrame);
    return true;
}

bool FirmwareUpdateSession::eraseSensorBlockOfOldImages()
{
    if (imageVersion_ >= kSensorBlockKeptFrom)
        return true;
    RegisterRequest erase;
    erase.addressWord = flash_map::kSensorBlockWord;
    erase.length = flash_map::kSensorBlockSectors;
    if (device_.access.erase(erase))
        return true;
    if (device_.link.lastCallLostTheFrame())
        markDeviceLost();
    abandon(kTextCheckConnection);
    return false;
}

FirmwareUpdateSession::Next FirmwareUpdateSession::prepare(const QString& chosenPath)
{
    chosenPath_ = chosenPath;
    if (chosenPath.isEmpty()) {
        view_.showText(kTextNoFileChosen);
        return Next::Stop;
    }
    if (!takeCopyIfNeeded())
        return Next::Stop;
    const int check = checkFirmwareFile(readPath_, header_);
    if (check != kTextFileFine) {
        view_.showText(check);
        return Next::Stop;
    }
    updatePending = 1;
    view_.showProgress(g_UpdateProgress);
    view_.setToolsEnabled(false);

    ModuleVersions versions;
    if (bootLoaderSeen) {
        if (!device_.blocks.readVersions(Side::Master, versions)) {
            abandon(0);
            return Next::Stop;
        }
        imageVersion_ = versions.image;
        return eraseSensorBlockOfOldImages() ? Next::StartWorker : Next::Stop;
    }

    view_.showText(kTextPreparing);
    g_UpdateProgress = 1;
    view_.showProgress(1);
    if (!SwitchMode(device_, CalibrationMode)) {
        appContext().log.logf("update :Switch to calibration mode failed!\n g_isSwitchMode=%d\n",
                              g_isSwitchMode.load());
        if (!frameLost())
            abandon(0);
        return Next::Stop;
    }
    if (!device_.blocks.readVersions(Side::Master, versions)) {
        if (!frameLost())
            abandon(kTextNotReady);
        return Next::Stop;
    }
    imageVersion_ = versions.image;
    delay::wait(1000.0);
    if (!device_.commands.jump(cmd::kJumpBootLoader)) {
        if (device_.link.lastCallLostTheFrame())
            markDeviceLost();
        if (!frameLost())
            abandon(kTextCheckConnection);
        return Next::Stop;
    }
    retryCount = 0;
    checkState = WAIT_BOOT_LOADER;
    return Next::WaitBootLoader;
}

FirmwareUpdateSession::Next FirmwareUpdateSession::bootLoaderFound()
{
    bootLoaderSeen = 1;
    if (!updatePending) {
        view_.showText(kTextNotReady);
        return Next::Stop;
    }
    return eraseSensorBlockOfOldImages() ? Next::StartWorker : Next::Stop;
}

FirmwareUpdateSession::Next FirmwareUpdateSession::workerCode(int code)
{
    switch (code) {
    case kFwProgress:
        view_.showProgress(g_UpdateProgress);
        return Next::StartWorker;
    case kFwFirstPacket:
        view_.showText(kTextBurning);
        return Next::StartWorker;
    case kFwStepFailed:
        abandon(kTextUpdateFailed);
        return Next::Stop;
    case kFwCannotOpen:
        abandon(kTextCannotOpen);
        return Next::Stop;
    case kFwNoFrame:
        updatePending = 0;
        bootLoaderSeen = 0;
        checkState = FIRST_OPEN_TOOL;
        view_.showText(kTextNoFrame);
        view_.hideProgress();
        view_.setToolsEnabled(true);
        return Next::Stop;
    case kFwDone: {
        copyDir_.reset();
        SettingsFile::vireto().write(QStringLiteral("ImagePath"), QStringLiteral("imagePath"),
                                     chosenPath_);
        view_.showText(kTextPreparing);
        if (!device_.commands.jump(cmd::kJumpApplication))
            view_.showText(kTextPlugAgain);
        updatePending = 0;
        retryCount = 0;
        checkState = WAIT_APPLICATION;
        return Next::WaitApplication;
    }
    default:
        return Next::StartWorker;
    }
}
