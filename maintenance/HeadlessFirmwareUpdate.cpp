#include "maintenance/HeadlessFirmwareUpdate.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"
#include "maintenance/FirmwareDownload.h"

HeadlessFirmwareUpdate::HeadlessFirmwareUpdate(Device& device,
                                               std::function<void(const QString&)> note)
    : device_(device), note_(std::move(note)), session_(device, *this)
{
}

void HeadlessFirmwareUpdate::showText(int textIndex)
{
    lastText_ = textIndex;
    note_(appContext().text(textIndex).trimmed());
}

void HeadlessFirmwareUpdate::showProgress(int value)
{
    if (value == lastProgress_)
        return;
    lastProgress_ = value;
    if (progress_) {
        progress_(value);
        return;
    }
    note_(QStringLiteral("progress %1%").arg(value));
}

int HeadlessFirmwareUpdate::fail(const QString& why)
{
    failure_ = why;
    return 0;
}

int HeadlessFirmwareUpdate::waitForMonitor()
{
    std::atomic<int> stop{0};
    int code = 0;
    PresenceMachine machine(
        device_, MonitorVariant::Engineering, [&code](int c) { code = c; }, stop);
    while (code == 0 || code == kCodeCheckStarted) {
        code = 0;
        machine.runOnce();
    }
    return code;
}

int HeadlessFirmwareUpdate::run(const QString& imagePath)
{
    using Next = FirmwareUpdateSession::Next;
    failure_.clear();
    Next next = session_.prepare(imagePath);
    if (next == Next::WaitBootLoader) {
        const int code = waitForMonitor();
        if (code != kCodeBootLoader) {
            updatePending = 0;
            checkState = FIRST_OPEN_TOOL;
            showText(kTextNoFrame);
            return fail(QStringLiteral("the frame did not come back in its boot loader"));
        }
        next = session_.bootLoaderFound();
    }
    if (next != Next::StartWorker)
        return fail(appContext().text(lastText_).trimmed());

    std::atomic<int> stop{0};
    FirmwareDownload(device_, session_.readPath(), session_.header(), stop, [&](int code) {
        next = session_.workerCode(code);
    }).run();
    if (next != Next::WaitApplication)
        return fail(appContext().text(lastText_).trimmed());

    const int code = waitForMonitor();
    if (code != kCodeReady)
        return fail(QStringLiteral("the frame did not come back with its application"));
    bootLoaderSeen = 0;
    return 1;
}
