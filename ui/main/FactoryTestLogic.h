#pragma once

#include "device/Device.h"
#include "imaging/ImageSensorTestThread.h"
#include "maintenance/FlashTest.h"

#include <QObject>
#include <QString>

#include <memory>

// The factory test station's own texts: they are not in the language table, and read
// the same in every language.
namespace factory_texts {
extern const char* const kStart;         // start test
extern const char* const kStop;          // stop test
extern const char* const kFlashTest;     // flash read/write test
extern const char* const kImageTest;     // image test
extern const char* const kSensorTest;    // sensor test
extern const char* const kCompareAll;    // compare the whole flash
extern const char* const kSkipParts;     // skip part of the flash
extern const char* const kExposure;      // the exposure part
extern const char* const kColumns;       // the start and end columns part
extern const char* const kLines;         // the line-joining part
extern const char* const kRunning;       // "%1_..." with the run number
extern const char* const kFinished;      // test finished
extern const char* const kSwitchFailed;  // mode switch failed
extern const char* const kFailed;        // test failed
extern const char* const kMasterDiffers; // "... 0x%1" with the address
extern const char* const kSlaveDiffers;
extern const char* const kReadFailed;   // reading the flash failed
extern const char* const kImageFailed;  // image data wrong
extern const char* const kSensorFailed; // sensor check failed
} // namespace factory_texts

// What the factory test window shows and enables; the window implements it.
class FactoryTestView {
public:
    virtual ~FactoryTestView() = default;
    virtual void showStatus(const QString& text) = 0;
    virtual void setStartEnabled(bool enabled) = 0;
    virtual void setStopEnabled(bool enabled) = 0;
    // The test choice and the flash options.
    virtual void setOptionsEnabled(bool enabled) = 0;
};

// What the operator chose before Start.
struct FactoryTestChoice {
    enum Test { Flash, Image, Sensor };
    Test test = Flash;
    bool skipParts = false; // flash: skip the parts below instead of comparing all
    bool skipExposure = false;
    bool skipColumns = false;
    bool skipLines = false;
};

// The codes of the factory test window's recvShowData(int): those of its device-check
// worker, of the flash test worker and of the image sensor test worker.
enum FactoryTestCode {
    kTestFrameLost = 0,
    kTestSwitchFailed = 1,
    kTestFailed = 2,
    kTestCycleStarted = 3,
    kTestMasterDiffers = 4,
    kTestSlaveDiffers = 5,
    kTestReadFailed = 6,
    kTestChecking = 7,
    kTestRunning = 8,
    kTestStopped = 9,
    kTestImageFailed = 10,
    kTestSensorFailed = 11,
    kTestFrameReady = 13,
    kTestBootLoader = 14,
    kTestNoFrame = 15,
};

// The factory test station's side: starts and stops the chosen test's worker and turns
// every code into the window's state and text. No widget in here.
class FactoryTestLogic : public QObject {
    Q_OBJECT
public:
    FactoryTestLogic(Device& device, FactoryTestView& view);
    ~FactoryTestLogic() override;

    // StartTestSlot(): false when the test could not be started.
    bool startTest(const FactoryTestChoice& choice);
    // CloseTestSlot(): asks the worker to stop; the window shows the end once it has.
    void stopTest();
    // Stops a running test and waits for it (closing the window).
    void stopAndWait();
    // recvShowData(int).
    void handleCode(int code);

    bool testRunning() const;
    // The number of the cycle or pass that runs (0 before the first).
    int runNumber() const;
    // The flash test's waits: before the reference and between cycles.
    void setFlashWaits(double firstMs, double cycleMs);

signals:
    // A worker's code, queued to the GUI thread; the window connects it to recvShowData.
    void testCode(int code);

private:
    void running();
    void stopped();
    FlashTestOptions flashOptions(const FactoryTestChoice& choice) const;

    Device& device_;
    FactoryTestView& view_;
    FactoryTestChoice::Test test_ = FactoryTestChoice::Flash;
    double firstWaitMs_ = 1000.0;
    double cycleWaitMs_ = 30000.0;
    std::unique_ptr<RWFlashTestThread> flash_;
    SensorTestState sensorState_;
    std::unique_ptr<ImageSensorTestThread> sensor_;
};
