#include "imaging/PreviewThread.h"

#include "device/DeviceState.h"
#include "imaging/LineImages.h"
#include "imaging/StoredOptics.h"

namespace {

constexpr int kPreviewLines = 8;

bool deviceUsable()
{
    return g_bDevExist && g_isDeviceCommunicate;
}

} // namespace

PreviewThread::PreviewThread(Device& device, EngineeringPreviewState& state, QObject* parent)
    : WorkerThread(parent), device_(device), state_(state)
{
}

PreviewThread::~PreviewThread()
{
    stopAndWait();
}

void PreviewThread::endPreview()
{
    emit sendData(kPreviewStopped);
    requestStop();
    state_.previewSwitch = 0;
}

void PreviewThread::run()
{
    setDefaultOptics();
    if (device_.blocks.ReadCalibInfo(block_))
        loadStoredOptics(block_, {.loadExposure = true, .checkTables = false});
    if (stopRequested())
        return;
    while (deviceUsable() && state_.previewSwitch && !stopRequested()) {
        bool interrupted = false;
        const bool read = readPreviewFrame(device_, kPreviewLines, [&] {
            interrupted = stopRequested() || !deviceUsable();
            return !interrupted;
        });
        if (!read && !interrupted) {
            endPreview();
            return;
        }
        if (read && state_.previewSwitch) {
            state_.frameReady = 1;
            emit sendData(kFrameReady);
        }
    }
    // The operator's stop or preview switch ends quietly; a lost frame is reported.
    if (!deviceUsable())
        endPreview();
}
