// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli.h"
#include "codec_testing.h"
#include "core/codec/codec.h"
#include "core/paths.h"
#include "core/picture.h"
#include "engine/pipeline.h"
#include "engine/batch_session.h"
#include "engine/save_results.h"
#include "scripted_dialogs.h"
#include "deadline.h"
#include "qstring_printer.h"
#include "session_driver.h"
#include "test_images.h"
#include "write_limit.h"

#include <QCoreApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <memory>
#include <QMap>

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
        const int status = runBatchCommandLine(arguments, input, errors, false);
        errors.flush();
        // The closing summary is kept apart, so that the lines above it are compared alone.
        summary.clear();
        const qsizetype last = errorText.lastIndexOf(QLatin1Char('\n'), -2);
        const QString tail = errorText.mid(last + 1);
        if (QRegularExpression(QStringLiteral("^\\d+ written, \\d+ failed(, \\d+ kept)? in [0-9.]+ s\n$")).match(tail).hasMatch()) {
            summary = tail.chopped(1);
            errorText.chop(tail.size());
        }
        return status;
    }
    QString summary;
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

namespace {

// How often each watched file is opened, as the kernel tells it (inotify), so nothing in the
// program needs to count for it. Closes are watched too: the kernel merges an event with the
// one before it when they are alike, so only opens with a close between them are told apart.
class OpenCounter {
public:
    OpenCounter() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpenCounter() { ::close(m_fd); }
    bool watch(const QString &path)
    {
        const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN | IN_CLOSE);
        m_paths[wd] = path;
        return m_fd >= 0 && wd >= 0;
    }
    // The opens since the last call, per file.
    std::map<QString, int> opens()
    {
        std::map<QString, int> counts;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->mask & IN_OPEN)
                    ++counts[m_paths[event->wd]];
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        return counts;
    }

private:
    int m_fd;
    std::map<int, QString> m_paths;
};

} // namespace

// Saving reads each source file once, for its pixels and its camera data alike, whichever way
// the picture is made: streamed from a JPEG, decoded whole for another format or output, or
// through a chain; from the window's recipes and on the command line.
TEST(Cli, EachSourceIsOpenedOncePerSave)
{
    Cli cli;
    const QString jpeg = writePicture(cli.dir, QStringLiteral("in/photo.jpg"), noisyPicture(41, 29, 3), "jpeg");
    const QString png = writePicture(cli.dir, QStringLiteral("in/chart.png"), noisyPicture(23, 37, 4));
    const std::vector<AdjustmentStep> one{{AdjustmentKind::Sharpening, 4}};
    const std::vector<AdjustmentStep> chain{{AdjustmentKind::Brightness, 20}, {AdjustmentKind::Softening, 2}};
    const struct {
        const char *name;
        QString source;
        std::vector<AdjustmentStep> steps;
        OutputFormat format;
        const char *formatName;
    } cases[] = {{"JPEG streamed to JPEG", jpeg, one, OutputFormat::Jpeg, "jpg"},
                 {"PNG to JPEG", png, one, OutputFormat::Jpeg, "jpg"},
                 {"JPEG to PNG", jpeg, one, OutputFormat::Png, "png"},
                 {"a chain, JPEG to JPEG", jpeg, chain, OutputFormat::Jpeg, "jpg"}};
    for (const auto &c : cases) {
        OpenCounter counter;
        ASSERT_TRUE(counter.watch(c.source));
        SaveSettings settings;
        settings.folder = cli.dir.filePath(QStringLiteral("window"));
        QDir(settings.folder).removeRecursively();
        QDir().mkpath(settings.folder);
        settings.format = c.format;
        settings.resultWord = chainResultWord(c.steps);
        ResultList results;
        results.setPicture(0, ResultPicture(QImage(), ResultRecipe{c.source, stampSource(c.source), c.steps}));
        const std::vector<SaveOutcome> saved = saveResults(settings, {c.source}, results, 1);
        ASSERT_TRUE(saved[0].written) << c.name << ": " << qPrintable(saved[0].failure);
        EXPECT_EQ(counter.opens()[c.source], 1) << "the window's save, " << c.name;

        QStringList arguments;
        for (const AdjustmentStep &step : c.steps)
            arguments << QStringLiteral("--adjust") << QLatin1String(adjustmentInfo(step.kind).name)
                      << QStringLiteral("--strength") << QString::number(step.strength);
        arguments << QStringLiteral("--output") << cli.out << QStringLiteral("--format") << QLatin1String(c.formatName)
                  << c.source;
        ASSERT_EQ(cli.run(arguments), 0) << c.name << ": " << qPrintable(cli.errorText);
        EXPECT_EQ(counter.opens()[c.source], 1) << "the command line, " << c.name;
    }
}

namespace {

QStringList brightening(const QString &out)
{
    return {QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
            QStringLiteral("--output"), out, QStringLiteral("--format"), QStringLiteral("bmp")};
}

} // namespace

// Nothing is skipped in silence: a folder that holds nothing to take, a FIFO named like a
// picture and a link back up the tree are each a line and make the batch a failure.
TEST(Cli, WhatAScanCannotTakeIsALineAndAFailure)
{
    Cli cli;
    const QString empty = cli.dir.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    EXPECT_EQ(cli.run(brightening(cli.out) << empty), 1);
    EXPECT_EQ(cli.errorText, empty + QStringLiteral(": no file found in the folder\n"));
    EXPECT_EQ(cli.run(brightening(cli.out) << QStringLiteral("--ext") << QStringLiteral("png") << empty), 1);
    EXPECT_EQ(cli.errorText, empty + QStringLiteral(": no file ending in .png found in the folder\n"));

    const QString good = writePicture(cli.dir, QStringLiteral("in/good.png"), noisyPicture(5, 4));
    const QString fifo = cli.dir.filePath(QStringLiteral("in/sub/pipe.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString up = cli.dir.filePath(QStringLiteral("in/sub/root"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/"), up));
    EXPECT_EQ(cli.run(brightening(cli.out) << cli.dir.filePath(QStringLiteral("in"))), 1);
    EXPECT_EQ(cli.written(), QStringList{QStringLiteral("good-brightened.bmp")});
    const QStringList lines = cli.errorText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 2) << cli.errorText.toStdString();
    EXPECT_TRUE(lines.contains(fifo + QStringLiteral(": not a regular file (a FIFO)")));
    EXPECT_EQ(lines.filter(up + QStringLiteral(": not followed")).size(), 1);

    // Named on the command line, the FIFO is refused when it is opened, never read.
    int status = 0;
    ASSERT_TRUE(returnsWithin(std::chrono::seconds(20), [&] { status = cli.run(brightening(cli.out) << fifo << good); },
                              [&] {
                                  const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
                                  if (fd >= 0)
                                      ::close(fd);
                              }));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(cli.errorText, fifo + QStringLiteral(": Not a regular file\n"));
}

