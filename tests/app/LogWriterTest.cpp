#include "app/LogWriter.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

class LogWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        log.setRoot(dir.file("log"));
        log.setClock([this] { return now; });
    }
    QString root() const { return dir.file("log"); }
    QByteArray fileText() const
    {
        QFile f(log.logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    ScratchDir dir;
    LogWriter log;
    QDateTime now = at(2014, 3, 7, 9, 5, 3);
};

TEST_F(LogWriterTest, CreateNamesTheFileAndRunPrefixAfterTheStartTime)
{
    QDir().mkpath(root() + "/2014-03-07");
    log.log("Vireto log start!\n", true);
    EXPECT_EQ(log.logPath(), root() + "/2014-03-07/Vireto_log_090503.txt");
    EXPECT_EQ(log.runPrefix(), root() + "/2014-03-07/Vireto_log_090503_");
    EXPECT_EQ(fileText(), "(2014-3-7 09:05:03) Vireto log start!\n");
}

TEST_F(LogWriterTest, NormalLinesAreStampedAndRawTextIsNot)
{
    QDir().mkpath(root() + "/2014-03-07");
    log.log("start\n", true);
    now = at(2014, 3, 7, 10, 0, 9);
    log.logf("ChooseToolEnable = %d;%d\n", 1, 5);
    log.logRawf("%d %d \n", 12, 34);
    log.log("tail", false, true);
    EXPECT_EQ(fileText(), "(2014-3-7 09:05:03) start\n"
                          "(2014-3-7 10:00:09) ChooseToolEnable = 1;5\n"
                          "12 34 \ntail");
}

TEST_F(LogWriterTest, NothingIsWrittenBeforeTheRunsFileIsCreated)
{
    log.log("early\n");
    log.logf("%s", "early\n");
    EXPECT_TRUE(log.logPath().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(root()));
}

TEST_F(LogWriterTest, CreateTruncatesAnEarlierFileOfTheSameName)
{
    QDir().mkpath(root() + "/2014-03-07");
    log.log("first run\n", true);
    log.log("more\n");
    log.log("second run\n", true);
    EXPECT_EQ(fileText(), "(2014-3-7 09:05:03) second run\n");
}

TEST_F(LogWriterTest, ASecondRunTheSameDayGetsItsOwnFile)
{
    log.startRun(1, 0);
    const QString first = log.logPath();
    LogWriter second;
    second.setRoot(root());
    second.setClock([] { return at(2014, 3, 7, 14, 30, 0); });
    second.startRun(3, 2);
    EXPECT_NE(first, second.logPath());
    EXPECT_EQ(QDir(root() + "/2014-03-07").entryList(QDir::Files).size(), 2);
}

TEST_F(LogWriterTest, ARunPastMidnightKeepsItsFileButStampsTheNewDate)
{
    now = at(2014, 2, 28, 23, 59, 50);
    log.startRun(1, 0);
    now = at(2014, 3, 1, 0, 0, 5);
    log.log("after midnight\n");
    EXPECT_EQ(log.logPath(), root() + "/2014-02-28/Vireto_log_235950.txt");
    EXPECT_TRUE(fileText().endsWith("(2014-3-1 00:00:05) after midnight\n"));
    EXPECT_FALSE(QFileInfo::exists(root() + "/2014-03-01"));
}

TEST_F(LogWriterTest, StartRunWritesTheStartLines)
{
    log.startRun(2, 0);
    EXPECT_EQ(fileText(), "(2014-3-7 09:05:03) Vireto log start!\n"
                          "(2014-3-7 09:05:03) ChooseToolEnable = 2;0\n");
}

TEST_F(LogWriterTest, OverlongTextIsCutWithoutOverflow)
{
    log.startRun(1, 0);
    const std::string big(5000, 'x');
    log.log(big.c_str());
    log.logf("%s", big.c_str());
    const QList<QByteArray> lines = fileText().split('\n');
    ASSERT_EQ(lines.size(), 3); // two start lines and the cut texts run together
    EXPECT_LT(lines[2].size(), 2 * LogWriter::kLineSize);
    EXPECT_GT(lines[2].size(), LogWriter::kLineSize);
}

TEST_F(LogWriterTest, LinesFromManyThreadsStayWhole)
{
    log.startRun(1, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < 200; ++i)
                log.logf("thread %d line %03d ................................\n", t, i);
        });
    for (std::thread& th : threads)
        th.join();
    const QList<QByteArray> lines = fileText().split('\n');
    ASSERT_EQ(lines.size(), 2 + 800 + 1);
    for (int i = 2; i < 802; ++i)
        EXPECT_TRUE(lines[i].startsWith("(2014-3-7 09:05:03) thread ") &&
                    lines[i].endsWith("................................"))
            << lines[i].constData();
}

