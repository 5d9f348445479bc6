#include "calibration/KeyLayout.h"
#include "app/SettingsFile.h"

#include <algorithm>
#include <climits>

namespace shortcut_keys {

namespace {

constexpr int kKeyGap = 20; // keys lie this far outside the frame
constexpr int kFewKeys = 8; // below this, keys are sized as if there were eight
constexpr int kMaxKeyCodes = 255;

size_t at(int i)
{
    return static_cast<size_t>(i);
}

} // namespace

const char* groupNameOf(int side)
{
    switch (side) {
    case kLeftSide:
        return "Left_Key";
    case kRightSide:
        return "Right_Key";
    case kBottomSide:
        return "Bottom_Key";
    default:
        return "Top_Key";
    }
}

const char* sideWordOf(int side)
{
    switch (side) {
    case kLeftSide:
        return "Left";
    case kRightSide:
        return "Right";
    case kBottomSide:
        return "Bottom";
    default:
        return "Top";
    }
}

int SideLayout::keyCount() const
{
    // Summed wide and held at the int range, so that counts near INT_MAX from a
    // settings file cannot wrap round to a small number.
    long long n = 0;
    for (int g = 0; g < groupCnt && g < kMaxGroups; ++g)
        n += groupNum[at(g)];
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

bool KeyLayout::hasKeys() const
{
    for (int side : kSideOrder)
        if (of(side).groupCnt != 0)
            return true;
    return false;
}

GroupCounts groupCountsOf(const KeyLayout& layout)
{
    GroupCounts groups{};
    for (int side : kSideOrder) {
        const SideLayout& s = layout.of(side);
        for (int g = 0; g < s.groupCnt && g < kMaxGroups; ++g)
            groups[static_cast<size_t>(side)][static_cast<size_t>(g)] =
                s.groupNum[static_cast<size_t>(g)];
    }
    return groups;
}

QString problemOf(const KeyLayout& layout)
{
    for (int side : kSideOrder) {
        const SideLayout& s = layout.of(side);
        const QString group = QLatin1String(groupNameOf(side));
        if (s.groupCnt < 0 || s.groupCnt > kMaxGroups)
            return QStringLiteral("%1/GroupCnt is %2: a side has 0 to 3 key groups")
                .arg(group)
                .arg(s.groupCnt);
        for (int g = 0; g < s.groupCnt; ++g)
            if (s.groupNum[at(g)] < 1)
                return QStringLiteral("%1/Group%2_Num is %3: every group needs at least one key")
                    .arg(group)
                    .arg(g + 1)
                    .arg(s.groupNum[at(g)]);
        long long keys = 0;
        for (int g = 0; g < s.groupCnt; ++g)
            keys += s.groupNum[at(g)];
        if (keys > maxKeysOn(side))
            return QStringLiteral("%1 has %2 keys: the frame holds at most %3 keys on that side")
                .arg(group)
                .arg(keys)
                .arg(maxKeysOn(side));
    }
    return {};
}

KeyLayout readKeyLayout(const SettingsFile& settings)
{
    KeyLayout layout;
    for (int side : kSideOrder) {
        const QString group = QLatin1String(groupNameOf(side));
        SideLayout& s = layout.of(side);
        s.groupCnt = settings.readInt(group, QStringLiteral("GroupCnt"), 0);
        s.groupNum[0] = settings.readInt(group, QStringLiteral("Group1_Num"), 0);
        if (s.groupCnt != 1) {
            s.groupNum[1] = settings.readInt(group, QStringLiteral("Group2_Num"), 0);
            s.groupNum[2] = settings.readInt(group, QStringLiteral("Group3_Num"), 0);
        }
    }
    return layout;
}

Schematic schematicOf(const KeyLayout& layout, int w, int h)
{
    Schematic sc;
    sc.frame = {w / 2 - w / 4, h / 2 - h / 4, w / 2 + w / 4, h / 4 + h / 2};
    for (int side : kSideOrder) {
        const SideLayout& s = layout.of(side);
        const int n = s.keyCount();
        if (n <= 0)
            continue;
        const bool upright = side == kLeftSide || side == kRightSide;
        const int span = upright ? h / 2 : w / 2;
        const int u = (n < kFewKeys ? span / kFewKeys : span / n) / 3;
        int i = 0;
        for (int g = 0; g < s.groupCnt && g < kMaxGroups; ++g) {
            for (int key = 0; key < s.groupNum[at(g)]; ++key, ++i) {
                const int along = 3 * u * i + g * u;
                KeyRect r;
                if (upright) {
                    const int x = side == kLeftSide ? sc.frame.left - 4 * u - kKeyGap
                                                    : w / 2 + w / 4 + kKeyGap;
                    const int y = along + h / 2 - h / 4;
                    r = {x, y, x + 4 * u, y + 2 * u};
                } else {
                    const int x = along + w / 2 - w / 4;
                    const int y =
                        side == kBottomSide ? h / 2 + h / 4 + kKeyGap : h / 2 - h / 4 - u - kKeyGap;
                    r = {x, y, x + 2 * u, y + u};
                }
                sc.keys[at(side)].push_back(r);
                sc.groupOf[at(side)].push_back(g + 1);
            }
        }
    }
    return sc;
}

std::vector<KeyTarget> targetListOf(const KeyLayout& layout, const Schematic& schematic)
{
    std::vector<KeyTarget> list;
    for (int side : kSideOrder) {
        const SideLayout& s = layout.of(side);
        const std::vector<KeyRect>& keys = schematic.keys[at(side)];
        int first = 0;
        for (int g = 0; g < s.groupCnt && g < kMaxGroups; ++g) {
            const int n = s.groupNum[at(g)];
            if (n < 1 || first + n > static_cast<int>(keys.size()))
                break;
            const KeyRect& a = keys[at(first)];
            const KeyRect& z = keys[at(first + n - 1)];
            const bool upright = side == kLeftSide || side == kRightSide;
            const std::array<std::array<int, 3>, 3> corners = {{
                {a.left, a.top, 1},
                {a.right, a.bottom, 1},
                {upright ? z.right : z.left, upright ? z.top : z.bottom, n},
            }};
            for (const auto& c : corners) {
                KeyTarget t;
                t.x = c[0];
                t.y = c[1];
                t.record = {static_cast<uint8_t>(side),  static_cast<uint8_t>(s.groupCnt),
                            static_cast<uint8_t>(g + 1), static_cast<uint8_t>(n),
                            static_cast<uint8_t>(c[2]),  static_cast<uint8_t>(list.size())};
                list.push_back(t);
            }
            first += n;
        }
    }
    return list;
}

std::vector<uint8_t> KeyCodes::table() const
{
    std::vector<uint8_t> t;
    t.push_back(static_cast<uint8_t>(codes.size()));
    t.push_back(0);
    for (uint16_t c : codes) {
        t.push_back(static_cast<uint8_t>(c >> 8));
        t.push_back(static_cast<uint8_t>(c));
    }
    return t;
}

KeyCodes readKeyCodes(const SettingsFile& keyFile)
{
    KeyCodes k;
    const QString group = QStringLiteral("Key_Value");
    const int count = keyFile.readInt(group, QStringLiteral("KeyCnt"), 0);
    if (count < 0 || count > kMaxKeyCodes) {
        k.error = QStringLiteral("KeyCnt is %1: the frame's key table holds 0 to %2 codes")
                      .arg(count)
                      .arg(kMaxKeyCodes);
        return k;
    }
    for (int n = 1; n <= count; ++n) {
        const QString key = QStringLiteral("Key_%1").arg(n);
        const int code = keyFile.readHex(group, key, QStringLiteral("255"));
        if (code < 0 || code > 0xFFFF) {
            k.error = QStringLiteral("%1 = %2 does not fit the 16 bits of a key code")
                          .arg(key, keyFile.readText(group, key));
            k.codes.clear();
            return k;
        }
        k.codes.push_back(static_cast<uint16_t>(code));
    }
    return k;
}

} // namespace shortcut_keys
