// Key calibration and key test on the virtual frame.
#include "CalibrationTestSupport.h"
#include "calibration/KeyCalibrationThread.h"
#include "calibration/KeyTestThread.h"
#include "calibration/RecordStore.h"
#include "codec/FlashMap.h"
#include "sim/PrintedKeys.h"
#include "tests/support/BoundedWait.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

using caltest::FrameHost;
using caltest::LogCapture;
using namespace shortcut_keys;

// The codes a worker sends from its thread, kept under a lock.
class SentCodes {
public:
    template <typename Worker>
    void listenTo(Worker& worker, QObject& context)
    {
        QObject::connect(
            &worker, &Worker::sendData, &context,
            [this](int code) {
                std::lock_guard lock(mutex_);
                codes_.push_back(code);
            },
            Qt::DirectConnection);
    }
    std::vector<int> all() const
    {
        std::lock_guard lock(mutex_);
        return codes_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<int> codes_;
};

class KeyCalibration : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A stored touch calibration of the virtual frame's cameras.
        const SolveInputs in = caltest::inputsFromScene(sim::TouchScene::standard(1920, 1080));
        const Solve16Result r = Solve16(in);
        ASSERT_EQ(r.status, SolveStatus::Done);
        ASSERT_EQ(StoreRecord(host.device, r.record, 1920, 1080, *in.table).status,
                  SolveStatus::Done);
        record = r.record;

        layout.of(kLeftSide) = {2, {3, 2, 0}};
        layout.of(kRightSide) = {1, {5, 0, 0}};
        layout.of(kBottomSide) = {1, {2, 0, 0}};
        sim::KeyGroups groups{};
        groups[kLeftSide] = {3, 2, 0};
        groups[kRightSide] = {5, 0, 0};
        groups[kBottomSide] = {2, 0, 0};
        host.frame->setScreenSize(1920, 1080);
        sim::TouchScene scene = host.frame->touchScene();
        scene.keys = sim::printedKeysFor(groups, 1920, 1080);
        host.frame->setTouchScene(scene);
        printed = scene.keys;
        sim::OperatorSettings op;
        op.present = true;
        host.frame->setVirtualOperator(op);

        setup.width = 1920;
        setup.height = 1080;
        setup.layout = layout;
        setup.targets = targetListOf(layout, schematicOf(layout, 1920, 1080));
        setup.keyCodeTable = {3, 0, 0x1A, 0x04, 0x02, 0x55, 0x00, 0x20};
    }

    void run(KeyCalibrationThread& worker)
    {
        QObject context;
        sent.listenTo(worker, context);
        ASSERT_TRUE(worker.begin(setup)) << worker.lastError().toStdString();
        ASSERT_TRUE(worker.join(bounded::kGiveUpMs)) << "the worker did not end";
    }
    int lastCode() const
    {
        const std::vector<int> codes = sent.all();
        return codes.empty() ? -1 : codes.back();
    }

    LogCapture log;
    FrameHost host;
    CalibrationRecord record;
    KeyLayout layout;
    std::vector<sim::PrintedKey> printed;
    KeyCalibrationSetup setup;
    KeyCalibrationState state;
    SentCodes sent;
};

