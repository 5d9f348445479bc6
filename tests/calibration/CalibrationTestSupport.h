#pragma once

#include "SceneInputs.h"
#include "app/AppContext.h"
#include "calibration/CalibrationTargets.h"
#include "calibration/Solver16.h"
#include "device/Delay.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "sim/SimTransport.h"
#include "sim/TouchModel.h"
#include "sim/VirtualFrame.h"
#include "tests/support/FrameHarness.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

namespace caltest {

// The tool's device stack on the virtual frame, and the run's log (tests/support).
using FrameHost = FrameHarness;
using ::LogCapture;

} // namespace caltest
