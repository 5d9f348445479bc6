#include "ui/main/FactoryTestLogic.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"
#include "imaging/SearchState.h"
#include "imaging/StoredOptics.h"

namespace factory_texts {
const char* const kStart = "开始测试";
const char* const kStop = "停止测试";
const char* const kFlashTest = "读/写Flash测试";
const char* const kImageTest = "测试图像";
const char* const kSensorTest = "测试Sensor";
const char* const kCompareAll = "比较全部Flash";
const char* const kSkipParts = "忽略部分Flash";
const char* const kExposure = "曝光模块";
const char* const kColumns = "起止列模块";
const char* const kLines = "拼行模块";
const char* const kRunning = "%1_测试中......";
const char* const kFinished = "测试完毕";
const char* const kSwitchFailed = "模式转换失败！";
const char* const kFailed = "测试失败！";
const char* const kMasterDiffers = "Master Flash存在不同。地址：0x%1";
const char* const kSlaveDiffers = "Slave Flash存在不同。地址：0x%1";
const char* const kReadFailed = "读Flash出错";
const char* const kImageFailed = "图像数据出错";
const char* const kSensorFailed = "Sensor检查出错";
} // namespace factory_texts

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

FactoryTestLogic::FactoryTestLogic(Device& device, FactoryTestView& view)
    : device_(device), view_(view)
{
}

FactoryTestLogic::~FactoryTestLogic()
{
    stopAndWait();
}

void FactoryTestLogic::setFlashWaits(double firstMs, double cycleMs)
{
    firstWaitMs_ = firstMs;
    cycleWaitMs_ = cycleMs;
}

bool FactoryTestLogic::testRunning() const
{
    return (flash_ && flash_->isRunning()) || (sensor_ && sensor_->isRunning());
}

int FactoryTestLogic::runNumber() const
{
    if (test_ == FactoryTestChoice::Flash)
        return flash_ ? flash_->state().runCounter.load() : 0;
    return sensorState_.passCount;
}

FlashTestOptions FactoryTestLogic::flashOptions(const FactoryTestChoice& choice) const
{
    FlashTestOptions o;
    o.skipRanges = choice.skipParts;
    o.skipExposure = choice.skipExposure;
    o.skipColumns = choice.skipColumns;
    o.skipLines = choice.skipLines;
    // The bounds the last leveling set.
    o.searchLow = g_StartLineSearchLow;
    o.searchHigh = g_StartLineSearchHigh;
    // The end columns a column search of this run found; without one, those the frame
    // keeps (the frame measures its exposure over them and stores what it measured).
    constexpr uint16_t kAbove = FlashTestRun::kExposureStartColumn;
    auto found = [](uint16_t column) { return column > kAbove && column <= 639; };
    if (found(Left_End) && found(Right_End))
        o.endColumns = {Left_End.load(), Right_End.load()};
    else
        o.endColumnsSource = [](Device& device) { return storedEndColumns(device, kAbove); };
    o.dumpPrefix = appContext().log.runPrefix();
    o.firstWaitMs = firstWaitMs_;
    o.cycleWaitMs = cycleWaitMs_;
    return o;
}

bool FactoryTestLogic::startTest(const FactoryTestChoice& choice)
{
    if (testRunning() || !g_bDevExist)
        return false;
    // The workers of an earlier run have ended: they go before the new one starts.
    flash_.reset();
    sensor_.reset();
    test_ = choice.test;
    sensorState_.passCount = 0;
    bool started = false;
    if (choice.test == FactoryTestChoice::Flash) {
        flash_ = std::make_unique<RWFlashTestThread>(device_, flashOptions(choice));
        connect(flash_.get(), &RWFlashTestThread::sendShowData, this, &FactoryTestLogic::testCode,
                Qt::QueuedConnection);
        started = flash_->startTest();
    } else {
        sensorState_.imageMode = choice.test == FactoryTestChoice::Image ? 1 : 0;
        sensor_ = std::make_unique<ImageSensorTestThread>(device_, sensorState_,
                                                          appContext().log.runPrefix());
        connect(sensor_.get(), &ImageSensorTestThread::sendData, this, &FactoryTestLogic::testCode,
                Qt::QueuedConnection);
        started = sensor_->startTest();
    }
    if (!started) {
        view_.showStatus(text(factory_texts::kFailed));
        return false;
    }
    running();
    view_.showStatus(text(factory_texts::kRunning).arg(0));
    return true;
}

