#include "sim/VirtualFrame.h"

#include "codec/ByteOrder.h"
#include "device/Delay.h"
#include "device/FrameIdentity.h"
#include "sim/CommandHandlers.h"
#include "sim/FlashImages.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace sim {
namespace {

std::unique_ptr<FlashMemory> memoryFor(VirtualFrame::Contents contents)
{
    return FlashMemory::inMemory(contents == VirtualFrame::Contents::Factory ? factoryFlashImage()
                                                                             : blankFlashImage());
}

} // namespace

VirtualFrame::VirtualFrame(Contents contents) : VirtualFrame(memoryFor(contents)) {}

VirtualFrame::VirtualFrame(const std::vector<uint8_t>& flashImage)
    : VirtualFrame(FlashMemory::inMemory(flashImage))
{
}

VirtualFrame::VirtualFrame(std::unique_ptr<FlashMemory> flash)
    : state_(factoryValues(), std::move(flash)), commands_(applicationCommands()),
      bootLoaderCommands_(bootLoaderCommands()), collections_{{{0x0001, 0x0002, true},
                                                               {0x000D, 0x0004, true},
                                                               {0xFF00, 0x0001, true}}},
      vendorId_(state_.factory.vendorId), productId_(state_.factory.productId)
{
}

VirtualFrame::~VirtualFrame() = default;

std::unique_ptr<VirtualFrame> VirtualFrame::withFlashFile(const std::string& path,
                                                          std::string& error)
{
    std::unique_ptr<FlashMemory> flash = FlashMemory::mappedFile(path, factoryFlashImage(), error);
    if (!flash)
        return nullptr;
    return std::unique_ptr<VirtualFrame>(new VirtualFrame(std::move(flash)));
}

// --- HID side ------------------------------------------------------------------

std::vector<int> VirtualFrame::collections()
{
    std::lock_guard lock(mutex_);
    settleLocked();
    std::vector<int> present;
    if (!plugged_)
        return present;
    for (int c = 0; c < kCollectionCount; ++c) {
        if (collections_[static_cast<size_t>(c)].present)
            present.push_back(c);
    }
    return present;
}

bool VirtualFrame::openCollection(int collection, uint64_t& connection)
{
    std::lock_guard lock(mutex_);
    settleLocked();
    if (!isOpenLocked(collection, connection_))
        return false;
    connection = connection_;
    return true;
}

bool VirtualFrame::isOpenLocked(int collection, uint64_t connection) const
{
    return plugged_ && connection == connection_ && collection >= 0 &&
           collection < kCollectionCount && collections_[static_cast<size_t>(collection)].present;
}

bool VirtualFrame::collectionAttributes(int collection, uint64_t connection, uint16_t& vendorId,
                                        uint16_t& productId)
{
    std::lock_guard lock(mutex_);
    settleLocked();
    if (!isOpenLocked(collection, connection))
        return false;
    vendorId = vendorId_;
    productId = productId_;
    return true;
}

bool VirtualFrame::collectionUsage(int collection, uint64_t connection, uint16_t& usagePage,
                                   uint16_t& usage)
{
    std::lock_guard lock(mutex_);
    settleLocked();
    if (!isOpenLocked(collection, connection))
        return false;
    usagePage = collections_[static_cast<size_t>(collection)].usagePage;
    usage = collections_[static_cast<size_t>(collection)].usage;
    return true;
}

bool VirtualFrame::getFeature(int collection, uint64_t connection, uint8_t* report, size_t length)
{
    std::lock_guard lock(mutex_);
    if (!report || length == 0 || collection != kVendorCollection ||
        !isOpenLocked(collection, connection) || state_.faults.takeGetFeatureFailure())
        return false;
    if (report[0] == kReplyReportId && length == kReportSize) {
        reply_.nextReport(report);
        // A jump restarts the frame once its answer is out.
        if (state_.jumpRequested && reply_.answered()) {
            state_.jumpRequested = false;
            const bool toBootLoader = state_.lastJumpTarget == cmd::kJumpBootLoader;
            if (toBootLoader != inBootLoader_) {
                leaveBusLocked();
                restart_ =
                    Restart{toBootLoader, delay::nowMs() + kRestartDelayMs * delay::timeScale()};
            }
        }
        return true;
    }
    if (report[0] == kKeyReportId && length == kKeyReportSize) {
        const std::array<uint8_t, 2> key = state_.touchModel.readKeyState(keyState_);
        report[1] = key[0];
        report[2] = key[1];
        return true;
    }
    return false;
}