TEST(Cli, AnUnreadableFolderMetDuringAScanIsAFailure)
{
    Cli cli;
    const QString good = writePicture(cli.dir, QStringLiteral("in/good.png"), noisyPicture(5, 4));
    const QString locked = cli.dir.filePath(QStringLiteral("in/sub"));
    writePicture(cli.dir, QStringLiteral("in/sub/hidden-away.png"), noisyPicture(3, 3));
    const QFileDevice::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                          QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther;
    for (const QString &folder : {cli.dir.path(), cli.dir.filePath(QStringLiteral("in")), cli.out})
        QFile::setPermissions(folder, open);
    QFile::setPermissions(locked, QFileDevice::Permissions());
    int status = 0;
    {
        // Root reads every folder: the batch runs as another user for this one to be unreadable.
        const bool root = geteuid() == 0;
        if (root) {
            ASSERT_EQ(seteuid(65534), 0);
        }
        status = cli.run(brightening(cli.out) << cli.dir.filePath(QStringLiteral("in")));
        if (root) {
            ASSERT_EQ(seteuid(0), 0);
        }
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(cli.written(), QStringList{QStringLiteral("good-brightened.bmp")});
    EXPECT_EQ(cli.errorText, locked + QStringLiteral(": cannot read the folder (Permission denied)\n"));
}

// A name that is not valid UTF-8 is opened by its bytes, and its result carries the same bytes.
TEST(Cli, ANameNotValidInTheEncodingIsProcessedByItsBytes)
{
    Cli cli;
    const QByteArray folder = QFile::encodeName(cli.dir.filePath(QStringLiteral("in")));
    const QString png = writePicture(cli.dir, QStringLiteral("in/plain.png"), noisyPicture(6, 5));
    ASSERT_EQ(::rename(QFile::encodeName(png).constData(), (folder + "/caf\xff.png").constData()), 0);
    EXPECT_EQ(cli.run(brightening(cli.out) << QString::fromUtf8(folder)), 0) << cli.errorText.toStdString();
    const QByteArray output = QFile::encodeName(cli.out) + "/caf\xff-brightened.bmp";
    struct stat st {};
    EXPECT_EQ(::stat(output.constData(), &st), 0);
    // Named on the command line, by bytes, the same; an unreadable one is printed escaped.
    EXPECT_EQ(cli.run(brightening(cli.out) << fileNameFromBytes(folder + "/caf\xff.png")), 0) << cli.errorText.toStdString();
    EXPECT_EQ(cli.run(brightening(cli.out) << fileNameFromBytes(folder + "/gone\xfe.png")), 1);
    EXPECT_EQ(cli.errorText, QString::fromUtf8(folder) + QStringLiteral("/gone\\xFE.png: File not found\n"));
    // Read from standard input, by their bytes too, NUL-separated or a line each.
    for (const bool nul : {true, false}) {
        ::unlink(output.constData());
        QByteArray bytes = folder + "/caf\xff.png" + (nul ? QByteArray("\0", 1) : QByteArray("\r\n"));
        QBuffer standardInput(&bytes);
        standardInput.open(QIODevice::ReadOnly);
        QTextStream input(&standardInput);
        cli.errorText.clear();
        QTextStream errors(&cli.errorText);
        QStringList arguments = brightening(cli.out);
        arguments.prepend(QStringLiteral("lumivex"));
        if (nul)
            arguments << QStringLiteral("-0");
        EXPECT_EQ(runBatchCommandLine(arguments << QStringLiteral("-"), input, errors, false), 0) << cli.errorText.toStdString();
        EXPECT_EQ(::stat(output.constData(), &st), 0) << nul;
    }
    ::unlink(output.constData());
    ::unlink((folder + "/caf\xff.png").constData());
}

namespace {
QStringList args(std::initializer_list<const char *> words)
{
    QStringList list;
    for (const char *w : words)
        list << QString::fromUtf8(w);
    return list;
}
} // namespace

TEST(Cli, SameStemSourcesAreAllWrittenAndTheRenamedOnesTold)
{
    Cli cli;
    QDir(cli.dir.path()).mkpath(QStringLiteral("in2"));
    const QString a = writePicture(cli.dir, QStringLiteral("in/x.png"), noisyPicture(7, 5, 1));
    const QString b = writePicture(cli.dir, QStringLiteral("in/x.jpeg"), noisyPicture(8, 6, 2), "jpeg");
    const QString c = writePicture(cli.dir, QStringLiteral("in2/x.png"), noisyPicture(9, 4, 3));
    const QString y = writePicture(cli.dir, QStringLiteral("in/y.png"), noisyPicture(3, 3, 4));
    // A file from before the run under the first name is replaced, as ever.
    const QString stale = QDir(cli.out).filePath(QStringLiteral("x-brightened.bmp"));
    writePicture(cli.dir, QStringLiteral("out/x-brightened.bmp"), noisyPicture(2, 2, 5), "bmp");
    EXPECT_EQ(cli.run(args({"--adjust", "brightness", "--strength", "20", "--format", "bmp", "--jobs", "3", "--output"})
                          << cli.out << a << b << c << y),
              0)
        << qPrintable(cli.errorText);
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("x-brightened (2).bmp"), QStringLiteral("x-brightened (3).bmp"),
                                          QStringLiteral("x-brightened.bmp"), QStringLiteral("y-brightened.bmp")}));
    // Each file holds its own source's result: sizes tell them apart.
    EXPECT_EQ(QImage(stale).size(), QSize(7, 5));
    EXPECT_EQ(QImage(QDir(cli.out).filePath(QStringLiteral("x-brightened (2).bmp"))).size(), QSize(8, 6));
    EXPECT_EQ(QImage(QDir(cli.out).filePath(QStringLiteral("x-brightened (3).bmp"))).size(), QSize(9, 4));
    QStringList lines = cli.errorText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    QStringList expected = {b + QStringLiteral(": saved as x-brightened (2).bmp"),
                            c + QStringLiteral(": saved as x-brightened (3).bmp")};
    expected.sort();
    EXPECT_EQ(lines, expected);

    // The same with the folder named relative to the current one: the message names the file.
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cli.dir.path()));
    const int status = cli.run(args({"--adjust", "brightness", "--strength", "20", "--output", "out"}) << a << b);
    QDir::setCurrent(here);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(cli.errorText, b + QStringLiteral(": saved as x-brightened (2).jpg\n"));
}

TEST(Cli, NoClobberKeepsExistingFilesAndExitsOne)
{
    Cli cli;
    const QString a = writePicture(cli.dir, QStringLiteral("in/a.png"), noisyPicture(5, 5, 1));
    const QString b = writePicture(cli.dir, QStringLiteral("in/b.png"), noisyPicture(6, 6, 2));
    const QString kept = QDir(cli.out).filePath(QStringLiteral("a-softened.jpg"));
    QFile existing(kept);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    EXPECT_EQ(cli.run(args({"--adjust", "softening", "--strength", "3", "--no-clobber", "--output"}) << cli.out << a << b), 1);
    EXPECT_EQ(contents(kept), QByteArray("keep me"));
    EXPECT_EQ(cli.errorText, kept + QStringLiteral(": exists\n"));
    EXPECT_TRUE(cli.summary.startsWith(QStringLiteral("1 written, 0 failed, 1 kept in "))) << qPrintable(cli.summary);
    EXPECT_EQ(QImage(QDir(cli.out).filePath(QStringLiteral("b-softened.jpg"))).size(), QSize(6, 6));
    // Without it the file is replaced.
    EXPECT_EQ(cli.run(args({"--adjust", "softening", "--strength", "3", "--output"}) << cli.out << a), 0);
    EXPECT_EQ(QImage(kept).size(), QSize(5, 5));
}

