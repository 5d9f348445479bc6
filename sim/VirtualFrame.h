#pragma once

#include "sim/CommandTable.h"
#include "sim/FactoryValues.h"
#include "sim/FaultPlan.h"
#include "sim/FrameState.h"
#include "sim/ReplyChannel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// A touch frame in software: its HID collections, the report mechanics of its command
// protocol, its flash, its two camera modules and its operating modes. It answers every
// command the tool sends, and can be told to misbehave the ways real frames do.
//
// Thread-safe: the GUI thread, a worker and the presence monitor may call it at the
// same time (one lock inside).
//
// Fault injection, in effect until changed or cleared with clearFaults() (which leaves
// the plug alone):
//   unplug() / plug()        unplugged, the frame's collections leave the bus and every
//                            call on an open collection fails (attributes and usage
//                            included). plug() is a power-up: registers, mode and
//                            pending replies restart; the flash keeps its contents; a
//                            collection opened before the unplug stays dead. During a
//                            restart (below) either waits for the restart to end: the
//                            last one given then decides whether the frame is back.
//   setBusyPolls(n)          every answer comes after n busy polls (default 0: the
//   setBusyPolls(code, n)    first poll answers); per command code, overriding it.
//   neverAnswer(code)        the command is never carried out nor answered (busy forever).
//   refuseCommand(code, k)   the next k requests with this code (kAlways: all) are
//                            answered with status 0xFF and not carried out.
//   answerCommandWith(code, status, k)   the same with another status (e.g. 0x05).
//   failSetFeatures(k)       the next k request transfers fail (the request is lost).
//   failGetFeatures(k)       the next k get-feature transfers (replies, key state) fail.
//   failFlashWrites(f, k)    the next k flash writes are refused (FlashWriteFault::Refuse)
//                            or answered "done" with one byte left unprogrammed, so a
//                            read-back differs (FlashWriteFault::Corrupt).
//   refuseCommand(code, k, n)  as above, after n requests that are carried out (e.g. the
//                            fifth packet of a download).
//   unplugAfterRequests(code, n)  the frame drops off the bus right after answering the
//                            n-th request with this code (a cable pulled mid-download).
//   stayAwayAfterRestart()   after a jump the frame leaves the bus and never comes back
//                            (until plug()).
//
// Boot loader: a jump to the boot loader ('B') makes the application answer, leave the
// bus once the answer has been read, and come back after kRestartDelayMs (scaled by
// the device link's time scale) as the boot loader, product ID 0xCB11, which answers
// only flash commands, the download streams and the jumps. A jump to the application
// ('U') brings the application back the same way; its image version and its boot
// loader's version are whatever the version block in flash then says (the boot loader
// never rewrites that block itself).
// Command codes are given without flag bits (the code a reply echoes).
class VirtualFrame {
public:
    enum class Contents { Factory, Blank };
    enum class Stream { A, B };

    // The frame's HID collections, in enumeration order.
    static constexpr int kMouseCollection = 0;
    static constexpr int kDigitizerCollection = 1;
    static constexpr int kVendorCollection = 2;
    static constexpr int kCollectionCount = 3;

    static constexpr uint8_t kRequestReportId = 0x05;
    static constexpr uint8_t kReplyReportId = ReplyChannel::kReportId;
    static constexpr uint8_t kKeyReportId = 0x07;
    static constexpr size_t kReportSize = ReplyChannel::kReportSize;
    static constexpr size_t kKeyReportSize = 3;
    static constexpr int kAlways = FaultPlan::kAlways;
    static constexpr double kRestartDelayMs = 1500.0;
    // The request log keeps the newest requests only.
    static constexpr size_t kRequestLogLimit = 65536;

    using Report = std::array<uint8_t, kReportSize>;

    // An in-memory frame, factory-fresh or never leveled.
    explicit VirtualFrame(Contents contents = Contents::Factory);
    // An in-memory frame with the given flash contents (flash_map::kFlashSize bytes; a
    // shorter image is padded with erased bytes).
    explicit VirtualFrame(const std::vector<uint8_t>& flashImage);
    // A frame whose flash lives in the file at path (created factory-fresh when missing);
    // what the frame programs is in the file at once, even if the process is killed.
    // nullptr and a message in error when the file cannot be used.
    static std::unique_ptr<VirtualFrame> withFlashFile(const std::string& path, std::string& error);
    ~VirtualFrame();
    VirtualFrame(const VirtualFrame&) = delete;
    VirtualFrame& operator=(const VirtualFrame&) = delete;

