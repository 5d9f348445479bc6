#pragma once

#include "codec/ConfigRecord.h"
#include "device/Device.h"

class SettingsFile;

// The settings windows' choices as "Vireto.ini" keeps them, and the steps that carry
// them between the settings file and the frame's configuration record. The windows and
// "vireto-cli config set" run the same steps.
namespace config_settings {

// What the full settings window shows.
struct Choices {
    int screenSize = 3;      // Vireto_ScreenInfo/Screen_Size 0..7 (other values: no size chosen)
    bool portrait = false;   // Vireto_ScreenInfo/Screen_Direction
    int rotation = 0;        // Vireto_ScreenInfo/Vertical_Mode, 0..4
    int touchType = 1;       // os_check/TouchType: 0 Auto, 1 Windows, 3 Mac, 2 Others
    bool fourLights = false; // SensorType/SensorType
    bool penOpen = false;    // Vireto_Config/InfraredPenMode
    int exposureScale = 3;   // Vireto_Config/InfraredExpScale 1..6
};

constexpr int kScreenSizes = 8;
constexpr int kRotations = 5;
constexpr int kLowestScale = 1;
constexpr int kHighestScale = 6;

// Loading the controls: a Screen_Direction below 1 is landscape without rotation; touch
// type 0 is Auto, 3 Mac, 2 and 4 Others, anything else Windows.
Choices readChoices(const SettingsFile& ini);
// Storing them (the first step of OK): Screen_Direction, Vertical_Mode, TouchType,
// Screen_Size, SensorType and InfraredPenMode. Portrait keeps its rotation; landscape
// stores rotation 0.
void writeChoices(const SettingsFile& ini, const Choices& choices);
// An exposure arrow: the scale moved by delta and kept to 1..6, stored as
// InfraredExpScale with its exposure time ("0x70" .. "0xc0") even when it did not move.
int stepExposure(const SettingsFile& ini, int scale, int delta);

// The reduced window's choice: InfraredPenMode; switching the pen off also puts the
// exposure back to "0x0a" with scale 3.
void writePenChoice(const SettingsFile& ini, bool penOpen);

// The record copied into the settings file; a record without the flag gives the
// defaults of a frame that has none (size 3, landscape, Windows, two lights, pen off,
// exposure "0x0a" with scale 3, ...).
void copyRecordToSettings(const SettingsFile& ini, const ConfigRecord& record);
// Reads the frame's record and copies it: 0 (nothing written) when the read failed.
// The caller has the frame in calibration mode.
int syncFromFrame(Device& device, const SettingsFile& ini);

// The record OK writes: what was read, with the settings' fields, the exposure time,
// the pen gain and the right-click keys of Vireto_Config (hexadecimal text), the flag
// and CalibCnt 8. A field whose key is missing keeps the frame's value.
ConfigRecord recordFromSettings(const SettingsFile& ini, const ConfigRecord& read);
// The right-click keys of "Vireto.ini" (group Vireto_Config, hexadecimal) into r.
void readRightClick(const SettingsFile& ini, ConfigRecord& r);

enum class SaveResult {
    Saved,
    SwitchRefused,
    ReadFailed,
    WriteFailed,
    VerifyFailed,
    WorkModeFailed
};
// OK after the first step: calibration mode, read, build, erase and write flag last,
// read back and compare all 31 bytes, work mode. Stops at the first failing step.
SaveResult saveToFrame(Device& device, const SettingsFile& ini);
// The reduced window's OK: the pen mode, exposure time and gain into the record,
// written through the Slave address word and read back through the Master one.
SaveResult savePenToFrame(Device& device, const SettingsFile& ini);
const char* describe(SaveResult result);

} // namespace config_settings
