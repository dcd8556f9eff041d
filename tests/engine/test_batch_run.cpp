#include "engine/batch_run.h"
#include "scripted_dialogs.h"
#include "scripted_run_host.h"
#include "core/picture.h"
#include "test_images.h"

#include <QFile>
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

} // namespace

TEST(BatchRun, EmptyListOnlySaysSo)
{
    ScriptedRunHost host;
    host.list.addItem(QStringLiteral("earlier.jpg"));
    BatchRun().run(AdjustmentKind::Contrast, host);
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("Please add files first.")});
    EXPECT_EQ(host.list.items(), QStringList{QStringLiteral("earlier.jpg")});
    EXPECT_FALSE(host.shown);
    EXPECT_FALSE(host.hidden);
    EXPECT_TRUE(host.recorder.reports.empty());
}

TEST(BatchRun, OneImage)
{
    QTemporaryDir dir;
    const QImage source = noisyPicture(1, 1);
    ScriptedRunHost host;
    host.rows << writePicture(dir, QStringLiteral("cat.png"), source);
    host.slider = 20;
    BatchRun().run(AdjustmentKind::Brightness, host);

    EXPECT_TRUE(host.recorder.reports.empty());
    EXPECT_EQ(host.list.items(), QStringList{QStringLiteral("cat.png")});
    EXPECT_EQ(host.list.mTotalImages, 0);
    EXPECT_EQ(host.list.slotCount(), 1);
    EXPECT_EQ(host.list.resultWord, QStringLiteral("brightened"));
    EXPECT_EQ(host.list.picture(0).image(), brightened(source, 20));
    EXPECT_EQ(host.progress, (std::vector<int>{100, 0}));
    EXPECT_EQ(host.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.after, host.list.picture(0).image());
    EXPECT_EQ(host.before, source);
    EXPECT_TRUE(host.shown);
    EXPECT_TRUE(host.hidden);
}

TEST(BatchRun, ThreeImagesInOrderWithADuplicateRow)
{
    QTemporaryDir dir;
    const QImage a = noisyPicture(5, 4, 1), b = noisyPicture(3, 7, 2);
    ScriptedRunHost host;
    host.list.addItem(QStringLiteral("stale"));
    host.rows << writePicture(dir, QStringLiteral("a.png"), a) << writePicture(dir, QStringLiteral("b.png"), b)
              << dir.filePath(QStringLiteral("a.png"));
    host.slider = 75;
    BatchRun(2).run(AdjustmentKind::Contrast, host);

    EXPECT_TRUE(host.recorder.reports.empty());
    EXPECT_EQ(host.list.items(), (QStringList{QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("a.png")}));
    EXPECT_EQ(host.list.mTotalImages, 2);
    EXPECT_EQ(host.list.resultWord, QStringLiteral("contrasted"));
    QImage expectedA = a;
    ApplyContrast(PixelView{a.width(), a.height(), expectedA.bits()}, 75);
    QImage expectedB = b;
    ApplyContrast(PixelView{b.width(), b.height(), expectedB.bits()}, 75);
    EXPECT_EQ(host.list.picture(0).image(), expectedA);
    EXPECT_EQ(host.list.picture(1).image(), expectedB);
    EXPECT_EQ(host.list.picture(2).image(), expectedA);
    EXPECT_EQ(host.progress, (std::vector<int>{33, 67, 100, 0}));
    EXPECT_EQ(host.yields, 3);
}

