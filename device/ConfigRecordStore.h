#pragma once

#include "codec/ConfigRecord.h"
#include "device/Device.h"

// One read of the record through the block read (Master, or the Slave address word).
int ReadConfigRecord(Device& device, ConfigRecord& record, Side side = Side::Master);
// Erases the record's sector, then writes it flag last. The Slave address word reaches
// the same flash (flash commands carry only the byte address).
int WriteConfigRecord(Device& device, const ConfigRecord& record, Side side = Side::Master);
// The SensorType of the frame's record: picks the angle table. 0 when the record cannot
// be read or has no flag.
int storedSensorType(Device& device);
// Makes sure a valid record exists: a valid one is only logged (never rewritten);
// otherwise the defaults are written and read back. 0 when a transfer failed.
int EnsureConfigRecord(Device& device);
