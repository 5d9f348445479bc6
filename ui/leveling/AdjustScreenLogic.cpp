#include "ui/leveling/AdjustScreenLogic.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/DeviceState.h"
#include "imaging/AdjustScreenCodes.h"
#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"

#include <Qt>

namespace {

const QString kQualified = QStringLiteral("Qualified.png");
const QString kNotQualified = QStringLiteral("NoQualified.png");
constexpr uint32_t kLastLine = 639;

Side sideOf(int side)
{
    return side == 0 ? Side::Master : Side::Slave;
}

QString hex2(unsigned value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0'));
}

} // namespace

const char* const AdjustScreenLogic::kResultStyle = "color:rgb(40,40,40)";

AdjustScreenLogic::AdjustScreenLogic(AdjustScreenView& view, AdjustScreenState& state,
                                     const LevelingConfig& config)
    : view_(view), state_(state), config_(config)
{
}

QString AdjustScreenLogic::resultText(int textIndex, int side)
{
    const OpticalValues v = opticalParams(sideOf(side)).values();
    return appContext()
        .text(textIndex)
        .arg(v.startLine)
        .arg(v.startColumn)
        .arg(v.endColumn)
        .arg(hex2(v.exposureGain), hex2(v.exposureTime));
}

QString AdjustScreenLogic::storedValuesText(int side)
{
    const OpticalValues v = opticalParams(sideOf(side)).values();
    QString text =
        QString::fromLatin1(side == 0 ? "M" : "S") +
        QStringLiteral("--%1,0x%2,0x%3\n(%4,%5,%6),(%7,%8,%9),(%10,%11,%12),(%13,%14,%15),"
                       "\n(%16,%17,%18),(%19,%20,%21),(%22,%23,%24),(%25,%26,%27)\n");
    text = text.arg(v.startLine).arg(hex2(v.exposureGain), hex2(v.exposureTime));
    for (const OptimumLineSegment& s : v.optimumLines)
        text = text.arg(s.line).arg(s.startColumn).arg(s.endColumn);
    return text;
}

void AdjustScreenLogic::bothLabels(int textIndex)
{
    const QString text = appContext().text(textIndex);
    view_.showResult(0, text);
    view_.showResult(1, text);
}

void AdjustScreenLogic::enableButtons()
{
    // In pen mode the operator does not adjust the picture from this window.
    buttonsEnabled_ = !config_.InfraredPenMode;
    view_.setAdjustButtonsEnabled(buttonsEnabled_);
}

void AdjustScreenLogic::disableButtons()
{
    buttonsEnabled_ = false;
    view_.setAdjustButtonsEnabled(false);
}

void AdjustScreenLogic::showResults(int textIndex)
{
    const int qualified[2] = {leftQualified, rightQualified};
    for (int side : {0, 1}) {
        if (!config_.QualityEvaluation) {
            view_.showResult(side, resultText(textIndex, side));
            view_.showQuality(side, QString());
        } else if (qualified[side]) {
            view_.showResult(side, resultText(textIndex, side));
            view_.showQuality(side, kQualified);
        } else {
            view_.showResult(side, appContext().text(kTextAdjustPlaneness));
            view_.showQuality(side, kNotQualified);
        }
    }
}

void AdjustScreenLogic::startLineFailed()
{
    const uint32_t lines[2] = {g_StartLineM, g_StartLineS};
    for (int side : {0, 1}) {
        if (lines[side] >= 1 && lines[side] <= kLastLine)
            view_.showResult(side, appContext().text(kTextOpticalParameters).arg(lines[side]));
        else
            view_.showResult(side, appContext().text(kTextStartLineFailed));
    }
    appContext().log.logf("ImagePreviewThread: Search Startline failed! g_SearchStartLine=%d, "
                          "g_StartLineM=%d, g_StartLineS=%d\n",
                          g_SearchStartLine.load(), static_cast<int>(lines[0]),
                          static_cast<int>(lines[1]));
    resetSearchFlags();
}

