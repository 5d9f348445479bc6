#include "device/ConfigRecord.h"

#include "app/AppContext.h"
#include "device/ByteOrder.h"
#include "device/RegisterAccess.h"

ConfigRecordBytes ConfigRecord::encode() const
{
    ConfigRecordBytes b{};
    le::put32(&b[0], ALGConfigInfoFlag);
    b[4] = screenSize;
    b[5] = smoothness;
    b[6] = TouchEnable;
    b[7] = ScreenDirection;
    b[8] = reserved;
    b[9] = FiveCalibEn;
    b[10] = fourPointCalibEn;
    b[11] = CalibWay;
    b[12] = CalibCnt;
    b[13] = InfraredExpTime;
    b[14] = InfraredExpGain;
    b[15] = InfraredPenMode;
    b[16] = TouchType;
    b[17] = XPRightClickMode;
    le::put32(&b[18], TouchRightClickDistThres);
    le::put32(&b[22], TouchRightClickTimeThres);
    le::put32(&b[26], TouchRightClickIncFrameThres);
    b[30] = SensorType;
    return b;
}

ConfigRecord ConfigRecord::decode(const ConfigRecordBytes& b)
{
    ConfigRecord r;
    r.ALGConfigInfoFlag = le::u32(&b[0]);
    r.screenSize = b[4];
    r.smoothness = b[5];
    r.TouchEnable = b[6];
    r.ScreenDirection = b[7];
    r.reserved = b[8];
    r.FiveCalibEn = b[9];
    r.fourPointCalibEn = b[10];
    r.CalibWay = b[11];
    r.CalibCnt = b[12];
    r.InfraredExpTime = b[13];
    r.InfraredExpGain = b[14];
    r.InfraredPenMode = b[15];
    r.TouchType = b[16];
    r.XPRightClickMode = b[17];
    r.TouchRightClickDistThres = le::u32(&b[18]);
    r.TouchRightClickTimeThres = le::u32(&b[22]);
    r.TouchRightClickIncFrameThres = le::u32(&b[26]);
    r.SensorType = b[30];
    return r;
}

uint8_t exposureTimeForScale(int scale)
{
    return static_cast<uint8_t>(96 + 16 * scale);
}

std::optional<int> exposureScaleForTime(uint8_t time)
{
    for (int scale = 1; scale <= 6; ++scale)
        if (exposureTimeForScale(scale) == time)
            return scale;
    return std::nullopt;
}

int ReadConfigRecord(Device& device, ConfigRecord& record, Side side)
{
    ConfigRecordBytes bytes{};
    const int ok = device.blocks.readConfigRecord(bytes, side);
    record = ConfigRecord::decode(bytes);
    return ok;
}

int WriteConfigRecord(Device& device, const ConfigRecord& record, Side side)
{
    RegisterRequest erase;
    erase.addressWord =
        address_word::make(address_word::kSpaceFlash, flash_map::kConfigRecord, side);
    erase.length = 1;
    if (!device.access.erase(erase))
        return 0;
    return device.blocks.writeConfigRecordBlocks(record.encode(), side);
}

int storedSensorType(Device& device)
{
    ConfigRecord record;
    if (!ReadConfigRecord(device, record) || !record.valid())
        return 0;
    return record.SensorType;
}

namespace {

void logRecord(const char* prefix, const ConfigRecord& r)
{
    LogWriter& log = appContext().log;
    log.logRawf("%s.ALGConfigInfoFlag(0x41434946):0x%x\n", prefix, r.ALGConfigInfoFlag);
    log.logRawf("%s.CalibCnt(8/10):%d\n", prefix, r.CalibCnt);
    log.logRawf("%s.CalibWay(1/2):%d\n", prefix, r.CalibWay);
    log.logRawf("%s.FiveCalibEn(0):%d\n", prefix, r.FiveCalibEn);
    log.logRawf("%s.InfraredExpGain(4):%d\n", prefix, r.InfraredExpGain);
    log.logRawf("%s.InfraredExpTime(144):%d\n", prefix, r.InfraredExpTime);
    log.logRawf("%s.InfraredPenMode(0):%d\n", prefix, r.InfraredPenMode);
    log.logRawf("%s.ScreenDirection(0):%d\n", prefix, r.ScreenDirection);
    log.logRawf("%s.SensorType(0):%d\n", prefix, r.SensorType);
    log.logRawf("%s.TouchEnable(1):%d\n", prefix, r.TouchEnable);
    log.logRawf("%s.TouchRightClickDistThres(10):%d\n", prefix,
                static_cast<int>(r.TouchRightClickDistThres));
    log.logRawf("%s.TouchRightClickIncFrameThres(6):%d\n", prefix,
                static_cast<int>(r.TouchRightClickIncFrameThres));
    log.logRawf("%s.TouchRightClickTimeThres(240):%d\n", prefix,
                static_cast<int>(r.TouchRightClickTimeThres));
    log.logRawf("%s.XPRightClickMode(0):%d\n", prefix, r.XPRightClickMode);
    log.logRawf("%s.TouchType(1):%d\n", prefix, r.TouchType);
}

} // namespace

int EnsureConfigRecord(Device& device)
{
    ConfigRecord record;
    if (!ReadConfigRecord(device, record))
        return 0;
    if (record.valid()) {
        logRecord("ReadConInfo", record);
        return 1;
    }
    if (!WriteConfigRecord(device, ConfigRecord{}))
        return 0;
    ConfigRecord written;
    if (!ReadConfigRecord(device, written))
        return 0;
    logRecord("WriteConInfo", written);
    return 1;
}