TEST(BatchRun, UnreadableFileInTheMiddleGivesOneReportAndAnEmptyResult)
{
    QTemporaryDir dir;
    const QImage a = noisyPicture(6, 6, 1), c = noisyPicture(6, 6, 3);
    QFile junk(dir.filePath(QStringLiteral("junk.jpg")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture at all");
    junk.close();
    ScriptedRunHost host;
    host.rows << writePicture(dir, QStringLiteral("a.png"), a) << junk.fileName()
              << writePicture(dir, QStringLiteral("c.png"), c);
    host.slider = 3;
    BatchRun().run(AdjustmentKind::Softening, host);

    ASSERT_EQ(host.recorder.reports.size(), 1u);
    EXPECT_EQ(host.recorder.reports[0].step, 112);
    EXPECT_EQ(host.recorder.reports[0].location, QStringLiteral("in Velmora12/4/2014.Form1.PushButton5_Click "));
    EXPECT_TRUE(host.recorder.reports[0].description.contains(QStringLiteral("junk.jpg")));
    EXPECT_EQ(host.list.itemCount(), 3);
    EXPECT_EQ(host.list.items()[1], QStringLiteral("junk.jpg"));
    // Never the previous image's pixels under the failed file's name.
    EXPECT_TRUE(host.list.picture(1).isEmpty());
    EXPECT_FALSE(host.list.picture(1).failure.isEmpty());
    QImage expectedC = c;
    ApplySoftening(c.constBits(), PixelView{6, 6, expectedC.bits()}, 3);
    EXPECT_EQ(host.list.picture(2).image(), expectedC);
    EXPECT_EQ(host.list.mTotalImages, 2);
    EXPECT_TRUE(host.shown);
}

TEST(BatchRun, UnreadableFirstFileIsReportedOnce)
{
    QTemporaryDir dir;
    ScriptedRunHost host;
    host.rows << dir.filePath(QStringLiteral("gone.jpg")) << writePicture(dir, QStringLiteral("b.png"), noisyPicture(3, 3));
    host.slider = 5;
    BatchRun().run(AdjustmentKind::Sharpening, host);
    ASSERT_EQ(host.recorder.reports.size(), 1u);
    EXPECT_EQ(host.recorder.reports[0].step, 112);
    EXPECT_EQ(host.recorder.reports[0].location, QStringLiteral("in Velmora12/4/2014.Form1.PushButton6_Click "));
    EXPECT_TRUE(host.after.isNull());
    EXPECT_TRUE(host.before.isNull());
    EXPECT_EQ(host.list.resultWord, QStringLiteral("sharpened"));
}

TEST(BatchRun, SliderMovedDuringTheRunAppliesToTheImagesThatFollow)
{
    QTemporaryDir dir;
    const QImage picture = noisyPicture(4, 4);
    ScriptedRunHost host;
    for (int i = 0; i < 3; ++i)
        host.rows << writePicture(dir, QStringLiteral("p%1.png").arg(i), picture);
    host.slider = 10;
    host.onYield = [&](int yields) {
        if (yields == 2)
            host.slider = -30; // the user moves the slider while image 1 is done
    };
    BatchRun().run(AdjustmentKind::Brightness, host);
    EXPECT_EQ(host.list.picture(0).image(), brightened(picture, 10));
    EXPECT_EQ(host.list.picture(1).image(), brightened(picture, -30));
    EXPECT_EQ(host.list.picture(2).image(), brightened(picture, -30));
}

TEST(BatchRun, FilterStrengthMovedDuringTheRunIsHonouredThoughWorkersRanAhead)
{
    QTemporaryDir dir;
    const QImage picture = noisyPicture(37, 23, 9);
    ScriptedRunHost host;
    for (int i = 0; i < 4; ++i)
        host.rows << writePicture(dir, QStringLiteral("p%1.png").arg(i), picture);
    host.slider = 2;
    host.onYield = [&](int yields) {
        if (yields == 2)
            host.slider = 9; // by now the workers have filtered pictures ahead with strength 2
    };
    BatchRun(2).run(AdjustmentKind::Sharpening, host);
    auto sharpened = [&](int s) {
        QImage out = picture.copy();
        ApplySharpening(picture.constBits(), PixelView{picture.width(), picture.height(), out.bits()}, s);
        return out;
    };
    EXPECT_EQ(host.list.picture(0).image(), sharpened(2));
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(host.list.picture(i).image(), sharpened(9)) << i;
    EXPECT_TRUE(host.recorder.reports.empty());
}

TEST(BatchRun, NewRunReplacesTheEarlierResults)
{
    QTemporaryDir dir;
    ScriptedRunHost host;
    host.rows << writePicture(dir, QStringLiteral("x.png"), noisyPicture(2, 2)) << dir.filePath(QStringLiteral("x.png"));
    BatchRun run;
    run.run(AdjustmentKind::Brightness, host);
    // "< Back" releases the extra results; the next run creates them afresh.
    host.list.release(1);
    host.rows.removeLast();
    run.run(AdjustmentKind::Contrast, host);
    EXPECT_EQ(host.list.items(), QStringList{QStringLiteral("x.png")});
    EXPECT_EQ(host.list.mTotalImages, 0);
    EXPECT_TRUE(host.recorder.reports.empty());
}

TEST(RunSteps, NumbersOfTheFourHandlers)
{
    const RunSteps b = runSteps(AdjustmentKind::Brightness);
    EXPECT_EQ(b.writeBack, 172);
    EXPECT_EQ(b.emptyMessage(), 206);
    EXPECT_EQ(b.hideMain(), 204);
    const RunSteps c = runSteps(AdjustmentKind::Contrast);
    EXPECT_EQ(c.emptyMessage(), 212);
    EXPECT_EQ(c.totalImages(), 202);
    const RunSteps s = runSteps(AdjustmentKind::Softening);
    EXPECT_EQ(s.readSlider, 128);
    EXPECT_EQ(s.fillSource, 126);
    EXPECT_EQ(s.emptyMessage(), 210);
    EXPECT_EQ(s.beforePicture(), 204);
}
