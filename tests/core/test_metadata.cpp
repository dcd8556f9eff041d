// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/jpeg_writer.h"
#include "core/saver.h"
#include "core/picture.h"
#include "test_images.h"

#include <QFile>
#include <QTemporaryDir>
#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

// Four flat quadrants: red, green / blue, white. Any turn or mirror moves them apart.
QImage quadrants(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            image.setPixel(x, y, !bottom ? (right ? qRgb(0, 200, 0) : qRgb(220, 0, 0)) : (right ? qRgb(255, 255, 255) : qRgb(0, 0, 220)));
        }
    return image;
}

// The stored picture as a viewer shows it for each EXIF orientation.
QRgb shownAt(const QImage &stored, int orientation, int x, int y)
{
    const int w = stored.width(), h = stored.height();
    switch (orientation) {
    case 2: return stored.pixel(w - 1 - x, y);
    case 3: return stored.pixel(w - 1 - x, h - 1 - y);
    case 4: return stored.pixel(x, h - 1 - y);
    case 5: return stored.pixel(y, x);
    case 6: return stored.pixel(y, h - 1 - x);
    case 7: return stored.pixel(w - 1 - y, h - 1 - x);
    case 8: return stored.pixel(w - 1 - y, x);
    default: return stored.pixel(x, y);
    }
}

bool close(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 && std::abs(qBlue(a) - qBlue(b)) < 40;
}

void setExif(const QString &path, const std::function<void(Exiv2::Image &)> &edit)
{
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    edit(*image);
    image->writeMetadata();
}

Exiv2::Image::AutoPtr readBack(const QString &path)
{
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    return image;
}

} // namespace

TEST(Orientation, EveryExifOrientationDecodesUprightAndSavesUprightAsNormal)
{
    QTemporaryDir dir;
    const QImage stored = quadrants(64, 32);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QString path = writePicture(dir, QStringLiteral("o%1.jpg").arg(orientation), stored, "jpeg");
        setExif(path, [&](Exiv2::Image &image) {
            Exiv2::ExifData exif;
            exif["Exif.Image.Orientation"] = uint16_t(orientation);
            image.setExifData(exif);
        });
        const QImage upright = decodePicture(path).value();
        const bool turned = orientation >= 5;
        ASSERT_EQ(upright.size(), turned ? QSize(32, 64) : QSize(64, 32)) << orientation;
        for (auto [x, y] : {std::pair{4, 4}, {upright.width() - 5, 4}, {4, upright.height() - 5},
                            {upright.width() - 5, upright.height() - 5}})
            EXPECT_TRUE(close(upright.pixel(x, y), shownAt(stored, orientation, x, y)))
                << "orientation " << orientation << " at " << x << "," << y;

        const QString out = dir.filePath(QStringLiteral("out%1.jpg").arg(orientation));
        EXPECT_TRUE(SaveJPG(upright, out, 95, path).isEmpty());
        EXPECT_EQ(decodePicture(out).value().size(), upright.size());
        const auto saved = readBack(out);
        EXPECT_EQ(saved->exifData()["Exif.Image.Orientation"].toLong(), 1) << orientation;
    }
}

