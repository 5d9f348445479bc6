#include "imaging/EdgeAnalysis.h"

namespace edge_analysis {

EdgeLine lineOf(const EdgeSample& sample, size_t line)
{
    EdgeLine out{};
    for (size_t c = 0; c < kColumns; ++c)
        out[c] = sample[kColumns * line + c];
    return out;
}

size_t brightestLine(const EdgeSample& sample)
{
    size_t best = 0;
    int bestSum = -1;
    for (size_t line = 0; line < frame_geometry::kEdgeLines; ++line) {
        int sum = 0;
        for (size_t c = 0; c < kColumns; ++c)
            sum += sample[kColumns * line + c];
        if (sum > bestSum) {
            bestSum = sum;
            best = line;
        }
    }
    return best;
}

Projection projection(const EdgeSample& sample)
{
    Projection sums{};
    for (size_t line = 0; line < frame_geometry::kEdgeLines; ++line)
        for (size_t c = 0; c < kColumns; ++c)
            sums[c] += sample[kColumns * line + c];
    return sums;
}

std::optional<size_t> firstDarkColumn(const EdgeLine& lit, const EdgeLine& dark)
{
    for (size_t c = 0; c < kColumns; ++c) {
        if (static_cast<int>(lit[c]) - static_cast<int>(dark[c]) < kDifferenceThreshold)
            return c;
    }
    return std::nullopt;
}

std::optional<size_t> firstColumnAbove(const Projection& sums, int threshold)
{
    for (size_t c = 0; c < kColumns; ++c) {
        if (sums[c] > threshold)
            return c;
    }
    return std::nullopt;
}

} // namespace edge_analysis
