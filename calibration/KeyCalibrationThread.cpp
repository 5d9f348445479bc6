#include "calibration/KeyCalibrationThread.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "app/SettingsFile.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/CameraModel.h"
#include "calibration/CorrectionMaps.h"
#include "calibration/KeyCollector.h"
#include "calibration/StoredRecord.h"
#include "codec/FlashMap.h"
#include "device/DeviceState.h"
#include "device/SensorBlockRewrite.h"

#include <algorithm>

using namespace shortcut_keys;

namespace {

constexpr int kIdleCycles = 99;
constexpr size_t kPiece = 32;

RegisterRequest flashRequest(uint32_t addressWord, uint32_t length)
{
    RegisterRequest r;
    r.addressWord = addressWord;
    r.length = length;
    return r;
}

} // namespace

KeyCalibrationStart prepareKeyCalibration(const SettingsFile& vireto, const SettingsFile& keyFile,
                                          int width, int height, int sensorType)
{
    KeyCalibrationStart start;
    KeyCalibrationSetup& setup = start.setup;
    setup.width = width;
    setup.height = height;
    setup.sensorType = sensorType;
    setup.layout = readKeyLayout(vireto);
    if (const QString problem = problemOf(setup.layout); !problem.isEmpty()) {
        start.problem = QStringLiteral("Vireto.ini: %1").arg(problem);
        return start;
    }
    if (!setup.layout.hasKeys()) {
        start.noKeys = true;
        start.problem = QStringLiteral("the layout has no shortcut keys");
        return start;
    }
    const KeyCodes codes = readKeyCodes(keyFile);
    if (!codes.error.isEmpty()) {
        start.problem = QStringLiteral("Vireto_Key.ini: %1").arg(codes.error);
        return start;
    }
    setup.targets = targetListOf(setup.layout, schematicOf(setup.layout, width, height));
    setup.keyCodeTable = codes.table();
    return start;
}

KeyCalibrationThread::KeyCalibrationThread(Device& device, KeyCalibrationState& state,
                                           QObject* parent)
    : DeviceWorker(device, parent), state_(state)
{
}

KeyCalibrationThread::~KeyCalibrationThread()
{
    stopAndWait();
}

bool KeyCalibrationThread::begin(const KeyCalibrationSetup& setup)
{
    if (isRunning())
        return false;
    QString why = problemOf(setup.layout);
    if (why.isEmpty() && (!setup.layout.hasKeys() || setup.targets.empty()))
        why = QStringLiteral("the layout has no shortcut keys");
    if (why.isEmpty() &&
        (setup.keyCodeTable.size() < 2 || setup.keyCodeTable.size() > flash_map::kSectorSize))
        why = QStringLiteral("the key-code table of %1 bytes does not fit its flash sector")
                  .arg(setup.keyCodeTable.size());
    {
        std::lock_guard lock(resultMutex_);
        error_ = why;
        targets_ = setup.targets;
        area_ = {};
    }
    if (!why.isEmpty())
        return false;
    setup_ = setup;
    state_.reset(static_cast<int>(setup.targets.size()));
    return startWorker();
}

std::vector<KeyTarget> KeyCalibrationThread::targets() const
{
    std::lock_guard lock(resultMutex_);
    return targets_;
}

key_rectangles::KeyArea KeyCalibrationThread::keyArea() const
{
    std::lock_guard lock(resultMutex_);
    return area_;
}

QString KeyCalibrationThread::lastError() const
{
    std::lock_guard lock(resultMutex_);
    return error_;
}

void KeyCalibrationThread::fail(int code, const QString& why)
{
    {
        std::lock_guard lock(resultMutex_);
        error_ = why;
    }
    serviceLog().logf("KeyCalibrationThread: %s\n", why.toLocal8Bit().constData());
    emit sendData(code);
    requestStop();
}

void KeyCalibrationThread::setProgress(int percent)
{
    state_.progress = percent;
    emit sendData(kKeyProgress);
}

void KeyCalibrationThread::run()
{
    KeyCollector::Hooks hooks;
    hooks.query = [this](const capture::Request& request, CandidateReport& report) {
        int sides = 0;
        return GetTouchPoints(device_, request, report, sides);
    };
    hooks.show = [this] { emit sendData(kKeyShowTarget); };
    KeyCollector collector(state_, setup_.targets, hooks);

    const int count = static_cast<int>(setup_.targets.size());
    for (int cycle = 0; !stopRequested(); ++cycle) {
        if (!g_bDevExist) {
            emit sendData(kKeyShowTarget);
            break;
        }
        if (cycle == 0) {
            const int ok = device_.commands.trigger();
            if (!ok && device_.link.lastCallLostTheFrame())
                markDeviceLost();
            g_CalDataInitSuc = ok;
            if (!ok) {
                emit sendData(kKeyInitFailed);
                break;
            }
            continue;
        }
        if (cycle <= kIdleCycles)
            continue;
        const int index = state_.index;
        Outcome outcome = Outcome::Continue;
        if (index < count) {
            if (!collector.cycle()) {
                fail(kKeyProcessFailed, QStringLiteral("the touch query failed"));
                outcome = Outcome::Failed;
            }
        } else if (index == count) {
            outcome = compute(collector.leftPositions(), collector.rightPositions());
        } else {
            outcome = store();
        }
        if (outcome != Outcome::Continue)
            break;
    }
}