bool VirtualFrame::setFeature(int collection, uint64_t connection, const uint8_t* report,
                              size_t length)
{
    std::lock_guard lock(mutex_);
    if (!report || collection != kVendorCollection || !isOpenLocked(collection, connection) ||
        state_.faults.takeSetFeatureFailure())
        return false;
    if (length != kReportSize || report[0] != kRequestReportId)
        return false;
    if (requestLog_.size() == kRequestLogLimit)
        requestLog_.pop_front();
    Report& logged = requestLog_.emplace_back();
    std::memcpy(logged.data(), report, kReportSize);
    ++requestCount_;
    if (const auto fault = state_.faults.takeRequestFault()) {
        applyRequestFault(*fault, report);
        return true;
    }
    handleRequest(report);
    if (state_.faults.takeUnplugTrigger(report[1] & 0x3F))
        leaveBusLocked();
    return true;
}

// The firmware carries a request out when it arrives; busy polls only delay the answer.
// A request that is never answered is never carried out either: the frame hangs in it.
void VirtualFrame::handleRequest(const uint8_t* report)
{
    const uint8_t command = report[1];
    const uint8_t echo = command & 0x3F;
    const int busy = state_.faults.busyPolls(echo);
    if (busy == FaultPlan::kNeverAnswers) {
        reply_.answer(echo, 0, {}, ReplyChannel::kForever);
        return;
    }
    if (const auto status = state_.faults.takeStatusOverride(echo)) {
        reply_.answer(echo, *status, {}, busy);
        return;
    }
    CommandTable& firmware = inBootLoader_ ? bootLoaderCommands_ : commands_;
    CommandReply answer = firmware.dispatch(state_, CommandRequest{command, Payload(report + 2)});
    if (answer.status != kStatusDone)
        answer.data.clear();
    reply_.answer(echo, answer.status, std::move(answer.data), busy);
}

void VirtualFrame::applyRequestFault(RequestFault fault, const uint8_t* report)
{
    const uint8_t echo = report[1] & 0x3F;
    switch (fault) {
    case RequestFault::Unplug:
        leaveBusLocked();
        return;
    case RequestFault::Refuse:
        reply_.answer(echo, kStatusRefused, {}, 0);
        return;
    case RequestFault::OtherStatus:
        reply_.answer(echo, 0x5A, {}, 0);
        return;
    case RequestFault::NeverAnswer:
        reply_.answer(echo, 0, {}, ReplyChannel::kForever);
        return;
    case RequestFault::Garble:
        handleRequest(report);
        reply_.answer(echo ^ 0x01, kStatusDone, {}, 0);
        return;
    }
}

uint64_t VirtualFrame::requestCount()
{
    std::lock_guard lock(mutex_);
    return requestCount_;
}

void VirtualFrame::faultAtRequest(int n, RequestFault fault)
{
    std::lock_guard lock(mutex_);
    state_.faults.faultAtRequest(n, fault);
}

// --- Identity and collections --------------------------------------------------

uint16_t VirtualFrame::vendorId() const
{
    std::lock_guard lock(mutex_);
    return vendorId_;
}

void VirtualFrame::setVendorId(uint16_t vendorId)
{
    std::lock_guard lock(mutex_);
    vendorId_ = vendorId;
}

uint16_t VirtualFrame::productId()
{
    std::lock_guard lock(mutex_);
    settleLocked();
    return productId_;
}

void VirtualFrame::setProductId(uint16_t productId)
{
    std::lock_guard lock(mutex_);
    productId_ = productId;
}

