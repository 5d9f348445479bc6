#pragma once

#include <array>
#include <optional>

// The surroundings of a virtual frame that a workflow can set up, so that a workflow
// which needs a person in front of the screen runs without one: the desktop the frame
// is mounted on, an operator who touches each target as it is shown, keys printed on
// its bezel, and what the frame knows of a touch (for accuracy checks). Real frames
// have no scene.
class VirtualScene {
public:
    struct Point {
        double x = 0;
        double y = 0;
    };
    // Key counts per side code (1 left, 2 right, 3 bottom, 4 top) and group (0..2).
    using KeyGroups = std::array<std::array<int, 3>, 5>;

    virtual ~VirtualScene() = default;

    // A w x h desktop with sensors of the given type, and an operator in front of it who
    // touches each target as it is shown, within aimError pixels.
    virtual void placeOperator(int width, int height, int sensorType, double aimError) = 0;
    // The same operator for a workflow that tells the frame when it has taken a touch
    // (the query's release flag, as the find-column corners do): the finger is lifted
    // then, instead of when the next target is named.
    virtual void placeReleasingOperator(int width, int height, int sensorType, double aimError) = 0;
    // Keys printed on the bezel of a w x h desktop for the layout's groups.
    virtual void printKeys(const KeyGroups& groups, int width, int height) = 0;
    // Someone who presses the printed keys one after the other, each for a moment
    // (paced by the key-state reads: about half a second at the key test's pace),
    // round and round, until it is switched off.
    virtual void pressPrintedKeys(bool on) = 0;
    // Where the finger is now; where a pair of sensor positions lies exactly.
    virtual std::optional<Point> fingerPoint() const = 0;
    virtual std::optional<Point> exactLocate(int leftPosition, int rightPosition) const = 0;
};
