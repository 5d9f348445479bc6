#include "transport/TransportFactory.h"

#include "device/FrameIdentity.h"
#include "device/HidapiBus.h"
#include "device/SocketBus.h"
#include "sim/SimTransport.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(TransportFactoryTest, HidIsTheSystemsHidDevices)
{
    QString error = QStringLiteral("stale");
    ChosenFrame chosen = chooseFrame(QStringLiteral("hid"), error);
    EXPECT_NE(dynamic_cast<HidapiTransport*>(chosen.transport.get()), nullptr);
    EXPECT_EQ(chosen.scene, nullptr) << "a real frame has no scene to set up";
    EXPECT_TRUE(error.isEmpty());
}

TEST(TransportFactoryTest, SimWithPathKeepsTheFlashThere)
{
    ScratchDir dir;
    const QString flash = dir.file(QStringLiteral("frame one.flash"));
    QString error;
    ChosenFrame chosen = chooseFrame(QStringLiteral("sim:") + flash, error);
    auto* transport = dynamic_cast<sim::SimTransport*>(chosen.transport.get());
    ASSERT_NE(transport, nullptr) << error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(flash));
    uint16_t product = 0;
    EXPECT_EQ(transport->open(product), 1);
    EXPECT_EQ(product, 0xCB12);
    // Its scene is the same frame's: the operator it places touches that frame.
    ASSERT_NE(chosen.scene, nullptr);
    chosen.scene->placeOperator(1024, 768, 0, 0.0);
    EXPECT_EQ(transport->simBus().frames().front()->touchScene().width, 1024);
}

TEST(TransportFactoryTest, PlainSimKeepsTheFlashInTheProgramFolder)
{
    ScratchDir dir;
    qputenv("VIRETO_HOME", dir.path().toLocal8Bit());
    QString error;
    auto transport = makeTransport(QStringLiteral("sim"), error);
    const bool created = QFileInfo::exists(dir.file(QStringLiteral("VirtualFrame.flash")));
    qunsetenv("VIRETO_HOME");
    EXPECT_NE(dynamic_cast<sim::SimTransport*>(transport.get()), nullptr) << error.toStdString();
    EXPECT_TRUE(created);
}

TEST(TransportFactoryTest, SimWithAnUnusableFlashFileFails)
{
    ScratchDir dir;
    QString error;
    EXPECT_EQ(makeTransport(QStringLiteral("sim:") + dir.path(), error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(error.contains(QLatin1Char('\n')));
    EXPECT_EQ(
        makeTransport(QStringLiteral("sim:") + dir.file(QStringLiteral("no/such/x.flash")), error),
        nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST(TransportFactoryTest, UnixIsTheSocketsOfTheFolder)
{
    ScratchDir dir;
    QString error;
    ChosenFrame chosen = chooseFrame(QStringLiteral("unix:") + dir.path(), error);
    auto* transport = dynamic_cast<SocketTransport*>(chosen.transport.get());
    ASSERT_NE(transport, nullptr);
    EXPECT_EQ(chosen.scene, nullptr);
    uint16_t product = 0;
    EXPECT_EQ(transport->open(product), 0);
    EXPECT_EQ(product, frame_identity::kNoProductId);
}

TEST(TransportFactoryTest, AnythingElseIsRefusedWithTheAcceptedForms)
{
    for (const char* where : {"", "HID", "hid:", "usb", "sim:", "simulator", "unix:", "unix",
                              "unix/tmp", " hid", "hid\nsim"}) {
        QString error;
        EXPECT_EQ(makeTransport(QString::fromLatin1(where), error), nullptr) << where;
        EXPECT_TRUE(error.contains(QStringLiteral("hid, sim, sim:PATH, unix:DIR or replay:FILE")))
            << where;
        EXPECT_FALSE(error.contains(QLatin1Char('\n'))) << where;
    }
}

} // namespace