void VirtualFrame::setVendorCollectionPresent(bool present)
{
    std::lock_guard lock(mutex_);
    collections_[kVendorCollection].present = present;
}

void VirtualFrame::setCollectionUsage(int collection, uint16_t usagePage, uint16_t usage)
{
    std::lock_guard lock(mutex_);
    if (collection < 0 || collection >= kCollectionCount)
        return;
    collections_[static_cast<size_t>(collection)].usagePage = usagePage;
    collections_[static_cast<size_t>(collection)].usage = usage;
}

// --- Fault injection -------------------------------------------------------------

// While the frame restarts it is off the bus already: unplugging or plugging it in
// then waits for the restart to end, which it neither cuts short nor undoes.
void VirtualFrame::unplug()
{
    std::lock_guard lock(mutex_);
    settleLocked();
    if (restart_)
        pluggedAfterRestart_ = false;
    else
        leaveBusLocked();
}

void VirtualFrame::leaveBusLocked()
{
    if (!plugged_)
        return;
    plugged_ = false;
    ++connection_;
}

void VirtualFrame::plug()
{
    std::lock_guard lock(mutex_);
    settleLocked();
    if (restart_)
        pluggedAfterRestart_ = true;
    else
        plugLocked();
}

void VirtualFrame::plugLocked()
{
    if (plugged_)
        return;
    plugged_ = true;
    powerOnLocked();
}

void VirtualFrame::settleLocked()
{
    if (!restart_ || delay::nowMs() < restart_->dueMs)
        return;
    completeRestartLocked();
    if (const std::optional<bool> plugged = std::exchange(pluggedAfterRestart_, std::nullopt))
        *plugged ? plugLocked() : leaveBusLocked();
}

void VirtualFrame::completeRestartLocked()
{
    inBootLoader_ = restart_->toBootLoader;
    productId_ = inBootLoader_ ? frame_identity::kBootLoaderProductId : state_.factory.productId;
    restart_.reset();
    if (stayAway_)
        return;
    plugged_ = true;
    powerOnLocked();
}

bool VirtualFrame::inBootLoader()
{
    std::lock_guard lock(mutex_);
    settleLocked();
    return inBootLoader_;
}

void VirtualFrame::stayAwayAfterRestart(bool away)
{
    std::lock_guard lock(mutex_);
    stayAway_ = away;
}

void VirtualFrame::unplugAfterRequests(uint8_t code, int n)
{
    std::lock_guard lock(mutex_);
    state_.faults.unplugAfterRequests(code, n);
}

void VirtualFrame::powerOnLocked()
{
    state_.powerOn();
    reply_.reset();
}

bool VirtualFrame::isPlugged()
{
    std::lock_guard lock(mutex_);
    settleLocked();
    return plugged_;
}

void VirtualFrame::setBusyPolls(int polls)
{
    std::lock_guard lock(mutex_);
    state_.faults.setBusyPolls(polls);
}

void VirtualFrame::setBusyPolls(uint8_t code, int polls)
{
    std::lock_guard lock(mutex_);
    state_.faults.setBusyPolls(code, polls);
}

void VirtualFrame::clearBusyPolls(uint8_t code)
{
    std::lock_guard lock(mutex_);
    state_.faults.clearBusyPolls(code);
}

void VirtualFrame::neverAnswer(uint8_t code, bool never)
{
    std::lock_guard lock(mutex_);
    state_.faults.neverAnswer(code, never);
}

void VirtualFrame::refuseCommand(uint8_t code, int times, int after)
{
    std::lock_guard lock(mutex_);
    state_.faults.refuse(code, times, after);
}

void VirtualFrame::answerCommandWith(uint8_t code, uint8_t status, int times)
{
    std::lock_guard lock(mutex_);
    state_.faults.answerWithStatus(code, status, times);
}

void VirtualFrame::failSetFeatures(int count)
{
    std::lock_guard lock(mutex_);
    state_.faults.failSetFeatures(count);
}

