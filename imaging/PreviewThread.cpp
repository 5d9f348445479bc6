#include "imaging/PreviewThread.h"

#include "device/Delay.h"
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
    : DeviceWorker(device, parent), state_(state)
{
}

PreviewThread::~PreviewThread()
{
    stopAndWait();
}

bool PreviewThread::prepare()
{
    std::lock_guard lock(queueMutex_);
    queued_.clear();
    accepting_ = true;
    return true;
}

bool PreviewThread::runAfterFrame(std::function<int()> access)
{
    std::lock_guard lock(queueMutex_);
    if (!accepting_)
        return false;
    queued_.push_back(std::move(access));
    return true;
}

bool PreviewThread::runQueuedAccesses()
{
    std::vector<std::function<int()>> accesses;
    {
        std::lock_guard lock(queueMutex_);
        accesses.swap(queued_);
    }
    for (const auto& access : accesses) {
        if (!deviceUsable())
            break;
        if (const int code = access())
            emit sendData(code);
    }
    return !accesses.empty();
}

void PreviewThread::endPreview()
{
    emit sendData(kPreviewStopped);
    requestStop();
    state_.previewSwitch = 0;
}

void PreviewThread::run()
{
    struct RunLeftovers {
        PreviewThread* self;
        ~RunLeftovers()
        {
            {
                std::lock_guard lock(self->queueMutex_);
                self->accepting_ = false;
            }
            self->runQueuedAccesses();
        }
    } leftovers{this};
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
            state_.frames.publish(pFrameYA, pFrameYB);
            state_.frameReady = 1;
            emit sendData(kFrameReady);
            if (runQueuedAccesses())
                delay::wait(kAfterAccessMs);
        }
    }
    // The operator's stop or preview switch ends quietly; a lost frame is reported.
    if (!deviceUsable())
        endPreview();
}
