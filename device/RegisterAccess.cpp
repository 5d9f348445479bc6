#include "device/RegisterAccess.h"

#include "device/DeviceState.h"

#include <QFile>

#include <cstring>

namespace aw = address_word;

int RegisterAccess::finish(int ok)
{
    if (!ok && commands_.link().lastCallLostTheFrame())
        markDeviceLost();
    return ok;
}

int RegisterAccess::finishKeeping(int ok, uint8_t value)
{
    if (ok)
        lastValue_ = value;
    return finish(ok);
}

int RegisterAccess::refuse(const QString& why)
{
    lastError_ = why;
    return 0;
}

int RegisterAccess::readBlock(const RegisterRequest& request, uint8_t* out)
{
    const size_t n = request.length;
    if (n == 0 || n > kTransferBufferSize)
        return refuse(
            QStringLiteral("read length %1 is outside 1..%2").arg(n).arg(kTransferBufferSize));
    const Side side = aw::side(request.addressWord);
    const uint32_t address = aw::address(request.addressWord);
    uint8_t* buffer = transferBuffer_.data();
    int ok = 0;
    switch (aw::space(request.addressWord)) {
    case aw::kSpaceFlash:
        ok = commands_.flashRead(address, buffer, n);
        break;
    case aw::kSpaceFpga:
        ok = commands_.BurstRead(side, static_cast<uint16_t>(address), buffer, n);
        break;
    case aw::kSpaceSensor:
        ok = commands_.I2C_Read(side, static_cast<uint8_t>(address), buffer[0]);
        break;
    default:
        return refuse(QStringLiteral("the download stream cannot be read"));
    }
    if (ok)
        lastValue_ = buffer[n - 1];
    if (out)
        std::memcpy(out, buffer, aw::space(request.addressWord) == aw::kSpaceSensor ? 1 : n);
    return finish(ok);
}

int RegisterAccess::writeBlock(const RegisterRequest& request)
{
    const size_t n = request.length;
    if (n == 0 || request.data.size() < n)
        return refuse(
            QStringLiteral("write of %1 bytes carries %2").arg(n).arg(request.data.size()));
    const Side side = aw::side(request.addressWord);
    const uint32_t address = aw::address(request.addressWord);
    int ok = 0;
    switch (aw::space(request.addressWord)) {
    case aw::kSpaceFlash:
        ok = commands_.flashWrite(address, request.data.data(), n);
        break;
    case aw::kSpaceFpga:
        ok = n == 1 ? commands_.FPGAPortWrite(side, static_cast<uint16_t>(address), request.data[0])
                    : commands_.BurstWrite(side, static_cast<uint16_t>(address),
                                           request.data.data(), n);
        break;
    case aw::kSpaceSensor:
        ok = commands_.I2CWrite(side, static_cast<uint8_t>(address), request.data[0]);
        break;
    default:
        return refuse(QStringLiteral("use the stream functions for the download stream"));
    }
    if (ok)
        lastValue_ = request.data[aw::space(request.addressWord) == aw::kSpaceSensor ? 0 : n - 1];
    return finish(ok);
}

int RegisterAccess::erase(const RegisterRequest& request)
{
    if (request.length == 0 || request.length > 0xFF)
        return refuse(QStringLiteral("erase count %1 is outside 1..255").arg(request.length));
    return finish(commands_.flashErase(aw::address(request.addressWord),
                                       static_cast<uint8_t>(request.length)));
}

int RegisterAccess::sensorRead(const RegisterRequest& request, uint8_t& value)
{
    const int ok =
        commands_.I2C_Read(aw::side(request.addressWord),
                           static_cast<uint8_t>(aw::address(request.addressWord)), value);
    return finishKeeping(ok, value);
}

int RegisterAccess::sensorWrite(const RegisterRequest& request)
{
    if (request.data.empty())
        return refuse(QStringLiteral("no value to write"));
    const int ok =
        commands_.I2CWrite(aw::side(request.addressWord),
                           static_cast<uint8_t>(aw::address(request.addressWord)), request.data[0]);
    return finishKeeping(ok, request.data[0]);
}

