#include "TransportFactory.h"

#include "FrameIdentity.h"
#include "HidapiBus.h"
#include "SimTransport.h"
#include "SocketBus.h"
#include "TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(TransportFactoryTest, HidIsTheSystemsHidDevices)
{
    QString error = QStringLiteral("stale");
    auto transport = makeTransport(QStringLiteral("hid"), error);
    EXPECT_NE(dynamic_cast<HidapiTransport*>(transport.get()), nullptr);
    EXPECT_TRUE(error.isEmpty());
}

TEST(TransportFactoryTest, SimWithPathKeepsTheFlashThere)
{
    ScratchDir dir;
    const QString flash = dir.file(QStringLiteral("frame one.flash"));
    QString error;
    auto transport = makeTransport(QStringLiteral("sim:") + flash, error);
    ASSERT_NE(dynamic_cast<sim::SimTransport*>(transport.get()), nullptr) << error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(flash));
    uint16_t product = 0;
    EXPECT_EQ(transport->open(product), 1);
    EXPECT_EQ(product, 0xCB12);
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
    auto transport = makeTransport(QStringLiteral("unix:") + dir.path(), error);
    ASSERT_NE(dynamic_cast<SocketTransport*>(transport.get()), nullptr);
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
        EXPECT_TRUE(error.contains(QStringLiteral("hid, sim, sim:PATH or unix:DIR"))) << where;
        EXPECT_FALSE(error.contains(QLatin1Char('\n'))) << where;
    }
}

} // namespace
