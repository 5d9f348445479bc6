// The maintenance tools of the main window in use against the virtual frame: scripts,
// FPGA download, the register panel, the flash tools and the firmware update. Every
// device access runs off the GUI thread.
#include "UiTestSupport.h"
#include "app/SettingsFile.h"
#include "codec/ByteOrder.h"
#include "codec/FirmwareImage.h"
#include "maintenance/FirmwareUpdateRunner.h"
#include "maintenance/FpgaCode.h"
#include "maintenance/MaintenanceState.h"
#include "ui/leveling/PreviewPanel.h"
#include "ui/main/Vireto.h"
#include "ui/maintenance/FlashPanel.h"
#include "ui/maintenance/FpgaDownloadPanel.h"
#include "ui/maintenance/RegisterPanel.h"
#include "ui/maintenance/ScriptPanel.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/FileChoice.h"
#include "ui/widgets/MyMessageBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QTimer>

namespace {

class MaintenanceWindowTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        resetMaintenanceState();
        auto owned = std::make_unique<WatchedTransport>(frame);
        transport = owned.get();
        watched = std::make_unique<Device>(std::move(owned));
        device = watched.get();
        file_choice::setAnswerer([this](file_choice::Purpose, const QString&) {
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
        // Boxes are answered as they open: the texts are kept, the next answer pressed.
        QObject::connect(&boxes, &QTimer::timeout, [this] {
            auto* box = qobject_cast<MyMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            boxTexts << box->messageText();
            (box->*(boxAnswers.isEmpty() ? &MyMessageBox::OKButtonSlot : boxAnswers.takeFirst()))();
        });
        boxes.start(5);
    }
    void TearDown() override
    {
        boxes.stop();
        file_choice::setAnswerer(nullptr);
        main.reset();
        UiTest::TearDown();
    }
    void open(int toolMode)
    {
        appContext().toolMode = toolMode;
        main = std::make_unique<Vireto>(*device);
        main->show();
        ASSERT_TRUE(waitUntil([&] { return main->statusText() == "Devices check completed."; }));
        transport->watching = true;
    }
    QString log() const { return main->logArea()->toPlainText(); }
    bool waitFor(const QString& line, int ms = 20000)
    {
        return waitUntil([&] { return log().contains(line); }, ms);
    }

    std::unique_ptr<Device> watched;
    WatchedTransport* transport = nullptr;
    std::unique_ptr<Vireto> main;
    QStringList answers;
    QTimer boxes;
    QStringList boxTexts;
    QList<void (MyMessageBox::*)()> boxAnswers;
};

TEST_F(MaintenanceWindowTest, ScriptAndFpgaDownloadWriteTheirLinesAndRunAgain)
{
    open(2);
    home().write("s.ini", "1 i2cwd 19 1 3a\n1 # 10\n");
    answers << home().file("s.ini");
    main->ScriptBrowseButSlot();
    EXPECT_EQ(main->scriptPanel()->pathField()->text(), home().file("s.ini"));
    main->RunScriptButSlot();
    ASSERT_TRUE(waitFor("Success!"));
    EXPECT_EQ(log(), "Master: I2CWrite Addr: 0x0019  value: 0x3a\nDelay 10 ms!\nSuccess!");

    QByteArray code(100, 'c');
    fpga_code::unscramble(code);
    home().write("f.bin", code);
    answers << home().file("f.bin");
    main->FPGAbrowseButSlot();
    for (int press = 0; press < 2; ++press) {
        main->ClearButSlot();
        frame->writeFlash(0, std::vector<uint8_t>(100, 0));
        main->DownloadButSlot();
        ASSERT_TRUE(waitFor("Write FPGA Code 0KB Success!")) << "press " << press;
        EXPECT_TRUE(
            log().startsWith("The FPGA script begins to burn!\nWrite Slave Fapga process : 0"));
        EXPECT_EQ(frame->readFlash(0, 100), std::vector<uint8_t>(100, 'c'));
    }
    EXPECT_EQ(transport->fromGuiThread, 0);
}

TEST_F(MaintenanceWindowTest, RegisterAccessesRunBesideThePreviewAndRewriteTheFields)
{
    open(2);
    RegisterPanel* panel = main->registerPanel();
    panel->addressField()->setText("36");
    panel->valueField()->setText("1F");
    main->WriteButSlot();
    ASSERT_TRUE(waitFor("Master: FPGAPortWrite Addr: 0x0036  value: 0x1f"));
    EXPECT_EQ(panel->addressField()->text(), "0x36");
    EXPECT_EQ(panel->valueField()->text(), "0x1f");
    EXPECT_EQ(frame->fpgaRegister(Side::Master, 0x36), 0x1F);

    // While the preview runs, the read waits for the end of a frame on its worker.
    main->PreviewButSlot();
    ASSERT_TRUE(waitUntil([&] { return main->previewPanel()->framesShown() > 0; }));
    panel->sensorBox()->setChecked(true);
    panel->slaveBox()->setChecked(true);
    EXPECT_EQ(g_useSlave, 1);
    frame->setSensorRegister(Side::Slave, 0x19, 0x77);
    panel->addressField()->setText("0x19");
    main->ReadButSlot();
    ASSERT_TRUE(waitFor("Slave: I2C_Read Addr: 0x0019  value: 0x77"));
    EXPECT_EQ(panel->valueField()->text(), "0x77");
    EXPECT_TRUE(main->previewPanel()->previewRunning());

    frame->refuseCommand(0x1B);
    main->ReadButSlot();
    ASSERT_TRUE(waitFor("Slave: I2C_Read error"));
    EXPECT_EQ(main->statusText(), "send message: read_i2c_reg err.");
    EXPECT_EQ(panel->valueField()->text(), "0x77") << "a failure leaves the fields";
    main->PreviewButSlot();
    ASSERT_FALSE(main->previewPanel()->previewRunning());

    frame->clearRequestLog();
    panel->addressField()->setText("1_00");
    main->WriteButSlot();
    EXPECT_TRUE(main->statusText().startsWith("Reg Addr(HEX) \"1_00\" is not a sensor register"));
    EXPECT_TRUE(frame->requestLog().empty());
    EXPECT_EQ(transport->fromGuiThread, 0);
}

TEST_F(MaintenanceWindowTest, FlashButtonsDumpProgramAndRefuseWhatIsNotAWholeImage)
{
    open(2);
    const std::vector<uint8_t> before = frame->readFlash(0, 0x20000);
    answers << home().file("dump.bin");
    main->ReadFlashSlot();
    EXPECT_TRUE(main->statusText().startsWith("Read Flash ......")) << "running, not finished";
    EXPECT_TRUE(main->toolsLocked());
    EXPECT_FALSE(main->menuButtons()[0]->isButtonEnabled());
    ASSERT_TRUE(waitUntil([&] { return !boxTexts.isEmpty(); }, 20000));
    EXPECT_EQ(boxTexts, QStringList{"Read Flash Complete......"});
    EXPECT_EQ(main->statusText(), "Read Flash finish......");
    EXPECT_FALSE(main->toolsLocked());
    const QByteArray dump = home().read("dump.bin");
    ASSERT_EQ(dump.size(), 0x20000);
    EXPECT_TRUE(
        std::equal(before.begin(), before.end(), reinterpret_cast<const uint8_t*>(dump.data())));

    answers << home().file("dump.bin");
    main->WriteFlashSlot();
    ASSERT_TRUE(waitUntil([&] { return main->statusText() == "Write Flash finish......"; }, 20000))
        << main->statusText().toStdString();
    EXPECT_EQ(frame->readFlash(0, 0x20000), before);
    EXPECT_EQ(frame->mode(), WorkMode);

    home().write("short.bin", QByteArray(100, '\0'));
    answers << home().file("short.bin");
    frame->clearRequestLog();
    main->WriteFlashSlot();
    EXPECT_TRUE(main->statusText().contains("100 bytes, not the 131072"));
    EXPECT_TRUE(frame->requestLog().empty());

    // The frame goes in the middle of a read: a failure, and no file.
    frame->unplugAfterRequests(0x0A, 500);
    answers << home().file("lost.bin");
    main->ReadFlashSlot();
    ASSERT_TRUE(waitFor("Read Flash failed: read at 0x"));
    EXPECT_TRUE(waitUntil(
        [&] { return main->statusText() == "Device not detected, please check the connection."; }));
    EXPECT_FALSE(QFile::exists(home().file("lost.bin")));
    EXPECT_EQ(transport->fromGuiThread, 0);
}

QByteArray firmwareFile(uint32_t versionB)
{
    FirmwareHeader h;
    h.entries[0] = {1, FirmwareHeader::kSize, 0x01010005, 200};
    h.entries[1] = {1, 0, 0, 0};
    h.entries[4] = {0, FirmwareHeader::kSize + 200, versionB, 130};
    QByteArray file(FirmwareHeader::kSize, '\0');
    h.encode(reinterpret_cast<uint8_t*>(file.data()));
    return file + QByteArray(330, '\x5A');
}

TEST_F(MaintenanceWindowTest, TheUpdateTileChoosesConfirmsAndUpdatesThroughTheBootLoader)
{
    home().write("first.bin", firmwareFile(0x01040001));
    home().write("fw.bin", firmwareFile(0x01040009));
    open(1);
    std::vector<int> progress;
    QObject::connect(main->progressBar(), &QProgressBar::valueChanged,
                     [&](int v) { progress.push_back(v); });
    // The dialog offers first.bin; "Re-election" chooses fw.bin, which is then updated.
    answers << home().file("first.bin") << home().file("fw.bin");
    boxAnswers << &MyMessageBox::ChooseButtonSlot << &MyMessageBox::OKButtonSlot;
    emit main->menuButtons()[3]->clicked();
    EXPECT_EQ(boxTexts,
              (QStringList{"File:" + home().file("first.bin") + "\nAre you sure you update?",
                           "File:" + home().file("fw.bin") + "\nAre you sure you update?"}));
    EXPECT_TRUE(main->toolsLocked()) << "the other tools wait for the update";
    ASSERT_TRUE(waitUntil(
        [&] {
            return main->statusText() == "Devices check completed." &&
                   !main->firmwareRunner().busy();
        },
        20000))
        << main->statusText().toStdString() << " " << logText().constData();
    EXPECT_EQ(le::u32(frame->readFlash(0x013000, 4).data()), 0x01040009u);
    EXPECT_EQ(frame->productId(), 0xCB12);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end())) << "the bar only rises";
    EXPECT_EQ(progress.back(), 80);
    EXPECT_FALSE(main->progressBar()->isVisible());
    EXPECT_TRUE(main->menuButtons()[4]->isButtonEnabled());
    EXPECT_EQ(SettingsFile::vireto().readText("ImagePath", "imagePath"), home().file("fw.bin"));
    EXPECT_EQ(transport->fromGuiThread, 0);

    // The next press proposes the file of the last update; Cancel changes nothing.
    boxAnswers << &MyMessageBox::CancelButtonSlot;
    frame->clearRequestLog();
    emit main->menuButtons()[3]->clicked();
    EXPECT_EQ(boxTexts.last(), "File:" + home().file("fw.bin") + "\nAre you sure you update?");
    EXPECT_TRUE(frame->requestLog().empty());
}

TEST_F(MaintenanceWindowTest, TheUpdateStationsButtonFollowsTheDeviceCheck)
{
    open(5);
    Button* push = main->updatePushButton();
    ASSERT_NE(push, nullptr);
    EXPECT_TRUE(push->isButtonEnabled());
    emit push->clicked();
    EXPECT_TRUE(
        waitUntil([&] { return main->statusText() == "Please open the image file first(.bin)!"; }));
    frame->unplug();
    EXPECT_TRUE(waitUntil([&] { return !push->isButtonEnabled(); }));
}

} // namespace