void VirtualFrame::failGetFeatures(int count)
{
    std::lock_guard lock(mutex_);
    state_.faults.failGetFeatures(count);
}

void VirtualFrame::failFlashWrites(FlashWriteFault fault, int times)
{
    std::lock_guard lock(mutex_);
    state_.faults.failFlashWrites(fault, times);
}

void VirtualFrame::clearFaults()
{
    std::lock_guard lock(mutex_);
    state_.faults.clear();
    state_.opticsModel.clearFaults();
}

std::vector<VirtualFrame::Report> VirtualFrame::requestLog() const
{
    std::lock_guard lock(mutex_);
    return {requestLog_.begin(), requestLog_.end()};
}

void VirtualFrame::clearRequestLog()
{
    std::lock_guard lock(mutex_);
    requestLog_.clear();
}

// --- Inspection --------------------------------------------------------------------

std::vector<uint8_t> VirtualFrame::readFlash(uint32_t address, size_t length) const
{
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> bytes(length);
    if (!state_.flash->read(address, bytes.data(), length))
        bytes.clear();
    return bytes;
}

bool VirtualFrame::writeFlash(uint32_t address, const std::vector<uint8_t>& bytes)
{
    std::lock_guard lock(mutex_);
    return state_.flash->overwrite(address, bytes.data(), bytes.size());
}

bool VirtualFrame::isFlashFileBacked() const
{
    std::lock_guard lock(mutex_);
    return state_.flash->isFileBacked();
}

uint8_t VirtualFrame::fpgaRegister(Side side, uint16_t reg) const
{
    std::lock_guard lock(mutex_);
    return state_.module(side).registers.fpga(reg);
}

void VirtualFrame::setFpgaRegister(Side side, uint16_t reg, uint8_t value)
{
    std::lock_guard lock(mutex_);
    state_.module(side).registers.setFpga(reg, value);
}

uint8_t VirtualFrame::sensorRegister(Side side, uint8_t reg) const
{
    std::lock_guard lock(mutex_);
    return state_.module(side).registers.sensor(reg);
}

void VirtualFrame::setSensorRegister(Side side, uint8_t reg, uint8_t value)
{
    std::lock_guard lock(mutex_);
    state_.module(side).registers.writeSensor(reg, value);
}

std::vector<uint8_t> VirtualFrame::portLog(Side side, uint16_t reg) const
{
    std::lock_guard lock(mutex_);
    return state_.module(side).registers.portLog(reg);
}

void VirtualFrame::clearPortLogs()
{
    std::lock_guard lock(mutex_);
    for (ModuleState& module : state_.modules)
        module.registers.clearPortLogs();
}

int VirtualFrame::captureCount(Side side) const
{
    std::lock_guard lock(mutex_);
    return state_.module(side).captures;
}

int VirtualFrame::triggerCount() const
{
    std::lock_guard lock(mutex_);
    return state_.triggers;
}

ModuleOptics VirtualFrame::moduleOptics(Side side) const
{
    std::lock_guard lock(mutex_);
    return state_.module(side).optics;
}

std::vector<uint8_t> VirtualFrame::downloadedBytes(Side side, Stream stream) const
{
    std::lock_guard lock(mutex_);
    const ModuleState& module = state_.module(side);
    return (stream == Stream::A ? module.streamA : module.streamB).bytes();
}

uint8_t VirtualFrame::lastJumpTarget() const
{
    std::lock_guard lock(mutex_);
    return state_.lastJumpTarget;
}

uint8_t VirtualFrame::mode() const
{
    std::lock_guard lock(mutex_);
    return state_.mode;
}

uint32_t VirtualFrame::errorCode() const
{
    std::lock_guard lock(mutex_);
    return state_.errorCode;
}

void VirtualFrame::setErrorCode(uint32_t code)
{
    std::lock_guard lock(mutex_);
    state_.errorCode = code;
}

void VirtualFrame::setKeyState(uint8_t byte1, uint8_t byte2)
{
    std::lock_guard lock(mutex_);
    keyState_ = {byte1, byte2};
}

} // namespace sim
