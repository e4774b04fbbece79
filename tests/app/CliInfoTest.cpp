// tavrel-cli as a user runs it: info, riff and demo.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "support/TestClips.h"

namespace {

struct TRun {
    int Status = -1;
    QString Out;
    QString Err;
};

TRun Cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TAVREL_CLI_PATH), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString ClipPath(tavrel::test::TTestClipId id) {
    return QString::fromStdString(tavrel::test::TestClip(id).Path().string());
}

TEST(CliInfo, PrintsOneBlockPerFileAndFailsForMissingOnes) {
    const QString type1 = ClipPath(tavrel::test::TTestClipId::Type1Ntsc43);
    const QString type2 = ClipPath(tavrel::test::TTestClipId::Type2Pal169);
    const TRun ok = Cli({"info", type1, type2});
    ASSERT_EQ(ok.Status, 0) << ok.Err.toStdString();
    const QStringList blocks = ok.Out.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(blocks.size(), 2);
    EXPECT_TRUE(blocks[0].startsWith("File: " + type1));
    EXPECT_TRUE(blocks[0].contains("\nDvType: 1\n"));
    EXPECT_TRUE(blocks[0].contains("\nStandard: 1\n"));
    EXPECT_TRUE(blocks[0].contains("\nImageText: 720 x 480 (NTSC\n"));
    EXPECT_TRUE(blocks[1].contains("\nAspectText:  16x9)\n"));
    EXPECT_TRUE(blocks[1].contains("\nPanel codec: dvsd (type 2)\n"));
    // The fields in declaration order.
    EXPECT_LT(blocks[1].indexOf("\nDatecodeKey:"), blocks[1].indexOf("\nDvType:"));
    EXPECT_LT(blocks[1].indexOf("\nDvType:"), blocks[1].indexOf("\nDurationSortKey:"));

    const TRun missing = Cli({"info", "/nonexistent/video.avi", type2});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_TRUE(
        missing.Err.contains(QStringLiteral("Le fichier /nonexistent/video.avi est introuvable.")));
    EXPECT_TRUE(missing.Out.startsWith("File: " + type2));

    const TRun usage = Cli({});
    EXPECT_EQ(usage.Status, 2);
    EXPECT_TRUE(usage.Err.contains("Utilisation"));
}

TEST(CliRiff, PrintsTheReportAsPlainText) {
    const TRun r = Cli({"riff", ClipPath(tavrel::test::TTestClipId::Type2Pal43)});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("hdrl"));
    EXPECT_TRUE(r.Out.contains("avih"));
    EXPECT_FALSE(r.Out.contains("<B>"));
    EXPECT_EQ(Cli({"riff", "/nonexistent.avi"}).Status, 1);
}

TEST(CliDemo, WritesAClipThatInfoDescribes) {
    QTemporaryDir dir;
    const TRun demo = Cli({"demo", dir.path()});
    ASSERT_EQ(demo.Status, 0) << demo.Err.toStdString();
    const QString clip = demo.Out.trimmed();
    EXPECT_TRUE(clip.startsWith(dir.path()));
    const TRun info = Cli({"info", clip});
    ASSERT_EQ(info.Status, 0);
    EXPECT_TRUE(info.Out.contains("\nDvType: 2\n"));
    EXPECT_TRUE(info.Out.contains("\nStandard: 0\n"));
    EXPECT_TRUE(info.Out.contains("\nFrameCount: 250\n"));
    EXPECT_TRUE(info.Out.contains("\nDatecodeKey: 20240714103000\n"));
}

}  // namespace
