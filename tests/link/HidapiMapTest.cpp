#include "device/HidapiBus.h"

#include "device/FrameIdentity.h"

#include <gtest/gtest.h>

using namespace hidapi_map;

namespace {

HidapiEntry entry(const std::string& node, uint16_t page, uint16_t usage, uint16_t product = 0xCB12)
{
    return HidapiEntry{node, 0x0AC8, product, page, usage};
}

TEST(HidapiMapTest, PathCarriesNodeUsageAndPosition)
{
    EXPECT_EQ(encodePath({"/dev/hidraw3", 0xFF00, 0x0001, 2}), "/dev/hidraw3|ff00|0001|2");

    CollectionPath decoded;
    ASSERT_TRUE(decodePath("/dev/hidraw3|ff00|0001|2", decoded));
    EXPECT_EQ(decoded.node, "/dev/hidraw3");
    EXPECT_EQ(decoded.usagePage, 0xFF00);
    EXPECT_EQ(decoded.usage, 0x0001);
    EXPECT_EQ(decoded.index, 2);
}

TEST(HidapiMapTest, NodeMayContainTheSeparator)
{
    const CollectionPath odd{"/dev/odd|name", 0x000D, 0x0004, 0};
    CollectionPath decoded;
    ASSERT_TRUE(decodePath(encodePath(odd), decoded));
    EXPECT_EQ(decoded.node, odd.node);
    EXPECT_EQ(decoded.usagePage, 0x000D);
    EXPECT_EQ(decoded.usage, 0x0004);
}

TEST(HidapiMapTest, RejectsPathsItDidNotMake)
{
    CollectionPath decoded{"untouched", 1, 2, 3};
    for (const char* bad :
         {"", "/dev/hidraw0", "/dev/hidraw0|ff00|0001", "|ff00|0001|0", "/dev/hidraw0|ff00|0001|",
          "/dev/hidraw0|FF00|0001|0", "/dev/hidraw0|ff0|0001|0", "/dev/hidraw0|1ff00|0001|0",
          "/dev/hidraw0|ff00|0001|-1", "/dev/hidraw0|ff00|0001|01", "/dev/hidraw0|ff00|0x01|0",
          "/dev/hidraw0|ff00|0001|1 ", "/dev/hidraw0|ff00|0001|9999999", "sim:0:1"}) {
        EXPECT_FALSE(decodePath(bad, decoded)) << bad;
    }
    EXPECT_EQ(decoded.node, "untouched");
}

TEST(HidapiMapTest, EveryEntryIsOneCollectionInHidapiOrder)
{
    const std::vector<HidapiEntry> entries{
        entry("/dev/hidraw2", 0x0001, 0x0002), // mouse
        entry("/dev/hidraw2", 0x000D, 0x0004), // digitizer
        entry("/dev/hidraw2", 0xFF00, 0x0001), // vendor
        entry("/dev/hidraw5", 0x0001, 0x0006, 0x1234),
        entry("/dev/hidraw2", 0xFF00, 0x0001), // the same usage twice on one node
    };
    const std::vector<std::string> expected{"/dev/hidraw2|0001|0002|0", "/dev/hidraw2|000d|0004|1",
                                            "/dev/hidraw2|ff00|0001|2", "/dev/hidraw5|0001|0006|0",
                                            "/dev/hidraw2|ff00|0001|3"};
    EXPECT_EQ(collectionPaths(entries), expected);
    EXPECT_TRUE(collectionPaths({}).empty());
}

TEST(HidapiMapTest, FindsTheEntryAPathNames)
{
    const std::vector<HidapiEntry> entries{
        entry("/dev/hidraw2", 0x0001, 0x0002),
        entry("/dev/hidraw4", 0xFF00, 0x0001, 0xCB13),
        entry("/dev/hidraw2", 0xFF00, 0x0001),
    };
    for (const std::string& path : collectionPaths(entries)) {
        CollectionPath decoded;
        ASSERT_TRUE(decodePath(path, decoded));
        const HidapiEntry* found = findEntry(entries, decoded);
        ASSERT_NE(found, nullptr) << path;
        EXPECT_EQ(found->path, decoded.node);
        EXPECT_EQ(found->usagePage, decoded.usagePage);
        EXPECT_EQ(found->usage, decoded.usage);
    }
    CollectionPath vendor;
    ASSERT_TRUE(decodePath("/dev/hidraw4|ff00|0001|0", vendor));
    EXPECT_EQ(findEntry(entries, vendor)->productId, 0xCB13);
}

TEST(HidapiMapTest, UnpluggedOrChangedCollectionsAreGone)
{
    CollectionPath vendor;
    ASSERT_TRUE(decodePath("/dev/hidraw2|ff00|0001|1", vendor));
    const std::vector<HidapiEntry> before{entry("/dev/hidraw2", 0x0001, 0x0002),
                                          entry("/dev/hidraw2", 0xFF00, 0x0001)};
    ASSERT_NE(findEntry(before, vendor), nullptr);

    // Unplugged: the node has no entries any more.
    EXPECT_EQ(findEntry({entry("/dev/hidraw3", 0xFF00, 0x0001)}, vendor), nullptr);
    EXPECT_EQ(findEntry({}, vendor), nullptr);
    // The node now belongs to a device with fewer collections.
    EXPECT_EQ(findEntry({entry("/dev/hidraw2", 0xFF00, 0x0001)}, vendor), nullptr);
    // Or to one with another usage at that position.
    EXPECT_EQ(findEntry({entry("/dev/hidraw2", 0x0001, 0x0002), entry("/dev/hidraw2", 0x000D, 4)},
                        vendor),
              nullptr);
}

// Whatever is attached to this machine, open() gives one of its two documented results.
TEST(HidapiTransportTest, OpenFindsAFrameOrReportsNone)
{
    HidapiTransport transport;
    uint16_t product = 0;
    const int found = transport.open(product);
    if (found == 1) {
        EXPECT_TRUE(frame_identity::isAcceptedProduct(product));
        EXPECT_TRUE(transport.isOpen());
    } else {
        EXPECT_EQ(found, 0);
        EXPECT_EQ(product, frame_identity::kNoProductId);
        EXPECT_FALSE(transport.isOpen());
        uint8_t reply[64] = {0x06};
        EXPECT_EQ(transport.getFeature64(reply), 0);
        EXPECT_EQ(transport.probe(product), HidTransport::kProbeNotAFrame);
    }
    EXPECT_EQ(transport.close(), 1);
}

} // namespace
