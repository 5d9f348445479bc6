#include "imaging/ColumnCurves.h"

#include <algorithm>

namespace {

constexpr int64_t kInnerMargin = 100; // columns inside the range where the rows are averaged

} // namespace

ColumnCurves::Curve ColumnCurves::actualCurve(const uint8_t* frame, const OptimumLineTable& table,
                                              uint32_t startColumn, uint32_t endColumn)
{
    using namespace frame_geometry;
    Curve curve{};
    for (size_t k = 0; k < table.size(); ++k) {
        const OptimumLineSegment& s = table[k];
        if (s.line + 2u > kBufferLines)
            continue;
        const size_t first = k == 0 ? 0 : s.startColumn;
        const size_t end =
            k + 1 == table.size() ? kLineWidth : std::min<size_t>(s.endColumn, kLineWidth);
        const uint8_t* upper = frame + s.line * kLineWidth;
        const uint8_t* lower = upper + kLineWidth;
        for (size_t col = first; col < end; ++col) {
            const auto c = static_cast<int64_t>(col);
            const bool inner = c - static_cast<int64_t>(startColumn) > kInnerMargin &&
                               static_cast<int64_t>(endColumn) - c > kInnerMargin;
            curve[col] = inner ? (upper[col] + lower[col]) / 2 : std::max(upper[col], lower[col]);
        }
    }
    return curve;
}

ColumnCurves::Curve ColumnCurves::difference(const Curve& now, const Curve& background)
{
    Curve d{};
    for (size_t col = 0; col < d.size(); ++col)
        d[col] = std::max(0, now[col] - background[col]);
    return d;
}

void ColumnCurves::update(const uint8_t* left, const uint8_t* right, bool takeBackground)
{
    for (Side side : {Side::Master, Side::Slave}) {
        const auto i = static_cast<size_t>(side);
        const OpticalValues v = opticalParams(side).values();
        actual_[i] = actualCurve(i == 0 ? left : right, v.optimumLines, v.startColumn, v.endColumn);
        if (takeBackground)
            background_[i] = actual_[i];
    }
    refresh();
}

void ColumnCurves::setMode(Mode mode)
{
    mode_ = mode;
    refresh();
}

void ColumnCurves::refresh()
{
    for (size_t i = 0; i < shown_.size(); ++i) {
        shown_[i] = mode_ == Mode::Actual ? actual_[i] : difference(actual_[i], background_[i]);
        const auto [low, high] = std::minmax_element(shown_[i].begin(), shown_[i].end());
        minimum_[i] = *low;
        maximum_[i] = *high;
    }
}