TEST(Cli, KeepTreeMirrorsTheFoldersOfAFolderGiven)
{
    Cli cli;
    QDir(cli.dir.path()).mkpath(QStringLiteral("in/sub/deeper"));
    writePicture(cli.dir, QStringLiteral("in/top.png"), noisyPicture(4, 4, 1));
    writePicture(cli.dir, QStringLiteral("in/sub/p.png"), noisyPicture(5, 4, 2));
    writePicture(cli.dir, QStringLiteral("in/sub/deeper/p.png"), noisyPicture(6, 4, 3));
    const QString loose = writePicture(cli.dir, QStringLiteral("loose.png"), noisyPicture(3, 2, 4));
    EXPECT_EQ(cli.run(args({"--adjust", "contrast", "--strength", "70", "--keep-tree", "--output"})
                          << cli.out << cli.dir.filePath(QStringLiteral("in")) << loose),
              0)
        << qPrintable(cli.errorText);
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("loose-contrasted.jpg"), QStringLiteral("top-contrasted.jpg")}));
    EXPECT_EQ(QImage(QDir(cli.out).filePath(QStringLiteral("sub/p-contrasted.jpg"))).size(), QSize(5, 4));
    EXPECT_EQ(QImage(QDir(cli.out).filePath(QStringLiteral("sub/deeper/p-contrasted.jpg"))).size(), QSize(6, 4));
    EXPECT_TRUE(cli.errorText.isEmpty()) << qPrintable(cli.errorText);

    // Without it the two p.png meet in one folder: both kept, the second numbered.
    QDir(cli.out).removeRecursively();
    QDir().mkpath(cli.out);
    EXPECT_EQ(cli.run(args({"--adjust", "contrast", "--strength", "70", "--output"})
                          << cli.out << cli.dir.filePath(QStringLiteral("in"))),
              0);
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("p-contrasted (2).jpg"), QStringLiteral("p-contrasted.jpg"),
                                          QStringLiteral("top-contrasted.jpg")}));
    EXPECT_TRUE(cli.errorText.contains(QStringLiteral(": saved as p-contrasted (2).jpg")));
}

TEST(Cli, ChainEqualsItsAdjustmentsOneAfterAnother)
{
    Cli cli;
    const QString source = writePicture(cli.dir, QStringLiteral("in/photo.png"), noisyPicture(23, 17, 7));
    const char *steps[][2] = {{"softening", "4"}, {"brightness", "-30"}, {"sharpening", "7"}, {"contrast", "80"}};

    // The chain in one pass.
    QStringList chain = args({"--format", "bmp", "--output"}) << cli.out;
    for (const auto &step : steps)
        chain << QStringLiteral("--adjust") << QLatin1String(step[0]) << QStringLiteral("--strength") << QLatin1String(step[1]);
    ASSERT_EQ(cli.run(chain << source), 0) << qPrintable(cli.errorText);
    const QString chained = QDir(cli.out).filePath(QStringLiteral("photo-softened-brightened-sharpened-contrasted.bmp"));
    ASSERT_TRUE(QFileInfo::exists(chained));

    // The same one adjustment at a time, each run reading the previous one's lossless result.
    QString current = source;
    for (const auto &step : steps) {
        const QString folder = cli.dir.filePath(QStringLiteral("step-") + QLatin1String(step[0]));
        QDir().mkpath(folder);
        ASSERT_EQ(cli.run(args({"--format", "bmp", "--adjust", step[0], "--strength", step[1], "--output"}) << folder << current), 0);
        const QStringList made = QDir(folder).entryList(QDir::Files);
        ASSERT_EQ(made.size(), 1);
        current = QDir(folder).filePath(made.first());
    }
    const QImage stepwise(current), oneGo(chained);
    ASSERT_FALSE(oneGo.isNull());
    EXPECT_EQ(oneGo.convertToFormat(QImage::Format_RGB32), stepwise.convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(oneGo.convertToFormat(QImage::Format_RGB32), QImage(source).convertToFormat(QImage::Format_RGB32));

    // JPEG names carry every word in order; a strength without its adjustment is refused.
    EXPECT_EQ(cli.run(args({"--adjust", "brightness", "--strength", "10", "--adjust", "sharpening", "--strength", "3", "--output"})
                      << cli.out << source),
              0);
    EXPECT_TRUE(QFileInfo::exists(QDir(cli.out).filePath(QStringLiteral("photo-brightened-sharpened.jpg"))));
    EXPECT_EQ(cli.run(args({"--adjust", "brightness", "--strength", "10", "--strength", "3", "--output"}) << cli.out << source), 2);
    EXPECT_EQ(cli.run(args({"--adjust", "brightness", "--strength", "10", "--adjust", "contrast", "--output"}) << cli.out << source), 2);
    EXPECT_TRUE(cli.errorText.contains(QStringLiteral("--strength for contrast")));
}

namespace {

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG of a few bytes whose header declares `width` x `height` pixels and whose data ends at once.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    auto chunk = [](const QByteArray &type, const QByteArray &data) {
        QByteArray out;
        auto be32 = [&out](quint32 v) {
            for (int shift = 24; shift >= 0; shift -= 8)
                out += char((v >> shift) & 0xff);
        };
        be32(quint32(data.size()));
        out += type + data;
        be32(crc32(type + data));
        return out;
    };
    QByteArray header;
    for (quint32 v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            header += char((v >> shift) & 0xff);
    header += QByteArray("\x08\x02\x00\x00\x00", 5);
    // The first bytes of the first row, compressed (qCompress puts the length before the stream).
    const QByteArray data = qCompress(QByteArray(64, '\0')).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", data) + chunk("IEND", QByteArray());
}

} // namespace

TEST(Cli, APictureThatCannotFitTheMemoryBudgetIsRefusedWithItsSize)
{
    Cli cli;
    const QString bomb = cli.dir.filePath(QStringLiteral("in/bomb.png"));
    {
        QFile file(bomb);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pngHeaderOnly(23000, 23000));
    }
    const QString good = writePicture(cli.dir, QStringLiteral("in/good.png"), noisyPicture(9, 7));
    EXPECT_EQ(cli.run(brightening(cli.out) << QStringLiteral("--memory") << QStringLiteral("1000")
                                           << QStringLiteral("--jobs") << QStringLiteral("3") << bomb << good),
              1);
    EXPECT_EQ(cli.errorText, bomb + QStringLiteral(": Not enough memory: a picture of 23000 x 23000 pixels needs 2018 MB, "
                                                   "more than the 1000 MB the batch may use\n"));
    EXPECT_EQ(cli.written(), QStringList{QStringLiteral("good-brightened.bmp")});
    EXPECT_EQ(cli.run(brightening(cli.out) << QStringLiteral("--memory") << QStringLiteral("0") << good), 2);
}


