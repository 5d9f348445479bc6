#pragma once

#include "imaging/PreviewThread.h"
#include "ui/widgets/EngineeringPanel.h"

#include <functional>
#include <memory>

class Button;
class Device;
class FrameBuffers;
class PreviewArea;

// The raw preview of both cameras in the engineering layout: Preview / Close Preview,
// Compress Image / No Compress Image and the picture area. The panel owns the preview
// worker and its frame buffers; the main window decides when it may start (its guard,
// calibration mode) and asks the panel to start or stop it.
//
// Other device accesses of the window must not interleave with the image reads. While
// the preview runs, the register panel hands its access to deferToFrameEnd(): it runs
// on the preview worker right after the next whole frame (code 10), the preview pauses
// 100 ms, and a non-zero result of the access comes back through accessReported(int)
// (the register panel's codes, e.g. 13..16). When no preview runs, deferToFrameEnd()
// returns false and the caller runs the access itself (in a DeviceJob).
class PreviewPanel : public EngineeringPanel {
    Q_OBJECT
public:
    PreviewPanel(QWidget* parent, const QRect& designRect, double scale, Device& device);
    ~PreviewPanel() override;

    bool previewRunning() const;
    // Allocates the buffers and starts the worker; false when it could not.
    bool startPreview();
    // Stops the worker, frees the buffers, "Preview" on the button again.
    void stopPreview();
    void stopWorkers() override { stopPreview(); }
    bool deferToFrameEnd(std::function<int()> access);
    bool compressed() const { return compressed_; }
    // Frames drawn since the preview started (for tests).
    int framesShown() const;

signals:
    // The Preview / Close Preview button was pressed.
    void previewRequested();
    // A deferred access reported a code.
    void accessReported(int code);
    // The preview worker has ended: a deferred access it did not run never will.
    void previewEnded();

private slots:
    void recvData(int code);

private:
    void toggleCompress();

    Device& device_;
    EngineeringPreviewState state_;
    std::unique_ptr<FrameBuffers> buffers_;
    std::unique_ptr<PreviewThread> worker_;
    Button* preview_ = nullptr;
    Button* compress_ = nullptr;
    PreviewArea* area_ = nullptr;
    bool compressed_ = false;
};
