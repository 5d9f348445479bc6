// The frame's replies to every command, through the real device layer: a frame (or a
// device pretending to be one) can answer anything. The first byte picks the operation,
// the next kParameterBytes its arguments; the rest answer the reply polls one by one:
//
//   c in 0x00..0x3F  the command's echo with "done", then 61 data bytes
//   c in 0x40..0x7F  the command's echo, a status byte, then 61 data bytes
//   c in 0x80..0xFE  the report's 63 bytes as they follow (any echo, any status)
//   c == 0xFF        the read fails: the frame is gone
//
// Missing data bytes read as 0; a poll with no byte left fails, so every input ends.
// Protocol waits are off (time scale 0).
//
// VIRETO_FUZZ_WRITE_SEEDS=FOLDER makes the program write one seed per operation instead,
// with the replies of a factory-fresh virtual frame, and exit.
#include "calibration/StoredRecord.h"
#include "calibration/TouchSampler.h"
#include "codec/ByteOrder.h"
#include "codec/FlashMap.h"
#include "codec/SensorAngleTables.h"
#include "device/ConfigRecordStore.h"
#include "device/Delay.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "device/FlashArea.h"
#include "device/ModeSwitch.h"
#include "device/StatusCheck.h"
#include "device/TouchPoints.h"
#include "imaging/ColumnCurves.h"
#include "imaging/DeviceSteps.h"
#include "imaging/ImagingState.h"
#include "imaging/LevelingConfig.h"
#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"
#include "imaging/QualityCheck.h"
#include "imaging/SensorDataTest.h"
#include "imaging/StoredOptics.h"
#include "maintenance/FirmwareDownload.h"
#include "maintenance/RegisterPanelAccess.h"
#include "production/DeviceInfoService.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr size_t kParameterBytes = 8;
constexpr uint8_t kFailRead = 0xFF;

// A request that changes the frame's flash or leaves its application: the command's
// code and the flash address it names.
struct Change {
    uint8_t code = 0;
    uint32_t address = 0;
};

bool changesTheFrame(uint8_t code)
{
    switch (code) {
    case cmd::kFlashWrite:
    case cmd::kFlashErase:
    case cmd::kJump:
    case cmd::kStreamA.master:
    case cmd::kStreamA.slave:
    case cmd::kStreamB.master:
    case cmd::kStreamB.slave:
        return true;
    default:
        return false;
    }
}

// The input as a frame: answers each reply poll from the next bytes, and notes every
// request that would change the frame.
class FuzzedFrame : public HidTransport {
public:
    FuzzedFrame(const uint8_t* data, size_t size, std::vector<Change>& changes)
        : data_(data), size_(size), changes_(changes)
    {
    }

    int open(uint16_t& productId) override
    {
        productId = 0xCB12;
        return 1;
    }
    int probe(uint16_t& productId) override
    {
        productId = 0xCB12;
        return kProbeFrame;
    }
    int setFeature64(const uint8_t* report) override
    {
        code_ = report[1] & 0x3F;
        if (changesTheFrame(code_))
            changes_.push_back({code_, le::u24(report + 2)});
        return 1;
    }
    int getFeature64(uint8_t* report) override
    {
        if (at_ >= size_)
            return 0;
        const uint8_t c = data_[at_++];
        if (c == kFailRead)
            return 0;
        std::memset(report + 1, 0, kReportSize - 1);
        if (c >= 0x80) {
            take(report + 1, kReportSize - 1);
            return 1;
        }
        report[1] = code_;
        report[2] = DeviceLink::kStatusDone;
        if (c >= 0x40)
            take(report + 2, 1);
        take(report + 3, DeviceLink::kReplyData);
        return 1;
    }
    int getFeature3(uint8_t reportId, uint8_t* report) override
    {
        if (at_ >= size_ || data_[at_++] == kFailRead)
            return 0;
        report[0] = reportId;
        report[1] = report[2] = 0;
        take(report + 1, 2);
        return 1;
    }
    int close() override { return 1; }
    bool isOpen() const override { return true; }

private:
    void take(uint8_t* out, size_t n)
    {
        n = std::min(n, size_ - at_);
        std::memcpy(out, data_ + at_, n);
        at_ += n;
    }

    const uint8_t* data_;
    size_t size_;
    std::vector<Change>& changes_;
    size_t at_ = 0;
    uint8_t code_ = 0;
};

