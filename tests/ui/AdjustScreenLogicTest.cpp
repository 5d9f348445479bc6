// The image-adjusting window's codes, texts, buttons and keys, without a display.
#include "ui/leveling/AdjustScreenLogic.h"

#include "UiTestSupport.h"
#include "imaging/AdjustScreenCodes.h"
#include "imaging/ImagingState.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"

namespace {

struct RecordingView : AdjustScreenView {
    QString results[2];
    QString pictures[2];
    QString style;
    QString hint;
    int buttons = -1; // -1: never set
    int highlighted = -1;
    int repaints = 0;
    int leaves = 0;
    int sensorTests = 0;
    int restarts = 0;
    void showResult(int side, const QString& text) override { results[side] = text; }
    void showQuality(int side, const QString& picture) override { pictures[side] = picture; }
    void setResultStyle(const QString& s) override { style = s; }
    void showHint(const QString& text) override { hint = text; }
    void setAdjustButtonsEnabled(bool enabled) override { buttons = enabled; }
    void highlightButton(int index) override { highlighted = index; }
    void repaintPictures() override { ++repaints; }
    void leave() override { ++leaves; }
    void runSensorTest() override { ++sensorTests; }
    void restartWorkerLater() override { ++restarts; }
};

class AdjustScreenLogicTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        resetImagingState();
        g_bDevExist = 1;
        g_isDeviceCommunicate = 1;
        appContext().log.startRun(1, 0);
        for (Side side : {Side::Master, Side::Slave}) {
            OpticalParams& p = opticalParams(side);
            p.startLine = side == Side::Master ? 236 : 238;
            p.startColumn = 0;
            p.endColumn = side == Side::Master ? 598 : 601;
            p.exposureGain = 2;
            p.exposureTime = side == Side::Master ? 0x60 : 0x7;
        }
    }

    RecordingView view;
    AdjustScreenState state;
    LevelingConfig config;
    AdjustScreenLogic logic{view, state, config};
};

TEST_F(AdjustScreenLogicTest, StartLineOutsideTheSensorIsShownAsNotFound)
{
    const QString notFound = "Failed to find the starting line, please exit and image-adjusting.";
    for (uint32_t bad : {0u, 640u, 0xFFFFu}) {
        g_StartLineM = bad;
        g_StartLineS = 300;
        g_SearchStartLine = 1;
        g_isDeviceCommunicate = 0;
        logic.handleCode(kAdjustStartLineFailed);
        EXPECT_EQ(view.results[0], notFound) << bad;
        EXPECT_EQ(view.results[1], "Optical Parameters:300!") << bad;
    }
    g_StartLineM = 639;
    g_StartLineS = 640;
    logic.handleCode(kAdjustStartLineFailed);
    EXPECT_EQ(view.results[0], "Optical Parameters:639!");
    EXPECT_EQ(view.results[1], notFound);
    EXPECT_EQ(g_SearchStartLine, 0) << "the search flags are reset";
    EXPECT_EQ(g_isDeviceCommunicate, 1);
    EXPECT_TRUE(logText().contains("ImagePreviewThread: Search Startline failed! "
                                   "g_SearchStartLine=0, g_StartLineM=639, g_StartLineS=640\n"));
    EXPECT_EQ(view.buttons, -1) << "the buttons stay as they were";
}

TEST_F(AdjustScreenLogicTest, EachFailureCodeHasItsTextsAndButtons)
{
    struct Case {
        int code;
        const char* text;
        int buttons; // after the code; -1 unchanged
        const char* logLine;
    };
    const Case cases[] = {
        {kAdjustConfigStartLineFailed,
         "Failed to configure the starting line, please exit and image-adjusting!", 0,
         "ImagePreviewThread: Config Startline failed! g_OptimumStartLine=0\n"},
        {kAdjustOptimumLineFailed, "Failed to optimum line, please exit and image-adjusting.", 0,
         "ImagePreviewThread: Optimalize Line failed! g_OptimumLineFlag=0\n"},
        {kAdjustReadFailed, "Failed to level, please exit and image-adjusting!", 0,
         "ImagePreviewThread: GetPreviewData failed! g_PreviewSucFlag=0\n"},
        {kAdjustExposureFailed, "Failed to get the axis-adjusting parameters, please try again.",
         -1, "Exposure Right failed! g_isExposureSuc=0\n"},
        {kAdjustEvaluating, "Ongoing image evaluation, please wait...", -1, nullptr},
        {kAdjustDeviceLost, "Device has been pulled out, please exit.", -1, nullptr},
    };
    for (const Case& c : cases) {
        view.buttons = -1;
        g_bDevExist = 1;
        g_isDeviceCommunicate = 0; // a column search failure leaves this clear
        logic.handleCode(c.code);
        EXPECT_EQ(view.results[0], c.text) << c.code;
        EXPECT_EQ(view.results[1], c.text) << c.code;
        EXPECT_EQ(view.buttons, c.buttons) << c.code;
        if (c.logLine) {
            EXPECT_TRUE(logText().contains(c.logLine)) << c.code;
        }
    }
    EXPECT_EQ(g_bDevExist, 0) << "code 6";
    EXPECT_EQ(view.leaves, 0);

    // A code while the frame is gone: the window says so and leaves.
    logic.handleCode(kAdjustNewFrame);
    EXPECT_EQ(view.results[1], "Device has been pulled out, please exit.");
    EXPECT_EQ(view.leaves, 1);
    EXPECT_EQ(view.repaints, 0);
    // A frame that stopped answering: text 14 over a code without its own text.
    g_bDevExist = 1;
    g_isDeviceCommunicate = 0;
    logic.handleCode(kAdjustNewFrame);
    EXPECT_TRUE(view.results[0].startsWith("Please check each interface connection"));
    EXPECT_EQ(view.repaints, 1);
}

