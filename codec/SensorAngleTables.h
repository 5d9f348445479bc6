#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// How the frame's line sensors map viewing angles to sensor positions. Entry k of a
// table is the sensor position (before halving) at which a shadow seen k angle steps
// from the camera's reference direction lies. The configuration record's SensorType
// picks the table: non-zero is table A, zero table B. The tool writes the chosen table
// into the sensor information block beside the calibration record; the virtual frame's
// cameras use the same tables.
namespace angle_table {

constexpr size_t kEntries = 97;
// One table step in degrees (90 / 90.1).
constexpr double kStepDegrees = 0.9988901220865706;

using Table = std::array<uint16_t, kEntries>;

inline constexpr Table kTableA = {
    29,   41,   54,   67,   80,   92,   105,  118,  130,  143,  155,  168,  180,  192,
    204,  217,  229,  241,  253,  265,  277,  289,  301,  313,  325,  337,  349,  360,
    372,  384,  396,  407,  419,  431,  443,  454,  466,  477,  489,  500,  512,  524,
    535,  547,  558,  570,  581,  593,  604,  616,  627,  639,  650,  661,  673,  684,
    696,  707,  719,  730,  742,  753,  765,  777,  788,  800,  811,  823,  834,  846,
    858,  869,  881,  893,  905,  916,  928,  940,  952,  964,  976,  988,  1000, 1012,
    1024, 1036, 1048, 1060, 1072, 1084, 1097, 1109, 1121, 1134, 1146, 1159, 1171};

inline constexpr Table kTableB = {
    10,   28,   46,   65,   81,   98,   115,  132,  148,  164,  179,  194,  210,  224,
    238,  252,  266,  280,  293,  306,  318,  331,  343,  356,  367,  378,  389,  400,
    412,  423,  434,  445,  455,  466,  476,  486,  497,  507,  517,  526,  536,  546,
    556,  566,  575,  585,  595,  605,  615,  624,  634,  644,  654,  664,  674,  683,
    693,  704,  714,  725,  735,  746,  757,  767,  778,  789,  800,  812,  824,  836,
    847,  860,  873,  885,  898,  911,  924,  938,  952,  967,  982,  996,  1012, 1027,
    1043, 1059, 1076, 1093, 1110, 1128, 1147, 1165, 1184, 1202, 1223, 1244, 1264};

constexpr const Table& forSensorType(int sensorType)
{
    return sensorType != 0 ? kTableA : kTableB;
}

} // namespace angle_table
