#pragma once

#include "device/Device.h"
#include "device/DeviceWorker.h"
#include "maintenance/ReportedLines.h"

#include <QString>

#include <atomic>
#include <functional>

// Codes of the FPGA download, as the window's recvData(int) receives them. Each comes
// with its log-area lines (ReportedLines).
enum FpgaDownloadCode {
    kFpgaOpenFail = 12, // "FPGA File Open Fail!"
    kFpgaBegins = 17,   // a module's pass writes its first chunk
    kFpgaFailed = 18,   // an erase, a write or the read-back failed; the frame was lost
    kFpgaDone = 19,     // both modules hold the code
    kFpgaProgress = 33, // a chunk was written
    kFpgaRefused = 35,  // the file is empty or larger than the FPGA area: nothing was done
};

// One FPGA download: the chosen file, unscrambled, goes into the FPGA area of the flash
// (flash_map::kFpgaCode) in two passes, Slave first, then Master. Each pass erases every
// sector the code spans through its module's address word, writes the code in chunks
// of 62 bytes at consecutive addresses from the start of the area (each chunk in two
// flash writes of at most 32 bytes), and reads the whole code back. A file larger than
// the area, or an empty one, is refused before anything is erased. The frame is in
// calibration mode during the download and goes back to work mode after a success;
// after a failure it stays in calibration mode. Runs on the download worker.
class FpgaDownload {
public:
    static constexpr uint32_t kChunk = 62;
    static constexpr uint32_t kPiece = 32;
    // The progress line counts chunks against this fixed number (a typical code file).
    static constexpr uint32_t kProgressChunks = 519;

    FpgaDownload(Device& device, QString path, ReportedLines& lines, const std::atomic<int>& stop,
                 std::function<void(int)> send);

    void run();

    // The index of the chunk written last.
    uint32_t chunkCounter() const { return chunk_; }

private:
    bool pass(Side side, const QByteArray& code);
    bool writeChunk(Side side, uint32_t address, const char* data, uint32_t length);
    // False (with code 18 sent) when the frame was lost or the worker was stopped.
    bool goOn(const char* side);
    // A flash operation ended early by goOn's conditions: always false, 18 sent once.
    bool interrupted(const char* side);
    void report(int code, QStringList lines);
    bool fail(const QString& detail);

    Device& device_;
    QString path_;
    ReportedLines& lines_;
    const std::atomic<int>& stop_;
    std::function<void(int)> send_;
    uint32_t chunk_ = 0;
};

// The FPGA download worker: one download per start, codes through sendData(int).
class BurnFPGAThread : public DeviceWorker {
    Q_OBJECT
public:
    BurnFPGAThread(Device& device, QString path, ReportedLines& lines, QObject* parent = nullptr);
    ~BurnFPGAThread() override;

protected:
    void run() override;

private:
    QString path_;
    ReportedLines& lines_;
};
