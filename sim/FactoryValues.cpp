#include "FactoryValues.h"

#include "FrameIdentity.h"

namespace sim {
namespace {

// The bezel band tilts across each sensor, so successive column stretches use
// successive rows of the line window; the two cameras look at it from opposite corners.
OptimumLineTable tiltedBand(const std::array<uint16_t, kOptimumSegments>& lines)
{
    OptimumLineTable table{};
    for (int k = 0; k < kOptimumSegments; ++k) {
        const auto i = static_cast<size_t>(k);
        table[i] = {lines[i], static_cast<uint16_t>(80 * k), static_cast<uint16_t>(80 * (k + 1))};
    }
    return table;
}

FactoryValues makeFactoryValues()
{
    FactoryValues v;
    v.vendorId = frame_identity::kVendorId;
    v.productId = frame_identity::kFirstApplicationProductId;
    v.imageVersion = versionWord(1, 3, 2);
    v.bootLoaderVersion = versionWord(1, 0, 7);
    v.partAVersion = versionWord(1, 1, 4);
    v.optics[static_cast<size_t>(Side::Master)] = ModuleOptics{
        .startLine = 236,
        .exposureTime = 0x60,
        .exposureGain = 0x02,
        .startColumn = 0,
        .endColumn = 598,
        .optimumLines = tiltedBand({2, 2, 3, 3, 3, 4, 4, 5}),
    };
    v.optics[static_cast<size_t>(Side::Slave)] = ModuleOptics{
        .startLine = 238,
        .exposureTime = 0x5C,
        .exposureGain = 0x02,
        .startColumn = 0,
        .endColumn = 601,
        .optimumLines = tiltedBand({4, 4, 3, 3, 3, 2, 2, 1}),
    };
    v.sensorChipId = 0x62;
    v.dimPixelLevel = 20;
    return v;
}

} // namespace

const FactoryValues& factoryValues()
{
    static const FactoryValues values = makeFactoryValues();
    return values;
}

} // namespace sim
