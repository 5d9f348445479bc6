#include "sim/FactoryValues.h"

#include "device/FrameIdentity.h"
#include "sim/OpticsModel.h"

namespace sim {
namespace {

FactoryValues makeFactoryValues()
{
    FactoryValues v;
    v.vendorId = frame_identity::kVendorId;
    v.productId = frame_identity::kFirstApplicationProductId;
    v.imageVersion = versionWord(1, 3, 2);
    v.bootLoaderVersion = versionWord(1, 0, 7);
    v.partAVersion = versionWord(1, 1, 4);
    // A frame leaves the factory leveled: its stored optics are what a leveling of its
    // bezel finds.
    for (Side side : {Side::Master, Side::Slave})
        v.optics[static_cast<size_t>(side)] = levelledOptics(factoryBezel(side));
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
