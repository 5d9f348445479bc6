#pragma once

#include "app/SettingsFile.h"
#include "device/Device.h"

#include <cstdint>

// What image-adjusting works with besides the frame: fields of the configuration record
// and settings of "Vireto.ini".
struct LevelingConfig {
    // From the configuration record (0 when it has no valid flag).
    int InfraredPenMode = 0;
    int SensorType = 0;
    // Vireto_Config/QualityEvaluation (default 1): judge the pictures.
    int QualityEvaluation = 1;
    // Vireto_Config/TestSensor (default 0): run the sensor data-cable test first.
    int TestSensor = 0;
};

// The settings the image-adjusting window reads when it is built.
void readLevelingSettings(LevelingConfig& config,
                          const SettingsFile& file = SettingsFile::vireto());

// What the main window does before it opens image-adjusting, once the frame is in
// calibration mode: the start-line search bounds from bit 6 of the Master sensor
// register 0x12 (50..200 when set; 200..300 when clear or unreadable), and pen mode and
// sensor type from the configuration record. 0 when the record cannot be read; then
// image-adjusting must not open ("Leveling :ReadConfigInfo failed!\n" is logged).
int prepareLeveling(Device& device, LevelingConfig& config);
