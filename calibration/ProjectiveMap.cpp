#include "calibration/ProjectiveMap.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace projective {

bool invertFullPivot(Matrix8& a)
{
    constexpr int n = 8;
    std::array<int, n> pivoted{};
    std::array<int, n> rowOf{};
    std::array<int, n> columnOf{};
    for (int i = 0; i < n; ++i) {
        double largest = -1.0;
        int row = 0;
        int column = 0;
        for (int j = 0; j < n; ++j) {
            if (pivoted[static_cast<size_t>(j)])
                continue;
            for (int k = 0; k < n; ++k) {
                if (pivoted[static_cast<size_t>(k)])
                    continue;
                const double magnitude =
                    std::fabs(a[static_cast<size_t>(j)][static_cast<size_t>(k)]);
                if (magnitude > largest) {
                    largest = magnitude;
                    row = j;
                    column = k;
                }
            }
        }
        if (!(largest >= kSmallestPivot)) // also catches a NaN
            return false;
        pivoted[static_cast<size_t>(column)] = 1;
        if (row != column)
            std::swap(a[static_cast<size_t>(row)], a[static_cast<size_t>(column)]);
        rowOf[static_cast<size_t>(i)] = row;
        columnOf[static_cast<size_t>(i)] = column;
        auto& pivotRow = a[static_cast<size_t>(column)];
        const double inverse = 1.0 / pivotRow[static_cast<size_t>(column)];
        pivotRow[static_cast<size_t>(column)] = 1.0;
        for (double& v : pivotRow)
            v *= inverse;
        for (int r = 0; r < n; ++r) {
            if (r == column)
                continue;
            auto& other = a[static_cast<size_t>(r)];
            const double factor = other[static_cast<size_t>(column)];
            other[static_cast<size_t>(column)] = 0.0;
            for (int c = 0; c < n; ++c)
                other[static_cast<size_t>(c)] -= pivotRow[static_cast<size_t>(c)] * factor;
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        const auto r = static_cast<size_t>(rowOf[static_cast<size_t>(i)]);
        const auto c = static_cast<size_t>(columnOf[static_cast<size_t>(i)]);
        if (r == c)
            continue;
        for (auto& line : a)
            std::swap(line[r], line[c]);
    }
    return true;
}

std::optional<Coefficients> solve(const std::array<Point16, 4>& from,
                                  const std::array<Point16, 4>& to)
{
    Matrix8 a{};
    Coefficients rhs{};
    for (size_t j = 0; j < 4; ++j) {
        const int x = from[j].x;
        const int y = from[j].y;
        const int X = to[j].x;
        const int Y = to[j].y;
        a[2 * j] = {double(x), double(y), 1, 0, 0, 0, double(-X * x), double(-X * y)};
        a[2 * j + 1] = {0, 0, 0, double(x), double(y), 1, double(-Y * x), double(-Y * y)};
        rhs[2 * j] = X;
        rhs[2 * j + 1] = Y;
    }
    if (!invertFullPivot(a))
        return std::nullopt;
    Coefficients h{};
    for (size_t r = 0; r < 8; ++r) {
        double sum = 0.0;
        for (size_t c = 0; c < 8; ++c)
            sum += a[r][c] * rhs[c];
        h[r] = sum;
    }
    return h;
}

std::optional<CalibrationRecord::Map> toFixed(const Coefficients& h)
{
    CalibrationRecord::Map fixed{};
    for (size_t k = 0; k < h.size(); ++k) {
        const double v = std::trunc(h[k] * CalibrationRecord::kMapScale + 0.5);
        if (!(v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()))
            return std::nullopt;
        fixed[k] = static_cast<int32_t>(v);
    }
    return fixed;
}

Mapped apply(const CalibrationRecord::Map& map, double x, double y)
{
    const double s = CalibrationRecord::kMapScale;
    const double w = map[6] / s * x + map[7] / s * y + 1.0;
    return {(map[0] / s * x + map[1] / s * y + map[2] / s) / w,
            (map[3] / s * x + map[4] / s * y + map[5] / s) / w};
}

} // namespace projective
