#pragma once

// What both fault matrices share: the flash records a workflow may touch, where a fault
// goes in, its name in a failure message, and the rule every record obeys after a fault.

#include "codec/ByteOrder.h"
#include "codec/FlashMap.h"
#include "sim/FaultPlan.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace fault_cases {

struct Record {
    uint32_t address;
    uint32_t size;
    uint32_t flag; // the u32 at its start that says it is valid; 0: no flag, any contents
};

inline const Record kConfig{flash_map::kConfigRecord, flash_map::kConfigRecordSize,
                            flash_map::ALGConfigInfoFlag};
inline const Record kSensorBlock{flash_map::kSensorBlock, flash_map::kSensorBlockSize,
                                 flash_map::SENSORInfoFlag};
inline const Record kDeviceInfo{flash_map::kDeviceInfo, flash_map::kDeviceInfoSize,
                                flash_map::kDeviceInfoMagic};
inline const Record kVersions{flash_map::kVersionBlock, flash_map::kVersionBlockSize, 0};

inline constexpr sim::RequestFault kAllFaults[] = {
    sim::RequestFault::Unplug, sim::RequestFault::Refuse, sim::RequestFault::OtherStatus,
    sim::RequestFault::NeverAnswer, sim::RequestFault::Garble};

inline const char* faultName(sim::RequestFault f)
{
    switch (f) {
    case sim::RequestFault::Unplug:
        return "unplug";
    case sim::RequestFault::Refuse:
        return "refusal";
    case sim::RequestFault::OtherStatus:
        return "another status";
    case sim::RequestFault::NeverAnswer:
        return "no answer";
    case sim::RequestFault::Garble:
        return "garbled reply";
    }
    return "?";
}

// "workflow, fault at request n of m": what a failing case names.
inline std::string caseName(const char* workflow, sim::RequestFault fault, int at, int requests)
{
    return std::string(workflow) + ", " + faultName(fault) + " at request " + std::to_string(at) +
           " of " + std::to_string(requests);
}

// Injection points: every request of a short workflow; of a long one, its first and
// last requests (opening, mode switches, the store and the read-back) and an even spread
// between, at most `most` in all.
inline std::vector<int> injectionPoints(int requests, int most)
{
    std::vector<int> points;
    if (requests <= most) {
        for (int n = 1; n <= requests; ++n)
            points.push_back(n);
        return points;
    }
    const int edge = most / 3;
    for (int n = 1; n <= edge; ++n)
        points.push_back(n);
    const int middle = most - 2 * edge;
    for (int k = 1; k <= middle; ++k)
        points.push_back(edge + k * (requests - 2 * edge) / (middle + 1));
    for (int n = requests - edge + 1; n <= requests; ++n)
        points.push_back(n);
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

inline bool flagged(const QByteArray& now, const Record& r)
{
    return r.flag != 0 && now.size() >= 4 &&
           le::u32(reinterpret_cast<const uint8_t*>(now.constData())) == r.flag;
}

// Old, new, or without its flag: never a flagged record with other contents.
inline bool soundRecord(const QByteArray& now, const QByteArray& before, const QByteArray& after,
                        const Record& r)
{
    return now == before || now == after || r.flag == 0 || !flagged(now, r);
}

} // namespace fault_cases
