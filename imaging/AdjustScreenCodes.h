#pragma once

// The codes of the image-adjusting window's recvData(int): sent by its worker
// (CImagePreviewThread, through the image-adjusting operations and the step guard), by
// the find-column window, or handled by the window itself.
enum AdjustScreenCode {
    kAdjustNewFrame = 0,              // worker: a new frame is in the buffers
    kAdjustStartLineFailed = 1,       // worker: the start-line search failed
    kAdjustButtonsEnabled = 2,        // window: the three buttons are usable
    kAdjustConfigStartLineFailed = 3, // worker: the start line could not be configured
    kAdjustSearchDone = 4,            // worker: the search succeeded
    kAdjustDeviceLost = 6,            // worker: the frame is gone
    kAdjustOptimumLineFailed = 7,     // worker: the optimum lines could not be found
    kAdjustReadFailed = 8,            // worker: the column search or an image read failed
    kAdjustStoredValuesShown = 9,     // worker: the stored values were loaded
    kAdjustButtonsDisabled = 11,      // window: the three buttons are not usable
    kAdjustAxisDone = 12,             // find-column window: axis-adjusting complete
    kAdjustFindColumnLost = 13,       // find-column window: closed with the frame lost
    kAdjustExposureFailed = 14,       // worker: the exposure could not be set
    kAdjustEvaluating = 15,           // worker: the image evaluation started
    kAdjustFindColumnClosed = 16,     // find-column window: closed normally
    kAdjustRunSensorTest = 17,        // worker: run the sensor data-cable test now
};
