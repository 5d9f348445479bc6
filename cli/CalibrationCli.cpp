#include "cli/CalibrationCli.h"

#include <QJsonArray>

#include "calibration/CalibrationTargets.h"
#include "codec/ConfigRecord.h"
#include "device/ConfigRecordStore.h"
#include "transport/VirtualScene.h"

#include <cmath>
#include <cstdio>

namespace calibration_cli {

bool parseScreen(const QString& text, int& width, int& height)
{
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    if (parts.size() != 2)
        return false;
    const std::optional<uint32_t> w = parseNumber(parts[0], 1, 32767);
    const std::optional<uint32_t> h = parseNumber(parts[1], 1, 32767);
    if (!w || !h)
        return false;
    width = static_cast<int>(*w);
    height = static_cast<int>(*h);
    return true;
}

void printRecord(const CalibrationRecord& r, int width, int height)
{
    std::printf("desktop %d x %d, x-scale R %.4f (r_fix %d)\n", width, height,
                r.r_fix / CalibrationRecord::kFixScale, r.r_fix);
    const struct {
        const char* name;
        const CameraRecord& camera;
    } cameras[] = {{"left camera ", r.LCam}, {"right camera", r.RCam}};
    for (const auto& c : cameras)
        std::printf("%s: position (%.2f, %.2f) px in (x * R, y), shift %d, angle offset %.3f "
                    "deg\n",
                    c.name, c.camera.Po_l4.x / 16.0, c.camera.Po_l4.y / 16.0, c.camera.L_A,
                    c.camera.L_Angle_fix / CalibrationRecord::kFixScale);
    const auto targets = calibration_targets::fullTargets(width, height);
    std::printf("target  screen         model (EvalPt)   residual px\n");
    for (size_t k = 0; k < targets.size(); ++k) {
        const Point16& e = r.EvalPt[k];
        std::printf("%6zu  (%5d, %5d)  (%5d, %5d)   %6.2f\n", k, targets[k].x, targets[k].y, e.x,
                    e.y, std::hypot(e.x - targets[k].x, e.y - targets[k].y));
    }
    bool screenMap = false;
    for (int32_t v : r.X[CalibrationRecord::kScreenMap])
        screenMap = screenMap || v != 0;
    std::printf("correction maps: 9 cells%s\n",
                screenMap ? " and a whole-screen map (fast run)" : "");
}

QJsonObject jsonOfRecord(const CalibrationRecord& r, int width, int height)
{
    QJsonArray cameras;
    for (const CameraRecord* c : {&r.LCam, &r.RCam})
        cameras.append(QJsonObject{{"x", c->Po_l4.x / 16.0},
                                   {"y", c->Po_l4.y / 16.0},
                                   {"shift", c->L_A},
                                   {"angleOffset", c->L_Angle_fix / CalibrationRecord::kFixScale}});
    QJsonArray targets;
    const auto screen = calibration_targets::fullTargets(width, height);
    for (size_t k = 0; k < screen.size(); ++k) {
        const Point16& e = r.EvalPt[k];
        targets.append(QJsonObject{{"screen", QJsonArray{screen[k].x, screen[k].y}},
                                   {"model", QJsonArray{e.x, e.y}},
                                   {"residual", std::hypot(e.x - screen[k].x, e.y - screen[k].y)}});
    }
    bool screenMap = false;
    for (int32_t v : r.X[CalibrationRecord::kScreenMap])
        screenMap = screenMap || v != 0;
    return {{"width", width},
            {"height", height},
            {"xScale", r.r_fix / CalibrationRecord::kFixScale},
            {"cameras", cameras},
            {"targets", targets},
            {"screenMap", screenMap}};
}

} // namespace calibration_cli