// For the seeds: passes every call on to a virtual frame and writes its replies in the
// input's form.
class SeedRecorder : public HidTransport {
public:
    SeedRecorder(std::unique_ptr<HidTransport> inner, std::vector<uint8_t>& out)
        : inner_(std::move(inner)), out_(out)
    {
    }
    int open(uint16_t& productId) override { return inner_->open(productId); }
    int probe(uint16_t& productId) override { return inner_->probe(productId); }
    int setFeature64(const uint8_t* report) override
    {
        code_ = report[1] & 0x3F;
        return inner_->setFeature64(report);
    }
    int getFeature64(uint8_t* report) override
    {
        if (!inner_->getFeature64(report)) {
            out_.push_back(kFailRead);
            return 0;
        }
        if (report[1] == code_ && report[2] == DeviceLink::kStatusDone) {
            out_.push_back(0x00);
            out_.insert(out_.end(), report + 3, report + kReportSize);
        } else {
            out_.push_back(0x80);
            out_.insert(out_.end(), report + 1, report + kReportSize);
        }
        return 1;
    }
    int getFeature3(uint8_t reportId, uint8_t* report) override
    {
        const int ok = inner_->getFeature3(reportId, report);
        out_.push_back(ok ? 0x00 : kFailRead);
        if (ok)
            out_.insert(out_.end(), report + 1, report + 3);
        return ok;
    }
    int close() override { return inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }

private:
    std::unique_ptr<HidTransport> inner_;
    std::vector<uint8_t>& out_;
    uint8_t code_ = 0;
};

struct Parameters {
    std::array<uint8_t, kParameterBytes> b{};
    Side side() const { return (b[0] & 1) ? Side::Slave : Side::Master; }
    uint16_t u16(size_t i) const { return static_cast<uint16_t>(b[i] | (b[i + 1] << 8)); }
    uint32_t u32(size_t i) const { return u16(i) | (static_cast<uint32_t>(u16(i + 2)) << 16); }
};

// What the image-adjusting window draws and judges from the optical values the replies
// left: the column curves and the quality check along both optimum-line tables.
void useOpticalValues()
{
    ColumnCurves curves;
    curves.update(pFrameYA, pFrameYB, true);
    for (Side side : {Side::Master, Side::Slave}) {
        const OpticalValues v = opticalParams(side).values();
        (void)quality_check::passesDarkRunCheck(
            quality_check::columnProfile(side == Side::Master ? pFrameYA : pFrameYB,
                                         v.optimumLines),
            v.endColumn);
    }
}

class NoWarning : public SensorWarningSink {
public:
    void showSensorWarning(const QString&, const QString&) override {}
};

QString scratchFolder()
{
    static QTemporaryDir dir(QStringLiteral("/dev/shm/vireto-fuzz-XXXXXX"));
    return dir.path();
}

// One operation: what it is called, what it does, and the parameters that make it do
// its usual work (for the seeds).
struct Operation {
    const char* name;
    void (*run)(Device&, const Parameters&);
    std::array<uint8_t, kParameterBytes> seed;
    // The one operation that may write to the flash, and only the configuration record.
    bool writesConfigRecord = false;
};