// The budget holds the encoder's memory too: a picture whose pixels fit but whose PNG file could
// not be made beside them is refused with its size, before it is decoded.
TEST(Cli, TheEncodersMemoryIsPartOfTheBudget)
{
    Cli cli;
    const QString large = writePicture(cli.dir, QStringLiteral("in/large.png"), noisyPicture(2000, 2000));
    const QString small = writePicture(cli.dir, QStringLiteral("in/small.png"), noisyPicture(9, 7));
    EXPECT_EQ(cli.run(brightening(cli.out) << QStringLiteral("--format") << QStringLiteral("png") << QStringLiteral("--memory")
                                           << QStringLiteral("20") << large << small),
              1);
    EXPECT_EQ(cli.errorText, large + QStringLiteral(": Not enough memory: a picture of 2000 x 2000 pixels needs 25 MB, "
                                                    "more than the 20 MB the batch may use\n"));
    EXPECT_EQ(cli.written(), QStringList{QStringLiteral("small-brightened.png")});
    EXPECT_EQ(cli.run(brightening(cli.out) << QStringLiteral("--format") << QStringLiteral("png") << QStringLiteral("--memory")
                                           << QStringLiteral("26") << large),
              0);
    EXPECT_TRUE(cli.written().contains(QStringLiteral("large-brightened.png")));
}

TEST(Cli, AFileThatCannotBeOpenedIsToldWithTheSystemReason)
{
    Cli cli;
    const QString locked = writePicture(cli.dir, QStringLiteral("in/locked.png"), noisyPicture(4, 4));
    for (const QString &folder : {cli.dir.path(), cli.dir.filePath(QStringLiteral("in")), cli.out})
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    int status = 0;
    {
        // Root opens every file: the batch runs as another user for this one to be unreadable.
        const bool root = geteuid() == 0;
        if (root) {
            ASSERT_EQ(seteuid(65534), 0);
        }
        status = cli.run(brightening(cli.out) << locked);
        if (root) {
            ASSERT_EQ(seteuid(0), 0);
        }
    }
    EXPECT_EQ(status, 1);
    EXPECT_EQ(cli.errorText, locked + QStringLiteral(": File cannot be opened (Permission denied)\n"));
}

namespace {

struct Request {
    CommandLineRequest request;
    QString output, errors;
    Request(QStringList arguments, QString stdinText = QString())
    {
        arguments.prepend(QStringLiteral("/build/tree/lumivex"));
        QTextStream input(&stdinText), out(&output), err(&errors);
        request = readCommandLine(arguments, input, out, err);
    }
};

} // namespace

TEST(CommandLine, HelpAndVersionGoToStandardOutputAndDescribeBothUses)
{
    for (const char *option : {"--help", "-h", "--help-all"}) {
        const Request r({QString::fromLatin1(option)});
        EXPECT_EQ(r.request.mode, CommandLineRequest::Mode::Answered) << option;
        EXPECT_EQ(r.request.status, 0) << option;
        EXPECT_TRUE(r.errors.isEmpty()) << option;
        EXPECT_TRUE(r.output.startsWith(QStringLiteral("Usage: lumivex [PATH...]\n"))) << option;
        EXPECT_TRUE(r.output.contains(QStringLiteral("lumivex --adjust KIND --strength N [--adjust KIND --strength N ...] --output DIR")));
        EXPECT_TRUE(r.output.contains(QStringLiteral("--null")));
        EXPECT_FALSE(r.output.contains(QStringLiteral("/build/tree"))) << "usage names the build path";
        EXPECT_FALSE(r.output.contains(QStringLiteral("-platform"))) << "toolkit options are not ours to list";
        EXPECT_FALSE(r.output.contains(QStringLiteral("--help-all"))) << "it promises toolkit options";
    }
    // Help wins wherever it stands, also inside a batch.
    const Request batchHelp({QStringLiteral("--adjust"), QStringLiteral("contrast"), QStringLiteral("--help")});
    EXPECT_EQ(batchHelp.request.mode, CommandLineRequest::Mode::Answered);
    EXPECT_TRUE(batchHelp.output.startsWith(QStringLiteral("Usage: lumivex")));

    QCoreApplication::setApplicationVersion(QStringLiteral("4.5.6"));
    for (const char *option : {"--version", "-v"}) {
        const Request r({QString::fromLatin1(option)});
        EXPECT_EQ(r.request.mode, CommandLineRequest::Mode::Answered);
        EXPECT_EQ(r.request.status, 0);
        EXPECT_EQ(r.output, QStringLiteral("lumivex 4.5.6\n"));
    }
}

TEST(CommandLine, MistakesAreUsageErrorsOnStandardError)
{
    const QStringList mistakes[] = {
        {QStringLiteral("-a")},
        {QStringLiteral("--ajust"), QStringLiteral("contrast")},
        {QStringLiteral("--strength"), QStringLiteral("5"), QStringLiteral("a.jpg")},
        {QStringLiteral("--output")},
    };
    for (const QStringList &arguments : mistakes) {
        const Request r(arguments);
        EXPECT_EQ(r.request.mode, CommandLineRequest::Mode::Answered) << arguments.join(' ').toStdString();
        EXPECT_EQ(r.request.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.output.isEmpty());
        EXPECT_TRUE(r.errors.startsWith(QStringLiteral("lumivex: "))) << r.errors.toStdString();
        EXPECT_TRUE(r.errors.endsWith(QStringLiteral("Try 'lumivex --help'.\n")));
    }
    EXPECT_TRUE(Request({QStringLiteral("--strength"), QStringLiteral("5")}).errors.contains(QStringLiteral("only with --adjust")));
}

TEST(CommandLine, WindowPathsAcceptUrisStandardInputAndToolkitOptions)
{
    const Request r({QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("file:///tmp/a%20b.jpg"),
                     QStringLiteral("file://localhost/tmp/c.png"), QStringLiteral("plain.bmp"), QStringLiteral("-0"),
                     QStringLiteral("-"), QStringLiteral("--"), QStringLiteral("-dash.gif")},
                    QStringLiteral("/in/line\nbreak.jpg") + QChar(0) + QStringLiteral("file:///in/u.jpg") + QChar(0));
    EXPECT_EQ(r.request.mode, CommandLineRequest::Mode::Window);
    EXPECT_TRUE(r.errors.isEmpty()) << r.errors.toStdString();
    EXPECT_EQ(r.request.paths, (QStringList{QStringLiteral("/tmp/a b.jpg"), QStringLiteral("/tmp/c.png"),
                                            QStringLiteral("plain.bmp"), QStringLiteral("/in/line\nbreak.jpg"),
                                            QStringLiteral("/in/u.jpg"), QStringLiteral("-dash.gif")}));
    EXPECT_EQ(Request({QStringLiteral("--adjust"), QStringLiteral("contrast")}).request.mode, CommandLineRequest::Mode::Batch);
    EXPECT_EQ(Request({QStringLiteral("--"), QStringLiteral("--adjust")}).request.mode, CommandLineRequest::Mode::Window);
}

