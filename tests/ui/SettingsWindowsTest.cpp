// The settings windows and the device-information dialog against the virtual frame:
// what they read when they open, what OK writes, and the dialog's two sources.
#include "UiTestSupport.h"
#include "app/SettingsFile.h"
#include "codec/ConfigRecord.h"
#include "device/DeviceJobQueue.h"
#include "device/DeviceState.h"
#include "ui/main/MainWindowLogic.h"
#include "ui/settings/ExposureField.h"
#include "ui/settings/ReadWriteDeviceInfo.h"
#include "ui/settings/SetWin.h"
#include "ui/widgets/MyMessageBox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

class SettingsWindows : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        openFrameDirectly();
    }
    std::unique_ptr<SetWin> openSet()
    {
        auto w = std::make_unique<SetWin>(*device, jobs);
        w->show();
        EXPECT_TRUE(waitUntil([&] { return !w->busy(); }));
        return w;
    }
    void ok(SetWin& w)
    {
        w.OKButtonSlot();
        EXPECT_TRUE(waitUntil([&] { return !w.busy(); }));
    }
    ConfigRecord stored() const
    {
        ConfigRecordBytes b{};
        const auto bytes = frame->readFlash(flash_map::kConfigRecord, b.size());
        std::copy(bytes.begin(), bytes.end(), b.begin());
        return ConfigRecord::decode(b);
    }
    void store(const ConfigRecord& r)
    {
        const auto b = r.encode();
        std::vector<uint8_t> sector(flash_map::kSectorSize, 0xFF);
        std::copy(b.begin(), b.end(), sector.begin());
        ASSERT_TRUE(frame->writeFlash(flash_map::kConfigRecord, sector));
    }
    QString ini(const char* group, const char* key) const
    {
        return SettingsFile::vireto().readText(group, key);
    }

    DeviceJobQueue jobs;
};

TEST_F(SettingsWindows, ARecordWithoutFlagOpensWithTheDefaults)
{
    ConfigRecord none;
    none.ALGConfigInfoFlag = 0xFFFFFFFF;
    store(none);
    auto w = openSet();
    EXPECT_TRUE(w->synchronised());
    const config_settings::Choices c = w->choices();
    EXPECT_EQ(c.screenSize, 3);
    EXPECT_FALSE(c.portrait);
    EXPECT_EQ(c.touchType, 1);
    EXPECT_FALSE(c.fourLights);
    EXPECT_FALSE(c.penOpen);
    EXPECT_EQ(c.exposureScale, 3);
    EXPECT_EQ(ini("Vireto_Config", "InfraredExpTime"), "0x0a");
    EXPECT_EQ(ini("ImageMode", "ImageMode"), "1");
    EXPECT_EQ(frame->mode(), WorkMode);
}

TEST_F(SettingsWindows, ExposureStopsAtOneAndSixButIsStoredEachTime)
{
    auto w = openSet();
    ExposureField* e = w->exposure();
    e->setScale(5);
    for (int expected : {6, 6}) {
        w->LeftIRSlot();
        w->LeftIRSlot(); // during the wait: ignored
        ASSERT_TRUE(waitUntil([&] { return !e->waiting(); }));
        EXPECT_EQ(e->scale(), expected);
        EXPECT_EQ(ini("Vireto_Config", "InfraredExpTime"), "0xc0");
        EXPECT_EQ(ini("Vireto_Config", "InfraredExpScale"), "6");
    }
    e->setScale(2);
    for (int expected : {1, 1}) {
        w->RightIRSlot();
        ASSERT_TRUE(waitUntil([&] { return !e->waiting(); }));
        EXPECT_EQ(e->scale(), expected);
        EXPECT_EQ(ini("Vireto_Config", "InfraredExpTime"), "0x70");
    }
    ok(*w);
    EXPECT_EQ(stored().InfraredExpTime, 0x70);
}

