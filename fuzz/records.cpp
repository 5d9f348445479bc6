// The frame's records and replies as they come off the wire: every decoder takes any bytes.
#include "codec/CalibrationRecord.h"
#include "codec/CandidateReport.h"
#include "codec/ConfigRecord.h"
#include "codec/DeviceInfoRecord.h"
#include "codec/OptimumLines.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// The input, padded with zeros (or cut) to the layout's size.
std::vector<uint8_t> sized(const uint8_t* data, size_t size, size_t want)
{
    std::vector<uint8_t> bytes(want, 0);
    std::copy_n(data, std::min(size, want), bytes.begin());
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ConfigRecordBytes config{};
    const auto c = sized(data, size, config.size());
    std::copy(c.begin(), c.end(), config.begin());
    (void)ConfigRecord::decode(config).valid();

    DeviceInfoRecord::Bytes info{};
    const auto d = sized(data, size, info.size());
    std::copy(d.begin(), d.end(), info.begin());
    const DeviceInfoRecord record = DeviceInfoRecord::decode(info);
    (void)record.encode();

    (void)CalibrationRecord::decode(sized(data, size, CalibrationRecord::kSize).data());
    (void)decodeOptimumLines(sized(data, size, 64).data());
    CandidateReport report;
    decodeCandidateReport(sized(data, size, 64).data(), report);

    // The operator's fields of "DeviceInfo.ini" as text.
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data),
                                           static_cast<qsizetype>(std::min<size_t>(size, 64)));
    (void)parseHexField(text);
    (void)parseDecimalField(text);
    (void)parseDateField(text);
    return 0;
}
