#include "calibration/RecordLog.h"

#include "app/AppContext.h"

void logCalibrationRecord(const char* name, const CalibrationRecord& record, int width, int height,
                          float R)
{
    LogWriter& log = appContext().log;
    log.logf("width=%d, height=%d\n", width, height);
    log.logRawf("g_ClbInfoR=%f, %s.r_fix=%d\n", static_cast<double>(R), name, record.r_fix);
    for (size_t row = 0; row < 4; ++row) {
        const Point16* p = &record.EvalPt[4 * row];
        log.logRawf("%s.EvalPt[%zu]=(%d,%d), %s.EvalPt[%zu]=(%d,%d), %s.EvalPt[%zu]=(%d,%d), "
                    "%s.EvalPt[%zu]=(%d,%d)\n",
                    name, 4 * row, p[0].x, p[0].y, name, 4 * row + 1, p[1].x, p[1].y, name,
                    4 * row + 2, p[2].x, p[2].y, name, 4 * row + 3, p[3].x, p[3].y);
    }
    for (size_t n = 0; n < record.X.size(); ++n) {
        const CalibrationRecord::Map& m = record.X[n];
        log.logRawf("%s.X[%zu][0]={%d, %d, %d, %d, %d, %d, %d, %d}\n", name, n, m[0], m[1], m[2],
                    m[3], m[4], m[5], m[6], m[7]);
    }
    log.logRawf("%s.LCam.Po_l4.x=%d, %s.LCam.Po_l4.y=%d\n", name, record.LCam.Po_l4.x, name,
                record.LCam.Po_l4.y);
    log.logRawf("%s.LCam.L_A=%d, %s.LCam.L_Angle_fix=%d\n", name, record.LCam.L_A, name,
                record.LCam.L_Angle_fix);
    log.logRawf("%s.RCam.Po_l4.x=%d, %s.RCam.Po_l4.y=%d\n", name, record.RCam.Po_l4.x, name,
                record.RCam.Po_l4.y);
    log.logRawf("%s.RCam.L_A=%d, %s.RCam.L_Angle_fix=%d\n", name, record.RCam.L_A, name,
                record.RCam.L_Angle_fix);
}
