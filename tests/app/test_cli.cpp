#include "app/cli.h"
#include "engine/batch_session.h"
#include "engine/save_results.h"
#include "scripted_dialogs.h"
#include "qstring_printer.h"
#include "session_driver.h"
#include "test_images.h"
#include "write_limit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

struct Cli {
    QTemporaryDir dir;
    QString out;
    QString errorText;
    Cli()
    {
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        QDir(dir.path()).mkpath(QStringLiteral("in/sub"));
        out = dir.filePath(QStringLiteral("out"));
    }
    int run(QStringList arguments, const QString &stdinText = QString())
    {
        arguments.prepend(QStringLiteral("lumivex"));
        QString in = stdinText;
        QTextStream input(&in);
        errorText.clear();
        QTextStream errors(&errorText);
        return runBatchCommandLine(arguments, input, errors, false);
    }
    QStringList written() const { return QDir(out).entryList(QDir::Files, QDir::Name); }
};

QByteArray contents(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

TEST(Cli, RecognisesTheBatchForm)
{
    EXPECT_TRUE(isBatchCommandLine({QStringLiteral("lumivex"), QStringLiteral("--adjust"), QStringLiteral("contrast")}));
    EXPECT_TRUE(isBatchCommandLine({QStringLiteral("lumivex"), QStringLiteral("--adjust=contrast")}));
    EXPECT_FALSE(isBatchCommandLine({QStringLiteral("lumivex"), QStringLiteral("a.jpg")}));
    EXPECT_FALSE(isBatchCommandLine({QStringLiteral("lumivex"), QStringLiteral("--"), QStringLiteral("--adjust")}));
}

TEST(Cli, UsageErrorsWriteNothingAndExitTwo)
{
    Cli cli;
    const QString picture = writePicture(cli.dir, QStringLiteral("in/a.png"), noisyPicture(5, 5));
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("glow"), QStringLiteral("--strength"), QStringLiteral("1"),
                       QStringLiteral("--output"), cli.out, picture}), 2);
    EXPECT_TRUE(cli.errorText.contains(QStringLiteral("unknown adjustment 'glow'")));
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("softening"), QStringLiteral("--strength"), QStringLiteral("11"),
                       QStringLiteral("--output"), cli.out, picture}), 2);
    EXPECT_TRUE(cli.errorText.contains(QStringLiteral("from 1 to 10")));
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("-101"),
                       QStringLiteral("--output"), cli.out, picture}), 2);
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
                       QStringLiteral("--output"), cli.dir.filePath(QStringLiteral("missing")), picture}), 2);
    EXPECT_TRUE(cli.errorText.contains(QStringLiteral("--output must name an existing folder")));
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
                       QStringLiteral("--output"), cli.out, QStringLiteral("--quality"), QStringLiteral("0"), picture}), 2);
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
                       QStringLiteral("--output"), cli.out}), 2);
    EXPECT_TRUE(cli.written().isEmpty());
}

TEST(Cli, UnreadableFileAmongGoodOnesExitsOneAndWritesTheOthers)
{
    Cli cli;
    const QString a = writePicture(cli.dir, QStringLiteral("in/a.png"), noisyPicture(5, 5, 1));
    const QString b = writePicture(cli.dir, QStringLiteral("in/b.png"), noisyPicture(6, 4, 2));
    QFile junk(cli.dir.filePath(QStringLiteral("in/junk.jpg")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("nope");
    junk.close();
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("contrast"), QStringLiteral("--strength"), QStringLiteral("60"),
                       QStringLiteral("--output"), cli.out, QStringLiteral("--jobs"), QStringLiteral("2"), a, junk.fileName(), b}), 1);
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("a-contrasted.jpg"), QStringLiteral("b-contrasted.jpg")}));
    EXPECT_TRUE(cli.errorText.startsWith(junk.fileName() + QStringLiteral(": ")));
}

TEST(Cli, AWriteFailureNamesTheSourceTheOutputAndTheSystemReason)
{
    Cli cli;
    const QString small = writePicture(cli.dir, QStringLiteral("in/small.png"), noisyPicture(3, 3, 1));
    const QString big = writePicture(cli.dir, QStringLiteral("in/big.png"), noisyPicture(300, 200, 2));
    int status = 0;
    {
        FileSizeLimit limit(20000);
        status = cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
                          QStringLiteral("--output"), cli.out, QStringLiteral("--format"), QStringLiteral("bmp"), small, big});
    }
    EXPECT_EQ(status, 1);
    EXPECT_EQ(cli.errorText, big + QStringLiteral(": cannot write ") + cli.out +
                                 QStringLiteral("/big-brightened.bmp (File too large)\n"));
    EXPECT_EQ(cli.written(), QStringList{QStringLiteral("small-brightened.bmp")});
}