TEST_F(SettingsWindows, OkWritesTheChoicesTouchTypeFourAsTwoAndPortraitWithoutRotationAsLandscape)
{
    ConfigRecord r;
    r.TouchType = 4;
    r.screenSize = 2;
    store(r);
    auto w = openSet();
    config_settings::Choices c = w->choices();
    EXPECT_EQ(c.touchType, 2) << "Others";
    EXPECT_EQ(c.screenSize, 2);
    c.screenSize = 6;
    c.portrait = true;
    c.rotation = 0;
    w->setChoices(c);
    ok(*w);
    const ConfigRecord s = stored();
    EXPECT_TRUE(s.valid());
    EXPECT_EQ(s.TouchType, 2);
    EXPECT_EQ(s.screenSize, 6);
    EXPECT_EQ(s.ScreenDirection, 0);
    EXPECT_EQ(s.TouchRightClickDistThres, 16u) << "the default text \"10\" read as hexadecimal";
    EXPECT_EQ(s.TouchRightClickTimeThres, 576u);
    EXPECT_EQ(frame->mode(), WorkMode);
    w.reset();
    EXPECT_FALSE(openSet()->choices().portrait) << "read back from the frame as landscape";

    c.rotation = 3;
    auto again = openSet();
    again->setChoices(c);
    ok(*again);
    EXPECT_EQ(stored().ScreenDirection, 3);
    EXPECT_EQ(ini("Vireto_ScreenInfo", "Screen_Direction"), "1");
}

TEST_F(SettingsWindows, AFailedWriteShowsTheWarningAndCloseSendsThree)
{
    auto w = openSet();
    frame->failFlashWrites(sim::FlashWriteFault::Refuse);
    // The box appears once the write has failed: answer it then.
    QString warned;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<MyMessageBox*>(QApplication::activeModalWidget())) {
            warned = box->messageText();
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    answer.start(5);
    ok(*w);
    EXPECT_TRUE(waitUntil([&] { return !warned.isEmpty(); }));
    EXPECT_EQ(warned, "Write failure, please write again!");
    frame->clearFaults();
    QSignalSpy owner(w.get(), &SettingsDialog::sendShowData);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    ASSERT_EQ(owner.count(), 1);
    EXPECT_EQ(owner.at(0).at(0).toInt(), 3);
}

TEST_F(SettingsWindows, DeviceInfoDialogLoadsTheIniOrTheStoredRecordAndWrites)
{
    home().write("DeviceInfo.ini", "[DeviceInfo]\nDeviceID=0x00000020\nFactoryName=Plant7\n"
                                 "ProductModel=IR86\nScreenWidth=1920\nScreenHeight=1080\n");
    auto open = [&](bool reproduction) {
        auto d = std::make_unique<ReadWriteDeviceInfo>(*device, jobs, DeviceInfoExportContext{},
                                                       reproduction);
        EXPECT_TRUE(waitUntil([&] { return d->loaded() && !d->busy(); }));
        return d;
    };
    auto d = open(true);
    EXPECT_EQ(d->field(ReadWriteDeviceInfo::kDeviceId)->text(), "0x00000020") << "no record yet";
    EXPECT_EQ(d->field(ReadWriteDeviceInfo::kFactoryName)->text(), "Plant7");
    d->field(ReadWriteDeviceInfo::kFactoryName)->setText("Amended");
    d->field(ReadWriteDeviceInfo::kManufDate)->setText("20260230");
    d->WriteSlot();
    EXPECT_TRUE(d->resultText().startsWith("Nothing was written: ManufDate:"));
    d->field(ReadWriteDeviceInfo::kManufDate)->setText("20260228");
    d->WriteSlot();
    ASSERT_TRUE(waitUntil([&] { return !d->busy(); }));
    EXPECT_TRUE(d->resultText().startsWith("Write success!")) << d->resultText().toStdString();
    EXPECT_EQ(d->field(ReadWriteDeviceInfo::kDeviceId)->text(), "0x00000021") << "the next frame";

    d = open(true);
    EXPECT_EQ(d->field(ReadWriteDeviceInfo::kFactoryName)->text(), "Amended") << "stored record";
    EXPECT_EQ(d->field(ReadWriteDeviceInfo::kManufDate)->text(), "20260228");
    d = open(false);
    EXPECT_EQ(d->field(ReadWriteDeviceInfo::kFactoryName)->text(), "Plant7");
    EXPECT_EQ(d->field(ReadWriteDeviceInfo::kDeviceId)->text(), "0x00000021");
}

} // namespace
