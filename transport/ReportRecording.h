#pragma once

#include "device/HidTransport.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// A session with a frame, report by report, as JSON lines, so that a frame's behaviour
// can be sent around and replayed (--record FILE, --device=replay:FILE):
//
//   {"t":12.345,"op":"open","ok":true,"product":"cb12"}
//   {"t":12.347,"op":"set","ok":true,"report":"050e22000000..."}
//   {"t":12.349,"op":"get","ok":true,"report":"060e2200..."}
//   {"t":20.001,"op":"key","ok":true,"report":"070000"}
//   {"t":20.100,"op":"probe","result":0,"product":"cb12"}
//
// t is milliseconds since the recording began; reports are hexadecimal, report ID
// first. A failed transfer has ok false (and, for reads, no report).
namespace report_recording {

struct Entry {
    QString op; // open, probe, set, get, key, close
    bool ok = true;
    int result = 0;       // probe's result
    uint16_t product = 0; // open's and probe's product ID
    std::vector<uint8_t> report;
};

QByteArray encodeLine(double timeMs, const Entry& entry);
// false for a line that is not one of ours.
bool decodeLine(const QByteArray& line, Entry& entry);

} // namespace report_recording

// Passes every call on to the transport it wraps and writes it to the recording.
class RecordingTransport : public HidTransport {
public:
    // false in ok when the file cannot be written.
    RecordingTransport(std::unique_ptr<HidTransport> inner, const QString& path, bool& ok);
    ~RecordingTransport() override;

    int open(uint16_t& productId) override;
    int probe(uint16_t& productId) override;
    int getFeature64(uint8_t* report) override;
    int setFeature64(const uint8_t* report) override;
    int getFeature3(uint8_t reportId, uint8_t* report) override;
    int close() override;
    bool isOpen() const override { return inner_->isOpen(); }
    std::string openProblem() const override { return inner_->openProblem(); }

private:
    void write(const report_recording::Entry& entry);

    std::unique_ptr<HidTransport> inner_;
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
    double start_ = 0;
};

// Answers from a recording: every call must be the next one recorded (the same
// operation, and for requests the same report); it gets the recorded answer. A call
// that departs from the recording fails, and so does every later one; mismatch() says
// where it departed.
class ReplayTransport : public HidTransport {
public:
    // error gets why the file cannot be used (missing, not a recording).
    static std::unique_ptr<ReplayTransport> load(const QString& path, QString& error);

    int open(uint16_t& productId) override;
    int probe(uint16_t& productId) override;
    int getFeature64(uint8_t* report) override;
    int setFeature64(const uint8_t* report) override;
    int getFeature3(uint8_t reportId, uint8_t* report) override;
    int close() override;
    bool isOpen() const override { return open_; }

    QString mismatch() const;
    size_t played() const;

private:
    explicit ReplayTransport(std::vector<report_recording::Entry> entries);
    // The next entry when it is op (and, for set, carries this report); else departs.
    const report_recording::Entry* next(const QString& op, const uint8_t* sent = nullptr,
                                        size_t length = 0);

    mutable std::mutex mutex_;
    std::vector<report_recording::Entry> entries_;
    size_t position_ = 0;
    bool departed_ = false;
    QString mismatch_;
    bool open_ = false;
};