TEST(Cli, PathsFromStandardInputAndFolderExpansion)
{
    Cli cli;
    writePicture(cli.dir, QStringLiteral("in/one.png"), noisyPicture(4, 4, 1));
    writePicture(cli.dir, QStringLiteral("in/TWO.PNG"), noisyPicture(4, 4, 2));
    writePicture(cli.dir, QStringLiteral("in/sub/three.bmp"), noisyPicture(4, 4, 3), "bmp");
    writePicture(cli.dir, QStringLiteral("in/~draft.png"), noisyPicture(4, 4, 4));
    const QString folder = cli.dir.filePath(QStringLiteral("in"));
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
                       QStringLiteral("--output"), cli.out, QStringLiteral("--format"), QStringLiteral("bmp"), folder}), 0);
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("TWO-brightened.bmp"), QStringLiteral("one-brightened.bmp"),
                                          QStringLiteral("three-brightened.bmp")}));
    QDir(cli.out).removeRecursively();
    QDir().mkpath(cli.out);
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
                       QStringLiteral("--output"), cli.out, QStringLiteral("--ext"), QStringLiteral("png"), folder}), 0);
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("TWO-brightened.jpg"), QStringLiteral("one-brightened.jpg")}));
    QDir(cli.out).removeRecursively();
    QDir().mkpath(cli.out);
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("sharpening"), QStringLiteral("--strength"), QStringLiteral("3"),
                       QStringLiteral("--output"), cli.out, QStringLiteral("-")},
                      cli.dir.filePath(QStringLiteral("in/one.png")) + QStringLiteral("\n\n") +
                          cli.dir.filePath(QStringLiteral("in/sub/three.bmp")) + QStringLiteral("\n")), 0);
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("one-sharpened.jpg"), QStringLiteral("three-sharpened.jpg")}));
}

TEST(Cli, NeverWritesOverASource)
{
    Cli cli;
    // A source that is itself named like an output of another source in the same folder.
    const QString victim = writePicture(cli.dir, QStringLiteral("in/x-brightened.bmp"), noisyPicture(3, 3, 1), "bmp");
    const QString other = writePicture(cli.dir, QStringLiteral("in/x.png"), noisyPicture(3, 3, 2));
    const QByteArray before = contents(victim);
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("50"),
                       QStringLiteral("--output"), cli.dir.filePath(QStringLiteral("in")), QStringLiteral("--format"),
                       QStringLiteral("bmp"), victim, other}), 1);
    EXPECT_EQ(contents(victim), before);
    EXPECT_TRUE(cli.errorText.contains(QStringLiteral("source")));
}

TEST(Cli, OutputEqualsTheWindowsRunAndSaveByteForByte)
{
    const struct { AdjustmentKind kind; const char *name; int value; } cases[] = {
        {AdjustmentKind::Brightness, "brightness", -17}, {AdjustmentKind::Contrast, "contrast", 83},
        {AdjustmentKind::Softening, "softening", 4}, {AdjustmentKind::Sharpening, "sharpening", 9}};
    for (const auto &c : cases) {
        for (OutputFormat format : {OutputFormat::Bmp, OutputFormat::Jpeg}) {
            Cli cli;
            QStringList sources{writePicture(cli.dir, QStringLiteral("in/p.png"), noisyPicture(33, 21, 5)),
                                writePicture(cli.dir, QStringLiteral("in/q.jpg"), noisyPicture(40, 30, 6), "jpeg")};
            const bool bmp = format == OutputFormat::Bmp;
            ASSERT_EQ(cli.run({QStringLiteral("--adjust"), QLatin1String(c.name), QStringLiteral("--strength"),
                               QString::number(c.value), QStringLiteral("--output"), cli.out, QStringLiteral("--format"),
                               bmp ? QStringLiteral("bmp") : QStringLiteral("jpg"), QStringLiteral("--quality"),
                               QStringLiteral("77"), sources[0], sources[1]}),
                      0)
                << qPrintable(cli.errorText);

            // The window's way: a run over the files, then "Save Results".
            SessionDriver run(c.kind, sources);
            ASSERT_TRUE(run.runToEnd(c.value));
            SaveSettings settings;
            settings.folder = cli.dir.filePath(QStringLiteral("window"));
            QDir().mkpath(settings.folder);
            settings.format = format;
            settings.quality = 77;
            settings.resultWord = run.results().resultWord;
            for (const SaveOutcome &o : saveResults(settings, *run.session))
                ASSERT_TRUE(o.written);
            for (const QString &name : cli.written())
                EXPECT_EQ(contents(QDir(cli.out).filePath(name)), contents(QDir(settings.folder).filePath(name)))
                    << c.name << " " << qPrintable(name);
            EXPECT_EQ(cli.written().size(), 2);
        }
    }
}
