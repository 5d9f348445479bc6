#include "imaging/ImagingState.h"

#include "imaging/BackgroundFrames.h"
#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"

void resetImagingState()
{
    for (Side side : {Side::Master, Side::Slave}) {
        OpticalParams& p = opticalParams(side);
        p.startLine = p.startColumn = p.endColumn = OpticalParams::kUnset;
        p.exposureGain = p.exposureTime = OpticalParams::kUnset;
        p.setOptimumLines({});
    }
    resetSearchFlags();
    clearColumnResults();
    leftQualified = 1;
    rightQualified = 1;
    g_isExposureSuc = 0;
    g_StartLineSearchLow = 200;
    g_StartLineSearchHigh = 300;
    g_EdgeSample = {};
    g_BackgroundFrames = {};
    previewLineCount = 5;
}
