#include "calibration/KeyTestThread.h"

#include "device/Delay.h"
#include "device/DeviceState.h"

KeyTestThread::KeyTestThread(Device& device, QObject* parent) : DeviceWorker(device, parent) {}

KeyTestThread::~KeyTestThread()
{
    stopAndWait();
}

void KeyTestThread::run()
{
    emit sendData(kTestRunning);
    while (!stopRequested()) {
        if (!g_bDevExist) {
            emit sendData(kPolled);
            requestStop();
            break;
        }
        uint8_t side = 0;
        uint8_t key = 0;
        if (!device_.commands.readKeyState(side, key) || key == 0) {
            side = 0;
            key = 0;
        }
        state_.sideCode = side;
        state_.keyNumber = key;
        emit sendData(kPolled);
        delay::wait(kPollIntervalMs);
    }
}
