// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/batch_session.h"
#include "engine/decode_ahead.h"
#include "engine/pipeline.h"
#include "core/picture.h"
#include "session_driver.h"
#include "test_images.h"

#include <QFile>
#include <QThread>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

QImage brightened(QImage image, int v)
{
    ApplyBrightness(PixelView{image.width(), image.height(), image.bits()}, v);
    return image;
}

QImage sharpened(const QImage &picture, int v)
{
    QImage out = picture.copy();
    ApplySharpening(picture.constBits(), PixelView{picture.width(), picture.height(), out.bits()}, v);
    return out;
}

} // namespace

TEST(BatchSession, OneImage)
{
    QTemporaryDir dir;
    const QImage source = noisyPicture(1, 1);
    SessionDriver run(AdjustmentKind::Brightness, {writePicture(dir, QStringLiteral("cat.png"), source)});
    ASSERT_TRUE(run.runToEnd(20));

    EXPECT_TRUE(run.reporter.reports.empty());
    EXPECT_EQ(run.results().items(), QStringList{QStringLiteral("cat.png")});
    EXPECT_EQ(run.results().mTotalImages, 0);
    EXPECT_EQ(run.results().slotCount(), 1);
    EXPECT_EQ(run.results().resultWord, QStringLiteral("brightened"));
    EXPECT_EQ(run.results().picture(0).image(), brightened(source, 20));
    EXPECT_EQ(run.session->strengthUsed(0), 20);
    EXPECT_EQ(run.session->itemsDone(), 1);
    EXPECT_FALSE(run.session->wasCancelled());
    EXPECT_EQ(run.progress, (std::vector<int>{100, 0}));
    EXPECT_EQ(run.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(run.session->firstSource(), source);
    EXPECT_EQ(run.finishedCount, 1);
}

TEST(BatchSession, ThreeImagesInOrderWithADuplicateSource)
{
    QTemporaryDir dir;
    const QImage a = noisyPicture(5, 4, 1), b = noisyPicture(3, 7, 2);
    SessionDriver run(AdjustmentKind::Contrast,
                      {writePicture(dir, QStringLiteral("a.png"), a), writePicture(dir, QStringLiteral("b.png"), b),
                       dir.filePath(QStringLiteral("a.png"))},
                      2);
    ASSERT_TRUE(run.runToEnd(75));

    EXPECT_TRUE(run.reporter.reports.empty());
    EXPECT_EQ(run.results().items(), (QStringList{QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("a.png")}));
    EXPECT_EQ(run.results().mTotalImages, 2);
    EXPECT_EQ(run.results().resultWord, QStringLiteral("contrasted"));
    QImage expectedA = a;
    ApplyContrast(PixelView{a.width(), a.height(), expectedA.bits()}, 75);
    QImage expectedB = b;
    ApplyContrast(PixelView{b.width(), b.height(), expectedB.bits()}, 75);
    EXPECT_EQ(run.results().picture(0).image(), expectedA);
    EXPECT_EQ(run.results().picture(1).image(), expectedB);
    EXPECT_EQ(run.results().picture(2).image(), expectedA);
    EXPECT_EQ(run.progress, (std::vector<int>{33, 67, 100, 0}));
}

TEST(BatchSession, UnreadableFileInTheMiddleGivesOneReportAndAnEmptyResult)
{
    QTemporaryDir dir;
    const QImage a = noisyPicture(6, 6, 1), c = noisyPicture(6, 6, 3);
    QFile junk(dir.filePath(QStringLiteral("junk.jpg")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture at all");
    junk.close();
    SessionDriver run(AdjustmentKind::Softening,
                      {writePicture(dir, QStringLiteral("a.png"), a), junk.fileName(), writePicture(dir, QStringLiteral("c.png"), c)});
    ASSERT_TRUE(run.runToEnd(3));

    ASSERT_EQ(run.reporter.reports.size(), 1u);
    EXPECT_EQ(run.reporter.reports[0].step, 112);
    EXPECT_EQ(run.reporter.reports[0].location, QStringLiteral("in Velmora12/4/2014.Form1.PushButton5_Click "));
    EXPECT_TRUE(run.reporter.reports[0].description.contains(QStringLiteral("junk.jpg")));
    EXPECT_EQ(run.results().itemCount(), 3);
    EXPECT_EQ(run.results().items()[1], QStringLiteral("junk.jpg"));
    // Never the previous image's pixels under the failed file's name.
    EXPECT_TRUE(run.results().picture(1).isEmpty());
    EXPECT_FALSE(run.results().picture(1).failure.isEmpty());
    QImage expectedC = c;
    ApplySoftening(c.constBits(), PixelView{6, 6, expectedC.bits()}, 3);
    EXPECT_EQ(run.results().picture(2).image(), expectedC);
    EXPECT_EQ(run.results().mTotalImages, 2);
}

TEST(BatchSession, UnreadableFirstFileIsReportedOnceAndHasNoBeforePicture)
{
    QTemporaryDir dir;
    SessionDriver run(AdjustmentKind::Sharpening,
                      {dir.filePath(QStringLiteral("gone.jpg")), writePicture(dir, QStringLiteral("b.png"), noisyPicture(3, 3))});
    ASSERT_TRUE(run.runToEnd(5));
    ASSERT_EQ(run.reporter.reports.size(), 1u);
    EXPECT_EQ(run.reporter.reports[0].step, 112);
    EXPECT_EQ(run.reporter.reports[0].location, QStringLiteral("in Velmora12/4/2014.Form1.PushButton6_Click "));
    EXPECT_TRUE(run.results().picture(0).isEmpty());
    EXPECT_TRUE(run.session->firstSource().isNull());
    EXPECT_EQ(run.results().resultWord, QStringLiteral("sharpened"));
}

TEST(BatchSession, ReportsComeInItemOrderWithTheRunWaitingForEach)
{
    QTemporaryDir dir;
    QStringList sources;
    for (int i = 0; i < 6; ++i)
        sources << dir.filePath(QStringLiteral("missing%1.png").arg(i));
    SessionDriver run(AdjustmentKind::Brightness, sources, 3);
    // Reports are shown on the GUI thread, one item's after that item's progress and before the next.
    std::vector<std::size_t> progressWhenReported;
    struct Watching : ErrorReporter {
        SessionDriver *run;
        std::vector<std::size_t> *seen;
        void ShowErrorReport(const QString &location, int step, const QString &description) override
        {
            seen->push_back(run->progress.size());
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            if (seen->size() == 1) {
                // An open report box runs its own event loop: the run must not go on meanwhile.
                // (A bounded look, not a wait for something expected to happen.)
                EXPECT_FALSE(QTest::qWaitFor([this] { return run->progress.size() > 1; }, 300));
            }
            run->reporter.ShowErrorReport(location, step, description);
        }
    } watching;
    watching.run = &run;
    watching.seen = &progressWhenReported;
    run.run = std::make_unique<SessionRun>(run.session, watching, 3);
    QObject::connect(run.run.get(), &SessionRun::progressChanged, &run, [&](int p) { run.progress.push_back(p); });
    QObject::connect(run.run.get(), &SessionRun::finished, &run, [&] { ++run.finishedCount; });
    ASSERT_TRUE(run.runToEnd(0));
    ASSERT_EQ(run.reporter.reports.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_TRUE(run.reporter.reports[i].description.contains(QStringLiteral("missing%1").arg(i))) << i;
        // Item i's report comes after item i's progress and before item i + 1's.
        EXPECT_EQ(progressWhenReported[i], i + 1) << i;
    }
}

TEST(BatchSession, SliderMovedDuringTheRunAppliesToTheItemsThatFollow)
{
    QTemporaryDir dir;
    const QImage picture = noisyPicture(4, 4);
    QStringList sources;
    for (int i = 0; i < 3; ++i)
        sources << writePicture(dir, QStringLiteral("p%1.png").arg(i), picture);
    SessionDriver run(AdjustmentKind::Brightness, sources);
    run.run->holdAtItem(2);
    run.run->start(10);
    ASSERT_TRUE(run.run->waitUntilHeld(10000));
    run.run->setStrength(-30); // the user moves the slider while item 1 is done
    run.run->release();
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_EQ(run.results().picture(0).image(), brightened(picture, 10));
    EXPECT_EQ(run.results().picture(1).image(), brightened(picture, -30));
    EXPECT_EQ(run.results().picture(2).image(), brightened(picture, -30));
    EXPECT_EQ(run.session->strengthUsed(0), 10);
    EXPECT_EQ(run.session->strengthUsed(2), -30);
}

// Workers adjust ahead with the strength of the moment; an item whose strength has moved since
// is made again from its decoded picture, which preparing must have left untouched.
TEST(BatchSession, StrengthMovedAfterWorkersRanAheadIsHonoured)
{
    QTemporaryDir dir;
    const QImage picture = noisyPicture(37, 23, 9);
    QStringList sources;
    for (int i = 0; i < 4; ++i)
        sources << writePicture(dir, QStringLiteral("p%1.png").arg(i), picture);
    struct Case {
        AdjustmentKind kind;
        int before, after;
        QImage expectedBefore, expectedAfter;
    };
    for (const Case &c : {Case{AdjustmentKind::Sharpening, 2, 9, sharpened(picture, 2), sharpened(picture, 9)},
                          Case{AdjustmentKind::Brightness, 40, -25, brightened(picture, 40), brightened(picture, -25)}}) {
        SessionDriver run(c.kind, sources, 2);
        run.run->holdAtItem(2);
        run.run->start(c.before);
        ASSERT_TRUE(run.run->waitUntilHeld(10000));
        // Every picture still to come has been adjusted ahead with the first strength before it moves.
        ASSERT_TRUE(run.run->waitUntilPreparedUpTo(4, 10000));
        run.run->setStrength(c.after);
        run.run->release();
        ASSERT_TRUE(run.waitForEnd());
        EXPECT_EQ(run.results().picture(0).image(), c.expectedBefore);
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(run.results().picture(i).image(), c.expectedAfter) << i;
            EXPECT_EQ(run.session->strengthUsed(i), c.after) << i;
        }
        EXPECT_TRUE(run.reporter.reports.empty());
    }
}

TEST(BatchSession, CancelKeepsTheFinishedItemsAsIfTheListEndedThere)
{
    QTemporaryDir dir;
    QStringList sources;
    for (int i = 0; i < 5; ++i)
        sources << writePicture(dir, QStringLiteral("p%1.png").arg(i), noisyPicture(6, 5, unsigned(i)));
    SessionDriver run(AdjustmentKind::Contrast, sources, 2);
    run.run->holdAtItem(3);
    run.run->start(60);
    ASSERT_TRUE(run.run->waitUntilHeld(10000));
    run.run->cancel();
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_TRUE(run.session->wasCancelled());
    EXPECT_EQ(run.session->itemsDone(), 2);
    EXPECT_EQ(run.results().items(), (QStringList{QStringLiteral("p0.png"), QStringLiteral("p1.png")}));
    EXPECT_EQ(run.results().mTotalImages, 1);
    EXPECT_EQ(run.results().slotCount(), 2);
    QImage expected = decodePicture(sources[1]).value();
    ApplyContrast(PixelView{expected.width(), expected.height(), expected.bits()}, 60);
    EXPECT_EQ(run.results().picture(1).image(), expected);
    EXPECT_EQ(run.session->firstSource(), decodePicture(sources[0]).value());
    // The pointer and the bar are put back all the same.
    EXPECT_EQ(run.busy.back(), false);
    EXPECT_EQ(run.progress.back(), 0);
}

TEST(BatchSession, AbandonedRunStopsWithoutAWordAndCanBeDestroyed)
{
    QTemporaryDir dir;
    QStringList sources;
    for (int i = 0; i < 4; ++i)
        sources << writePicture(dir, QStringLiteral("p%1.png").arg(i), noisyPicture(30, 20, unsigned(i)));
    SessionDriver run(AdjustmentKind::Softening, sources, 2);
    run.run->holdAtItem(2);
    run.run->start(4);
    ASSERT_TRUE(run.run->waitUntilHeld(10000));
    run.run->abandon();
    EXPECT_FALSE(run.run->isRunning());
    QCoreApplication::processEvents();
    EXPECT_EQ(run.finishedCount, 0);
    run.run.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(run.finishedCount, 0);
}

TEST(Pipeline, PointAdjustmentsWorkInPlaceAndFiltersKeepTheSourceUntouched)
{
    const QImage source = noisyPicture(9, 7, 4);
    QImage alone = source.copy();
    const uchar *memory = alone.constBits();
    const QImage brightenedAlone = adjustPicture(AdjustmentKind::Brightness, std::move(alone), 33);
    EXPECT_EQ(brightenedAlone.constBits(), memory); // no copy of a picture nobody else holds
    EXPECT_EQ(brightenedAlone, brightened(source, 33));

    QImage shared = source;
    shared.setDotsPerMeterX(5905);
    const QImage result = adjustPicture(AdjustmentKind::Sharpening, shared, 3);
    EXPECT_EQ(result, sharpened(source, 3));
    EXPECT_EQ(shared, source);
    EXPECT_NE(result.constBits(), shared.constBits());

    // A point adjustment of a picture someone else still shows leaves that picture as it was.
    const QImage lit = adjustPicture(AdjustmentKind::Brightness, shared, 33);
    EXPECT_EQ(lit, brightened(source, 33));
    EXPECT_EQ(lit.dotsPerMeterX(), 5905);
    EXPECT_EQ(shared, source);
}

TEST(BatchSession, TheFirstFileGivesBothItsResultAndTheBeforePicture)
{
    QTemporaryDir dir;
    const QImage a = noisyPicture(9, 7, 5), b = noisyPicture(4, 6, 6);
    const QStringList sources = {writePicture(dir, QStringLiteral("a.png"), a),
                                 writePicture(dir, QStringLiteral("b.png"), b)};
    for (AdjustmentKind kind : {AdjustmentKind::Brightness, AdjustmentKind::Contrast, AdjustmentKind::Softening,
                                AdjustmentKind::Sharpening}) {
        SessionDriver run(kind, sources);
        ASSERT_TRUE(run.runToEnd(4));
        EXPECT_EQ(run.results().picture(0).image(), adjustPicture(kind, a, 4)) << int(kind);
        EXPECT_EQ(run.results().picture(1).image(), adjustPicture(kind, b, 4)) << int(kind);
        EXPECT_EQ(run.session->firstSource(), a) << int(kind);
    }
}

TEST(DecodeAhead, WhateverAWorkerThrowsIsThatItemsFailure)
{
    // Thrown on a worker thread, none of these may end the program or leave its item waiting.
    const QStringList paths{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
    DecodeAhead decoder(paths, 2, 4, [](int index, const QString &, bool *, int *, SourceStamp *) -> QImage {
        if (index == 0)
            throw 42;
        if (index == 1)
            throw std::runtime_error("disk on fire");
        if (index == 2)
            throw std::bad_alloc();
        return QImage(3, 2, QImage::Format_RGB32);
    });
    auto failureOf = [&](int index) {
        try {
            decoder.take(index, nullptr, nullptr, nullptr);
        } catch (const StepFailure &failure) {
            return failure.description();
        }
        return QString();
    };
    EXPECT_EQ(failureOf(0), QStringLiteral("Unexpected failure"));
    EXPECT_EQ(failureOf(1), QStringLiteral("disk on fire"));
    EXPECT_EQ(failureOf(2), QStringLiteral("Out of memory"));
    EXPECT_EQ(decoder.take(3, nullptr, nullptr, nullptr).size(), QSize(3, 2));
}

TEST(RunSteps, EveryNumberOfTheFourHandlers)
{
    // Step by step, the numbers each handler's reports show.
    struct Expected {
        AdjustmentKind kind;
        int emptyMessage, readSlider, pixelWork, resultWord, addItem, storeFirst, createSlot, storeSlot,
            defaultPointer, progressZero, totalImages, afterPicture, beforePicture, showResults, hideMain;
    };
    const Expected table[] = {
        {AdjustmentKind::Brightness, 206, 124, 126, 178, 180, 184, 186, 188, 192, 194, 196, 198, 200, 202, 204},
        {AdjustmentKind::Contrast, 212, 124, 126, 184, 186, 190, 192, 194, 198, 200, 202, 204, 206, 208, 210},
        {AdjustmentKind::Softening, 210, 128, 130, 182, 184, 188, 190, 192, 196, 198, 200, 202, 204, 206, 208},
        {AdjustmentKind::Sharpening, 210, 128, 130, 182, 184, 188, 190, 192, 196, 198, 200, 202, 204, 206, 208},
    };
    for (const Expected &e : table) {
        const RunSteps s = runSteps(e.kind);
        const int k = int(e.kind);
        EXPECT_EQ(s.emptyTest, 100) << k;
        EXPECT_EQ(s.clearResults, 102) << k;
        EXPECT_EQ(s.loop, 104) << k;
        EXPECT_EQ(s.busy, 106) << k;
        EXPECT_EQ(s.progress, 108) << k;
        EXPECT_EQ(s.decode, 112) << k;
        EXPECT_EQ(s.emptyMessage, e.emptyMessage) << k;
        EXPECT_EQ(s.readSlider, e.readSlider) << k;
        EXPECT_EQ(s.pixelWork, e.pixelWork) << k;
        EXPECT_EQ(s.resultWord, e.resultWord) << k;
        EXPECT_EQ(s.addItem, e.addItem) << k;
        EXPECT_EQ(s.storeFirst, e.storeFirst) << k;
        EXPECT_EQ(s.createSlot, e.createSlot) << k;
        EXPECT_EQ(s.storeSlot, e.storeSlot) << k;
        EXPECT_EQ(s.defaultPointer, e.defaultPointer) << k;
        EXPECT_EQ(s.progressZero, e.progressZero) << k;
        EXPECT_EQ(s.totalImages, e.totalImages) << k;
        EXPECT_EQ(s.afterPicture, e.afterPicture) << k;
        EXPECT_EQ(s.beforePicture, e.beforePicture) << k;
        EXPECT_EQ(s.showResults, e.showResults) << k;
        EXPECT_EQ(s.hideMain, e.hideMain) << k;
    }
}
