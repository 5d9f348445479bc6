#pragma once

#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"

#include <array>
#include <cstdint>

// The column curves of the image-adjusting window: per side one value per sensor column,
// read along the optimum lines of a frame copy, shown as taken ("Actual image") or as
// the rise over a background taken after a search ("Difference image").
class ColumnCurves {
public:
    using Curve = std::array<int, frame_geometry::kLineWidth>;
    enum class Mode { Actual, Difference };

    // One side's curve: for the columns of each segment (the first taken from column 0,
    // the last up to column 639) with L the segment's line, the mean of rows L and L + 1
    // (rounded down) where the column lies more than 100 columns inside both the start
    // and the end column, else the larger of the two. Columns of no segment, and
    // segments whose rows leave the frame, give 0.
    static Curve actualCurve(const uint8_t* frame, const OptimumLineTable& table,
                             uint32_t startColumn, uint32_t endColumn);
    // now - background per column, never below 0.
    static Curve difference(const Curve& now, const Curve& background);

    // Takes both sides' curves from the frame copies (Master, Slave); with takeBackground
    // they also become the sides' backgrounds.
    void update(const uint8_t* left, const uint8_t* right, bool takeBackground);
    void setMode(Mode mode);
    Mode mode() const { return mode_; }

    // What is drawn for a side (0 left, 1 right) in the current mode, and its extremes.
    const Curve& shown(int side) const { return shown_[index(side)]; }
    int minimum(int side) const { return minimum_[index(side)]; }
    int maximum(int side) const { return maximum_[index(side)]; }

private:
    static size_t index(int side) { return side == 0 ? 0 : 1; }
    void refresh();

    Mode mode_ = Mode::Actual;
    std::array<Curve, 2> actual_{};
    std::array<Curve, 2> background_{};
    std::array<Curve, 2> shown_{};
    std::array<int, 2> minimum_{};
    std::array<int, 2> maximum_{};
};