TEST(LogCleanUp, KeepsTheSevenDayFoldersUpToTodayAndRemovesOnlyTheToolsOwnFiles)
{
    ScratchDir dir;
    const QString root = dir.file("log");
    for (const char* day : {"2014-02-22", "2014-02-23", "2014-02-24", "2014-02-28", "2014-03-01",
                            "2014-03-02", "2013-03-01"})
        dir.write(QString("log/%1/Vireto_log_101010.txt").arg(day), "x");
    dir.write("log/2013-03-01/Vireto_log_101010_1_Master.dat", "run file");
    dir.write("log/stray.txt", "x");
    dir.write("log/2014-3-1/Vireto_log_101010.txt", "x"); // not the folder name format
    dir.write("log/2014-02-22/notes.txt", "someone else's");
    dir.write("log/2014-02-22/sub/Vireto_log_101010.txt", "x");

    LogWriter::cleanOldDays(root, QDate(2014, 3, 1));
    QStringList left = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    left.sort();
    EXPECT_EQ(left, QStringList({"2014-02-22", "2014-02-23", "2014-02-24", "2014-02-28",
                                 "2014-03-01", "2014-3-1", "stray.txt"}));
    EXPECT_TRUE(QFileInfo::exists(root + "/2014-02-23/Vireto_log_101010.txt"));
    EXPECT_EQ(QDir(root + "/2014-02-22").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"notes.txt", "sub"}))
        << "an old day folder keeps what the tool did not write, and then stays";
    EXPECT_TRUE(QFileInfo::exists(root + "/2014-02-22/sub/Vireto_log_101010.txt"));
}

TEST(LogCleanUp, ALinkedLogFolderLosesOnlyOldDayFoldersOfTheTool)
{
    ScratchDir dir;
    dir.write("elsewhere/keep.txt", "precious");
    dir.write("elsewhere/2014-01-01/Vireto_log_000000.txt", "old log");
    dir.write("elsewhere/2014-01-02/Vireto_log_000000.txt", "old log");
    dir.write("elsewhere/photos/a.png", "precious");
    dir.write("outside/2014-01-03/Vireto_log_000000.txt", "not ours to follow");
    dir.write("elsewhere/2014-01-02/ro.txt", "x");
    ::chmod(dir.file("elsewhere/2014-01-02/Vireto_log_000000.txt").toLocal8Bit().constData(), 0444);
    ASSERT_EQ(::symlink(dir.file("elsewhere").toLocal8Bit().constData(),
                        dir.file("log").toLocal8Bit().constData()),
              0);
    ASSERT_EQ(::symlink(dir.file("outside/2014-01-03").toLocal8Bit().constData(),
                        dir.file("elsewhere/2014-01-03").toLocal8Bit().constData()),
              0);

    LogWriter::cleanOldDays(dir.file("log"), QDate(2014, 3, 1));

    EXPECT_FALSE(QFileInfo::exists(dir.file("elsewhere/2014-01-01")));
    EXPECT_FALSE(QFileInfo::exists(dir.file("elsewhere/2014-01-02/Vireto_log_000000.txt")))
        << "a read-only log file of the tool goes too";
    EXPECT_EQ(dir.read("elsewhere/2014-01-02/ro.txt"), "x");
    EXPECT_EQ(dir.read("elsewhere/keep.txt"), "precious");
    EXPECT_EQ(dir.read("elsewhere/photos/a.png"), "precious");
    EXPECT_TRUE(QFileInfo(dir.file("elsewhere/2014-01-03")).isSymLink());
    EXPECT_EQ(dir.read("outside/2014-01-03/Vireto_log_000000.txt"), "not ours to follow");
}

TEST(LogCleanUp, StartRunCleansBeforeWriting)
{
    ScratchDir dir;
    dir.write("log/2000-01-01/Vireto_log_000000.txt", "old");
    LogWriter log;
    log.setRoot(dir.file("log"));
    log.setClock([] { return QDateTime(QDate(2014, 3, 1), QTime(8, 0, 0)); });
    log.startRun(1, 0);
    EXPECT_EQ(QDir(dir.file("log")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"2014-03-01"}));
    EXPECT_TRUE(QFileInfo::exists(log.logPath()));
}

} // namespace
