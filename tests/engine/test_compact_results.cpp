#include "engine/batch_session.h"
#include "engine/compact_picture.h"
#include "engine/save_results.h"
#include "scripted_dialogs.h"
#include "session_driver.h"
#include "core/error_report.h"
#include "test_images.h"

#include <QColorSpace>
#include <QDir>
#include <cstring>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

} // namespace

TEST(CompactPicture, RoundTripsByteForByte)
{
    for (const QImage &picture : {noisyPicture(97, 33, 4), photoLike(640, 480), noisyPicture(1, 1, 2)}) {
        const QByteArray packed = packPicture(picture);
        const QImage back = unpackPicture(packed);
        ASSERT_EQ(back.size(), picture.size());
        for (int y = 0; y < picture.height(); ++y)
            ASSERT_EQ(0, std::memcmp(back.constScanLine(y), picture.constScanLine(y), std::size_t(picture.width()) * 4));
    }
    // A fourth byte that is not 0xFF everywhere is kept as it was.
    QImage odd = noisyPicture(9, 7, 8);
    odd.bits()[3] = 0x12;
    const QImage back = unpackPicture(packPicture(odd));
    EXPECT_EQ(0, std::memcmp(back.constBits(), odd.constBits(), std::size_t(odd.sizeInBytes())));
    EXPECT_LT(packPicture(photoLike(640, 480)).size(), 640 * 480 * 4 / 4);
    EXPECT_THROW(unpackPicture(QByteArray("LVP2 damaged data here, long enough for a header")), StepFailure);
    // What the picture says of its resolution survives too: files written from it must not change.
    QImage dense = photoLike(30, 20);
    dense.setDotsPerMeterX(2835);
    dense.setDotsPerMeterY(2836);
    dense.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const QImage unpacked = unpackPicture(packPicture(dense));
    EXPECT_EQ(unpacked.dotsPerMeterX(), 2835);
    EXPECT_EQ(unpacked.dotsPerMeterY(), 2836);
    EXPECT_EQ(unpacked.colorSpace(), dense.colorSpace());
}

TEST(CompactResults, TinyBudgetPacksAndTheSavedFilesAreIdentical)
{
    QTemporaryDir dir;
    QStringList sources;
    for (int i = 0; i < 4; ++i)
        sources << writePicture(dir, QStringLiteral("p%1.png").arg(i), i % 2 ? photoLike(120, 90) : noisyPicture(61, 47, unsigned(i)));

    auto runAndSave = [&](std::size_t budget, const QString &folder) {
        SessionDriver run(AdjustmentKind::Softening, sources);
        run.results().setMemoryBudget(budget, std::size_t(1) << 40);
        EXPECT_TRUE(run.runToEnd(3));
        EXPECT_TRUE(run.reporter.reports.empty());
        int packed = 0;
        for (int i = 0; i < 4; ++i)
            packed += run.results().picture(i).isPacked() ? 1 : 0;
        QDir().mkpath(folder);
        for (OutputFormat format : {OutputFormat::Bmp, OutputFormat::Jpeg}) {
            SaveSettings settings;
            settings.folder = folder;
            settings.format = format;
            settings.quality = 90;
            settings.resultWord = run.results().resultWord;
            for (const SaveOutcome &o : saveResults(settings, *run.session))
                EXPECT_TRUE(o.written);
        }
        return packed;
    };
    EXPECT_EQ(runAndSave(std::size_t(1) << 40, dir.filePath(QStringLiteral("plain"))), 0);
    EXPECT_EQ(runAndSave(1, dir.filePath(QStringLiteral("packed"))), 4);
    const QStringList names = QDir(dir.filePath(QStringLiteral("plain"))).entryList(QDir::Files);
    ASSERT_EQ(names.size(), 8);
    for (const QString &name : names)
        EXPECT_EQ(contents(dir.filePath(QStringLiteral("plain/") + name)), contents(dir.filePath(QStringLiteral("packed/") + name)))
            << qPrintable(name);
}

TEST(CompactResults, ResultThatCannotFitIsReportedWithItsFile)
{
    QTemporaryDir dir;
    SessionDriver run(AdjustmentKind::Brightness, {writePicture(dir, QStringLiteral("a.png"), noisyPicture(50, 50, 1)),
                                                   writePicture(dir, QStringLiteral("b.png"), noisyPicture(50, 50, 2))});
    // Room for the first result, packed, but not for the second.
    run.results().setMemoryBudget(1, 50 * 50 * 4);
    ASSERT_TRUE(run.runToEnd(0));
    ASSERT_EQ(run.reporter.reports.size(), 1u);
    EXPECT_EQ(run.reporter.reports[0].step, 188);
    EXPECT_TRUE(run.reporter.reports[0].description.contains(QStringLiteral("Not enough memory")));
    EXPECT_TRUE(run.reporter.reports[0].description.endsWith(QStringLiteral("b.png")));
    EXPECT_TRUE(run.results().picture(1).isEmpty());
    EXPECT_FALSE(run.results().picture(0).isEmpty());
    EXPECT_EQ(run.results().itemCount(), 2);
}
