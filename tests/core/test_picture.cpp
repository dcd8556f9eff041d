// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/error_report.h"
#include "core/picture.h"
#include "test_images.h"
#include "write_limit.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

TEST(Picture, DecodesIntoThe32BitForm)
{
    QTemporaryDir dir;
    const QImage original = noisyPicture(7, 5);
    const QImage decoded = decodePicture(writePicture(dir, QStringLiteral("a.png"), original)).value();
    EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
    EXPECT_EQ(decoded.bytesPerLine(), 7 * 4);
    EXPECT_EQ(decoded, original);

    const QImage one = decodePicture(writePicture(dir, QStringLiteral("one.bmp"), noisyPicture(1, 1), "bmp")).value();
    EXPECT_EQ(one.sizeInBytes(), 4);
}

TEST(Picture, TransparencyLiesOnWhite)
{
    QTemporaryDir dir;
    QImage clear(2, 1, QImage::Format_ARGB32);
    clear.setPixel(0, 0, qRgba(0, 0, 0, 0));
    clear.setPixel(1, 0, qRgba(10, 20, 30, 255));
    const QImage decoded = decodePicture(writePicture(dir, QStringLiteral("t.png"), clear)).value();
    EXPECT_EQ(decoded.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(decoded.pixel(1, 0), qRgb(10, 20, 30));
}

TEST(Picture, FailuresCarryTheirReason)
{
    QTemporaryDir dir;
    auto description = [](const QString &path) { return decodePicture(path).failure().description(); };
    EXPECT_TRUE(description(dir.filePath(QStringLiteral("missing.jpg"))).startsWith(QStringLiteral("File not found")));
    QFile text(dir.filePath(QStringLiteral("notes.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a picture");
    text.close();
    EXPECT_TRUE(description(text.fileName()).contains(QStringLiteral("Not a picture")));
    EXPECT_TRUE(description(dir.path()).contains(QStringLiteral("folder")));

    // A truncated JPEG: the header promises more than the file holds.
    const QString good = writePicture(dir, QStringLiteral("good.jpg"), noisyPicture(64, 64), "jpeg");
    QFile full(good);
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    const QByteArray bytes = full.readAll();
    QFile cut(dir.filePath(QStringLiteral("cut.jpg")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(200));
    cut.close();
    EXPECT_FALSE(description(cut.fileName()).isEmpty());
}

TEST(Picture, RefusesAPictureTooLargeForItsByteCount)
{
    // A BMP header claiming 30000 x 30000 pixels: 3.6 GB of pixels, refused before allocating.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("huge.bmp")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bmpClaiming(30000, 30000));
    file.close();
    const Outcome<QImage> huge = decodePicture(file.fileName());
    ASSERT_FALSE(huge.ok()) << "decoded an oversized picture";
    EXPECT_TRUE(huge.failure().description().contains(QStringLiteral("too large"))) << qPrintable(huge.failure().description());
}

TEST(Picture, BmpSaveRoundTripsAndReplacesTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.bmp"));
    const QImage first = noisyPicture(9, 4, 1);
    const QImage second = noisyPicture(3, 3, 2);
    savePictureAsBmp(first, path);
    savePictureAsBmp(second, path);
    EXPECT_EQ(decodePicture(path).value(), second);
    // Nothing but the one file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.bmp")});
}

TEST(Picture, FailedWriteLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.bmp"));
    savePictureAsBmp(noisyPicture(4, 4), path);
    auto contents = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };
    const QByteArray before = contents();
    {
        FileSizeLimit limit(1000); // the new picture needs far more
        EXPECT_THROW(savePictureAsBmp(noisyPicture(80, 80), path), StepFailure);
    }
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.bmp")});
    EXPECT_THROW(savePictureAsBmp(QImage(), dir.filePath(QStringLiteral("none.bmp"))), StepFailure);
}