TEST_F(KeyCalibration, FindsThePrintedKeysAndStoresCodesAndRectangles)
{
    KeyCalibrationThread worker(host.device, state);
    run(worker);
    ASSERT_EQ(lastCode(), kKeyStored) << worker.lastError().toStdString();
    EXPECT_EQ(state.progress, 100);
    EXPECT_EQ(state.index, 0);

    const key_rectangles::KeyArea area = worker.keyArea();
    ASSERT_EQ(area.keys[kLeftSide].size(), 5u);
    ASSERT_EQ(area.keys[kRightSide].size(), 5u);
    ASSERT_EQ(area.keys[kBottomSide].size(), 2u);
    EXPECT_TRUE(area.keys[kTopSide].empty());
    for (const sim::PrintedKey& k : printed) {
        int index = 0; // 0-based inside the side
        for (const sim::PrintedKey& o : printed)
            if (o.side == k.side &&
                (o.group < k.group || (o.group == k.group && o.number < k.number)))
                ++index;
        const KeyRect& r = area.keys[size_t(k.side)][size_t(index)];
        // The keys lie outside the calibrated area, where only the camera model (no map)
        // locates a touch: a few pixels.
        EXPECT_NEAR(r.left, k.left, 5) << k.side << " " << index;
        EXPECT_NEAR(r.top, k.top, 5) << k.side << " " << index;
        EXPECT_NEAR(r.right, k.right, 5) << k.side << " " << index;
        EXPECT_NEAR(r.bottom, k.bottom, 5) << k.side << " " << index;
    }

    EXPECT_EQ(host.frame->readFlash(flash_map::kKeyCodeTable, 8), setup.keyCodeTable);
    const std::vector<uint8_t> stored = host.frame->readFlash(flash_map::kSensorBlock, 1546);
    SensorBlock block{};
    std::copy(stored.begin(), stored.end(), block.begin());
    EXPECT_EQ(block[964], 5);
    EXPECT_EQ(block[965], 2);
    EXPECT_EQ(block[966], 5);
    EXPECT_EQ(block[967], 0);
    EXPECT_EQ(recordOf(block), record); // the calibration record is carried over
    const key_rectangles::KeyArea back = key_rectangles::keyAreaOf(block);
    EXPECT_EQ(back.keys[kRightSide], area.keys[kRightSide]);

    const QByteArray text = log.text();
    EXPECT_TRUE(text.contains("KeyCalibIndex[0](After the sorting): leftPoint-> [0]"));
    EXPECT_TRUE(
        text.contains("KeyCalibIndex[11](After the FalsePotDel): Choose_Point: [leftPoint]"));
    EXPECT_TRUE(text.contains("(64 array)leftPointTotal = "));
    EXPECT_TRUE(text.contains("CalibIndex[0]: [OneD_Left]"));
    EXPECT_TRUE(text.contains("LeftKeyPosition[4]: TopLeft(x:"));
    EXPECT_TRUE(text.contains("CalInfo_Ltemp_BottomKeyPosition[1]: TopLeft(x:"));
}

TEST_F(KeyCalibration, AFailedStoreOfTheKeyTableIsAFailureNotStored)
{
    host.frame->failFlashWrites(sim::FlashWriteFault::Corrupt, 1);
    const std::vector<uint8_t> block = host.frame->readFlash(flash_map::kSensorBlock, 1546);
    KeyCalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(lastCode(), kKeyProcessFailed);
    EXPECT_TRUE(worker.lastError().contains("key-code table")) << worker.lastError().toStdString();
    EXPECT_EQ(host.frame->readFlash(flash_map::kSensorBlock, 1546), block);
}

TEST_F(KeyCalibration, AFailedStoreOfTheBlockIsAFailureNotStored)
{
    host.frame->refuseCommand(cmd::kFlashErase, 1, 1); // the key table's erase goes through
    KeyCalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(lastCode(), kKeyProcessFailed);
    EXPECT_TRUE(worker.lastError().contains("key rectangles")) << worker.lastError().toStdString();
}

TEST_F(KeyCalibration, WithoutAStoredCalibrationTheKeysCannotBeComputed)
{
    FrameHost factory; // leveled but never calibrated
    factory.frame->setScreenSize(1920, 1080);
    sim::TouchScene scene = factory.frame->touchScene();
    scene.keys = printed;
    factory.frame->setTouchScene(scene);
    sim::OperatorSettings op;
    op.present = true;
    factory.frame->setVirtualOperator(op);
    KeyCalibrationThread worker(factory.device, state);
    run(worker);
    EXPECT_EQ(lastCode(), kKeyReadFailed);
    EXPECT_TRUE(worker.lastError().contains("calibrate the screen first"));
}

