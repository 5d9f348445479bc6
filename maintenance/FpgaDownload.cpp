#include "maintenance/FpgaDownload.h"

#include "app/LogSink.h"
#include "codec/FlashMap.h"
#include "device/DeviceState.h"
#include "device/FlashArea.h"
#include "device/ModeSwitch.h"
#include "maintenance/FpgaCode.h"
#include "maintenance/MaintenanceState.h"

#include <algorithm>

namespace {

namespace aw = address_word;
using flash_map::kFpgaCode;
using flash_map::kFpgaCodeSize;
using flash_map::kSectorSize;

QString hex5(uint32_t address)
{
    return QStringLiteral("0x%1").arg(address, 5, 16, QLatin1Char('0'));
}

// The download state goes back to idle however the run ends.
struct IdleAtTheEnd {
    ~IdleAtTheEnd() { g_FpgaDownloadState = 0; }
};

} // namespace

FpgaDownload::FpgaDownload(Device& device, QString path, ReportedLines& lines,
                           const std::atomic<int>& stop, std::function<void(int)> send)
    : device_(device), path_(std::move(path)), lines_(lines), stop_(stop), send_(std::move(send))
{
}

void FpgaDownload::report(int code, QStringList lines)
{
    lines_.post(std::move(lines));
    send_(code);
}

bool FpgaDownload::fail(const QString& detail)
{
    report(
        kFpgaFailed,
        {QStringLiteral("g_BurnFPGASucEvent: WaitForSingleObject Failed!\n Download FPGA failed!"),
         detail});
    return false;
}

bool FpgaDownload::goOn(const char* side)
{
    if (!g_bDevExist)
        return fail(QStringLiteral("%1: the frame was lost").arg(QLatin1String(side)));
    if (stop_)
        return fail(QStringLiteral("%1: the download was stopped").arg(QLatin1String(side)));
    return true;
}

bool FpgaDownload::interrupted(const char* side)
{
    if (goOn(side))
        fail(QStringLiteral("%1: the download was interrupted").arg(QLatin1String(side)));
    return false;
}

void FpgaDownload::run()
{
    g_FpgaDownloadState = 1;
    IdleAtTheEnd idle;
    const fpga_code::Loaded file = fpga_code::load(path_, kFpgaCodeSize);
    using Status = fpga_code::Loaded::Status;
    switch (file.status) {
    case Status::CannotOpen:
        report(kFpgaOpenFail, {QStringLiteral("FPGA File Open Fail!")});
        return;
    case Status::Empty:
        report(kFpgaRefused,
               {QStringLiteral("FPGA file %1 is empty: nothing was written").arg(path_)});
        return;
    case Status::TooLarge:
        report(kFpgaRefused,
               {QStringLiteral("FPGA file %1 holds %2 bytes, the FPGA area only %3: nothing "
                               "was written")
                    .arg(path_)
                    .arg(file.fileSize)
                    .arg(kFpgaCodeSize)});
        return;
    case Status::Ok:
        break;
    }
    if (!SwitchMode(device_, CalibrationMode))
        serviceLog().logf("Download :Switch to calibration mode failed!\n g_isSwitchMode=%d\n",
                          g_isSwitchMode.load());
    for (Side side : {Side::Slave, Side::Master})
        if (!pass(side, file.code))
            return;
    if (!g_bDevExist || g_FpgaDownloadState != 3)
        return;
    report(kFpgaDone,
           {QStringLiteral("Success!"),
            QStringLiteral("Write FPGA Code %1KB Success!").arg(chunk_ * kChunk / 1024)});
    if (!SwitchMode(device_, WorkMode))
        serviceLog().logf("Download :Switch to work mode failed! g_isSwitchMode=%d\n",
                          g_isSwitchMode.load());
}

bool FpgaDownload::writeChunk(Side side, uint32_t address, const char* data, uint32_t length)
{
    for (uint32_t done = 0; done < length; done += kPiece) {
        const uint32_t n = std::min(kPiece, length - done);
        RegisterRequest r;
        r.addressWord = aw::make(aw::kSpaceFlash, address + done, side);
        r.length = n;
        r.data.assign(data + done, data + done + n);
        if (!device_.access.writeBlock(r))
            return fail(QStringLiteral("%1: flash write at %2 failed: %3")
                            .arg(QLatin1String(sideName(side)), hex5(address + done),
                                 linkFailureText(device_)));
    }
    return true;
}

bool FpgaDownload::pass(Side side, const QByteArray& code)
{
    const char* name = sideName(side);
    const auto size = static_cast<uint32_t>(code.size());
    auto keepGoing = [this](uint32_t) { return g_bDevExist && !stop_; };
    const uint32_t sectors = (size + kSectorSize - 1) / kSectorSize;
    if (const flash_area::Failure f =
            flash_area::eraseSectors(device_, kFpgaCode, sectors, keepGoing, side);
        f && f.step == flash_area::Failure::Step::Erase)
        return fail(QStringLiteral("%1: erase of the sector at %2 failed: %3")
                        .arg(QLatin1String(name), hex5(f.address), linkFailureText(device_)));
    else if (f)
        return interrupted(name);

    for (uint32_t i = 0; kChunk * i < size; ++i) {
        if (!goOn(name))
            return false;
        const uint32_t rest = size - kChunk * i;
        const uint32_t n = std::min(kChunk, rest);
        if (rest <= kChunk)
            g_FpgaDownloadState = 3;
        if (i == 0)
            report(kFpgaBegins, {QStringLiteral("The FPGA script begins to burn!")});
        if (!writeChunk(side, kFpgaCode + kChunk * i, code.constData() + kChunk * i, n))
            return false;
        chunk_ = i;
        report(kFpgaProgress, {QStringLiteral("Write %1 Fapga process : %2")
                                   .arg(QLatin1String(name))
                                   .arg(std::min<uint32_t>(100, i * 100 / kProgressChunks))});
    }

    std::vector<uint8_t> back;
    if (const flash_area::Failure f =
            flash_area::read(device_, kFpgaCode, size, back, keepGoing, side);
        f && f.step == flash_area::Failure::Step::Read)
        return fail(QStringLiteral("%1: read-back at %2 failed: %3")
                        .arg(QLatin1String(name), hex5(f.address), linkFailureText(device_)));
    else if (f)
        return interrupted(name);
    const auto* expected = reinterpret_cast<const uint8_t*>(code.constData());
    const auto differs = std::mismatch(back.begin(), back.end(), expected);
    if (differs.first != back.end())
        return fail(
            QStringLiteral("%1: the flash differs from the code at %2 after writing")
                .arg(QLatin1String(name))
                .arg(hex5(kFpgaCode + static_cast<uint32_t>(differs.first - back.begin()))));
    return true;
}

BurnFPGAThread::BurnFPGAThread(Device& device, QString path, ReportedLines& lines, QObject* parent)
    : DeviceWorker(device, parent), path_(std::move(path)), lines_(lines)
{
}

BurnFPGAThread::~BurnFPGAThread()
{
    stopAndWait();
}

void BurnFPGAThread::run()
{
    FpgaDownload(device_, path_, lines_, stopFlag(), reporter()).run();
}
