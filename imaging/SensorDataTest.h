#pragma once

#include "device/Device.h"
#include "imaging/AdjustScreenState.h"

#include <QString>

#include <cstdint>

// Where the data-cable test shows its warning: a window answers on the GUI thread and
// returns once the operator has pressed "OK".
class SensorWarningSink {
public:
    virtual ~SensorWarningSink() = default;
    virtual void showSensorWarning(const QString& title, const QString& text) = 0;
};

struct SensorDataResult {
    int ok = 0;           // 1 when every register access succeeded
    uint8_t badLeft = 0;  // bit b set: data line b of the Master's sensor cable is bad
    uint8_t badRight = 0; // the same for the Slave
    QString warning;      // texts 141 / 140 for the sides with bad lines, else empty
};

// "(0,3 bit)": the bad line numbers in ascending order.
QString badLinesText(uint8_t badLines);

// TestSensorData, the sensor data-cable test: both sensors put out their test pattern,
// each module captures, eight known pixels per side are read through the FPGA's pixel
// port, and every bit that differs marks a broken data line. The sensors go back to
// normal output afterwards (also when an access failed on the way). The warning goes
// to sink when one is given.
SensorDataResult TestSensorData(Device& device, SensorWarningSink* sink = nullptr);

// What the image-adjusting window does on code 17: run the test and tell the waiting
// worker it has finished, whatever the outcome.
SensorDataResult runRequestedSensorTest(Device& device, AdjustScreenState& state,
                                        SensorWarningSink* sink = nullptr);