const Operation kOperations[] = {
    {"status",
     [](Device& d, const Parameters& p) {
         FrameStatus status;
         readFrameStatus(d, p.b[1], status);
     },
     {0, 1}},
    {"status until answered", [](Device& d, const Parameters&) { TestCommunication(d); }, {}},
    {"versions",
     [](Device& d, const Parameters& p) {
         ModuleVersions versions;
         d.blocks.readVersions(p.side(), versions);
     },
     {}},
    {"sensor block",
     [](Device& d, const Parameters& p) {
         SensorBlock block{};
         if (d.blocks.ReadCalibInfo(block, p.side())) {
             loadStoredOptics(block, {(p.b[1] & 1) != 0, (p.b[1] & 2) != 0});
             useOpticalValues();
             (void)storedStartAndExposure(block, p.side());
         }
     },
     {}},
    {"configuration record",
     [](Device& d, const Parameters& p) {
         ConfigRecord record;
         ReadConfigRecord(d, record, p.side());
         (void)storedSensorType(d);
     },
     {}},
    {"configuration record made valid",
     [](Device& d, const Parameters&) { EnsureConfigRecord(d); },
     {},
     true},
    {"device information",
     [](Device& d, const Parameters&) {
         DeviceInfoRecord record;
         DeviceInfoService(d, scratchFolder()).readStored(record);
         (void)record.encode();
     },
     {}},
    {"touch query",
     [](Device& d, const Parameters& p) {
         std::array<uint8_t, FrameCommands::kTouchPointsRequest> request{};
         std::copy_n(p.b.begin() + 1, request.size(), request.begin());
         CandidateReport report;
         int sides = 0;
         GetTouchPoints(d, request, report, sides);
     },
     {0, 0, 0, 0x80, 0x07, 0x38, 0x04}},
    {"touch sample",
     [](Device& d, const Parameters& p) {
         TouchSampler sampler(d);
         const int x = p.u16(1) % 4096;
         const int y = p.u16(3) % 4096;
         if (sampler.learnBackground(x, y))
             (void)sampler.sample(p.b[5], x, y, 40);
     },
     {0, 0x80, 0x07, 0x38, 0x04, 0}},
    {"start line and exposure",
     [](Device& d, const Parameters& p) {
         uint16_t line = 0;
         if (!d.commands.SearchStartline(p.side(), p.u16(1), p.u16(3), line) && line != 0xFFFF)
             __builtin_trap(); // a failed search must not give a start line
         uint8_t time = 0;
         uint8_t gain = 0;
         if (!d.commands.GetExposure(p.side(), p.u16(3), p.u16(5), time, gain) &&
             (time != 0xFF || gain != 0xFF))
             __builtin_trap();
     },
     {0, 200, 0, 0x2C, 1, 0x7F, 2}},
    {"optimum lines",
     [](Device& d, const Parameters& p) {
         device_steps::optimalizeLine(d, p.side(), p.u16(1), p.u16(3));
         useOpticalValues();
     },
     {0, 0, 0, 0x7F, 2}},
    {"image data",
     [](Device& d, const Parameters& p) {
         ImageReadRequest request;
         request.mode = p.b[1];
         request.offset = p.u16(2);
         request.length = p.u16(4) % 0x300;
         request.destination = p.u16(6) % 0x2000;
         GetPreviewData(d, request);
     },
     {0, 1, 0, 0, 0x80, 2, 0, 0}},
    {"edge sample",
     [](Device& d, const Parameters& p) {
         ReadControl control;
         readEdgeSample(d, p.side(), g_EdgeSample[static_cast<size_t>(p.side())], control);
     },
     {}},
    {"preview frame",
     [](Device& d, const Parameters& p) { readPreviewFrame(d, 1 + p.b[1] % 11); },
     {0, 2}},
    {"chunked frame", [](Device& d, const Parameters&) { readChunkedFrame(d); }, {}},
    {"register and flash reads",
     [](Device& d, const Parameters& p) {
         RegisterRequest request;
         request.addressWord = p.u32(1);
         request.length = p.u16(5) % (RegisterAccess::kTransferBufferSize + 2);
         std::vector<uint8_t> out(RegisterAccess::kTransferBufferSize + 2, 0x5A);
         const uint32_t space = address_word::space(request.addressWord);
         const bool sent = request.length >= 1 &&
                           request.length <= RegisterAccess::kTransferBufferSize &&
                           space != address_word::kSpaceStream;
         if (!d.access.readBlock(request, out.data()) && sent) {
             // A failed read leaves 0xFF in what it delivers, never an earlier read's bytes.
             const size_t n = space == address_word::kSpaceSensor ? 1 : request.length;
             if (!std::all_of(out.begin(), out.begin() + static_cast<long>(n),
                              [](uint8_t b) { return b == 0xFF; }))
                 __builtin_trap();
         }
         uint8_t value = 0;
         d.access.sensorRead(request, value);
         d.access.singleRead(request, value);
         d.access.portRead(request, value);
     },
     {0, 0, 0x80, 0x01, 0x02, 31, 0}},
    {"register panel",
     [](Device& d, const Parameters& p) {
         register_panel::Access access;
         access.write = (p.b[1] & 1) != 0;
         access.sensor = (p.b[1] & 2) != 0;
         access.addressWord = p.u32(2);
         access.value = p.b[6];
         register_panel::Result result;
         register_panel::run(d, access, result);
     },
     {0, 2, 0x12, 0, 0, 0, 0}},
    {"sensor data test",
     [](Device& d, const Parameters&) {
         NoWarning sink;
         TestSensorData(d, &sink);
     },
     {}},
    {"leveling preparation",
     [](Device& d, const Parameters&) {
         LevelingConfig config;
         prepareLeveling(d, config);
     },
     {}},
    {"stored calibration",
     [](Device& d, const Parameters& p) {
         const stored_record::StoredCalibration stored = stored_record::readStoredCalibration(d);
         if (stored.usable()) {
             const angle_table::Table& table = angle_table::forSensorType(stored.sensorType);
             (void)stored_record::locate(stored.record, table, p.u16(1), p.u16(3));
         }
     },
     {0, 0x2C, 1, 0x2C, 1}},
    {"stored end columns",
     [](Device& d, const Parameters& p) { (void)storedEndColumns(d, p.u16(1)); },
     {0, 100, 0}},
    {"mode switch",
     [](Device& d, const Parameters& p) {
         static constexpr uint8_t kModes[] = {0x22, 0xFF, 0xEE, 0xCC};
         SwitchMode(d, kModes[p.b[1] % 4]);
     },
     {}},
    {"image descriptor", [](Device& d, const Parameters&) { logImageDescriptor(d); }, {}},
    {"flash area",
     [](Device& d, const Parameters& p) {
         std::vector<uint8_t> out;
         const uint32_t length = p.u16(5) % 0x2000;
         if (!flash_area::read(d, p.u32(1) & 0x1FFFF, length, out, {}, p.side()) &&
             out.size() != length)
             __builtin_trap(); // a finished read delivers what was asked for
     },
     {0, 0, 0xF0, 0x01, 0, 0x84, 0}},
    {"key state",
     [](Device& d, const Parameters&) {
         uint8_t a = 0;
         uint8_t b = 0;
         d.commands.readKeyState(a, b);
     },
     {}},
};
constexpr size_t kOperationCount = sizeof kOperations / sizeof kOperations[0];