    // --- The HID side, as a bus sees it -------------------------------------------
    // Collections present now (none while unplugged), in enumeration order.
    std::vector<int> collections();
    // Opens a present collection: connection identifies this plug-in of the frame.
    bool openCollection(int collection, uint64_t& connection);
    bool collectionAttributes(int collection, uint64_t connection, uint16_t& vendorId,
                              uint16_t& productId);
    bool collectionUsage(int collection, uint64_t connection, uint16_t& usagePage, uint16_t& usage);
    // Only the vendor collection carries feature reports: request reports (ID 0x05,
    // 64 bytes) go in, reply reports (ID 0x06, 64 bytes) and the key-state report
    // (ID 0x07, 3 bytes) come out.
    bool getFeature(int collection, uint64_t connection, uint8_t* report, size_t length);
    bool setFeature(int collection, uint64_t connection, const uint8_t* report, size_t length);

    // --- Identity and collections -------------------------------------------------
    uint16_t vendorId() const;
    void setVendorId(uint16_t vendorId);
    uint16_t productId();
    void setProductId(uint16_t productId);
    // Without its vendor collection the frame shows only its mouse and digitizer.
    void setVendorCollectionPresent(bool present);
    // Takes effect at once, also on open collections (a probe then sees another usage).
    void setCollectionUsage(int collection, uint16_t usagePage, uint16_t usage);

    // --- Fault injection (see above) ----------------------------------------------
    void unplug();
    void plug();
    bool isPlugged();
    // The boot loader runs (after a jump to it, once the frame is back on the bus).
    bool inBootLoader();
    void setBusyPolls(int polls);
    void setBusyPolls(uint8_t code, int polls);
    void clearBusyPolls(uint8_t code);
    void neverAnswer(uint8_t code, bool never = true);
    void refuseCommand(uint8_t code, int times = kAlways, int after = 0);
    void unplugAfterRequests(uint8_t code, int n);
    void stayAwayAfterRestart(bool away = true);
    void answerCommandWith(uint8_t code, uint8_t status, int times = kAlways);
    void failSetFeatures(int count);
    void failGetFeatures(int count);
    void failFlashWrites(FlashWriteFault fault, int times = kAlways);
    // The n-th request from now on meets fault (RequestFault in FaultPlan.h); requests
    // counted since power-on, to find how many a workflow makes.
    void faultAtRequest(int n, RequestFault fault);
    uint64_t requestCount();
    // Back to a well-behaved frame that answers at the first poll (plugging is separate).
    // Optical faults are cleared too.
    void clearFaults();

    // --- Optics (OpticsModel.h) ---------------------------------------------------
    // Each camera sees its lit bezel as a tilted band in its line window; emitters
    // (0x36/0x37), the capture register, the test pattern, the pixel port and the line
    // searches answer from the model. Faults, kept across restarts until cleared:
    //   breakSensorDataLine(side, bit, high)  that data line (0..7) of the sensor cable
    //                            always reads 0 (or 1): pictures, test pattern and pixel
    //                            port. Several lines may be broken at once.
    //   darkenBezel(side, first, n)  columns first..first+n-1 of the band stay dark.
    //   hideStartLine(side)      the start-line search answers 0xFFFF.
    //   driftSensorRegister(side, reg)  every read after the first reads one more.
    //   stickFpgaRegister(side, reg, value)  the register keeps value and ignores writes
    //                            (0x30 stuck at 1: a capture that never ends).
    void breakSensorDataLine(Side side, int bit, bool stuckHigh = false);
    void darkenBezel(Side side, uint16_t firstColumn, uint16_t columns);
    void hideStartLine(Side side);
    void driftSensorRegister(Side side, uint8_t reg);
    void stickFpgaRegister(Side side, uint16_t reg, uint8_t value);
    // The truth: where the band is, and what a leveling of the module finds (start line,
    // columns 0..end, optimum lines over 0..639, exposure over 100..end).
    BezelTruth bezel(Side side) const;
    void setBezel(Side side, const BezelTruth& bezel);
    ModuleOptics opticsTruth(Side side) const;
    // What a leveling followed by axis-adjusting finds when the near bottom corner of the
    // touch scene's desktop (5 pixels inside) is touched exactly: the start column where
    // that corner's shadow begins (100 when the shadow lies beyond position 200, at most
    // 100), the end column at least 560, the optimum lines over those columns.
    ModuleOptics axisAdjustedTruth(Side side) const;
    // The module's current picture without noise.
    std::vector<uint8_t> idealPicture(Side side) const;
    // The modules keep capturing while they are read (a read from the first byte of the
    // first image memory gets a new picture) unless held: then only capture starts
    // change the image memories (a test can fill them through withFirmware).
    void holdPictures(bool hold = true);