TEST_F(AdjustScreenLogicTest, ResultsWithVerdictsAndStoredValues)
{
    rightQualified = 0;
    logic.handleCode(kAdjustSearchDone);
    EXPECT_EQ(view.buttons, 1);
    EXPECT_EQ(view.results[0], "Image line has been selected successfully.\nOptical "
                               "Parameters:236, 0, 598\n0x02, 0x60.\nDo axis-adjusting please.");
    EXPECT_EQ(view.pictures[0], "Qualified.png");
    EXPECT_EQ(view.results[1], "Please adjust again the planeness of the module!");
    EXPECT_EQ(view.pictures[1], "NoQualified.png");

    config.QualityEvaluation = 0;
    logic.handleCode(kAdjustAxisDone);
    EXPECT_EQ(view.results[1],
              "Axis-adjusting complete.\nOptical Parameters:238, 0, 601\n 0x02, 0x07.");
    EXPECT_TRUE(view.pictures[1].isEmpty());

    OptimumLineTable table{};
    table[0] = {2, 0, 80};
    table[7] = {5, 560, 640};
    opticalParams(Side::Master).setOptimumLines(table);
    logic.handleCode(kAdjustStoredValuesShown);
    EXPECT_EQ(state.loadFlag, 0);
    EXPECT_EQ(view.results[0], "M--236,0x02,0x60\n(2,0,80),(0,0,0),(0,0,0),(0,0,0),\n"
                               "(0,0,0),(0,0,0),(0,0,0),(5,560,640)\n");
    EXPECT_TRUE(view.results[1].startsWith("S--238,0x02,0x07\n"));
}

TEST_F(AdjustScreenLogicTest, PenModeKeepsTheButtonsDisabledAndIgnoresSpace)
{
    config.InfraredPenMode = 1;
    for (int code : {kAdjustButtonsEnabled, kAdjustSearchDone, kAdjustAxisDone}) {
        view.buttons = -1;
        logic.handleCode(code);
        EXPECT_EQ(view.buttons, 0) << code;
    }
    EXPECT_EQ(logic.keyPressed(Qt::Key_Space), AdjustScreenLogic::Action::None);
    logic.keyPressed(Qt::Key_Tab);
    EXPECT_EQ(logic.keyPressed(Qt::Key_Return), AdjustScreenLogic::Action::None);
    for (int i = 0; i < 3; ++i)
        logic.keyPressed(Qt::Key_Tab);
    EXPECT_EQ(logic.keyPressed(Qt::Key_Return), AdjustScreenLogic::Action::Exit);
}

TEST_F(AdjustScreenLogicTest, TabCyclesTheFourButtonsAndReturnActsOnTheFocusedOne)
{
    using Action = AdjustScreenLogic::Action;
    EXPECT_EQ(logic.keyPressed(Qt::Key_Return), Action::None) << "nothing focused";
    const Action actions[] = {Action::ReAdjust, Action::AxisAdjust, Action::Save, Action::Exit,
                              Action::ReAdjust};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(logic.keyPressed(Qt::Key_Tab), Action::None);
        EXPECT_EQ(view.highlighted, i % 4 + 1);
        EXPECT_EQ(logic.keyPressed(Qt::Key_Return), actions[i]);
    }
    logic.startReAdjusting();
    EXPECT_EQ(logic.focusIndex(), 6);
    EXPECT_EQ(state.searchDone, 0);
    EXPECT_EQ(view.buttons, 0) << "busy searching";
    EXPECT_EQ(view.results[0], "Searching the available image area...");
    EXPECT_EQ(logic.keyPressed(Qt::Key_Space), Action::None) << "its button is disabled";
    logic.keyPressed(Qt::Key_Tab);
    EXPECT_EQ(view.highlighted, 1) << "from 6 to the Image-adjusting button";
    EXPECT_EQ(logic.keyPressed(Qt::Key_Escape), Action::Exit);
    EXPECT_EQ(logic.keyPressed(Qt::Key_A), Action::Default);
}

TEST_F(AdjustScreenLogicTest, FindColumnAndSensorTestCodes)
{
    logic.handleCode(kAdjustRunSensorTest);
    EXPECT_EQ(view.sensorTests, 0) << "TestSensor off";
    config.TestSensor = 1;
    logic.handleCode(kAdjustRunSensorTest);
    EXPECT_EQ(view.sensorTests, 1);

    logic.handleCode(kAdjustFindColumnClosed);
    EXPECT_TRUE(logic.axisDone());
    EXPECT_EQ(view.restarts, 1);
    logic.setClosing();
    logic.handleCode(kAdjustFindColumnClosed);
    EXPECT_EQ(view.restarts, 1) << "not while closing";
    logic.handleCode(kAdjustFindColumnLost);
    EXPECT_EQ(view.leaves, 1);
}

} // namespace
