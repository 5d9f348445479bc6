// Where the programs keep their files, whatever the current folder: beside a portable
// program, in the per-user folders for an installed one, or in VIRETO_HOME.
#include "tests/support/BoundedWait.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

class RuntimeHomeTest : public ::testing::Test {
protected:
    // An installed copy: the program alone in a bin folder, no settings beside it.
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(root.file("prefix/bin")));
        program = root.file("prefix/bin/vireto-cli");
        ASSERT_TRUE(QFile::copy(QString(VIRETO_BIN_DIR) + "/vireto-cli", program));
        QDir().mkpath(root.file("elsewhere"));
    }
    CliRun cli(const QStringList& args, const QString& home = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VIRETO_TIME_SCALE", "0");
        env.insert("XDG_CONFIG_HOME", root.file("config"));
        env.insert("XDG_DATA_HOME", root.file("data"));
        env.insert("XDG_STATE_HOME", root.file("state"));
        env.remove("VIRETO_DEVICE");
        if (home.isEmpty())
            env.remove("VIRETO_HOME");
        else
            env.insert("VIRETO_HOME", home);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(root.file("elsewhere"));
        p.start(program, QStringList{"--device=sim"} + args);
        EXPECT_TRUE(p.waitForFinished(bounded::kGiveUpMs)) << "vireto-cli did not end";
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }

    ScratchDir root;
    QString program;
};

TEST_F(RuntimeHomeTest, AnInstalledCopyUsesThePerUserFoldersFromAnyFolder)
{
    root.write("config/vireto/Vireto.ini", "[Left_Key]\nGroupCnt=1\nGroup1_Num=2\n");
    root.write("config/vireto/Vireto_Key.ini", "[Key_Value]\nKeyCnt=1\nKey_1=1A04\n");
    CliRun r = cli({"calibrate"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    r = cli({"keys", "calibrate"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("stored 1 key codes")) << r.out.constData();
    EXPECT_TRUE(QFile::exists(root.file("data/vireto/VirtualFrame.flash")));
    EXPECT_FALSE(QFile::exists(root.file("elsewhere/VirtualFrame.flash")));
    EXPECT_FALSE(QFile::exists(root.file("prefix/bin/VirtualFrame.flash")));
    EXPECT_TRUE(QDir(root.file("state/vireto/log")).exists()) << "the trail of the changes";
}

TEST_F(RuntimeHomeTest, ViretoHomeHoldsEverythingAndAPortableCopyKeepsItBeside)
{
    ScratchDir home;
    home.write("Vireto.ini", "[Left_Key]\nGroupCnt=1\nGroup1_Num=2\n");
    home.write("Vireto_Key.ini", "[Key_Value]\nKeyCnt=1\nKey_1=1A04\n");
    ASSERT_EQ(cli({"calibrate"}, home.path()).exitCode, 0);
    EXPECT_EQ(cli({"keys", "calibrate"}, home.path()).exitCode, 0);
    EXPECT_TRUE(QFile::exists(home.file("VirtualFrame.flash")));
    EXPECT_FALSE(QDir(root.file("data/vireto")).exists());

    // A settings file beside the program makes the copy portable.
    root.write("prefix/bin/Vireto.ini", "[Left_Key]\nGroupCnt=1\nGroup1_Num=2\n");
    root.write("prefix/bin/Vireto_Key.ini", "[Key_Value]\nKeyCnt=1\nKey_1=1A04\n");
    ASSERT_EQ(cli({"calibrate"}).exitCode, 0);
    EXPECT_EQ(cli({"keys", "calibrate"}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(root.file("prefix/bin/VirtualFrame.flash")));
    EXPECT_FALSE(QDir(root.file("config/vireto")).exists());
}

} // namespace