TEST_F(KeyCalibration, LayoutsTheBlockCannotHoldAreRefusedBeforeStarting)
{
    KeyCalibrationThread worker(host.device, state);
    setup.layout.of(kBottomSide) = {1, {3, 0, 0}};
    EXPECT_FALSE(worker.begin(setup));
    EXPECT_TRUE(worker.lastError().contains("Bottom_Key has 3 keys"));
    setup.layout = KeyLayout{};
    EXPECT_FALSE(worker.begin(setup));
    EXPECT_TRUE(worker.lastError().contains("no shortcut keys"));
    EXPECT_FALSE(worker.isRunning());
}

// --- Key test ---------------------------------------------------------------------------------

class KeyTest : public ::testing::Test {
protected:
    void start()
    {
        sent.listenTo(worker, context);
        worker.begin();
    }
    // Waits for n more polls.
    void polls(size_t n)
    {
        const size_t seen = sent.all().size();
        EXPECT_TRUE(bounded::eventually([&] { return sent.all().size() >= seen + n; }))
            << "no polls";
    }

    FrameHost host;
    KeyTestThread worker{host.device};
    SentCodes sent;
    QObject context; // goes first: no code reaches sent once it is gone
};

TEST_F(KeyTest, ReportsThePressedKeyAndClearsIt)
{
    host.frame->setKeyState(2, 3);
    start();
    polls(3);
    EXPECT_EQ(worker.keyState().sideCode, 2u);
    EXPECT_EQ(worker.keyState().keyNumber, 3);
    host.frame->setKeyState(2, 0);
    polls(3);
    EXPECT_EQ(worker.keyState().sideCode, 0u);
    EXPECT_EQ(worker.keyState().keyNumber, 0);
    worker.stopAndWait();
    const std::vector<int> codes = sent.all();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), KeyTestThread::kTestRunning);
    EXPECT_EQ(codes.back(), KeyTestThread::kPolled);
}

TEST_F(KeyTest, AFailedReadCountsAsNoKey)
{
    host.frame->setKeyState(1, 4);
    start();
    polls(2);
    EXPECT_EQ(worker.keyState().keyNumber, 4);
    host.frame->failGetFeatures(1000000);
    polls(3);
    EXPECT_EQ(worker.keyState().sideCode, 0u);
    EXPECT_EQ(worker.keyState().keyNumber, 0);
    worker.stopAndWait();
}

TEST_F(KeyTest, AFingerOnAPrintedKeyPressesIt)
{
    sim::KeyGroups groups{};
    groups[kRightSide] = {2, 3, 0};
    sim::TouchScene scene = host.frame->touchScene();
    scene.keys = sim::printedKeysFor(groups, 1920, 1080);
    host.frame->setTouchScene(scene);
    const sim::PrintedKey& fourth = scene.keys[3]; // group 2, key 2: the side's fourth key
    host.frame->placeFinger((fourth.left + fourth.right) / 2, (fourth.top + fourth.bottom) / 2);
    start();
    polls(2);
    EXPECT_EQ(worker.keyState().sideCode, 2u);
    EXPECT_EQ(worker.keyState().keyNumber, 4);
    host.frame->liftFinger();
    polls(2);
    EXPECT_EQ(worker.keyState().keyNumber, 0);
    worker.stopAndWait();
}

TEST_F(KeyTest, TheTestEndsByItselfWhenTheFrameIsGone)
{
    start();
    polls(2);
    g_bDevExist = 0;
    ASSERT_TRUE(worker.join(10000)) << "the worker did not end";
    EXPECT_TRUE(worker.stopRequested());
    ASSERT_FALSE(sent.all().empty());
    EXPECT_EQ(sent.all().back(), KeyTestThread::kPolled);
}

} // namespace
