#pragma once

#include "device/Device.h"
#include "device/DeviceWorker.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// The whole-flash tools of the engineering window and of vireto-cli: erase all 32
// sectors, read all 128 KB, program all 128 KB from an image of exactly that size
// (sector by sector: erase, write in 32-byte pieces, read back). Progress counts
// sectors; a progress function that returns false stops the operation (a failure).
namespace flash_tools {

constexpr uint32_t kSectors = 32;

using Progress = std::function<bool(uint32_t sectorsDone)>;

// What happened: ok, or the reason of the failure (the step and the flash address).
struct Outcome {
    bool ok = true;
    QString failure;
};

Outcome eraseAll(Device& device, Side side, const Progress& progress = {});
// Reads the flash through the Master's address word, one 4 KB request per sector.
Outcome readAll(Device& device, std::vector<uint8_t>& image, const Progress& progress = {});
// Erases each sector through eraseSide's address word, then writes it through the
// Master's and reads it back. The image must hold exactly the flash.
Outcome programAll(Device& device, const QByteArray& image, Side eraseSide,
                   const Progress& progress = {});

// Why a file cannot be programmed (empty when it can): it must hold the whole flash.
QString imageProblem(const QString& path, qint64 size);
// Reads an image file for programAll; empty with the reason in problem when it is not
// exactly the size of the flash (or cannot be read).
QByteArray loadImage(const QString& path, QString& problem);

} // namespace flash_tools

// One flash tool of the engineering window on its own thread: the frame goes to
// calibration mode, the operation runs, and the frame goes back to work mode whatever
// the outcome (unless it was lost). A read lands in a temporary file beside the target
// that replaces it only when every byte is in; a failed read leaves no file.
class FlashToolThread : public DeviceWorker {
    Q_OBJECT
public:
    enum class Operation { Erase, Read, Write };
    enum Code {
        kFlashProgress = 1, // sectorsDone() changed
        kFlashFinished = 2, // outcome() and workModeRestored() are final
    };

    // Erase: eraseSide is the side whose address word erases. Read: path is the target.
    // Write: image is the whole flash, eraseSide as for Erase.
    FlashToolThread(Device& device, Operation operation, QString path, QByteArray image,
                    Side eraseSide, QObject* parent = nullptr);
    ~FlashToolThread() override;

    Operation operation() const { return operation_; }
    const QString& path() const { return path_; }
    uint32_t sectorsDone() const { return sectors_; }
    flash_tools::Outcome outcome() const;
    bool workModeRestored() const { return workMode_; }

protected:
    void run() override;

private:
    flash_tools::Outcome runOperation();

    Operation operation_;
    QString path_;
    QByteArray image_;
    Side eraseSide_;
    std::atomic<uint32_t> sectors_{0};
    std::atomic<bool> workMode_{false};
    mutable std::mutex outcomeMutex_;
    flash_tools::Outcome outcome_;
};
