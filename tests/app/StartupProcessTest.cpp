// Starts the real program: the single-instance guard and the refused starts can only
// be seen across processes.
#include "app/ToolVersion.h"
#include "device/CommandCodes.h"
#include "device/Delay.h"
#include "sim/FrameState.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// A program folder (VIRETO_HOME) and a private temporary folder for the lock file.
class StartupProcessTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(home.file("skin/1024")); }

    void TearDown() override
    {
        for (QProcess* p : processes) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
    }

    QProcess* start(const QStringList& args = {}, const QString& boxTimeout = "0")
    {
        auto* p = new QProcess;
        processes.push_back(p);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VIRETO_HOME", home.path());
        env.insert("XDG_RUNTIME_DIR", tmp.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VIRETO_BOX_TIMEOUT_MS", boxTimeout);
        p->setProcessEnvironment(env);
        p->start(QString(VIRETO_BIN_DIR) + "/vireto", args);
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }

    // The files the running copies have written into the program folder's log.
    QStringList logFiles() const
    {
        QStringList files;
        const QDir log(home.file("log"));
        for (const QString& day : log.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& f : QDir(log.filePath(day)).entryList(QDir::Files))
                files << log.filePath(day) + "/" + f;
        return files;
    }

    // Waits until a running copy has written a line into some log file of the folder.
    bool waitForLogLine(const QByteArray& line) const
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 15000) {
            if (readLogs().contains(line))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    QByteArray readLogs() const
    {
        QByteArray all;
        for (const QString& name : logFiles()) {
            QFile f(name);
            if (f.open(QIODevice::ReadOnly))
                all += f.readAll();
        }
        return all;
    }

    ScratchDir home;
    ScratchDir tmp;
    std::vector<QProcess*> processes;
};

TEST_F(StartupProcessTest, ASecondCopyIsRefusedAndTheFirstKeepsRunning)
{
    QProcess* first = start({"-chs", "-adj"});
    ASSERT_TRUE(waitForLogLine(") ChooseToolEnable = 1;5\n"));
    const QStringList before = logFiles();

    QProcess* second = start();
    ASSERT_TRUE(second->waitForFinished(15000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardError().contains("The application is already running."));

    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(logFiles(), before) << "the refused copy must not touch the log";
    QFile f(before.value(0));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains(") Vireto log start!\n"));
    EXPECT_TRUE(text.contains(") ChooseToolEnable = 1;5\n"));
}

TEST_F(StartupProcessTest, ALockLeftByADeadCopyDoesNotBlock)
{
    QProcess* first = start();
    ASSERT_TRUE(waitForLogLine(") ChooseToolEnable = 1;0\n"));
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(5000));
    ASSERT_FALSE(QDir(tmp.path()).entryList({"TouchScreen*"}, QDir::Files).isEmpty());

    QProcess* second = start({"-UU"});
    EXPECT_TRUE(waitForLogLine(") ChooseToolEnable = 3;0\n"));
    EXPECT_EQ(second->state(), QProcess::Running);
}

TEST_F(StartupProcessTest, AMissingSkinEndsTheStartWithTheSkinWarning)
{
    QDir(home.file("skin")).removeRecursively();
    QProcess* p = start();
    ASSERT_TRUE(p->waitForFinished(15000));
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_TRUE(p->readAllStandardError().contains("No software skin!"));
    EXPECT_TRUE(logFiles().isEmpty());
}

TEST_F(StartupProcessTest, AStoredLanguageBeyondThePackIsRewrittenAtStart)
{
    home.write("Vireto.ini", "[Vireto_Config]\nLanguage=7\n");
    home.write("Vireto_language.lrp", "[Language]\nLanguageCnt=2\n");
    QDir(home.file("skin")).removeRecursively(); // ends the start right after parsing
    QProcess* p = start();
    ASSERT_TRUE(p->waitForFinished(15000));
    EXPECT_TRUE(home.read("Vireto.ini").contains("Language=0"));
}

// Asked for help or the version, the program answers on the terminal and starts nothing:
// no second-copy check, no log, no window, even with other switches beside.
TEST_F(StartupProcessTest, HelpAndVersionAnswerWithoutStarting)
{
    QProcess* first = start({"-MM"});
    ASSERT_TRUE(waitForLogLine(") ChooseToolEnable = 1;0\n"));
    const int logs = static_cast<int>(logFiles().size());
    QProcess* help = start({"-DD", "--help"});
    ASSERT_TRUE(help->waitForFinished(15000));
    EXPECT_EQ(help->exitCode(), 0);
    const QString usage = QString::fromUtf8(help->readAllStandardOutput());
    for (const char* part : {"-DD", "-MM", "-UU", "-update", "-CHS", "--device=WHERE", "sim:PATH"})
        EXPECT_TRUE(usage.contains(part)) << part;
    QProcess* version = start({"--version"});
    ASSERT_TRUE(version->waitForFinished(15000));
    EXPECT_EQ(version->exitCode(), 0);
    EXPECT_EQ(version->readAllStandardOutput(), QByteArray("vireto " VIRETO_TOOL_VERSION "\n"));
    EXPECT_EQ(static_cast<int>(logFiles().size()), logs);
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(StartupProcessTest, SigtermLeavesAsClosingDoesWithTheFrameBackInWorkMode)
{
    // The real skins, and a frame served by this test.
    QDir(home.file("skin")).removeRecursively();
    ASSERT_TRUE(QFile::link(QString(VIRETO_BIN_DIR) + "/skin", home.file("skin")));
    delay::setTimeScale(0);
    ServedFrame served(home.file("link"));
    QProcess* window = start({"-DD", "--device=" + served.device()});
    ASSERT_TRUE(waitForLogLine("Open hid device success!"))
        << window->readAllStandardError().constData() << readLogs().constData();
    // As a workflow under way leaves it: touch off.
    served.frame->withFirmware([](sim::FrameState& state, auto&) { state.mode = CalibrationMode; });
    window->terminate();
    ASSERT_TRUE(window->waitForFinished(15000)) << "SIGTERM did not end the program";
    EXPECT_EQ(window->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(window->exitCode(), 143) << window->readAllStandardError().constData();
    EXPECT_EQ(served.frame->mode(), WorkMode);
    EXPECT_TRUE(waitForLogLine("Vireto log end!"));
    delay::setTimeScale(1);
}

} // namespace
