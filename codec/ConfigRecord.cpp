#include "codec/ConfigRecord.h"

#include "codec/ByteOrder.h"

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