int RegisterAccess::singleRead(const RegisterRequest& request, uint8_t& value)
{
    const int ok =
        commands_.FPGASingleRead(aw::side(request.addressWord),
                                 static_cast<uint16_t>(aw::address(request.addressWord)), value);
    return finishKeeping(ok, value);
}

int RegisterAccess::portRead(const RegisterRequest& request, uint8_t& value)
{
    return MsgFPGAPortReadReg(aw::side(request.addressWord),
                              static_cast<uint16_t>(aw::address(request.addressWord)), value);
}

int RegisterAccess::portWrite(const RegisterRequest& request)
{
    if (request.data.empty())
        return refuse(QStringLiteral("no value to write"));
    return MsgFPGAPortWriteReg(aw::side(request.addressWord),
                               static_cast<uint16_t>(aw::address(request.addressWord)),
                               request.data[0]);
}

int RegisterAccess::MsgFPGAPortWriteReg(Side side, uint16_t reg, uint8_t value)
{
    const int ok = commands_.FPGAPortWrite(side, reg, value);
    return finishKeeping(ok, value);
}

int RegisterAccess::MsgFPGAPortReadReg(Side side, uint16_t reg, uint8_t& value)
{
    const int ok = commands_.FPGAPortRead(side, reg, value);
    return finishKeeping(ok, value);
}

int RegisterAccess::streamAWrite(uint8_t flags, const uint8_t* data, size_t length)
{
    return finish(commands_.streamA(Side::Master, flags, data, length));
}

int RegisterAccess::streamBWrite(uint8_t flags, const uint8_t* data, size_t length)
{
    return finish(commands_.streamB(Side::Master, flags, data, length));
}

int RegisterAccess::BurstRead(const RegisterRequest& request)
{
    if (request.length == 0 || request.length > kBurstReadMax)
        return refuse(QStringLiteral("burst read of %1 bytes: at most %2 per call")
                          .arg(request.length)
                          .arg(kBurstReadMax));
    if (request.fileName.isEmpty())
        return refuse(QStringLiteral("burst read without a file name"));
    uint8_t data[kBurstReadMax];
    if (!readBlock(request, data))
        return 0;
    const size_t n = aw::space(request.addressWord) == aw::kSpaceSensor ? 1 : request.length;
    QFile file(request.fileName);
    const bool append = request.fileName == lastBurstFile_;
    if (!file.open(QIODevice::WriteOnly | (append ? QIODevice::Append : QIODevice::Truncate)))
        return refuse(QStringLiteral("cannot write %1").arg(request.fileName));
    lastBurstFile_ = request.fileName;
    if (file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(n)) !=
        static_cast<qint64>(n))
        return refuse(QStringLiteral("cannot write %1").arg(request.fileName));
    lastError_.clear();
    return 1;
}

int RegisterAccess::BurstWrite(const RegisterRequest& request, qint64 fileOffset)
{
    if (request.length == 0 || request.length > kBurstWriteMax)
        return refuse(QStringLiteral("burst write of %1 bytes: at most %2 per call")
                          .arg(request.length)
                          .arg(kBurstWriteMax));
    QFile file(request.fileName);
    if (!file.open(QIODevice::ReadOnly) || fileOffset < 0 || !file.seek(fileOffset))
        return refuse(QStringLiteral("cannot read %1").arg(request.fileName));
    const QByteArray bytes = file.read(request.length);
    if (bytes.size() != static_cast<qsizetype>(request.length))
        return refuse(QStringLiteral("%1 holds fewer than %2 bytes from byte %3")
                          .arg(request.fileName)
                          .arg(request.length)
                          .arg(fileOffset));
    RegisterRequest write = request;
    write.data.assign(bytes.begin(), bytes.end());
    if (!writeBlock(write))
        return 0;
    lastError_.clear();
    return 1;
}
