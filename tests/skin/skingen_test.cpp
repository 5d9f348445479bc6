// Runs the generator on small manifests of its own.
#include "tests/support/BoundedWait.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString err;
};

class SkinGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString writeManifest(const QByteArray& text)
    {
        const QString path = dir.filePath("images.txt");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    QString outDir() const { return dir.filePath("out"); }

    Outcome run(const QStringList& args)
    {
        QProcess process;
        process.start(QStringLiteral(VIRETO_SKINGEN), args);
        EXPECT_TRUE(process.waitForFinished(bounded::kGiveUpMs)) << "generator did not finish";
        Outcome result;
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    Outcome generate(const QByteArray& manifest)
    {
        return run({writeManifest(manifest), outDir()});
    }

    QTemporaryDir dir;
};

// A failure is reported as exactly one line.
void expectOneLineReason(const Outcome& r, const QString& mention)
{
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.endsWith('\n')) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(mention)) << r.err.toStdString();
}

} // namespace

TEST_F(SkinGeneratorTest, DrawsEverySizeIntoItsFolder)
{
    const Outcome r = generate("# two images\nset/radio_on.png 28 28\nmin1.png 36 36\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const std::pair<const char*, int> sizes[] = {{"1024", 17}, {"1440", 21}, {"1920", 28}};
    for (const auto& [folder, side] : sizes) {
        const QImage radio(outDir() + "/" + folder + "/set/radio_on.png");
        ASSERT_FALSE(radio.isNull()) << folder;
        EXPECT_EQ(radio.size(), QSize(side, side)) << folder;
        EXPECT_FALSE(QImage(outDir() + "/" + folder + "/min1.png").isNull()) << folder;
    }
}

TEST_F(SkinGeneratorTest, SizesComeFromTheManifest)
{
    const Outcome r = generate("min1.png 50 30\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(outDir() + "/1920/min1.png").size(), QSize(50, 30));
    EXPECT_EQ(QImage(outDir() + "/1024/min1.png").size(), QSize(30, 18));
}

TEST_F(SkinGeneratorTest, MalformedLineFailsWithoutDrawing)
{
    expectOneLineReason(generate("min1.png 36 36\nquit1.png 36\n"), "images.txt:2:");
    EXPECT_FALSE(QDir(outDir()).exists());
}

TEST_F(SkinGeneratorTest, BadSizeFails)
{
    expectOneLineReason(generate("min1.png 36 zero\n"), "images.txt:1:");
}

TEST_F(SkinGeneratorTest, UnknownNameFailsWithoutDrawing)
{
    expectOneLineReason(generate("min1.png 36 36\nnot_drawable.png 36 36\n"), "not_drawable.png");
    EXPECT_FALSE(QDir(outDir()).exists());
}

TEST_F(SkinGeneratorTest, EmptyManifestFails)
{
    expectOneLineReason(generate("# nothing\n"), "no images");
}

TEST_F(SkinGeneratorTest, MissingManifestFails)
{
    expectOneLineReason(run({dir.filePath("absent.txt"), outDir()}), "absent.txt");
}

TEST_F(SkinGeneratorTest, WrongArgumentsFail)
{
    expectOneLineReason(run({}), "usage");
    expectOneLineReason(run({writeManifest("min1.png 36 36\n")}), "usage");
}
