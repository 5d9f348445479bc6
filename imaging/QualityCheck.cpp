#include "imaging/QualityCheck.h"

#include "app/AppContext.h"
#include "imaging/ImagingLog.h"

#include <algorithm>

namespace quality_check {
namespace {

constexpr size_t kRowsSummed = 3;
constexpr size_t kValuesPerRow = 32;

} // namespace

ColumnProfile columnProfile(const uint8_t* frame, const OptimumLineTable& table)
{
    using namespace frame_geometry;
    ColumnProfile profile{};
    for (const OptimumLineSegment& s : table) {
        if (s.line + kRowsSummed > kBufferLines)
            continue;
        const size_t end = std::min<size_t>(s.endColumn, kLineWidth);
        for (size_t col = s.startColumn; col < end; ++col) {
            int sum = 0;
            for (size_t r = 0; r < kRowsSummed; ++r)
                sum += frame[(s.line + r) * kLineWidth + col];
            profile[col] = sum;
        }
    }
    return profile;
}

bool passesDarkRunCheck(const ColumnProfile& profile, uint32_t endColumn)
{
    imaging_log::rows(profile.data(), profile.size(), kValuesPerRow);
    imaging_log::raw("\n");
    const uint32_t end = std::min<uint32_t>(endColumn, frame_geometry::kLineWidth);
    int run = 0;
    for (uint32_t col = kFirstColumn; col < end; ++col) {
        if (profile[col] < kDarkLevel) {
            ++run;
            appContext().log.logf("count = %d; i = %d; value = %d\n", run, static_cast<int>(col),
                                  profile[col]);
            continue;
        }
        if (run > kLongestAcceptedRun)
            return false;
        run = 0;
    }
    return run <= kLongestAcceptedRun;
}

} // namespace quality_check