void AdjustScreenLogic::handleCode(int code)
{
    if (!g_bDevExist) {
        logLoss("the frame was pulled out");
        bothLabels(kTextPulledOut);
        view_.leave();
        return;
    }
    if (!g_isDeviceCommunicate) {
        logLoss("the frame stopped answering");
        bothLabels(kTextCheckConnection);
    }
    LogWriter& log = appContext().log;
    switch (code) {
    case kAdjustNewFrame:
        view_.repaintPictures();
        break;
    case kAdjustStartLineFailed:
        startLineFailed();
        break;
    case kAdjustButtonsEnabled:
        enableButtons();
        break;
    case kAdjustConfigStartLineFailed:
        bothLabels(kTextConfigStartLineFailed);
        log.logf("ImagePreviewThread: Config Startline failed! g_OptimumStartLine=%d\n",
                 g_OptimumStartLine.load());
        disableButtons();
        resetSearchFlags();
        break;
    case kAdjustSearchDone:
        enableButtons();
        showResults(kTextImageLineSelected);
        break;
    case kAdjustDeviceLost:
        g_bDevExist = 0;
        logLoss("the frame was pulled out");
        bothLabels(kTextPulledOut);
        break;
    case kAdjustOptimumLineFailed:
        bothLabels(kTextOptimumLineFailed);
        log.logf("ImagePreviewThread: Optimalize Line failed! g_OptimumLineFlag=%d\n",
                 g_OptimumLineFlag.load());
        disableButtons();
        resetSearchFlags();
        break;
    case kAdjustReadFailed:
        bothLabels(kTextLevelingFailed);
        log.logf("ImagePreviewThread: GetPreviewData failed! g_PreviewSucFlag=%d\n",
                 g_PreviewSucFlag.load());
        disableButtons();
        resetSearchFlags();
        break;
    case kAdjustStoredValuesShown:
        state_.loadFlag = 0;
        view_.showResult(0, storedValuesText(0));
        view_.showResult(1, storedValuesText(1));
        break;
    case kAdjustButtonsDisabled:
        disableButtons();
        break;
    case kAdjustAxisDone:
        enableButtons();
        showResults(kTextAxisAdjustingDone);
        view_.repaintPictures(); // the new columns and tables
        break;
    case kAdjustFindColumnLost:
        view_.leave();
        break;
    case kAdjustExposureFailed:
        bothLabels(kTextAxisAdjustingFailed);
        log.logf("Exposure Left failed! g_isExposureSuc=%d\n", g_isExposureSuc.load());
        log.logf("Exposure Right failed! g_isExposureSuc=%d\n", g_isExposureSuc.load());
        break;
    case kAdjustEvaluating:
        bothLabels(kTextEvaluating);
        break;
    case kAdjustFindColumnClosed:
        enableButtons();
        axisDone_ = true;
        if (!closing_)
            view_.restartWorkerLater();
        break;
    case kAdjustRunSensorTest:
        if (config_.TestSensor)
            view_.runSensorTest();
        break;
    default:
        break;
    }
}

void AdjustScreenLogic::startReAdjusting()
{
    disableButtons();
    view_.setResultStyle(QString::fromLatin1(kResultStyle));
    state_.searchDone = 0;
    axisDone_ = false;
    leftQualified = 1;
    rightQualified = 1;
    focus_ = kFocusAfterReAdjust;
    view_.highlightButton(0);
    bothLabels(kTextSearchingImage);
    view_.showQuality(0, QString());
    view_.showQuality(1, QString());
}

void AdjustScreenLogic::startAxisAdjusting()
{
    disableButtons();
    view_.setResultStyle(QString::fromLatin1(kResultStyle));
}

void AdjustScreenLogic::logLoss(const char* what)
{
    if (!lossLogged_)
        appContext().log.logf("Leveling failed: %s\n", what);
    lossLogged_ = true;
}

void AdjustScreenLogic::saveFinished(int stored)
{
    if (stored != 1)
        appContext().log.logf("Leveling: saving the optical parameters failed\n");
    bothLabels(stored == 1 ? kTextSaved : kTextCheckConnection);
    if (stored == 1)
        saved_ = true;
    handleCode(kAdjustButtonsEnabled);
}

AdjustScreenLogic::Action AdjustScreenLogic::keyPressed(int key)
{
    const bool pen = config_.InfraredPenMode != 0;
    // A disabled button cannot be pressed from the keyboard either.
    const bool adjustable = buttonsEnabled_ && !pen;
    switch (key) {
    case Qt::Key_Escape:
        return Action::Exit;
    case Qt::Key_Space:
        return adjustable ? Action::ReAdjust : Action::None;
    case Qt::Key_Tab:
        focus_ = focus_ >= 1 && focus_ <= 3 ? focus_ + 1 : 1;
        view_.highlightButton(focus_);
        return Action::None;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        switch (focus_) {
        case 1:
            return adjustable ? Action::ReAdjust : Action::None;
        case 2:
            return adjustable ? Action::AxisAdjust : Action::None;
        case 3:
            return adjustable ? Action::Save : Action::None;
        case 4:
            return Action::Exit;
        default:
            return Action::None;
        }
    default:
        return Action::Default;
    }
}
