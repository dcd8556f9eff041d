// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/batch_session.h"
#include "engine/pipeline.h"
#include "engine/save_results.h"
#include "scripted_dialogs.h"
#include "session_driver.h"
#include "core/error_report.h"
#include "core/picture.h"
#include "test_images.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

QImage photoLike(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(30, 60, 120));
    g.setColorAt(1, QColor(250, 200, 90));
    p.fillRect(image.rect(), g);
    p.setBrush(QColor(20, 120, 40));
    p.drawEllipse(w / 4, h / 4, w / 2, h / 3);
    return image;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

std::vector<SaveOutcome> saveAs(const SessionDriver &run, const QString &folder, OutputFormat format)
{
    QDir().mkpath(folder);
    SaveSettings settings;
    settings.folder = folder;
    settings.format = format;
    settings.quality = 90;
    settings.resultWord = run.session->results().resultWord;
    return saveResults(settings, *run.session, 2);
}

int recipes(const ResultList &results)
{
    int count = 0;
    for (int i = 0; i < results.itemCount(); ++i)
        count += results.picture(i).isRecipe() ? 1 : 0;
    return count;
}

} // namespace

// Results are held as pictures only within a budget, none by default; the others are made again
// when shown or saved (a JPEG result from a JPEG source a band at a time, as on the command
// line): the same pixels, the same files, and none refused however small the budget.
TEST(RecipeResults, HeldOrMadeAgainTheSamePicturesAndFiles)
{
    QTemporaryDir dir;
    QStringList sources;
    for (int i = 0; i < 5; ++i)
        sources << writePicture(dir, QStringLiteral("p%1.%2").arg(i).arg(i < 3 ? "jpg" : "png"),
                                i % 2 ? photoLike(120, 90) : noisyPicture(61, 47, unsigned(i)), i < 3 ? "jpg" : "png");
    const std::size_t everything = std::size_t(1) << 40;

    for (AdjustmentKind kind : {AdjustmentKind::Softening, AdjustmentKind::Contrast}) {
        SessionDriver held(kind, sources);
        held.results().setMemoryBudget(everything);
        ASSERT_TRUE(held.runToEnd(3));
        EXPECT_EQ(recipes(held.results()), 0);

        // Room for the first two results (and the recipes, a few hundred bytes each), then for
        // none, as by default.
        const std::size_t twoPictures = std::size_t(61 * 47 * 4 + 120 * 90 * 4) + 4096;
        for (std::size_t budget : {twoPictures, std::size_t(0)}) {
            SessionDriver tight(kind, sources);
            if (budget > 0)
                tight.results().setMemoryBudget(budget);
            ASSERT_TRUE(tight.runToEnd(3));
            EXPECT_TRUE(tight.reporter.reports.empty());
            EXPECT_LE(tight.results().memoryInUse(), budget == 0 ? 5 * 1024 : budget);
            EXPECT_EQ(recipes(tight.results()), budget == 0 ? 5 : 3);
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ(tight.results().picture(i).image(), held.results().picture(i).image()) << i;
        }
    }

    SessionDriver held(AdjustmentKind::Sharpening, sources);
    held.results().setMemoryBudget(everything);
    ASSERT_TRUE(held.runToEnd(4));
    SessionDriver recipe(AdjustmentKind::Sharpening, sources);
    ASSERT_TRUE(recipe.runToEnd(4));
    ASSERT_EQ(recipes(recipe.results()), 5);
    for (OutputFormat format : {OutputFormat::Bmp, OutputFormat::Jpeg}) {
        for (const SaveOutcome &o : saveAs(held, dir.filePath(QStringLiteral("held")), format))
            EXPECT_TRUE(o.written) << qPrintable(o.failure);
        for (const SaveOutcome &o : saveAs(recipe, dir.filePath(QStringLiteral("recipe")), format))
            EXPECT_TRUE(o.written) << qPrintable(o.failure);
    }
    const QStringList names = QDir(dir.filePath(QStringLiteral("held"))).entryList(QDir::Files);
    ASSERT_EQ(names.size(), 10);
    for (const QString &name : names)
        EXPECT_EQ(contents(dir.filePath(QStringLiteral("held/") + name)), contents(dir.filePath(QStringLiteral("recipe/") + name)))
            << qPrintable(name);
}