TEST(Cli, NulSeparatedInputAndUrisReachTheBatch)
{
    Cli cli;
    const QString odd = writePicture(cli.dir, QStringLiteral("in/new\nline.png"), noisyPicture(4, 3, 1));
    const QString spaced = writePicture(cli.dir, QStringLiteral("in/a b.png"), noisyPicture(3, 4, 2));
    const QString plain = writePicture(cli.dir, QStringLiteral("in/plain.png"), noisyPicture(5, 5, 3));
    const QString uri = QUrl::fromLocalFile(spaced).toString(QUrl::FullyEncoded);
    ASSERT_TRUE(uri.contains(QStringLiteral("%20")));
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
                       QStringLiteral("--output"), cli.out, QStringLiteral("--null"), QStringLiteral("-"), uri},
                      odd + QChar(0) + QChar(0) + plain + QChar(0)), 0) << cli.errorText.toStdString();
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("a b-brightened.jpg"), QStringLiteral("new\nline-brightened.jpg"),
                                          QStringLiteral("plain-brightened.jpg")}));
    // Without -0 the same input is one line per path, and the line break splits the odd name.
    QDir(cli.out).removeRecursively();
    QDir().mkpath(cli.out);
    EXPECT_EQ(cli.run({QStringLiteral("--adjust"), QStringLiteral("brightness"), QStringLiteral("--strength"), QStringLiteral("5"),
                       QStringLiteral("--output"), cli.out, QStringLiteral("-")}, odd + QStringLiteral("\n")), 1);
    EXPECT_TRUE(cli.written().isEmpty());
}

namespace {

struct ProgramRun {
    int status = -1;
    QString output, errors;
};

// The built program, as a shell without any display server starts it.
ProgramRun runProgram(const QStringList &arguments, const QByteArray &stdinBytes = QByteArray())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LUMIVEX_EXECUTABLE), arguments);
    ProgramRun run;
    if (!process.waitForStarted())
        return run;
    process.write(stdinBytes);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

TEST(Program, AnswersHelpVersionAndMistakesWithoutADisplay)
{
    for (const char *option : {"--help", "-h"}) {
        const ProgramRun run = runProgram({QString::fromLatin1(option)});
        EXPECT_EQ(run.status, 0) << option << run.errors.toStdString();
        EXPECT_TRUE(run.output.startsWith(QStringLiteral("Usage: lumivex [PATH...]"))) << run.output.toStdString();
        EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();
    }
    for (const char *option : {"--version", "-v"}) {
        const ProgramRun run = runProgram({QString::fromLatin1(option)});
        EXPECT_EQ(run.status, 0) << option << run.errors.toStdString();
        EXPECT_TRUE(run.output.startsWith(QStringLiteral("lumivex "))) << run.output.toStdString();
        EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();
    }
    const ProgramRun mistake = runProgram({QStringLiteral("-a")});
    EXPECT_EQ(mistake.status, 2);
    EXPECT_TRUE(mistake.output.isEmpty());
    EXPECT_EQ(mistake.errors, QStringLiteral("lumivex: Unknown option 'a'.\nTry 'lumivex --help'.\n"));
}

// Asked for the window where there is no display server, the program says so in one line and
// exits as for a usage error, rather than Qt's abort (status 134) and its advice to reinstall.
TEST(Program, TheWindowWithoutADisplayIsOneLineAndStatusTwo)
{
    Cli cli;
    const QString picture = writePicture(cli.dir, QStringLiteral("in/a.png"), noisyPicture(3, 3, 1));
    for (const QStringList &arguments : {QStringList(), QStringList{picture}}) {
        const ProgramRun run = runProgram(arguments);
        EXPECT_EQ(run.status, 2) << run.errors.toStdString();
        EXPECT_TRUE(run.output.isEmpty()) << run.output.toStdString();
        EXPECT_TRUE(run.errors.startsWith(QStringLiteral("lumivex: no display"))) << run.errors.toStdString();
        EXPECT_EQ(run.errors.count(QLatin1Char('\n')), 1) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.endsWith(QLatin1Char('\n')));
    }
}

TEST(Program, BatchReadsNulSeparatedPathsAndUrisFromStandardInput)
{
    Cli cli;
    const QString odd = writePicture(cli.dir, QStringLiteral("in/two\nlines.png"), noisyPicture(4, 3, 1));
    const QString uri = QUrl::fromLocalFile(writePicture(cli.dir, QStringLiteral("in/50% grey.png"), noisyPicture(3, 3, 2)))
                            .toString(QUrl::FullyEncoded);
    const ProgramRun run = runProgram({QStringLiteral("--adjust"), QStringLiteral("contrast"), QStringLiteral("--strength"),
                                QStringLiteral("70"), QStringLiteral("--output"), cli.out, QStringLiteral("-0"), QStringLiteral("-")},
                               odd.toUtf8() + '\0' + uri.toUtf8() + '\0');
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(cli.written(), (QStringList{QStringLiteral("50% grey-contrasted.jpg"), QStringLiteral("two\nlines-contrasted.jpg")}));
}

// A picture whose file names no density (a WebP, a JPEG whose JFIF gives only the aspect) is
// written at 96 dpi by the program without a display, as by the window: Qt's own default
// follows the process's screen and is 100 dpi without one.
TEST(Program, APictureNamingNoDensityIsWrittenAsTheWindowWritesIt)
{
    Cli cli;
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(noisyPicture(24, 16, 3).save(&buffer, "jpeg", 90));
    }
    ASSERT_EQ(jpeg.mid(6, 5), QByteArray("JFIF\0", 5));
    jpeg[13] = 0; // density unit: none, the numbers are only the aspect
    const QString aspectOnly = cli.dir.filePath(QStringLiteral("in/aspect.jpg"));
    {
        QFile f(aspectOnly);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(jpeg);
    }
    const QString webp = cli.dir.filePath(QStringLiteral("in/frame.webp"));
    {
        QFile f(webp);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(encodePicture(noisyPicture(20, 12, 4), EncodeOptions{PictureFormat::Webp, 90}, MetadataBlocks()));
    }
    const QStringList sources{aspectOnly, webp};
    for (const char *format : {"jpg", "bmp"}) {
        QDir(cli.out).removeRecursively();
        QDir().mkpath(cli.out);
        const ProgramRun program = runProgram({QStringLiteral("--adjust"), QStringLiteral("contrast"), QStringLiteral("--strength"),
                                               QStringLiteral("60"), QStringLiteral("--output"), cli.out, QStringLiteral("--format"),
                                               QLatin1String(format), QStringLiteral("--quality"), QStringLiteral("85"),
                                               sources[0], sources[1]});
        ASSERT_EQ(program.status, 0) << program.errors.toStdString();

        SessionDriver run(AdjustmentKind::Contrast, sources);
        ASSERT_TRUE(run.runToEnd(60));
        SaveSettings settings;
        settings.folder = cli.dir.filePath(QStringLiteral("window-") + QLatin1String(format));
        QDir().mkpath(settings.folder);
        settings.format = QLatin1String(format) == QLatin1String("bmp") ? OutputFormat::Bmp : OutputFormat::Jpeg;
        settings.quality = 85;
        settings.resultWord = run.results().resultWord;
        for (const SaveOutcome &o : saveResults(settings, *run.session))
            ASSERT_TRUE(o.written) << qPrintable(o.failure);

        ASSERT_EQ(cli.written().size(), 2);
        for (const QString &name : cli.written()) {
            const QByteArray written = contents(QDir(cli.out).filePath(name));
            EXPECT_EQ(written, contents(QDir(settings.folder).filePath(name))) << qPrintable(name);
            if (settings.format == OutputFormat::Jpeg) // JFIF: dots per inch, 96 by 96
                EXPECT_EQ(written.mid(13, 5), QByteArray("\x01\x00\x60\x00\x60", 5)) << qPrintable(name);
            else // BITMAPINFOHEADER: 3780 pixels per metre each way
                EXPECT_EQ(written.mid(38, 8), QByteArray("\xc4\x0e\x00\x00\xc4\x0e\x00\x00", 8)) << qPrintable(name);
        }
    }
}

