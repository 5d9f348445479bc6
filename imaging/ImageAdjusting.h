#pragma once

#include "device/Device.h"
#include "device/FlashBlocks.h"
#include "imaging/AdjustScreenCodes.h"
#include "imaging/AdjustScreenState.h"
#include "imaging/LevelingConfig.h"
#include "imaging/LineImages.h"
#include "imaging/StepGuard.h"

#include <functional>

// The image-adjusting operations on the frame, run by the image-adjusting worker with
// its step guard between device accesses (a false guard ends an operation at once).
// The results are the working optical values (opticalParams), the search flags and the
// column results of SearchState.h.
class ImageAdjusting {
public:
    // Outcome codes of runSearch, the worker codes the window knows (kHalted aside).
    static constexpr int kHalted = 0; // the guard ended it (its own code 6 stands)
    static constexpr int kStartLineFailed = kAdjustStartLineFailed;
    static constexpr int kConfigStartLineFailed = kAdjustConfigStartLineFailed;
    static constexpr int kSucceeded = kAdjustSearchDone;
    static constexpr int kOptimumLineFailed = kAdjustOptimumLineFailed;
    static constexpr int kColumnSearchFailed = kAdjustReadFailed;
    static constexpr int kExposureFailed = kAdjustExposureFailed;
    static constexpr int kEvaluating = kAdjustEvaluating; // reported when the evaluation starts

    // state may be null (no window): then there is no search-done mark to set.
    ImageAdjusting(Device& device, const LevelingConfig& config, const ReadControl& control,
                   AdjustScreenState* state = nullptr);

    // Loads the stored optical values from the sensor information block (pen mode: the
    // exposure from the configuration record) and marks the search done. 1/0.
    int LoadStoredOptics();
    // The whole image-adjusting search: start lines, their configuration, the optimum
    // lines, the column search and (not in pen mode) exposure and evaluation. Returns
    // kSucceeded, a failure code, or kHalted.
    int runSearch();
    // The search's steps as they end (start lines, their configuration, optimum lines,
    // columns, exposure): stage of kSearchStages, for a progress display.
    static constexpr int kSearchStages = 5;
    void setStageReport(std::function<void(int stage)> report) { stageReport_ = std::move(report); }

    // The single operations, 1/0.
    int SearchStartLines();
    int ConfigStartLines();
    int OptimalizeLines();
    int SearchColumns();
    // 0 on success, else kColumnSearchFailed (the preview read) or kExposureFailed.
    int ExposureAndEvaluation();

    // The block read by LoadStoredOptics.
    const SensorBlock& storedBlock() const { return block_; }

private:
    std::function<void(int)> stageReport_;
    void reportStage(int stage) const
    {
        if (stageReport_)
            stageReport_(stage);
    }
    int failure(int code);
    bool readEvaluationFrame();
    void markSearchDone();

    Device& device_;
    const LevelingConfig& config_;
    const ReadControl& control_;
    GuardedSteps steps_;
    AdjustScreenState* state_;
    SensorBlock block_{};
};
