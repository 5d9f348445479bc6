#pragma once

#include "codec/SensorAngleTables.h"
#include "device/CommandCodes.h"
#include "sim/VirtualOperator.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace sim {

// Where one camera really is and how it really looks: the truth a calibration has to
// recover. Positions are in model space, (x * xScale, y) screen pixels, origin at the
// screen's top-left corner, y downwards.
struct CameraTruth {
    double x = 0;
    double y = 0;
    int shift = 0;          // half-pixel steps added to position / 2 before the table
    double angleOffset = 0; // degrees added to the table's angle
};

// A shadow that is not a finger (dirt on the lens, a second light), seen by one camera
// in a share of the reports.
struct BackgroundShadow {
    Side camera = Side::Master;
    uint16_t position = 0;
    uint16_t halfWidth = 0;
    uint8_t depth = 0;
    double visibility = 1.0;
};

// A shortcut key printed on the bezel, outside the screen, in screen pixels.
struct PrintedKey {
    int side = 0;   // 1 left, 2 right, 3 bottom, 4 top
    int group = 1;  // 1..3
    int number = 0; // 1-based inside its group
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// Everything the touch model works from. standard() gives a frame of the given desktop
// size with its cameras a little outside the screen's upper corners, a dirty spot on
// the left lens, a flickering light seen by the right camera, a finger now and then
// missed by one camera, and wide shadows that split in two close to a camera. clean()
// is the same frame without any of these (what a frame reports with nobody in front of
// it: nothing).
struct TouchScene {
    int width = 1920;
    int height = 1080;
    double xScale = 1.0; // the desktop's x-scale R: width of a pixel over its height
    int sensorType = 0;  // picks the angle table (0: table B), as the configuration does
    CameraTruth left;
    CameraTruth right;
    double fingerRadius = 8.0;  // screen pixels
    double jitterRate = 0.2;    // share of reports in which a shadow lies one pixel off
    double oneSidedRate = 0.0;  // share of reports in which one camera misses the finger
    double splitDistance = 0.0; // nearer than this a wide shadow shows as two
    std::vector<BackgroundShadow> background;
    std::vector<PrintedKey> keys;
    uint32_t seed = 1;

    static TouchScene standard(int width, int height);
    static TouchScene clean(int width, int height);
};

// The touch side of the frame's firmware: answers the touch-candidate query with the
// shadows the cameras see, drives the virtual operator and reports the printed key under
// the finger. Not locked itself: the frame's lock is held around every call.
class TouchModel {
public:
    TouchModel();

    void setScene(const TouchScene& scene);
    const TouchScene& scene() const { return scene_; }
    // The standard scene for a desktop size (operator and keys kept).
    void setScreenSize(int width, int height);

    void setOperator(const OperatorSettings& settings) { operator_.setSettings(settings); }
    const OperatorSettings& operatorSettings() const { return operator_.settings(); }
    // A finger placed by hand stays until lifted, whatever the queries name.
    void placeFinger(double x, double y);
    void liftFinger();
    // Where the finger touches now (the operator's touch or the placed finger).
    std::optional<ScreenPoint> finger() const;

    // The exact (unrounded) sensor position of a point's shadow, and the sensor's own
    // rounding of it; nothing when the shadow falls off the sensor.
    std::optional<double> exactPosition(Side camera, const ScreenPoint& p) const;
    std::optional<int> sensorPosition(Side camera, const ScreenPoint& p) const;
    // A finger's shadow at p as the camera reports it without jitter: rounded position and
    // half-width; nothing when it falls off the sensor.
    struct ReportedShadow {
        int position = 0;
        int halfWidth = 0;
    };
    std::optional<ReportedShadow> reportedShadow(Side camera, const ScreenPoint& p) const;
    // Where the exact camera model puts a pair of sensor positions.
    std::optional<ScreenPoint> exactLocate(int leftPosition, int rightPosition) const;

    // Answer to the 7-byte query (61 bytes). triggers: the frame's trigger count (a new
    // one starts a new operator session).
    std::vector<uint8_t> answer(const uint8_t* request, int triggers);
    // Side code and key number (1-based inside the side) of the printed key under the
    // finger; fallback when the finger is on none.
    std::array<uint8_t, 2> keyState(const std::array<uint8_t, 2>& fallback) const;
    int queries() const { return queries_; }

    // Someone who presses the printed keys one after the other, paced by the key-state
    // reads: each key is held for holdReads reads, then nothing is pressed for gapReads,
    // round and round. holdReads 0 stops it and lifts the finger.
    void pressKeysInTurn(int holdReads, int gapReads);
    // One key-state read: paces that person, then keyState().
    std::array<uint8_t, 2> readKeyState(const std::array<uint8_t, 2>& fallback);

private:
    struct Shadow {
        double position;
        double halfWidth;
        uint8_t depth;
    };
    const CameraTruth& truth(Side camera) const;
    const angle_table::Table& table() const;
    double positionOfAngle(const CameraTruth& c, double angle) const;
    double angleOfPosition(const CameraTruth& c, double position) const;
    std::optional<double> angleTo(Side camera, const ScreenPoint& p) const;
    std::optional<Shadow> fingerShadow(Side camera, const ScreenPoint& p) const;
    std::optional<ScreenPoint> aimPointOf(const uint8_t* request) const;
    const PrintedKey* keyAt(const ScreenPoint& p) const;
    int sideNumberOf(const PrintedKey& key) const;

    TouchScene scene_;
    VirtualOperator operator_;
    std::optional<ScreenPoint> placed_;
    std::optional<ScreenPoint> touching_;
    std::mt19937 random_;
    int queries_ = 0;
    int pressHold_ = 0;
    int pressGap_ = 0;
    size_t pressKey_ = 0;
    int pressTick_ = 0;
};

} // namespace sim
