#include "device/ConfigRecordStore.h"

#include "app/LogSink.h"
#include "device/RegisterAccess.h"

int ReadConfigRecord(Device& device, ConfigRecord& record, Side side)
{
    ConfigRecordBytes bytes{};
    const int ok = device.blocks.readConfigRecord(bytes, side);
    record = ConfigRecord::decode(bytes);
    return ok;
}

int storedSensorType(Device& device)
{
    ConfigRecord record;
    if (!ReadConfigRecord(device, record) || !record.valid())
        return 0;
    return record.SensorType;
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

namespace {

void logRecord(const char* prefix, const ConfigRecord& r)
{
    LogSink& log = serviceLog();
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
