#pragma once

#include "calibration/CameraModel.h"
#include "calibration/TouchSampler.h"
#include "codec/CalibrationRecord.h"
#include "device/Device.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

// How well a stored record locates touches: touches at random places inside the
// calibrated area (the span of the 16-point grid) are read through the touch query and
// located with the record. The command line's check compares each with where the
// finger really was and sets the floor beside it: the same sensor positions located
// with the exact camera model, the error the sensor's own rounding leaves (both need a
// frame that knows the truth, the virtual frame). The check on screen compares each
// with the cross the operator was asked to touch.
namespace accuracy_check {

struct Truth {
    // Where the finger touched during the last steady touch.
    std::function<std::optional<camera_model::PointF>()> touchedPoint;
    // The exact camera model's position for two sensor positions.
    std::function<std::optional<camera_model::PointF>(int left, int right)> exactLocate;
};

// One touch measured.
struct Touch {
    camera_model::PointF aim;                    // the place the operator was asked to touch
    camera_model::PointF located;                // where the stored record puts the touch
    std::optional<camera_model::PointF> touched; // where the finger was (with a truth)
    std::optional<camera_model::PointF> exact;   // the exact model's position (with a truth)
};

struct Figures {
    int points = 0;
    double mean = 0;
    double largest = 0;
    double floorMean = 0;
    double floorLargest = 0;
};

double distance(const camera_model::PointF& a, const camera_model::PointF& b);

// count places on a w x h desktop, uniformly inside the calibrated area.
std::vector<camera_model::PointF> randomPlaces(int width, int height, int count, uint32_t seed);

// The figures of a series of touches: each error measured from where the finger was
// (fromTouched, needs a truth) or from the place asked for; the floor from the truth.
Figures summarise(const std::vector<Touch>& touches, bool fromTouched);

// One check against the frame: the frame's initialisation and a warm-up, then one
// touch per call. The frame must answer touches (an operator who touches what the
// queries name). stopRequested, when given, ends a wait for a touch early.
class Session {
public:
    Session(Device& device, const CalibrationRecord& record, const angle_table::Table& table,
            Truth truth = {}, std::function<bool()> stopRequested = {});

    // False with a reason when the frame refused the start or a query failed.
    bool begin(int width, int height, QString& error);
    // Waits for a steady touch at (x, y) and locates it. Nothing, with a reason, when a
    // query failed, no steady touch came within maxQueries (0: wait until stopped) or
    // the wait was stopped.
    std::optional<Touch> touch(uint8_t index, int x, int y, QString& error, int maxQueries = 0);

private:
    Device& device_;
    CalibrationRecord record_;
    const angle_table::Table& table_;
    Truth truth_;
    std::function<bool()> stopRequested_;
    TouchSampler sampler_;
};

// The command line's check: points random touches, each measured from where the finger
// was; needs the truth. touched, when given, hears the count of touches measured.
std::optional<Figures> measure(Device& device, const CalibrationRecord& record,
                               const angle_table::Table& table, int width, int height, int points,
                               uint32_t seed, const Truth& truth, QString& error,
                               const std::function<void(int)>& touched = {});

} // namespace accuracy_check