    // --- Touch (TouchModel.h, VirtualOperator.h) ----------------------------------
    // The touch-candidate query is answered with the shadows the two cameras see: a
    // finger casts one shadow per camera at the position the camera's angle table gives
    // for it (half-width and depth from its distance, +-1 jitter), plus background
    // shadows. A new frame has a clean scene and nobody in front of it (no candidates).
    //   setScreenSize(w, h)      the standard scene for a w x h desktop: cameras just
    //                            outside the upper corners, a dirty lens, a flickering
    //                            light, occasional one-sided reports, split shadows near
    //                            a camera. Printed keys and the operator are kept.
    //   setTouchScene(scene)     any scene: camera truth, faults, printed keys, seed.
    //   setVirtualOperator(s)    someone who touches the target each query names (aim
    //                            error, reaction, hold), and lifts for the next target.
    //   placeFinger(x, y)        a finger that stays there until liftFinger().
    //   pressKeysInTurn(h, g)    someone who presses the printed keys in turn, each for h
    //                            key-state reads with g reads between (h 0: stop).
    // The truth for tests: the scene (its cameras), where the finger is, the sensor's
    // rounding of a point's shadow and where the exact model puts two positions. The
    // key-state report gives the printed key under the finger (else setKeyState's).
    void setScreenSize(int width, int height);
    void setTouchScene(const TouchScene& scene);
    TouchScene touchScene() const;
    void setVirtualOperator(const OperatorSettings& settings);
    void placeFinger(double x, double y);
    void liftFinger();
    void pressKeysInTurn(int holdReads, int gapReads);
    std::optional<ScreenPoint> fingerPoint() const;
    std::optional<int> sensorPosition(Side camera, const ScreenPoint& point) const;
    std::optional<ScreenPoint> exactLocate(int leftPosition, int rightPosition) const;
    int touchQueries() const;

    // Every request report the vendor collection received, oldest first.
    std::vector<Report> requestLog() const;
    void clearRequestLog();

    // --- Inspection and set-up for tests ------------------------------------------
    // Empty when the range leaves the flash.
    std::vector<uint8_t> readFlash(uint32_t address, size_t length) const;
    // Sets flash bytes directly (not limited to clearing bits); false when out of range.
    bool writeFlash(uint32_t address, const std::vector<uint8_t>& bytes);
    bool isFlashFileBacked() const;

    uint8_t fpgaRegister(Side side, uint16_t reg) const;
    void setFpgaRegister(Side side, uint16_t reg, uint8_t value);
    uint8_t sensorRegister(Side side, uint8_t reg) const;
    // Like a write over I2C: the chip-ID register keeps its value.
    void setSensorRegister(Side side, uint8_t reg, uint8_t value);
    // Every byte written to an FPGA port register through the port commands, in order.
    std::vector<uint8_t> portLog(Side side, uint16_t reg) const;
    void clearPortLogs();
    int captureCount(Side side) const;
    int triggerCount() const;
    // The module's optical settings in use (start line, optimum lines, exposure).
    ModuleOptics moduleOptics(Side side) const;
    // The bytes of the last transfer on a download stream (complete or in progress).
    std::vector<uint8_t> downloadedBytes(Side side, Stream stream) const;
    uint8_t lastJumpTarget() const;

    uint8_t mode() const;
    uint32_t errorCode() const;
    void setErrorCode(uint32_t code);
    void setKeyState(uint8_t byte1, uint8_t byte2);

    // Runs fn(FrameState&, CommandTable&) under the frame's lock: how models of further
    // frame parts (optics, touch, boot loader) reach the firmware state and replace
    // command handlers.
    template <typename Fn>
    auto withFirmware(Fn&& fn)
    {
        std::lock_guard lock(mutex_);
        return fn(state_, commands_);
    }

private:
    explicit VirtualFrame(std::unique_ptr<FlashMemory> flash);

    struct Collection {
        uint16_t usagePage;
        uint16_t usage;
        bool present;
    };

    bool isOpenLocked(int collection, uint64_t connection) const;
    // Applies a restart whose time has come (the frame comes back on the bus), then an
    // unplug or plug-in that came while it ran.
    void settleLocked();
    void completeRestartLocked();
    void plugLocked();
    void leaveBusLocked();
    void handleRequest(const uint8_t* report);
    void applyRequestFault(RequestFault fault, const uint8_t* report);
    void powerOnLocked();

    mutable std::mutex mutex_;
    FrameState state_;
    CommandTable commands_;
    CommandTable bootLoaderCommands_;
    bool inBootLoader_ = false;
    struct Restart {
        bool toBootLoader;
        double dueMs;
    };
    std::optional<Restart> restart_;
    bool stayAway_ = false;
    // Unplugged (false) or plugged in (true) during the restart: applied when it ends.
    std::optional<bool> pluggedAfterRestart_;
    ReplyChannel reply_;
    std::array<Collection, kCollectionCount> collections_;
    uint16_t vendorId_;
    uint16_t productId_;
    bool plugged_ = true;
    uint64_t connection_ = 1;
    std::array<uint8_t, 2> keyState_{};
    std::deque<Report> requestLog_;
    uint64_t requestCount_ = 0;
};

} // namespace sim