TEST(Cli, TheSummaryCountsWhatWasWrittenAndFailedUnlessQuiet)
{
    Cli cli;
    const QString good = writePicture(cli.dir, QStringLiteral("in/good.png"), noisyPicture(5, 5, 1));
    const QString bad = cli.dir.filePath(QStringLiteral("in/bad.jpg"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    const QString missing = cli.dir.filePath(QStringLiteral("in/missing.png"));
    EXPECT_EQ(cli.run(args({"--adjust", "brightness", "--strength", "5", "--output"}) << cli.out << good << bad << missing), 1);
    // Each failure names its file once, at the start of its line.
    EXPECT_EQ(cli.errorText.count(bad), 1) << qPrintable(cli.errorText);
    EXPECT_EQ(cli.errorText.count(missing), 1) << qPrintable(cli.errorText);
    EXPECT_TRUE(cli.errorText.contains(bad + QStringLiteral(": Not a picture file this program can read\n")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^1 written, 2 failed in [0-9.]+ s$")).match(cli.summary).hasMatch())
        << qPrintable(cli.summary);
    EXPECT_EQ(cli.run(args({"--adjust", "brightness", "--strength", "5", "--quiet", "--output"}) << cli.out << good), 0);
    EXPECT_TRUE(cli.summary.isEmpty());
    EXPECT_TRUE(cli.errorText.isEmpty()) << qPrintable(cli.errorText);
}

TEST(Cli, ExtTakesALeadingDotAndAList)
{
    Cli cli;
    const QImage picture = noisyPicture(6, 4, 3);
    writePicture(cli.dir, QStringLiteral("in/a.jpg"), picture);
    writePicture(cli.dir, QStringLiteral("in/b.PNG"), picture);
    writePicture(cli.dir, QStringLiteral("in/sub/c.bmp"), picture);
    writePicture(cli.dir, QStringLiteral("in/d.tif"), picture);
    const QString in = cli.dir.filePath(QStringLiteral("in"));
    const auto found = [&](std::initializer_list<const char *> ext) {
        QStringList arguments = args({"--adjust", "brightness", "--strength", "5", "--format", "bmp", "--output"}) << cli.out;
        for (const char *e : ext)
            arguments << QStringLiteral("--ext") << QString::fromLatin1(e);
        for (const QString &name : QDir(cli.out).entryList(QDir::Files))
            QFile::remove(QDir(cli.out).filePath(name));
        const int status = cli.run(arguments << in);
        return std::make_pair(status, cli.written());
    };
    EXPECT_EQ(found({".jpg"}), std::make_pair(0, QStringList{QStringLiteral("a-brightened.bmp")}));
    EXPECT_EQ(found({"jpg,png,bmp"}), std::make_pair(0, (QStringList{QStringLiteral("a-brightened.bmp"), QStringLiteral("b-brightened.bmp"),
                                                                     QStringLiteral("c-brightened.bmp")})));
    EXPECT_EQ(found({".png", "TIF"}), std::make_pair(0, (QStringList{QStringLiteral("b-brightened.bmp"), QStringLiteral("d-brightened.bmp")})));
    EXPECT_EQ(found({"jpg,.jpg,JPG"}), std::make_pair(0, QStringList{QStringLiteral("a-brightened.bmp")}));
    EXPECT_EQ(found({"heic,avif"}).first, 1);
    EXPECT_EQ(cli.errorText, in + QStringLiteral(": no file ending in .heic, .avif found in the folder\n"));
    EXPECT_EQ(found({","}).first, 2);
    EXPECT_EQ(found({"*.jpg"}).first, 2);
}

TEST(Cli, FormatKeepWritesEachResultInItsSourcesFormat)
{
    Cli cli;
    const QImage picture = noisyPicture(12, 8, 5);
    QStringList sources;
    const auto source = [&](const QString &name, const QByteArray &bytes) {
        const QString path = cli.dir.filePath(QStringLiteral("in/") + name);
        writeBytes(path, bytes);
        sources << path;
    };
    source(QStringLiteral("a.jpg"), encodePicture(picture, EncodeOptions{PictureFormat::Jpeg, 90}, MetadataBlocks()));
    source(QStringLiteral("b.png"), encodePicture(picture, EncodeOptions{PictureFormat::Png, 0}, MetadataBlocks()));
    source(QStringLiteral("c.tiff"), encodePicture(picture, EncodeOptions{PictureFormat::Tiff, 0}, MetadataBlocks()));
    source(QStringLiteral("d.webp"), encodePicture(picture, EncodeOptions{PictureFormat::Webp, 90}, MetadataBlocks()));
    source(QStringLiteral("e.jxl"), encodePicture(picture, EncodeOptions{PictureFormat::Jxl, 90}, MetadataBlocks()));
    source(QStringLiteral("f.bmp"), encodePicture(picture, EncodeOptions{PictureFormat::Bmp, 0}, MetadataBlocks()));
    source(QStringLiteral("g.gif"),
           QByteArray("GIF89a\x02\0\x02\0\x80\0\0\xff\0\0\0\0\xff\x2c\0\0\0\0\x02\0\x02\0\0\x02\x03\x84\x1d\x05\0\x3b", 35));
    source(QStringLiteral("h.dng"), libtiffDng(32, 24));
    const bool heic = heifEncoderAvailable(false), avif = heifEncoderAvailable(true);
    if (heic)
        source(QStringLiteral("i.heic"), encodePicture(picture, EncodeOptions{PictureFormat::Heif, 90}, MetadataBlocks()));
    if (avif)
        source(QStringLiteral("j.avif"), encodePicture(picture, EncodeOptions{PictureFormat::Avif, 90}, MetadataBlocks()));
    ASSERT_EQ(cli.run(args({"--adjust", "contrast", "--strength", "20", "--format", "keep", "--output"}) << cli.out << sources), 0)
        << qPrintable(cli.errorText);
    QStringList expected{QStringLiteral("a-contrasted.jpg"), QStringLiteral("b-contrasted.png"), QStringLiteral("c-contrasted.tif"),
                         QStringLiteral("d-contrasted.webp"), QStringLiteral("e-contrasted.jxl"), QStringLiteral("f-contrasted.bmp"),
                         QStringLiteral("g-contrasted.png"), QStringLiteral("h-contrasted.tif")};
    if (heic)
        expected << QStringLiteral("i-contrasted.heic");
    if (avif)
        expected << QStringLiteral("j-contrasted.avif");
    EXPECT_EQ(cli.written(), expected);
    const std::map<QString, PictureFormat> contentOf{
        {QStringLiteral("jpg"), PictureFormat::Jpeg}, {QStringLiteral("png"), PictureFormat::Png},
        {QStringLiteral("tif"), PictureFormat::Tiff}, {QStringLiteral("webp"), PictureFormat::Webp},
        {QStringLiteral("jxl"), PictureFormat::Jxl},  {QStringLiteral("bmp"), PictureFormat::Bmp},
        {QStringLiteral("heic"), PictureFormat::Heif}, {QStringLiteral("avif"), PictureFormat::Avif}};
    for (const QString &name : cli.written()) {
        const DecodedPicture back = decodePictureFile(QDir(cli.out).filePath(name)).value();
        EXPECT_EQ(back.format, contentOf.at(QFileInfo(name).suffix())) << qPrintable(name);
        EXPECT_FALSE(back.image.isNull()) << qPrintable(name);
    }
    // A JPEG kept as JPEG is the file --format jpg writes.
    QTemporaryDir jpg;
    ASSERT_EQ(cli.run(args({"--adjust", "contrast", "--strength", "20", "--output"}) << jpg.path() << sources.first()), 0);
    EXPECT_EQ(contents(QDir(jpg.path()).filePath(QStringLiteral("a-contrasted.jpg"))),
              contents(QDir(cli.out).filePath(QStringLiteral("a-contrasted.jpg"))));
    // A format no row of the table names is a mistake, not a TIFF.
    EXPECT_EQ(cli.run(args({"--adjust", "contrast", "--strength", "20", "--format", "jp2", "--output"}) << cli.out << sources.first()), 2);
    EXPECT_TRUE(cli.errorText.startsWith(QStringLiteral("lumivex: --format must be one of jpg bmp png webp tiff jxl heic avif keep\n")))
        << qPrintable(cli.errorText);
}

namespace {

// The built program started as a shell starts it, left running.
std::unique_ptr<QProcess> startProgram(const QString &program, const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process->setProcessEnvironment(environment);
    process->start(program, arguments);
    EXPECT_TRUE(process->waitForStarted());
    return process;
}

QStringList everythingIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Sources large enough that a batch of them is still at work when interrupted.
QStringList manyPictures(Cli &cli, int count, int size)
{
    QStringList sources;
    for (int i = 0; i < count; ++i)
        sources << writePicture(cli.dir, QStringLiteral("in/p%1.png").arg(i, 3, 10, QLatin1Char('0')),
                                noisyPicture(size, size, unsigned(i + 1)));
    return sources;
}

} // namespace

// Interrupted by SIGINT or SIGTERM a batch finishes the files in hand and exits 130 or 143;
// killed outright it leaves no file of its own either. Every output there is whole: exactly its
// picture.
// The peak memory of the built program run to its end, as the kernel counted it for that
// process alone; -1 if it could not be started or did not end normally.
long peakKilobytesOfRun(const QStringList &arguments)
{
    std::vector<QByteArray> bytes{QByteArray(LUMIVEX_EXECUTABLE)};
    for (const QString &argument : arguments)
        bytes.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

// What an AV1 or JPEG XL encoder freed on one worker must not stay held beside the budget by
// each of the others: several workers encoding one after another stay within --memory, not
// within the budget plus one encoder's memory per worker.
TEST(Program, EncodersOnSeveralWorkersStayWithinTheMemoryAsked)
{
    QTemporaryDir dir;
    QStringList sources;
    QDir().mkpath(dir.filePath(QStringLiteral("out")));
    for (int i = 0; i < 6; ++i)
        sources << writePicture(dir, QStringLiteral("p%1.jpg").arg(i), noisyPicture(1500, 1000, i + 1), "jpg");
    // One item (6 MB of picture, about 90 MB of encoder) fits at a time.
    const long peak = peakKilobytesOfRun(QStringList{QStringLiteral("--adjust"), QStringLiteral("brightness"),
                                                     QStringLiteral("--strength"), QStringLiteral("10"), QStringLiteral("--format"),
                                                     QStringLiteral("jxl"), QStringLiteral("--quality"), QStringLiteral("90"),
                                                     QStringLiteral("--jobs"), QStringLiteral("4"), QStringLiteral("--memory"),
                                                     QStringLiteral("150"), QStringLiteral("--output"), dir.filePath(QStringLiteral("out"))}
                                         + sources);
    ASSERT_GT(peak, 0) << "the batch did not end normally";
    // The budget, and the program with its workers' file buffers beside it.
    EXPECT_LT(peak, (150 + 90) * 1024L) << peak / 1024 << " MB";
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files).size(), 6);
}

TEST(Program, AnInterruptedBatchLeavesOnlyWholeFiles)
{
    Cli cli;
    const QStringList sources = manyPictures(cli, 60, 400);
    // Only unnamed files vanish with a killed process; a file system without them (overlayfs
    // before Linux 6.6) gets named temporary files, which SIGKILL can leave.
    const int unnamed = ::open(QFile::encodeName(cli.out).constData(), O_TMPFILE | O_WRONLY, 0600);
    if (unnamed >= 0)
        ::close(unnamed);
    for (int signal : {SIGINT, SIGTERM, SIGKILL}) {
        if (signal == SIGKILL && unnamed < 0)
            GTEST_SKIP() << "no unnamed files on this file system: SIGKILL not tried";
        QDir(cli.out).removeRecursively();
        QDir().mkpath(cli.out);
        auto process = startProgram(QStringLiteral(LUMIVEX_EXECUTABLE),
                                    args({"--adjust", "softening", "--strength", "3", "--format", "png", "--jobs", "2",
                                          "--quiet", "--output"})
                                        << cli.out << cli.dir.filePath(QStringLiteral("in")));
        // Interrupted once it is under way, with outputs made and more to come.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (cli.written().size() < 2 && process->state() == QProcess::Running && std::chrono::steady_clock::now() < giveUp)
            process->waitForFinished(5);
        ASSERT_EQ(process->state(), QProcess::Running) << "the batch ended before it could be interrupted";
        ::kill(pid_t(process->processId()), signal);
        ASSERT_TRUE(process->waitForFinished(60000));
        if (signal != SIGKILL) {
            EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(process->exitCode(), 128 + signal);
            EXPECT_TRUE(QString::fromLocal8Bit(process->readAllStandardError())
                            .contains(signal == SIGINT ? QStringLiteral("stopped by SIGINT") : QStringLiteral("stopped by SIGTERM")));
        }
        const QStringList left = everythingIn(cli.out);
        EXPECT_LT(left.size(), sources.size()) << signal;
        EXPECT_EQ(left, cli.written()) << "files of our own left: " << left.join(QLatin1Char(' ')).toStdString();
        for (const QString &name : left) {
            const QString source = cli.dir.filePath(QStringLiteral("in/") + name.section(QLatin1Char('-'), 0, 0) + QStringLiteral(".png"));
            EXPECT_EQ(decodePicture(QDir(cli.out).filePath(name)).value(), sourceToResult(source, AdjustmentKind::Softening, 3))
                << qPrintable(name);
        }
    }
}

// Two batches with --no-clobber into one folder: each name is claimed by exactly one of them,
// the other saying it exists, and no result replaces another.
TEST(Program, NoClobberHoldsBetweenTwoBatchesAtOnce)
{
    Cli cli;
    const QStringList sources = manyPictures(cli, 30, 160);
    const QStringList arguments =
        args({"--adjust", "brightness", "--strength", "20", "--no-clobber", "--format", "bmp", "--jobs", "1", "--output"})
        << cli.out << sources;
    auto first = startProgram(QStringLiteral(LUMIVEX_EXECUTABLE), arguments);
    auto second = startProgram(QStringLiteral(LUMIVEX_EXECUTABLE), arguments);
    ASSERT_TRUE(first->waitForFinished(60000));
    ASSERT_TRUE(second->waitForFinished(60000));
    QMap<QString, int> claimed;
    for (QProcess *process : {first.get(), second.get()}) {
        ASSERT_EQ(process->exitStatus(), QProcess::NormalExit);
        const QString errors = QString::fromLocal8Bit(process->readAllStandardError());
        for (const QString &source : sources) {
            const QString name = QFileInfo(source).completeBaseName() + QStringLiteral("-brightened.bmp");
            if (!errors.contains(QDir(cli.out).filePath(name) + QStringLiteral(": exists\n")))
                ++claimed[name];
        }
    }
    ASSERT_EQ(claimed.size(), sources.size());
    for (auto it = claimed.cbegin(); it != claimed.cend(); ++it)
        EXPECT_EQ(it.value(), 1) << qPrintable(it.key()) << " reported written by both";
    EXPECT_EQ(everythingIn(cli.out).size(), sources.size());
}

// A listed source reached through a bind mount of its folder is the same file, and is never
// written. Mounting takes a user namespace; where the system gives none the test is skipped.
TEST(Program, ASourceSeenThroughABindMountIsNeverWritten)
{
    Cli cli;
    const QString a = writePicture(cli.dir, QStringLiteral("in/a.png"), noisyPicture(7, 5, 1));
    const QString namesake = writePicture(cli.dir, QStringLiteral("in/a-brightened.jpg"), noisyPicture(6, 6, 2), "jpg");
    const QByteArray before = contents(namesake);
    const QString mount = cli.dir.filePath(QStringLiteral("mount"));
    QDir().mkpath(mount);
    const QString script = QStringLiteral("mount --bind \"$1\" \"$2\" || exit 77; shift 2; exec \"$@\"");
    const QStringList inNamespace{QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh"),
                                  cli.dir.filePath(QStringLiteral("in")), mount};
    {
        QProcess probe;
        probe.start(QStringLiteral("unshare"), QStringList(inNamespace) << QStringLiteral("true"));
        if (!probe.waitForFinished(20000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
            GTEST_SKIP() << "no bind mount possible here";
    }
    auto process = startProgram(QStringLiteral("unshare"), QStringList(inNamespace)
                                                               << QStringLiteral(LUMIVEX_EXECUTABLE)
                                                               << args({"--adjust", "brightness", "--strength", "40", "--output"})
                                                               << mount << a << namesake);
    ASSERT_TRUE(process->waitForFinished(60000));
    const QString errors = QString::fromLocal8Bit(process->readAllStandardError());
    EXPECT_EQ(process->exitCode(), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("the output would replace a source file"))) << errors.toStdString();
    EXPECT_EQ(contents(namesake), before);
}

// --keep-tree enters each folder below DIR without following links: a link planted there, to a
// folder outside DIR, fails that picture with the reason, and nothing lands outside.
TEST(Cli, KeepTreeNeverWritesThroughALinkBelowTheOutputFolder)
{
    Cli cli;
    const QString inside = writePicture(cli.dir, QStringLiteral("in/sub/p.png"), noisyPicture(5, 4, 2));
    writePicture(cli.dir, QStringLiteral("in/top.png"), noisyPicture(4, 4, 1));
    const QString elsewhere = cli.dir.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere);
    ASSERT_TRUE(QFile::link(QStringLiteral("../elsewhere"), QDir(cli.out).filePath(QStringLiteral("sub"))));
    EXPECT_EQ(cli.run(args({"--adjust", "brightness", "--strength", "10", "--keep-tree", "--output"})
                          << cli.out << cli.dir.filePath(QStringLiteral("in"))),
              1);
    EXPECT_TRUE(everythingIn(elsewhere).isEmpty());
    EXPECT_EQ(cli.errorText, inside + QStringLiteral(": cannot write ") + cli.out + QStringLiteral("/sub/p-brightened.jpg (") +
                                 cli.out + QStringLiteral("/sub is a symbolic link, not a folder)\n"));
    EXPECT_EQ(cli.written(), QStringList{QStringLiteral("top-brightened.jpg")});
}

// Output names up to the file system's limit are written; a longer one fails naming the limit.
TEST(Cli, OutputNamesUpToTheFileSystemsLimit)
{
    Cli cli;
    const int limit = int(pathconf(QFile::encodeName(cli.out).constData(), _PC_NAME_MAX));
    const int word = int(qstrlen("-brightened.jpg"));
    const QString longest = writePicture(cli.dir, QStringLiteral("in/") + QString(limit - word, QLatin1Char('a')) + QStringLiteral(".png"),
                                         noisyPicture(4, 3, 1));
    const QString tooLong = writePicture(cli.dir, QStringLiteral("in/") + QString(limit - word + 1, QLatin1Char('b')) + QStringLiteral(".png"),
                                         noisyPicture(4, 3, 2));
    EXPECT_EQ(cli.run(args({"--adjust", "brightness", "--strength", "10", "--output"}) << cli.out << longest << tooLong), 1);
    EXPECT_EQ(cli.written(), QStringList{QString(limit - word, QLatin1Char('a')) + QStringLiteral("-brightened.jpg")});
    EXPECT_EQ(cli.errorText, tooLong + QStringLiteral(": cannot write ") + cli.out + QLatin1Char('/') +
                                 QString(limit - word + 1, QLatin1Char('b')) +
                                 QStringLiteral("-brightened.jpg (the name is longer than the %1 bytes the file system allows)\n").arg(limit));
    EXPECT_EQ(everythingIn(cli.out).size(), 1);
}