void FactoryTestLogic::stopTest()
{
    // Start waits until the worker has really ended.
    view_.setStopEnabled(false);
    auto done = [this] {
        stopped();
        view_.showStatus(text(factory_texts::kFinished));
    };
    if (flash_)
        stopThen(*flash_, this, done);
    else if (sensor_)
        stopThen(*sensor_, this, done);
    else
        done();
}

void FactoryTestLogic::stopAndWait()
{
    if (flash_)
        flash_->stopTest();
    if (sensor_)
        sensor_->stopTest();
}

void FactoryTestLogic::running()
{
    view_.setStartEnabled(false);
    view_.setStopEnabled(true);
    view_.setOptionsEnabled(false);
}

void FactoryTestLogic::stopped()
{
    view_.setStartEnabled(g_bDevExist != 0);
    view_.setStopEnabled(false);
    view_.setOptionsEnabled(true);
}

void FactoryTestLogic::handleCode(int code)
{
    const AppContext& app = appContext();
    auto address = [this] {
        const uint32_t at = flash_ ? flash_->state().lastDifference.load() : 0;
        return QStringLiteral("%1").arg(at, 8, 16, QLatin1Char('0'));
    };
    switch (code) {
    case kTestFrameLost:
        view_.setStartEnabled(false);
        view_.setStopEnabled(false);
        view_.setOptionsEnabled(true);
        checkState = FIRST_OPEN_TOOL;
        view_.showStatus(app.text(kTextNoFrame).trimmed());
        return;
    case kTestSwitchFailed:
        view_.showStatus(text(factory_texts::kSwitchFailed));
        return;
    // A test that failed has ended: Start is offered again, the failure stays shown.
    case kTestFailed:
        stopped();
        view_.showStatus(text(factory_texts::kFailed));
        return;
    case kTestCycleStarted:
        running();
        view_.showStatus(text(factory_texts::kRunning).arg(runNumber()));
        return;
    case kTestMasterDiffers:
        stopped();
        view_.showStatus(text(factory_texts::kMasterDiffers).arg(address()));
        return;
    case kTestSlaveDiffers:
        stopped();
        view_.showStatus(text(factory_texts::kSlaveDiffers).arg(address()));
        return;
    case kTestReadFailed:
        stopped();
        view_.showStatus(text(factory_texts::kReadFailed));
        return;
    case kTestChecking:
        view_.showStatus(app.text(kTextDeviceChecking).trimmed());
        return;
    case kTestRunning:
        running();
        return;
    case kTestStopped:
        stopped();
        return;
    case kTestImageFailed:
        stopped();
        view_.showStatus(text(factory_texts::kImageFailed));
        return;
    case kTestSensorFailed:
        stopped();
        view_.showStatus(text(factory_texts::kSensorFailed));
        return;
    case kTestFrameReady:
        if (g_getStatusError) {
            view_.showStatus(app.text(kTextCheckConnection).trimmed());
            return;
        }
        if (!testRunning()) {
            view_.setStartEnabled(true);
            view_.setStopEnabled(false);
        }
        view_.showStatus(app.text(kTextReady).trimmed());
        return;
    case kTestBootLoader:
        view_.setStartEnabled(false);
        view_.setStopEnabled(false);
        view_.showStatus(app.text(kTextNotReady).trimmed());
        return;
    case kTestNoFrame:
        g_bDevExist = 0;
        view_.setStartEnabled(false);
        view_.setStopEnabled(false);
        view_.showStatus(app.text(kTextNoFrame).trimmed());
        return;
    default:
        return;
    }
}