// A source rewritten, merely touched or removed after the run would give a different result:
// that item is reported and not written, while the others are saved.
TEST(RecipeResults, SourceChangedSinceTheRunIsReportedNotSaved)
{
    QTemporaryDir dir;
    const QStringList sources = {writePicture(dir, QStringLiteral("kept.png"), noisyPicture(40, 30, 1)),
                                 writePicture(dir, QStringLiteral("same.png"), noisyPicture(40, 30, 2)),
                                 writePicture(dir, QStringLiteral("touched.jpg"), noisyPicture(40, 30, 3), "jpg"),
                                 writePicture(dir, QStringLiteral("rewritten.jpg"), noisyPicture(40, 30, 4), "jpg"),
                                 writePicture(dir, QStringLiteral("removed.jpg"), noisyPicture(40, 30, 5), "jpg")};
    SessionDriver run(AdjustmentKind::Brightness, sources);
    run.results().setMemoryBudget(40 * 30 * 4); // the first result is held, the others are recipes
    ASSERT_TRUE(run.runToEnd(25));
    ASSERT_EQ(recipes(run.results()), 4);

    writePicture(dir, QStringLiteral("kept.png"), noisyPicture(40, 30, 9)); // held: unaffected
    {
        QFile touched(sources[2]);
        ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
        ASSERT_TRUE(touched.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }
    writePicture(dir, QStringLiteral("rewritten.jpg"), noisyPicture(40, 30, 7), "jpg");
    ASSERT_TRUE(QFile::remove(sources[4]));

    EXPECT_NO_THROW(run.results().picture(1).image());
    for (int i : {2, 3, 4}) {
        try {
            run.results().picture(i).image();
            ADD_FAILURE() << "no failure for item " << i;
        } catch (const StepFailure &failure) {
            EXPECT_EQ(failure.description(), QStringLiteral("The source has changed since the run: ") + sources[i]);
        }
    }

    // JPEG results of JPEG sources are made again on the way to the file: the same check holds.
    std::vector<SaveOutcome> outcomes;
    for (OutputFormat format : {OutputFormat::Jpeg, OutputFormat::Bmp}) {
        outcomes = saveAs(run, dir.filePath(format == OutputFormat::Bmp ? QStringLiteral("bmp") : QStringLiteral("jpg")), format);
        ASSERT_EQ(outcomes.size(), 5u);
        EXPECT_TRUE(outcomes[0].written);
        EXPECT_TRUE(outcomes[1].written);
        for (int i : {2, 3, 4}) {
            EXPECT_FALSE(outcomes[std::size_t(i)].written) << i;
            EXPECT_EQ(outcomes[std::size_t(i)].failure, QStringLiteral("The source has changed since the run: ") + sources[i]);
            EXPECT_FALSE(QFile::exists(outcomes[std::size_t(i)].path)) << i;
        }
    }
    // The held result is the one made in the run, not one made from the file as it is now.
    EXPECT_EQ(decodePicture(outcomes[0].path).value(), run.results().picture(0).image());
    EXPECT_NE(run.results().picture(0).image(), sourceToResult(sources[0], AdjustmentKind::Brightness, 25));
}

namespace {

// Puts the times `like` had back on `path`, as `touch -r` does.
void takeTimesOf(const struct stat &like, const QString &path)
{
    const timespec times[2] = {like.st_atim, like.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

struct stat statOf(const QString &path)
{
    struct stat info {};
    EXPECT_EQ(stat(QFile::encodeName(path).constData(), &info), 0);
    return info;
}

} // namespace

// Size and modification time do not tell a file from another: a picture rewritten with other
// bytes of the same length and its old time put back, or another file of the same size and
// time linked in its place, is not the file the run read. Shown or saved, such an item is
// reported, while an untouched one still goes through.
TEST(RecipeResults, AnotherFileOfTheSameSizeAndTimeIsNotTheSource)
{
    QTemporaryDir dir;
    const QStringList sources = {writePicture(dir, QStringLiteral("kept.bmp"), noisyPicture(40, 30, 1), "bmp"),
                                 writePicture(dir, QStringLiteral("rewritten.bmp"), noisyPicture(40, 30, 2), "bmp"),
                                 writePicture(dir, QStringLiteral("retagged.jpg"), photoLike(40, 30), "jpg"),
                                 writePicture(dir, QStringLiteral("linked.bmp"), noisyPicture(40, 30, 3), "bmp")};
    const QString other = writePicture(dir, QStringLiteral("other.bmp"), noisyPicture(40, 30, 4), "bmp");
    SessionDriver run(AdjustmentKind::Brightness, sources);
    ASSERT_TRUE(run.runToEnd(25));
    ASSERT_EQ(recipes(run.results()), 4);

    const struct stat rewritten = statOf(sources[1]);
    {
        QFile f(sources[1]);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(contents(other));
    }
    takeTimesOf(rewritten, sources[1]);
    ASSERT_EQ(statOf(sources[1]).st_size, rewritten.st_size);

    // An editor that changes a tag in place, keeping size and time: here the JFIF density.
    const struct stat retagged = statOf(sources[2]);
    {
        QFile f(sources[2]);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(15));
        f.write("\x2a", 1);
    }
    takeTimesOf(retagged, sources[2]);

    const struct stat linked = statOf(sources[3]);
    const QString swapped = dir.filePath(QStringLiteral("swapped.bmp"));
    ASSERT_TRUE(QFile::copy(other, swapped));
    takeTimesOf(linked, swapped);
    ASSERT_TRUE(QFile::rename(sources[3], dir.filePath(QStringLiteral("linked-away.bmp"))));
    ASSERT_TRUE(QFile::link(swapped, sources[3]));
    ASSERT_EQ(stampSource(sources[3]).size, qint64(linked.st_size));

    const QString changed = QStringLiteral("The source has changed since the run: ");
    EXPECT_NO_THROW(run.results().picture(0).image());
    for (int i : {1, 2, 3}) {
        // As the results window shows it: made from the decode the Before pane shows.
        SourceStamp read;
        const QImage before = decodePicture(sources[i], &read).value();
        try {
            run.results().picture(i).imageMadeFrom(before, read);
            ADD_FAILURE() << "item " << i << " shown";
        } catch (const StepFailure &failure) {
            EXPECT_EQ(failure.description(), changed + sources[i]);
        }
        EXPECT_THROW(run.results().picture(i).image(), StepFailure) << i;
    }
    for (OutputFormat format : {OutputFormat::Jpeg, OutputFormat::Bmp}) {
        const auto outcomes = saveAs(run, dir.filePath(format == OutputFormat::Bmp ? QStringLiteral("bmp") : QStringLiteral("jpg")), format);
        ASSERT_EQ(outcomes.size(), 4u);
        EXPECT_TRUE(outcomes[0].written) << qPrintable(outcomes[0].failure);
        for (int i : {1, 2, 3}) {
            EXPECT_EQ(outcomes[std::size_t(i)].failure, changed + sources[i]) << i;
            EXPECT_FALSE(QFileInfo::exists(outcomes[std::size_t(i)].path)) << i;
        }
    }
}
