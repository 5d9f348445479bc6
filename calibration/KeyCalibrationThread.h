#pragma once

#include "calibration/KeyCalibrationState.h"
#include "calibration/KeyLayout.h"
#include "calibration/KeyRectangles.h"
#include "device/Device.h"
#include "device/DeviceWorker.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <vector>

// What the key window hands to the key calibration when it starts it.
struct KeyCalibrationSetup {
    int width = 0; // desktop size
    int height = 0;
    int sensorType = 0; // picks the angle table of the stored record
    shortcut_keys::KeyLayout layout;
    std::vector<shortcut_keys::KeyTarget> targets;
    std::vector<uint8_t> keyCodeTable; // KeyCodes::table()
};

class SettingsFile;

// A key calibration as the window and the command line start it: the layout of
// "Vireto.ini", the codes of "Vireto_Key.ini" (read only when there are keys) and the
// targets for a w x h desktop. problem says why it cannot start; noKeys: the layout has
// no key at all.
struct KeyCalibrationStart {
    KeyCalibrationSetup setup;
    QString problem;
    bool noKeys = false;
};
KeyCalibrationStart prepareKeyCalibration(const SettingsFile& vireto, const SettingsFile& keyFile,
                                          int width, int height, int sensorType);

// The codes the key calibration sends with sendData(int).
enum KeyCalibrationCode {
    kKeyShowTarget = 0,    // show the current target (sent on every query)
    kKeyInitFailed = 1,    // the frame refused the initialisation
    kKeyProcessFailed = 2, // a query, or the store of the key table or the block, failed
    kKeyProgress = 3,      // progress changed (KeyCalibrationState::progress)
    kKeyStored = 4,        // key codes and rectangles are stored
    kKeyReadFailed = 5,    // the stored block (with its calibration record) could not be used
};

// The key calibration on its own thread: initialisation, 99 idle cycles, one position
// pair per corner (KeyCollector), the key rectangles from the stored calibration record,
// and the store of the key-code table and of the block.
class KeyCalibrationThread : public DeviceWorker {
    Q_OBJECT
public:
    explicit KeyCalibrationThread(Device& device,
                                  KeyCalibrationState& state = keyCalibrationState(),
                                  QObject* parent = nullptr);
    ~KeyCalibrationThread() override;

    // The start operation. Refuses (false, lastError()) a layout the block cannot hold,
    // a layout without keys and a key-code table that does not fit its flash sector.
    bool begin(const KeyCalibrationSetup& setup);

    // After kKeyStored: the targets with their touch positions and the stored key area.
    std::vector<shortcut_keys::KeyTarget> targets() const;
    key_rectangles::KeyArea keyArea() const;
    QString lastError() const;

protected:
    void run() override;

private:
    enum class Outcome { Continue, Finished, Failed };

    Outcome compute(const std::vector<uint32_t>& left, const std::vector<uint32_t>& right);
    Outcome store();
    bool writeKeyCodeTable();
    void fail(int code, const QString& why);
    void setProgress(int percent);
    void logArea(const char* prefix, const key_rectangles::KeyArea& area);

    KeyCalibrationState& state_;
    KeyCalibrationSetup setup_;
    SensorBlock block_{};
    SensorBlock blockAsRead_{}; // kept on disk while block_ replaces it

    mutable std::mutex resultMutex_;
    std::vector<shortcut_keys::KeyTarget> targets_;
    key_rectangles::KeyArea area_;
    QString error_;
};
