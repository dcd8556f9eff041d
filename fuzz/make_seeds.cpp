// SPDX-License-Identifier: GPL-3.0-or-later
// Writes small seed pictures for one fuzz target into a folder.

#include "codec_testing.h"
#include "core/codec/codec.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

QImage seedPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x * y) & 255));
    return image;
}

void save(const QString &folder, const QString &name, const QByteArray &bytes)
{
    QFile file(QDir(folder).filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString format = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const bool any = format == QLatin1String("any") || format == QLatin1String("metadata");
    MetadataBlocks metadata;
    metadata.xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'/></x:xmpmeta>";
    metadata.exif = QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 26);
    metadata.iptc = QByteArray("\x1c\x02\x78\0\x05hello", 10);
    const QImage small = seedPicture(19, 13), tall = seedPicture(8, 33);
    auto both = [&](PictureFormat f, const char *ext, int quality) {
        save(folder, QStringLiteral("a.") + QLatin1String(ext), encodePicture(small, EncodeOptions{f, quality}, MetadataBlocks()));
        save(folder, QStringLiteral("b.") + QLatin1String(ext), encodePicture(tall, EncodeOptions{f, quality}, metadata));
    };
    if (any || format == QLatin1String("jpeg") || format == QLatin1String("transcode"))
        both(PictureFormat::Jpeg, "jpg", 75);
    if (any || format == QLatin1String("png"))
        both(PictureFormat::Png, "png", 0);
    if (any || format == QLatin1String("tiff"))
        both(PictureFormat::Tiff, "tif", 0);
    if (any || format == QLatin1String("webp"))
        both(PictureFormat::Webp, "webp", 60);
    if (any || format == QLatin1String("bmp")) {
        both(PictureFormat::Bmp, "bmp", 0);
        QImage indexed = small.convertToFormat(QImage::Format_Indexed8);
        indexed.save(QDir(folder).filePath(QStringLiteral("c.bmp")), "bmp");
    }
    if (any || format == QLatin1String("gif"))
        save(folder, QStringLiteral("a.gif"),
             QByteArray("GIF89a\x02\0\x02\0\x80\0\0\xff\0\0\0\0\xff\x2c\0\0\0\0\x02\0\x02\0\0\x02\x03\x84\x1d\x05\0\x3b", 35));
    if (any || format == QLatin1String("heif")) {
        // The test suite's own libheif writer, so seeds and tests encode alike.
        if (heifEncoderAvailable(false))
            save(folder, QStringLiteral("a.heic"), libheifEncode(small, false));
        if (heifEncoderAvailable(true))
            save(folder, QStringLiteral("a.avif"), libheifEncode(small, true));
    }
    if (any || format == QLatin1String("jxl")) {
        both(PictureFormat::Jxl, "jxl", 100);
        save(folder, QStringLiteral("c.jxl"), encodePicture(small, EncodeOptions{PictureFormat::Jxl, 70}, metadata));
        save(folder, QStringLiteral("d.jxl"), libjxlEncode(tall, 1.5f, 6, metadata.exif, metadata.xmp, true));
    }
    if (any || format == QLatin1String("raw")) {
        save(folder, QStringLiteral("a.dng"), libtiffDng(16, 12));
        save(folder, QStringLiteral("b.dng"), libtiffDng(10, 14, 6));
    }
    return 0;
}
