#include "imaging/LevelingConfig.h"

#include "app/AppContext.h"
#include "device/ConfigRecord.h"
#include "imaging/DeviceSteps.h"
#include "imaging/SearchState.h"

namespace {

constexpr uint8_t kSensorModeRegister = 0x12;
constexpr uint8_t kFlippedRows = 0x40;

} // namespace

void readLevelingSettings(LevelingConfig& config, const SettingsFile& file)
{
    const QString group = QStringLiteral("Vireto_Config");
    config.QualityEvaluation = file.readInt(group, QStringLiteral("QualityEvaluation"), 1);
    config.TestSensor = file.readInt(group, QStringLiteral("TestSensor"), 0);
}

int prepareLeveling(Device& device, LevelingConfig& config)
{
    uint8_t mode = 0;
    const bool flipped = device_steps::I2C_Read(device, Side::Master, kSensorModeRegister, mode) &&
                         (mode & kFlippedRows);
    g_StartLineSearchLow = flipped ? 50 : 200;
    g_StartLineSearchHigh = flipped ? 200 : 300;

    ConfigRecord record;
    if (!ReadConfigRecord(device, record)) {
        appContext().log.logf("Leveling :ReadConfigInfo failed!\n");
        return 0;
    }
    config.InfraredPenMode = record.valid() ? record.InfraredPenMode : 0;
    config.SensorType = record.valid() ? record.SensorType : 0;
    return 1;
}
