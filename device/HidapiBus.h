#pragma once

#include "device/CollectionTransport.h"
#include "device/HidBus.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Real frames through hidapi's hidraw backend.
//
// hidapi lists one entry per top-level collection of a hidraw node: the same node path
// with a different usage page and usage. Each entry is one collection of this bus, with
// the path "<node>|<usage page>|<usage>|<n>" (page and usage as four hex digits, n the
// entry's position among the entries of that node), in hidapi's order. Opening any of
// them opens the node; feature reports carry their report ID in byte 0, so it does not
// matter which collection's handle sends them.
//
// An unplugged frame is noticed without report traffic: attributes() and usage()
// enumerate again and fail once the entry is gone.
//
// Access to a real frame: the tool opens /dev/hidraw* for reading and writing, which
// by default only root may do. A udev rule grants it to the user at the seat, e.g. in
// /etc/udev/rules.d/70-vireto-frame.rules:
//
//   SUBSYSTEM=="hidraw", ATTRS{idVendor}=="0ac8", TAG+="uaccess"
//
// then `udevadm control --reload && udevadm trigger` (or re-plug the frame). Without it
// open() finds no frame, exactly as if none were attached.

// What hidapi tells about one top-level collection.
struct HidapiEntry {
    std::string path; // the hidraw node
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

// The mapping between hidapi's entries and this bus's collection paths, apart from
// hidapi itself.
namespace hidapi_map {

struct CollectionPath {
    std::string node;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int index = 0; // position among the entries of the node
};

std::string encodePath(const CollectionPath& path);
// False for anything encodePath() did not make.
bool decodePath(const std::string& text, CollectionPath& path);

// One path per entry, in the order given.
std::vector<std::string> collectionPaths(const std::vector<HidapiEntry>& entries);

// The entry that path names in this enumeration, or nullptr when it is gone (no such
// position on the node any more, or another usage there).
const HidapiEntry* findEntry(const std::vector<HidapiEntry>& entries, const CollectionPath& path);

} // namespace hidapi_map

class HidapiBus : public HidBus {
public:
    HidapiBus();
    std::vector<std::string> enumerate() override;
    std::unique_ptr<HidCollection> openCollection(const std::string& path) override;
};

// The transport to real frames (--device=hid).
class HidapiTransport : public CollectionTransport {
public:
    HidapiTransport() : CollectionTransport(std::make_unique<HidapiBus>()) {}
};
