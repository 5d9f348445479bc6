#pragma once

#include "device/Delay.h"
#include "device/DeviceState.h"

#include <gtest/gtest.h>

// A test of the device layer without the whole harness: the protocol waits off and the
// device layer's process-wide state as at program start, for every test. Fixtures that
// add their own set-up call this one's first.
class DeviceStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delay::setTimeScale(0.0);
        resetDeviceState();
    }
    void TearDown() override { delay::setTimeScale(1.0); }
};