void runOperation(std::unique_ptr<HidTransport> transport, size_t operation,
                  const Parameters& parameters)
{
    resetDeviceState();
    resetImagingState();
    g_bDevExist = 1;
    g_isDeviceCommunicate = 1;
    Device device(std::move(transport));
    kOperations[operation % kOperationCount].run(device, parameters);
}

void writeSeeds(const QString& folder)
{
    QDir().mkpath(folder);
    for (size_t op = 0; op < kOperationCount; ++op) {
        auto sim = std::make_unique<sim::SimTransport>(std::make_shared<sim::VirtualFrame>());
        uint16_t product = 0;
        sim->open(product);
        Parameters parameters;
        parameters.b = kOperations[op].seed;
        std::vector<uint8_t> input{static_cast<uint8_t>(op)};
        input.insert(input.end(), parameters.b.begin(), parameters.b.end());
        runOperation(std::make_unique<SeedRecorder>(std::move(sim), input), op, parameters);
        QFile file(QDir(folder).filePath(
            QString::fromLatin1(kOperations[op].name).replace(QLatin1Char(' '), QLatin1Char('_'))));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(reinterpret_cast<const char*>(input.data()),
                       static_cast<qint64>(input.size()));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    // The workflows' debug lines would only slow the runs down.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static FrameBuffers buffers;
    qputenv("VIRETO_HOME", scratchFolder().toLocal8Bit());
    delay::setTimeScale(0.0);
    if (const char* seeds = std::getenv("VIRETO_FUZZ_WRITE_SEEDS")) {
        writeSeeds(QString::fromLocal8Bit(seeds));
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 + kParameterBytes)
        return 0;
    Parameters parameters;
    std::memcpy(parameters.b.data(), data + 1, kParameterBytes);
    std::vector<Change> changes;
    runOperation(std::make_unique<FuzzedFrame>(data + 1 + kParameterBytes,
                                               size - 1 - kParameterBytes, changes),
                 data[0], parameters);
    // Whatever the frame answers, reading it never writes it; making the configuration
    // record valid writes that record's sector and nothing else.
    const bool mayWrite = kOperations[data[0] % kOperationCount].writesConfigRecord;
    for (const Change& change : changes) {
        const bool inRecordSector =
            (change.code == cmd::kFlashWrite || change.code == cmd::kFlashErase) &&
            change.address >= flash_map::kConfigRecord &&
            change.address < flash_map::kConfigRecord + flash_map::kSectorSize;
        if (!mayWrite || !inRecordSector)
            __builtin_trap();
    }
    return 0;
}
