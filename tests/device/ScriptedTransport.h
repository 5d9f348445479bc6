#pragma once

#include "device/HidTransport.h"

#include <array>
#include <deque>
#include <functional>
#include <vector>

// A transport whose frame is a script: every request report is recorded, and every
// reply poll is answered by a function of the last request and the poll number. Lets
// the protocol tests control each reply report exactly.
class ScriptedTransport : public HidTransport {
public:
    using Report = std::array<uint8_t, kReportSize>;
    // Fills the reply report (bytes 1..63) for poll number `poll` (0-based) after
    // `request`; returns false to make the read fail.
    using Responder = std::function<bool(const Report& request, int poll, uint8_t* reply)>;

    explicit ScriptedTransport(Responder responder = {}) : responder_(std::move(responder)) {}

    int open(uint16_t& productId) override
    {
        productId = 0xCB12;
        open_ = true;
        return 1;
    }
    int probe(uint16_t& productId) override
    {
        productId = 0xCB12;
        return kProbeFrame;
    }
    int getFeature64(uint8_t* report) override
    {
        ++reads;
        if (report[0] != 0x06)
            badReportIds++;
        const bool ok = responder_ && responder_(lastRequest_, poll_++, report);
        return ok ? 1 : 0;
    }
    int setFeature64(const uint8_t* report) override
    {
        Report r{};
        std::copy(report, report + kReportSize, r.begin());
        if (failSends > 0) {
            --failSends;
            return 0;
        }
        requests.push_back(r);
        lastRequest_ = r;
        poll_ = 0;
        return 1;
    }
    int getFeature3(uint8_t reportId, uint8_t* report) override
    {
        report[0] = reportId;
        report[1] = key1;
        report[2] = key2;
        return keyOk ? 1 : 0;
    }
    int close() override
    {
        open_ = false;
        return 1;
    }
    bool isOpen() const override { return open_; }

    void setResponder(Responder r) { responder_ = std::move(r); }

    std::vector<Report> requests;
    int reads = 0;
    int badReportIds = 0;
    int failSends = 0;
    uint8_t key1 = 0, key2 = 0;
    bool keyOk = true;

private:
    Responder responder_;
    Report lastRequest_{};
    int poll_ = 0;
    bool open_ = true;
};

// A frame that answers every command at once with status 0x22 and data produced by
// `data(request, chunk, out61)`.
inline ScriptedTransport::Responder
answerAtOnce(std::function<void(const ScriptedTransport::Report&, int, uint8_t*)> data = {})
{
    return [data](const ScriptedTransport::Report& req, int poll, uint8_t* reply) {
        reply[1] = req[1] & 0x3F;
        reply[2] = 0x22;
        if (data)
            data(req, poll, reply + 3);
        return true;
    };
}
