#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class SettingsFile;

// The shortcut keys printed on the frame's border: how many lie on each side in up to
// three groups ("Vireto.ini"), their codes ("Vireto_Key.ini"), the schematic the key
// windows draw and the list of corners the key calibration asks for.
namespace shortcut_keys {

enum SideCode { kLeftSide = 1, kRightSide = 2, kBottomSide = 3, kTopSide = 4 };
constexpr std::array<int, 4> kSideOrder = {kLeftSide, kRightSide, kBottomSide, kTopSide};
constexpr int kMaxGroups = 3;
// The key-code table in the Master module's flash (address word, flash space).
constexpr uint32_t kKeyCodeTableWord = 0x02019000;

// Keys a side may have: what the key area of the sensor information block holds.
constexpr int maxKeysOn(int side)
{
    return side == kLeftSide || side == kRightSide ? 22 : 2;
}
const char* groupNameOf(int side); // "Left_Key", ...
const char* sideWordOf(int side);  // "Left", ...

struct SideLayout {
    int groupCnt = 0;
    std::array<int, kMaxGroups> groupNum{};
    // The keys of the side's groups (only the first groupCnt groups count).
    int keyCount() const;
};

struct KeyLayout {
    std::array<SideLayout, 5> sides{}; // by side code 1..4; 0 unused
    SideLayout& of(int side) { return sides[static_cast<size_t>(side)]; }
    const SideLayout& of(int side) const { return sides[static_cast<size_t>(side)]; }
    bool hasKeys() const;
};

// Key counts per side code and group (0..2), as the virtual frame's bezel takes them.
using GroupCounts = std::array<std::array<int, kMaxGroups>, 5>;
GroupCounts groupCountsOf(const KeyLayout& layout);

// Why a layout cannot be calibrated (empty when it can): group counts outside 0..3, a
// group without keys, or more keys on a side than the block holds.
QString problemOf(const KeyLayout& layout);

// The Top_Key, Left_Key, Bottom_Key and Right_Key groups of the settings file.
// Group2_Num and Group3_Num are read only when GroupCnt is not 1.
KeyLayout readKeyLayout(const SettingsFile& settings);

// A rectangle: TopLeft x, y and BottomRight x, y.
struct KeyRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const KeyRect&) const = default;
};

// The frame and its keys drawn in a window of w x h pixels.
struct Schematic {
    KeyRect frame;
    std::array<std::vector<KeyRect>, 5> keys{}; // by side code; group of each key below
    std::array<std::vector<int>, 5> groupOf{};
};
Schematic schematicOf(const KeyLayout& layout, int width, int height);

// One target of the key calibration: where its hint circle goes in the schematic and
// the six bytes that describe it to the frame; after the computation also the touch
// position the frame's cameras gave.
struct KeyTarget {
    int x = 0;
    int y = 0;
    // side code, GroupCnt of the side, group number, keys in the group, key number
    // inside the group (1 or the group's count), the target's index in the list.
    std::array<uint8_t, 6> record{};
    int16_t touchX = 0;
    int16_t touchY = 0;

    int side() const { return record[0]; }
    int group() const { return record[2]; }
    int keysInGroup() const { return record[3]; }
};

// Side by side (left, right, bottom, top), group by group: the first key's top-left
// and bottom-right corners, then the last key's top-right (left, right) or bottom-left
// (bottom, top) corner.
std::vector<KeyTarget> targetListOf(const KeyLayout& layout, const Schematic& schematic);

// The codes of "Vireto_Key.ini" (group Key_Value: KeyCnt, Key_1 .. Key_n, hexadecimal).
struct KeyCodes {
    std::vector<uint16_t> codes;
    QString error; // a count or a code the device table cannot hold
    // The device's key-code table: KeyCnt, 0, then each code high byte first.
    std::vector<uint8_t> table() const;
};
KeyCodes readKeyCodes(const SettingsFile& keyFile);

} // namespace shortcut_keys
