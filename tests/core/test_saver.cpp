// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/jpeg_writer.h"
#include "engine/save_results.h"
#include "core/error_report.h"
#include "core/picture.h"
#include "test_images.h"
#include "write_limit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <mutex>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumivex;
using namespace lumivex::testing;

TEST(OutputNames, StemWordAndLowerCaseExtension)
{
    EXPECT_EQ(outputFileName(QStringLiteral("/pics/photo.jpg"), QStringLiteral("brightened"), OutputFormat::Bmp),
              QStringLiteral("photo-brightened.bmp"));
    EXPECT_EQ(outputFileName(QStringLiteral("/pics/a..b.gif"), QStringLiteral("softened"), OutputFormat::Jpeg),
              QStringLiteral("a..b-softened.jpg"));
    EXPECT_EQ(outputFileName(QStringLiteral("/Pics/Holiday.2014.PNG"), QStringLiteral("contrasted"), OutputFormat::Jpeg),
              QStringLiteral("Holiday.2014-contrasted.jpg"));
    EXPECT_EQ(outputFileName(QStringLiteral("/pics/README"), QStringLiteral("sharpened"), OutputFormat::Bmp),
              QStringLiteral("README-sharpened.bmp"));
}

TEST(OutputFolder, OnlyAnExistingFolderPasses)
{
    QTemporaryDir dir;
    EXPECT_TRUE(outputFolderExists(dir.path()));
    EXPECT_TRUE(outputFolderExists(dir.path() + QLatin1Char('/')));
    EXPECT_TRUE(outputFolderExists(QStringLiteral("/")));
    EXPECT_FALSE(outputFolderExists(QString()));
    EXPECT_FALSE(outputFolderExists(dir.filePath(QStringLiteral("nope"))));
    QFile file(dir.filePath(QStringLiteral("a-file")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(outputFolderExists(file.fileName()));
}

TEST(SaveJpg, QualityOneAndHundredGiveValidFilesOfClearlyDifferentSize)
{
    QTemporaryDir dir;
    const QImage picture = noisyPicture(97, 61);
    const QString low = dir.filePath(QStringLiteral("q1.jpg")), high = dir.filePath(QStringLiteral("q100.jpg"));
    SaveJPG(picture, low, 1);
    SaveJPG(picture, high, 100);
    EXPECT_GT(QFileInfo(high).size(), 3 * QFileInfo(low).size());
    for (const QString &path : {low, high}) {
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray("jpeg"));
        EXPECT_EQ(reader.read().size(), picture.size());
    }
}

TEST(SaveJpg, FailuresCarryTheStatusNumber)
{
    QTemporaryDir dir;
    try {
        SaveJPG(noisyPicture(4, 4), dir.filePath(QStringLiteral("missing/out.jpg")), 80);
        FAIL();
    } catch (const StepFailure &f) {
        EXPECT_EQ(f.description(), QStringLiteral("Cannot save the image. GDI+ Error:7"));
    }
    try {
        SaveJPG(QImage(), dir.filePath(QStringLiteral("out.jpg")), 80);
        FAIL();
    } catch (const StepFailure &f) {
        EXPECT_EQ(f.description(), QStringLiteral("Cannot save the image. GDI+ Error:2"));
    }
}

namespace {

struct Batch {
    QTemporaryDir dir;
    QStringList sources;
    ResultList results;
    Batch(int count)
    {
        QDir(dir.path()).mkpath(QStringLiteral("in"));
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        for (int i = 0; i < count; ++i) {
            const QImage picture = noisyPicture(20 + i, 10 + i, unsigned(i));
            sources << writePicture(dir, QStringLiteral("in/p%1.png").arg(i), picture);
            if (i > 0)
                results.create(i);
            results.setPicture(i, ResultPicture(picture));
        }
        results.mTotalImages = count - 1;
        results.resultWord = QStringLiteral("brightened");
    }
    SaveSettings settings(OutputFormat format) const
    {
        SaveSettings s;
        s.folder = dir.filePath(QStringLiteral("out")) + QLatin1Char('/');
        s.format = format;
        s.quality = 85;
        s.resultWord = results.resultWord;
        return s;
    }
};

} // namespace

TEST(SaveResults, BmpFilesDecodeBackToExactlyTheResults)
{
    Batch batch(5);
    const auto outcomes = saveResults(batch.settings(OutputFormat::Bmp), batch.sources, batch.results, 3);
    ASSERT_EQ(outcomes.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(outcomes[std::size_t(i)].written) << outcomes[std::size_t(i)].failure.toStdString();
        EXPECT_EQ(outcomes[std::size_t(i)].path, batch.dir.filePath(QStringLiteral("out/p%1-brightened.bmp").arg(i)));
        EXPECT_EQ(decodePicture(outcomes[std::size_t(i)].path).value(), batch.results.picture(i).image());
    }
}

TEST(SaveResults, EmptyResultsAndSourcesAreNeverWritten)
{
    Batch batch(3);
    batch.results.setPicture(1, ResultPicture(QImage(), QStringLiteral("The picture could not be read: x")));
    // An output folder that is the sources' own, and a result word that makes an output name
    // equal to a source: that item must be refused, the source left as it was.
    QFile::copy(batch.sources[2], batch.dir.filePath(QStringLiteral("in/p2-brightened.bmp")));
    QStringList sources = batch.sources;
    sources[2] = batch.dir.filePath(QStringLiteral("in/p2-brightened.bmp"));
    const QByteArray before = [&] { QFile f(sources[2]); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    SaveSettings settings = batch.settings(OutputFormat::Bmp);
    settings.folder = batch.dir.filePath(QStringLiteral("in"));
    sources[2] = batch.dir.filePath(QStringLiteral("in/p2-brightened.bmp"));
    // The third item's source is named p2-brightened.bmp; another listed item would write that name.
    sources << batch.dir.filePath(QStringLiteral("in/p2.png"));
    batch.results.create(3);
    batch.results.setPicture(3, ResultPicture(noisyPicture(2, 2)));
    const auto outcomes = saveResults(settings, sources, batch.results, 2);
    EXPECT_TRUE(outcomes[0].written);
    EXPECT_FALSE(outcomes[1].written);
    EXPECT_EQ(outcomes[1].step, 130);
    EXPECT_TRUE(outcomes[1].failure.contains(QStringLiteral("could not be read")));
    EXPECT_FALSE(outcomes[3].written);
    EXPECT_TRUE(outcomes[3].failure.contains(QStringLiteral("source")));
    const QByteArray after = [&] { QFile f(sources[2]); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_EQ(before, after);
}

TEST(BatchTargets, LaterItemsOfTheSameNameGetTheNextFreeNumber)
{
    const QString out = QStringLiteral("/out/");
    const QStringList natural = {out + QStringLiteral("x-softened.jpg"), out + QStringLiteral("y-softened.jpg"),
                                 out + QStringLiteral("x-softened.jpg"), QStringLiteral("/out//x-softened.jpg"),
                                 // A source really named "x-softened (3)" … would give this one:
                                 out + QStringLiteral("x-softened (3).jpg"), out + QStringLiteral("y-softened.jpg"),
                                 QStringLiteral("/other/x-softened.jpg")};
    const std::vector<BatchTarget> targets = batchTargets(natural);
    ASSERT_EQ(targets.size(), 7u);
    const QStringList expected = {out + QStringLiteral("x-softened.jpg"), out + QStringLiteral("y-softened.jpg"),
                                  out + QStringLiteral("x-softened (2).jpg"), QStringLiteral("/out//x-softened (4).jpg"),
                                  out + QStringLiteral("x-softened (3).jpg"), out + QStringLiteral("y-softened (2).jpg"),
                                  QStringLiteral("/other/x-softened.jpg")};
    const bool renamed[] = {false, false, true, true, false, true, false};
    for (std::size_t i = 0; i < targets.size(); ++i) {
        EXPECT_EQ(targets[i].path, expected[int(i)]) << i;
        EXPECT_EQ(targets[i].renamed, renamed[i]) << i;
    }
    EXPECT_EQ(numberedFileName(QStringLiteral("a.b-sharpened.bmp"), 12), QStringLiteral("a.b-sharpened (12).bmp"));
    EXPECT_TRUE(batchTargets({}).empty());
}

TEST(SaveResults, SameStemItemsAreAllKeptUnderNumberedNames)
{
    Batch batch(4);
    // Two differing only in the extension, one of the same name from another folder, and one
    // whose output existed before the save: that file is replaced, as ever.
    QDir(batch.dir.path()).mkpath(QStringLiteral("in/other"));
    const QStringList sources = {batch.dir.filePath(QStringLiteral("in/x.png")), batch.dir.filePath(QStringLiteral("in/x.gif")),
                                 batch.dir.filePath(QStringLiteral("in/other/x.png")),
                                 batch.dir.filePath(QStringLiteral("in/y.png"))};
    const QString stale = batch.dir.filePath(QStringLiteral("out/y-brightened.bmp"));
    savePictureAsBmp(noisyPicture(3, 3, 99), stale);
    std::vector<int> heard;
    std::mutex heardMutex;
    std::vector<SaveItem> items;
    for (int i = 0; i < 4; ++i)
        items.push_back(SaveItem::held(sources[i], batch.results.picture(i).image()));
    const auto outcomes = saveItems(batch.settings(OutputFormat::Bmp), items, sources,
                                    [&](int i, const SaveOutcome &) {
                                        std::lock_guard<std::mutex> lock(heardMutex);
                                        heard.push_back(i);
                                    },
                                    3);
    const QStringList names = {QStringLiteral("x-brightened.bmp"), QStringLiteral("x-brightened (2).bmp"),
                               QStringLiteral("x-brightened (3).bmp"), QStringLiteral("y-brightened.bmp")};
    for (int i = 0; i < 4; ++i) {
        const SaveOutcome &o = outcomes[std::size_t(i)];
        ASSERT_TRUE(o.written) << qPrintable(o.failure);
        EXPECT_EQ(o.path, batch.dir.filePath(QStringLiteral("out/") + names[i]));
        EXPECT_EQ(o.renamed, i == 1 || i == 2);
        EXPECT_EQ(decodePicture(o.path).value(), batch.results.picture(i).image()) << i; // nothing lost
    }
    EXPECT_EQ(QDir(batch.dir.filePath(QStringLiteral("out"))).entryList(QDir::Files).size(), 4);
    EXPECT_EQ(heard.size(), 4u);
}

TEST(SaveResults, ExistingTargetReplacedAndFailingWriteLeavesNoTruncatedFile)
{
    Batch batch(2);
    const SaveSettings settings = batch.settings(OutputFormat::Jpeg);
    saveResults(settings, batch.sources, batch.results, 1);
    const QString target = batch.dir.filePath(QStringLiteral("out/p0-brightened.jpg"));
    const qint64 firstSize = QFileInfo(target).size();
    batch.results.setPicture(0, ResultPicture(noisyPicture(300, 200, 9)));
    {
        FileSizeLimit limit(std::max<qint64>(firstSize + 10, 2000));
        const auto failed = saveResults(settings, batch.sources, batch.results, 1);
        EXPECT_FALSE(failed[0].written);
        EXPECT_EQ(failed[0].failure, QStringLiteral("Cannot save the image. GDI+ Error:7"));
    }
    EXPECT_EQ(QFileInfo(target).size(), firstSize); // the good file still stands
    EXPECT_EQ(QDir(batch.dir.filePath(QStringLiteral("out"))).entryList(QDir::Files).size(), 2);
    const auto replaced = saveResults(settings, batch.sources, batch.results, 1);
    EXPECT_TRUE(replaced[0].written);
    EXPECT_EQ(decodePicture(target).value().size(), QSize(300, 200));
}

TEST(SaveResults, UnwritableFolderFailsEveryItemInOrder)
{
    Batch batch(3);
    SaveSettings settings = batch.settings(OutputFormat::Jpeg);
    settings.folder = QStringLiteral("/proc"); // a folder nobody, root included, can create files in
    const auto outcomes = saveResults(settings, batch.sources, batch.results, 2);
    for (const SaveOutcome &o : outcomes) {
        EXPECT_FALSE(o.written);
        EXPECT_EQ(o.step, 134);
    }
}

TEST(SaveResults, OutputFolderLinkingToTheSourcesNeverReplacesASource)
{
    Batch batch(2);
    // The second listed source carries the name the first one's result would be saved under,
    // and the output folder reaches the sources' folder through a symbolic link.
    const QString namesake = batch.dir.filePath(QStringLiteral("in/p0-brightened.bmp"));
    ASSERT_TRUE(QFile::copy(batch.sources[1], namesake));
    const QString link = batch.dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(batch.dir.filePath(QStringLiteral("in")), link));
    const QStringList sources{batch.sources[0], namesake};
    const QByteArray before = [&] { QFile f(namesake); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    SaveSettings settings = batch.settings(OutputFormat::Bmp);
    settings.folder = link;
    const auto outcomes = saveResults(settings, sources, batch.results, 1);
    EXPECT_FALSE(outcomes[0].written);
    EXPECT_TRUE(outcomes[0].failure.contains(QStringLiteral("source"))) << outcomes[0].failure.toStdString();
    const QByteArray after = [&] { QFile f(namesake); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_EQ(before, after);
}

// A source is known by its device and inode, not by its path: an output name that is a hard link
// to a listed source, or a source listed through a linked folder, is never replaced, and the
// items that touch no source are saved.
TEST(SaveResults, ASourceReachedByAnotherPathIsNeverReplaced)
{
    Batch batch(3);
    const QString out = batch.dir.filePath(QStringLiteral("out"));
    // A hard link in the output folder, named as item 0's result, to the listed source p2.png.
    const QString hardLink = out + QStringLiteral("/p0-brightened.bmp");
    ASSERT_EQ(::link(QFile::encodeName(batch.sources[2]).constData(), QFile::encodeName(hardLink).constData()), 0);
    // Item 1 listed through a linked folder, its result named as another listed source there.
    const QString linkedFolder = batch.dir.filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(batch.dir.filePath(QStringLiteral("in")), linkedFolder));
    const QString namesake = batch.dir.filePath(QStringLiteral("in/p1-brightened.bmp"));
    savePictureAsBmp(noisyPicture(4, 4, 7), namesake);
    const QStringList sources{batch.sources[0], linkedFolder + QStringLiteral("/p1.png"), batch.sources[2],
                              linkedFolder + QStringLiteral("/p1-brightened.bmp")};
    batch.results.create(3);
    batch.results.setPicture(3, ResultPicture(noisyPicture(4, 4, 8)));
    const QByteArray p2 = [&] { QFile f(batch.sources[2]); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    const QByteArray p1Namesake = [&] { QFile f(namesake); f.open(QIODevice::ReadOnly); return f.readAll(); }();

    SaveSettings settings = batch.settings(OutputFormat::Bmp);
    const auto intoOut = saveResults(settings, sources, batch.results, 2);
    EXPECT_FALSE(intoOut[0].written);
    EXPECT_EQ(intoOut[0].failure, QStringLiteral("Not saved: the output would replace a source file: ") + hardLink);
    EXPECT_TRUE(intoOut[1].written) << qPrintable(intoOut[1].failure);
    EXPECT_TRUE(intoOut[2].written) << qPrintable(intoOut[2].failure);
    struct stat source {}, link {};
    ASSERT_EQ(stat(QFile::encodeName(batch.sources[2]).constData(), &source), 0);
    ASSERT_EQ(stat(QFile::encodeName(hardLink).constData(), &link), 0);
    EXPECT_EQ(source.st_ino, link.st_ino); // the link still is the source

    settings.folder = batch.dir.filePath(QStringLiteral("in"));
    const auto intoSources = saveResults(settings, sources, batch.results, 2);
    EXPECT_FALSE(intoSources[1].written);
    EXPECT_TRUE(intoSources[1].failure.startsWith(QStringLiteral("Not saved: the output would replace a source file: ")));
    const QByteArray p2After = [&] { QFile f(batch.sources[2]); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    const QByteArray p1NamesakeAfter = [&] { QFile f(namesake); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_EQ(p2After, p2);
    EXPECT_EQ(p1NamesakeAfter, p1Namesake);
}
