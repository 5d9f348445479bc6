#include "device/HidapiBus.h"
#include "device/FrameIdentity.h"

#include <hidapi.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <mutex>

#include <unistd.h>

namespace hidapi_map {

std::string encodePath(const CollectionPath& path)
{
    char tail[32];
    std::snprintf(tail, sizeof tail, "|%04x|%04x|%d", path.usagePage, path.usage, path.index);
    return path.node + tail;
}

namespace {

// The field after the last '|' of text, which is cut there.
bool takeLastField(std::string& text, std::string& field)
{
    const size_t bar = text.rfind('|');
    if (bar == std::string::npos)
        return false;
    field = text.substr(bar + 1);
    text.resize(bar);
    return true;
}

template <typename Number>
bool parseWhole(const std::string& text, Number& value, int base, size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, base);
    return result.ec == std::errc() && result.ptr == end;
}

} // namespace

bool decodePath(const std::string& text, CollectionPath& path)
{
    std::string rest = text;
    std::string index;
    std::string usage;
    std::string page;
    CollectionPath decoded;
    if (!takeLastField(rest, index) || !takeLastField(rest, usage) || !takeLastField(rest, page) ||
        rest.empty() || !parseWhole(page, decoded.usagePage, 16, 4) ||
        !parseWhole(usage, decoded.usage, 16, 4) || !parseWhole(index, decoded.index, 10, 6))
        return false;
    decoded.node = rest;
    // Only the canonical spelling: one collection has one path.
    if (decoded.index < 0 || encodePath(decoded) != text)
        return false;
    path = decoded;
    return true;
}

std::vector<std::string> collectionPaths(const std::vector<HidapiEntry>& entries)
{
    std::vector<std::string> paths;
    paths.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        CollectionPath path{entries[i].path, entries[i].usagePage, entries[i].usage, 0};
        for (size_t j = 0; j < i; ++j)
            if (entries[j].path == entries[i].path)
                ++path.index;
        paths.push_back(encodePath(path));
    }
    return paths;
}

const HidapiEntry* findEntry(const std::vector<HidapiEntry>& entries, const CollectionPath& path)
{
    int index = 0;
    for (const HidapiEntry& entry : entries) {
        if (entry.path != path.node)
            continue;
        if (index++ != path.index)
            continue;
        const bool same = entry.usagePage == path.usagePage && entry.usage == path.usage;
        return same ? &entry : nullptr;
    }
    return nullptr;
}

} // namespace hidapi_map

namespace {

// hidapi keeps process-wide state (its init, its last-error text) that its
// enumeration and open touch; the monitor and the GUI thread may both get here.
std::mutex& hidapiLock()
{
    static std::mutex lock;
    return lock;
}

// vendorId 0: every device.
std::vector<HidapiEntry> systemEntries(uint16_t vendorId)
{
    std::vector<HidapiEntry> entries;
    std::lock_guard lock(hidapiLock());
    hid_device_info* list = hid_enumerate(vendorId, 0);
    for (const hid_device_info* d = list; d; d = d->next) {
        if (d->path)
            entries.push_back({d->path, d->vendor_id, d->product_id, d->usage_page, d->usage});
    }
    hid_free_enumeration(list);
    return entries;
}

class HidapiCollection : public HidCollection {
public:
    HidapiCollection(hid_device* device, hidapi_map::CollectionPath path, const HidapiEntry& entry)
        : device_(device), path_(std::move(path)), vendorId_(entry.vendorId),
          productId_(entry.productId)
    {
    }
    ~HidapiCollection() override { hid_close(device_); }
    HidapiCollection(const HidapiCollection&) = delete;
    HidapiCollection& operator=(const HidapiCollection&) = delete;

    bool attributes(uint16_t& vendorId, uint16_t& productId) override
    {
        if (!stillPresent())
            return false;
        vendorId = vendorId_;
        productId = productId_;
        return true;
    }

    bool usage(uint16_t& usagePage, uint16_t& usage) override
    {
        if (!stillPresent())
            return false;
        usagePage = path_.usagePage;
        usage = path_.usage;
        return true;
    }

    bool getFeature(uint8_t* report, size_t length) override
    {
        const int n = hid_get_feature_report(device_, report, length);
        return n >= 0 && static_cast<size_t>(n) == length;
    }

    bool setFeature(const uint8_t* report, size_t length) override
    {
        const int n = hid_send_feature_report(device_, report, length);
        return n >= 0 && static_cast<size_t>(n) == length;
    }

private:
    // The node's entry is still listed with the identity it had when it was opened.
    // A node number that the system gave to another device meanwhile does not count.
    bool stillPresent() const
    {
        const std::vector<HidapiEntry> entries = systemEntries(vendorId_);
        const HidapiEntry* entry = hidapi_map::findEntry(entries, path_);
        return entry && entry->vendorId == vendorId_ && entry->productId == productId_;
    }

    hid_device* device_;
    hidapi_map::CollectionPath path_;
    uint16_t vendorId_;
    uint16_t productId_;
};

} // namespace

HidapiBus::HidapiBus()
{
    std::lock_guard lock(hidapiLock());
    static const int initialised = hid_init();
    (void)initialised; // a failed init shows as an empty enumeration
}

std::vector<std::string> HidapiBus::enumerate()
{
    const std::vector<HidapiEntry> entries = systemEntries(0);
    accessProblem_.clear();
    for (const HidapiEntry& e : entries) {
        if (::access(e.path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
            accessProblem_ = hidapi_map::accessProblemOf(e);
            if (!accessProblem_.empty())
                break;
        }
    }
    return hidapi_map::collectionPaths(entries);
}

std::string HidapiBus::accessProblem() const
{
    return accessProblem_;
}

std::string hidapi_map::accessProblemOf(const HidapiEntry& e)
{
    if (e.vendorId != frame_identity::kVendorId || !frame_identity::isAcceptedProduct(e.productId))
        return {};
    char text[512];
    std::snprintf(text, sizeof text,
                  "a frame (product 0x%04X) is at %s, but this user may not open it: install the "
                  "udev rule 70-vireto.rules (see the README) and plug the frame in again",
                  e.productId, e.path.c_str());
    return text;
}

std::unique_ptr<HidCollection> HidapiBus::openCollection(const std::string& path)
{
    hidapi_map::CollectionPath decoded;
    if (!hidapi_map::decodePath(path, decoded))
        return nullptr;
    const std::vector<HidapiEntry> entries = systemEntries(0);
    const HidapiEntry* entry = hidapi_map::findEntry(entries, decoded);
    if (!entry)
        return nullptr;
    hid_device* device = nullptr;
    {
        std::lock_guard lock(hidapiLock());
        device = hid_open_path(decoded.node.c_str());
    }
    if (!device)
        return nullptr;
    return std::make_unique<HidapiCollection>(device, decoded, *entry);
}
