#include "KeyTestThread.h"

#include "Delay.h"
#include "DeviceState.h"

KeyTestThread::KeyTestThread(Device& device, QObject* parent) : QThread(parent), device_(device) {}

KeyTestThread::~KeyTestThread()
{
    stopAndWait();
}

void KeyTestThread::begin()
{
    if (isRunning())
        return;
    stopFlag = 0;
    start(QThread::InheritPriority);
}

void KeyTestThread::stopAndWait()
{
    stopFlag = 1;
    wait();
}

void KeyTestThread::run()
{
    emit sendData(kTestRunning);
    while (!stopFlag) {
        if (!g_bDevExist) {
            emit sendData(kPolled);
            stopFlag = 1;
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