void KeyCalibrationThread::logArea(const char* prefix, const key_rectangles::KeyArea& area)
{
    LogSink& log = serviceLog();
    for (int side : {kLeftSide, kRightSide, kBottomSide, kTopSide}) {
        const auto& rects = area.keys[static_cast<size_t>(side)];
        for (size_t i = 0; i < rects.size(); ++i)
            log.logf("%s%sKeyPosition[%zu]: TopLeft(x:%d, y:%d)   BottomRight(x:%d, y:%d)\n",
                     prefix, sideWordOf(side), i, rects[i].left, rects[i].top, rects[i].right,
                     rects[i].bottom);
    }
}

KeyCalibrationThread::Outcome KeyCalibrationThread::compute(const std::vector<uint32_t>& left,
                                                            const std::vector<uint32_t>& right)
{
    emit sendData(kKeyShowTarget);
    setProgress(0);
    if (!device_.blocks.ReadCalibInfo(block_)) {
        fail(kKeyReadFailed, QStringLiteral("reading the sensor information block failed"));
        return Outcome::Failed;
    }
    blockAsRead_ = block_;
    const CalibrationRecord record = recordOf(block_);
    QString problem = hasSensorInfoFlag(block_) ? stored_record::problemOf(record)
                                                : QStringLiteral("the frame holds no calibration");
    if (!problem.isEmpty()) {
        fail(kKeyReadFailed, problem + QStringLiteral(": calibrate the screen first"));
        return Outcome::Failed;
    }
    for (int side : {kLeftSide, kRightSide, kBottomSide, kTopSide})
        block_[key_rectangles::countOffsetOf(side)] =
            static_cast<uint8_t>(setup_.layout.of(side).keyCount());
    setProgress(30);

    const camera_model::Model model =
        stored_record::modelOf(record, angle_table::forSensorType(setup_.sensorType));
    std::vector<KeyTarget> targets = setup_.targets;
    for (size_t i = 0; i < targets.size(); ++i) {
        const camera_model::PointF p = camera_model::Triangulate(model, left[i], right[i]);
        const std::optional<Point16> q = correction_maps::toPoint16(p);
        targets[i].touchX = q ? q->x : static_cast<int16_t>(p.x < 0 ? -32768 : 32767);
        targets[i].touchY = q ? q->y : static_cast<int16_t>(p.y < 0 ? -32768 : 32767);
        serviceLog().logf(
            "CalibIndex[%zu]: [OneD_Left]%d   [OneD_Right]%d   [TwoD_X]%f   [TwoD_Y]%f\n", i,
            left[i], right[i], p.x, p.y);
    }
    setProgress(60);

    key_rectangles::KeyArea area;
    for (size_t g = 0; g + 2 < targets.size(); g += 3) {
        const KeyTarget& a = targets[g];
        const KeyTarget& b = targets[g + 1];
        const KeyTarget& c = targets[g + 2];
        const auto rects =
            key_rectangles::groupRectangles(a.side(), a.keysInGroup(), {a.touchX, a.touchY},
                                            {b.touchX, b.touchY}, {c.touchX, c.touchY});
        auto& side = area.keys[static_cast<size_t>(a.side())];
        side.insert(side.end(), rects.begin(), rects.end());
    }
    key_rectangles::putKeyArea(block_, area);
    logArea("", area);
    {
        std::lock_guard lock(resultMutex_);
        targets_ = targets;
        area_ = area;
    }
    state_.index = static_cast<int>(targets.size()) + 1;
    return Outcome::Continue;
}

bool KeyCalibrationThread::writeKeyCodeTable()
{
    const std::vector<uint8_t>& table = setup_.keyCodeTable;
    if (!device_.access.erase(flashRequest(shortcut_keys::kKeyCodeTableWord, 1)))
        return false;
    for (size_t done = 0; done < table.size(); done += kPiece) {
        RegisterRequest r =
            flashRequest(shortcut_keys::kKeyCodeTableWord + static_cast<uint32_t>(done),
                         static_cast<uint32_t>(std::min(kPiece, table.size() - done)));
        r.data.assign(table.begin() + static_cast<std::ptrdiff_t>(done),
                      table.begin() + static_cast<std::ptrdiff_t>(done + r.length));
        if (!device_.access.writeBlock(r))
            return false;
    }
    std::vector<uint8_t> readBack(table.size());
    if (!device_.access.readBlock(
            flashRequest(shortcut_keys::kKeyCodeTableWord, static_cast<uint32_t>(table.size())),
            readBack.data()))
        return false;
    return readBack == table;
}

KeyCalibrationThread::Outcome KeyCalibrationThread::store()
{
    if (!writeKeyCodeTable()) {
        fail(kKeyProcessFailed, QStringLiteral("storing the key-code table failed (erase, write or "
                                               "read-back)"));
        return Outcome::Failed;
    }
    setProgress(90);
    const sensor_block_rewrite::Outcome rewritten = sensor_block_rewrite::rewrite(
        device_, blockAsRead_, block_, [this] { return stopRequested(); });
    if (!rewritten.ok) {
        fail(kKeyProcessFailed,
             QStringLiteral("storing the key rectangles failed: %1").arg(rewritten.error));
        return Outcome::Failed;
    }
    SensorBlock stored{};
    if (!device_.blocks.ReadCalibInfo(stored)) {
        fail(kKeyProcessFailed, QStringLiteral("storing the key rectangles failed (read-back of "
                                               "the sensor information block)"));
        return Outcome::Failed;
    }
    logArea("CalInfo_Ltemp_", key_rectangles::keyAreaOf(stored));
    state_.progress = 100;
    state_.index = 0;
    emit sendData(kKeyStored);
    return Outcome::Finished;
}