TEST(Metadata, CameraDataSurvivesWithoutTheOldThumbnail)
{
    QTemporaryDir dir;
    const QString source = writePicture(dir, QStringLiteral("camera.jpg"), noisyPicture(80, 60), "jpeg");
    const QString thumbnail = writePicture(dir, QStringLiteral("thumb.jpg"), noisyPicture(16, 12, 3), "jpeg");
    QByteArray icc(132, '\0');
    icc[3] = char(132);
    icc.replace(36, 4, "acsp");
    setExif(source, [&](Exiv2::Image &image) {
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Quenwick Optics";
        exif["Exif.Image.Model"] = "QX-100";
        exif["Exif.Image.Orientation"] = uint16_t(1);
        exif["Exif.Photo.DateTimeOriginal"] = "2024:05:17 10:42:00";
        exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
        exif["Exif.GPSInfo.GPSLatitude"] = "52/1 30/1 0/1";
        Exiv2::ExifThumb(exif).setJpegThumbnail(QFile::encodeName(thumbnail).toStdString());
        image.setExifData(exif);
        Exiv2::XmpData xmp;
        xmp["Xmp.dc.title"] = "lang=\"x-default\" Harbour";
        image.setXmpData(xmp);
        Exiv2::IptcData iptc;
        iptc["Iptc.Application2.Caption"] = "Boats at dusk";
        image.setIptcData(iptc);
        Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte *>(icc.constData()), icc.size());
        image.setIccProfile(profile, false);
    });
    ASSERT_FALSE(Exiv2::ExifThumbC(readBack(source)->exifData()).copy().size_ == 0);

    const QString out = dir.filePath(QStringLiteral("out.jpg"));
    EXPECT_TRUE(SaveJPG(decodePicture(source).value(), out, 90, source).isEmpty());
    const auto saved = readBack(out);
    EXPECT_EQ(saved->exifData()["Exif.Image.Make"].toString(), "Quenwick Optics");
    EXPECT_EQ(saved->exifData()["Exif.Image.Model"].toString(), "QX-100");
    EXPECT_EQ(saved->exifData()["Exif.Photo.DateTimeOriginal"].toString(), "2024:05:17 10:42:00");
    EXPECT_EQ(saved->exifData()["Exif.GPSInfo.GPSLatitudeRef"].toString(), "N");
    EXPECT_EQ(saved->xmpData()["Xmp.dc.title"].toString(), "lang=\"x-default\" Harbour");
    EXPECT_EQ(saved->iptcData()["Iptc.Application2.Caption"].toString(), "Boats at dusk");
    ASSERT_TRUE(saved->iccProfileDefined());
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(saved->iccProfile()->pData_), int(saved->iccProfile()->size_)), icc);
    EXPECT_EQ(Exiv2::ExifThumbC(saved->exifData()).copy().size_, 0);
    EXPECT_EQ(decodePicture(out).value().size(), QSize(80, 60));
}

TEST(Metadata, BmpAndGifSourcesHaveNothingToCarry)
{
    QTemporaryDir dir;
    const QString bmp = writePicture(dir, QStringLiteral("a.bmp"), noisyPicture(5, 5), "bmp");
    const QString out = dir.filePath(QStringLiteral("a.jpg"));
    EXPECT_TRUE(SaveJPG(decodePicture(bmp).value(), out, 90, bmp).isEmpty());
    EXPECT_TRUE(readBack(out)->exifData().empty());
}

TEST(Metadata, CorruptExifBlockStillSaves)
{
    QTemporaryDir dir;
    const QString good = writePicture(dir, QStringLiteral("good.jpg"), noisyPicture(40, 30), "jpeg");
    QFile in(good);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    // An APP1 Exif segment whose TIFF header points its first directory far past the end.
    QByteArray tiff("II*\0\xff\xff\xff\x7f", 8);
    tiff += QByteArray(24, '\x55');
    QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xff\xe1", 2);
    segment.append(char(((payload.size() + 2) >> 8) & 0xff)).append(char((payload.size() + 2) & 0xff)).append(payload);
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    QFile out(broken);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(2) + segment + bytes.mid(2));
    out.close();

    const QString result = dir.filePath(QStringLiteral("result.jpg"));
    const QString note = SaveJPG(decodePicture(broken).value(), result, 90, broken);
    EXPECT_EQ(decodePicture(result).value().size(), QSize(40, 30));
    // One clear line saying what was left out.
    EXPECT_TRUE(note.startsWith(QStringLiteral("saved without its camera data"))) << qPrintable(note);
    EXPECT_FALSE(note.contains(QLatin1Char('\n')));
    EXPECT_TRUE(readBack(result)->exifData().empty());
}
