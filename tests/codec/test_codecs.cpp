// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli.h"
#include "codec_testing.h"
#include "core/codec/backends.h"
#include "core/codec/codec.h"
#include "core/error_report.h"
#include "core/picture.h"
#include "core/pixel_memory.h"
#include "core/saver.h"
#include "engine/batch_session.h"
#include "engine/pipeline.h"
#include "engine/save_results.h"
#include "qstring_printer.h"
#include "session_driver.h"
#include "test_images.h"

#include <QColorSpace>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <atomic>
#include <cstring>
#include <functional>
#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>
#include <limits>
#include <png.h>
#include <random>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <tiffio.h>
#include <webp/demux.h>
#include <webp/mux.h>
#include <unistd.h>
#include <zlib.h>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

QImage decodeBytes(const QByteArray &bytes)
{
    return decodePictureBytes(bytes, QStringLiteral("in-memory")).value().image;
}

QString failureOf(const QByteArray &bytes, const QString &name = QStringLiteral("/pictures/x"))
{
    return decodePictureBytes(bytes, name).failure().description();
}

QString failureOfFile(const QString &path)
{
    return decodePictureFile(path).failure().description();
}

std::vector<std::uint16_t> randomSamples(std::size_t count, int maximum, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint16_t> samples(count);
    for (auto &s : samples)
        s = std::uint16_t(random() % unsigned(maximum + 1));
    return samples;
}

int to8(int value, int depth)
{
    return depth == 16 ? (value * 255 + 32895) >> 16 : value * 255 / ((1 << depth) - 1);
}

// Camera data of every kind, with an orientation and a thumbnail a result must not keep.
MetadataBlocks sampleMetadata(int orientation = 6)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Quenwick Optics";
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    exif["Exif.Photo.DateTimeOriginal"] = "2024:05:17 10:42:00";
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.title"] = "lang=\"x-default\" Harbour";
    std::string packet;
    Exiv2::XmpParser::encode(packet, xmp);
    Exiv2::IptcData iptc;
    iptc["Iptc.Application2.Caption"] = "Boats at dusk";
    MetadataBlocks blocks;
    blocks.exif = QByteArray(reinterpret_cast<const char *>(blob.data()), int(blob.size()));
    blocks.xmp = QByteArray::fromStdString(packet);
    const Exiv2::DataBuf iptcBuf = Exiv2::IptcParser::encode(iptc);
    blocks.iptc = QByteArray(reinterpret_cast<const char *>(iptcBuf.pData_), int(iptcBuf.size_));
    // The smallest profile header every library accepts: RGB display, XYZ connection space, D50.
    blocks.icc = QByteArray(132, '\0');
    blocks.icc[3] = char(132);
    blocks.icc[8] = 2, blocks.icc[9] = 0x10;
    blocks.icc.replace(12, 4, "mntr");
    blocks.icc.replace(16, 4, "RGB ");
    blocks.icc.replace(20, 4, "XYZ ");
    blocks.icc.replace(36, 4, "acsp");
    blocks.icc.replace(68, 12, QByteArray("\0\0\xf6\xd6\0\x01\0\0\0\0\xd3\x2d", 12));
    return blocks;
}

QString exifMake(const QByteArray &exifBlock)
{
    Exiv2::ExifData exif;
    Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte *>(exifBlock.constData()), uint32_t(exifBlock.size()));
    auto make = exif.findKey(Exiv2::ExifKey("Exif.Image.Make"));
    return make == exif.end() ? QString() : QString::fromStdString(make->toString());
}

// Soft gradients: what lossy codecs are made for, unlike noise.
QImage smoothPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) * 127 / (width + height) + 64));
    return image;
}

long peakMemoryKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

// ---- each backend against its own library ----

TEST(Jpeg, DecodesExactlyAsLibjpegItself)
{
    QImage cmykSource = noisyPicture(45, 31, 4);
    std::mt19937 random(9);
    for (int y = 0; y < cmykSource.height(); ++y)
        for (int x = 0; x < cmykSource.width(); ++x)
            cmykSource.scanLine(y)[x * 4 + 3] = uchar(random()); // K varies too
    const struct {
        JpegKind kind;
        const QImage picture;
    } cases[] = {{JpegKind::Colour, noisyPicture(45, 31, 1)},
                 {JpegKind::Progressive, noisyPicture(64, 17, 2)},
                 {JpegKind::Grey, noisyPicture(33, 40, 3)},
                 {JpegKind::Cmyk, cmykSource}};
    for (const auto &c : cases) {
        const QByteArray jpeg = libjpegEncode(c.picture, 85, c.kind);
        const QImage decoded = decodeBytes(jpeg);
        EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
        EXPECT_EQ(maxDifference(decoded, libjpegDecode(jpeg)), 0) << int(c.kind);
    }
}

namespace {

// An EXIF block holding nothing but an orientation.
QByteArray exifWithOrientation(int orientation)
{
    return QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + char(orientation) +
           QByteArray("\0\0\0\0\0\0\0", 7);
}

// Records the bands it is handed and the rows as they stood then.
struct RecordingSink : RowSink {
    std::vector<std::pair<int, int>> bands;
    QImage seen;
    void rows(QImage &picture, int first, int count) noexcept override
    {
        if (seen.isNull())
            seen = QImage(picture.size(), QImage::Format_RGB32);
        bands.emplace_back(first, count);
        for (int y = first; y < first + count; ++y)
            std::memcpy(seen.scanLine(y), picture.constScanLine(y), std::size_t(picture.width()) * 4);
    }
};

} // namespace

TEST(Jpeg, RowsAreHandedOnFinalInBandsAsTheyAreDecoded)
{
    const QImage picture = noisyPicture(37, 45, 6);
    MetadataBlocks turned;
    turned.exif = exifWithOrientation(6);
    const struct {
        const char *name;
        QByteArray jpeg;
        bool inBands;
    } cases[] = {{"colour", libjpegEncode(picture, 90), true},
                 {"grey", libjpegEncode(picture, 90, JpegKind::Grey), true},
                 {"progressive", libjpegEncode(picture, 90, JpegKind::Progressive), true},
                 // Turned or converted whole after decoding: one band at the end.
                 {"cmyk", libjpegEncode(picture, 90, JpegKind::Cmyk), false},
                 {"orientation 6", encodePicture(picture, EncodeOptions{PictureFormat::Jpeg, 90}, turned), false}};
    for (const auto &c : cases) {
        RecordingSink sink;
        const QImage decoded = decodePictureBytes(c.jpeg, QStringLiteral("x"), &sink).value().image;
        ASSERT_FALSE(sink.bands.empty()) << c.name;
        int next = 0;
        for (const auto &band : sink.bands) {
            EXPECT_EQ(band.first, next) << c.name;
            next = band.first + band.second;
        }
        EXPECT_EQ(next, decoded.height()) << c.name;
        EXPECT_EQ(sink.bands.size() > 1, c.inBands) << c.name;
        EXPECT_EQ(sink.seen, decoded) << c.name;
    }
    // A PNG comes whole.
    RecordingSink sink;
    ASSERT_TRUE(decodePictureBytes(encodePicture(picture, EncodeOptions{PictureFormat::Png, 0}, MetadataBlocks()), QStringLiteral("x"), &sink).ok());
    EXPECT_EQ(sink.bands, (std::vector<std::pair<int, int>>{{0, 45}}));
}

TEST(Jpeg, AdjustingWhileDecodingGivesTheBytesOfAdjustingAfterwards)
{
    QTemporaryDir dir;
    MetadataBlocks turned;
    turned.exif = exifWithOrientation(6);
    QStringList sources;
    int n = 0;
    for (const QSize size : {QSize(1, 1), QSize(2, 9), QSize(3, 3), QSize(37, 23), QSize(150, 40)}) {
        const QImage picture = noisyPicture(size.width(), size.height(), unsigned(n));
        QImage dense = picture;
        dense.setDotsPerMeterX(11811);
        dense.setDotsPerMeterY(5906);
        for (const QByteArray &jpeg : {libjpegEncode(picture, 90), libjpegEncode(picture, 90, JpegKind::Grey),
                                       encodePicture(picture, EncodeOptions{PictureFormat::Jpeg, 90}, turned),
                                       encodePicture(dense, EncodeOptions{PictureFormat::Jpeg, 90}, MetadataBlocks())}) {
            sources << dir.filePath(QStringLiteral("p%1.jpg").arg(n++));
            writeBytes(sources.back(), jpeg);
        }
    }
    const std::vector<AdjustmentStep> steps{{AdjustmentKind::Brightness, 33}, {AdjustmentKind::Brightness, -100},
                                            {AdjustmentKind::Contrast, 80},   {AdjustmentKind::Contrast, 20},
                                            {AdjustmentKind::Softening, 4},  {AdjustmentKind::Sharpening, 5},
                                            {AdjustmentKind::Sharpening, 7}, {AdjustmentKind::Sharpening, 10}};
    for (const QString &source : sources) {
        const QImage decoded = decodePictureFile(source).value().image;
        for (const AdjustmentStep &step : steps) {
            const QImage expected = adjustPicture(step.kind, decoded.copy(), step.strength);
            const QImage result = sourceToResult(source, step.kind, step.strength);
            EXPECT_EQ(result, expected) << qPrintable(source) << " " << int(step.kind) << " " << step.strength;
            EXPECT_EQ(result.dotsPerMeterX(), decoded.dotsPerMeterX());
            EXPECT_EQ(result.dotsPerMeterY(), decoded.dotsPerMeterY());
            bool adjusted = false;
            EXPECT_EQ(decodeAdjusted(source, step.kind, step.strength, &adjusted), expected);
            EXPECT_TRUE(adjusted);
        }
        // In a chain only the first step is done along the way.
        const QImage chained =
            chainResultFromBytes(fileBytes(source), source, {{AdjustmentKind::Sharpening, 3}, {AdjustmentKind::Contrast, 70}});
        EXPECT_EQ(chained, adjustPicture(AdjustmentKind::Contrast, adjustPicture(AdjustmentKind::Sharpening, decoded, 3), 70));
    }
}

TEST(Jpeg, MadeBandByBandTheFileIsTheWholePictureWaysFile)
{
    QTemporaryDir dir;
    QImage dense = noisyPicture(150, 41, 7);
    dense.setDotsPerMeterX(11811);
    dense.setDotsPerMeterY(5906);
    MetadataBlocks turned = sampleMetadata();
    turned.exif = exifWithOrientation(6);
    const struct {
        const char *name;
        QByteArray jpeg;
        bool streamed;
    } sources[] = {{"colour", libjpegEncode(noisyPicture(37, 23, 1), 90), true},
                   {"grey", libjpegEncode(noisyPicture(20, 35, 2), 90, JpegKind::Grey), true},
                   {"progressive", libjpegEncode(noisyPicture(64, 17, 3), 90, JpegKind::Progressive), true},
                   {"tiny", libjpegEncode(noisyPicture(2, 1, 4), 90), true},
                   {"camera data and density", encodePicture(dense, EncodeOptions{PictureFormat::Jpeg, 90}, sampleMetadata(1)), true},
                   {"turned", encodePicture(dense, EncodeOptions{PictureFormat::Jpeg, 90}, turned), false},
                   {"cmyk", libjpegEncode(noisyPicture(30, 20, 5), 90, JpegKind::Cmyk), false},
                   // After the small ones: its result outgrows the memory they left to be kept.
                   {"large", libjpegEncode(noisyPicture(2000, 1400, 6), 95), true}};
    SaveSettings settings;
    settings.quality = 85;
    for (const auto &source : sources) {
        const QString path = dir.filePath(QLatin1String(source.name) + QStringLiteral(".jpg"));
        writeBytes(path, source.jpeg);
        for (const AdjustmentStep step : {AdjustmentStep{AdjustmentKind::Brightness, -40}, AdjustmentStep{AdjustmentKind::Contrast, 90},
                                          AdjustmentStep{AdjustmentKind::Softening, 3}, AdjustmentStep{AdjustmentKind::Sharpening, 8}}) {
            const QString whole = dir.filePath(QStringLiteral("whole.jpg")), banded = dir.filePath(QStringLiteral("banded.jpg"));
            QFile::remove(banded);
            const SaveResult wholeSaved = saveOneResult(sourceToResult(path, step.kind, step.strength), whole, settings, path, {path});
            ASSERT_TRUE(wholeSaved.written()) << qPrintable(wholeSaved.failure().description());
            const auto stage = adjustingStage(step.kind, step.strength);
            const SaveResult bandedSaved = saveStreamedResult(fileBytes(path), *stage, banded, settings, path, {path});
            EXPECT_EQ(bandedSaved.written(), source.streamed) << source.name;
            if (!source.streamed) {
                EXPECT_TRUE(bandedSaved.declined()) << qPrintable(bandedSaved.failure().description());
                EXPECT_FALSE(QFile::exists(banded));
                continue;
            }
            EXPECT_EQ(fileBytes(banded), fileBytes(whole)) << source.name << " " << int(step.kind);
            EXPECT_EQ(bandedSaved.note(), wholeSaved.note());
        }
    }
    // Failures are the decoder's own reports, and a source is never a target.
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    const QByteArray full = libjpegEncode(noisyPicture(64, 64, 8), 90);
    writeBytes(cut, full.left(full.size() * 2 / 3));
    const auto stage = adjustingStage(AdjustmentKind::Sharpening, 3);
    const SaveResult cutSaved = saveStreamedResult(fileBytes(cut), *stage, dir.filePath(QStringLiteral("out.jpg")), settings, cut, {cut});
    EXPECT_FALSE(cutSaved.written() || cutSaved.declined()) << "a cut file was saved";
    EXPECT_EQ(cutSaved.failure().description(), QStringLiteral("Cannot decode the picture (the file ends too early): ") + cut);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("out.jpg"))));
    const QString source = dir.filePath(QStringLiteral("colour.jpg"));
    const SaveResult overSource = saveStreamedResult(fileBytes(source), *stage, source, settings, source, {source});
    EXPECT_EQ(overSource.failure().description(), QStringLiteral("Not saved: the output would replace a source file: ") + source);
    EXPECT_EQ(fileBytes(source), sources[0].jpeg);
}

TEST(Jpeg, EncodesWithCjpegSettingsStraightFromThePicture)
{
    QImage picture = noisyPicture(70, 50, 5);
    picture.setDotsPerMeterX(3780);
    picture.setDotsPerMeterY(3780);
    for (int quality : {40, 85, 100}) {
        // Without metadata the file is what libjpeg writes with cjpeg's settings (and the 96 dpi
        // JFIF density the picture carries).
        const QByteArray ours = encodePicture(picture, EncodeOptions{PictureFormat::Jpeg, quality}, MetadataBlocks());
        QByteArray reference = libjpegEncode(picture, quality);
        reference[13] = 1; // density unit: dots per inch
        reference[14] = 0, reference[15] = 96, reference[16] = 0, reference[17] = 96;
        EXPECT_EQ(ours, reference) << quality;
    }
    const QByteArray low = encodePicture(picture, EncodeOptions{PictureFormat::Jpeg, 30}, MetadataBlocks());
    const QByteArray high = encodePicture(picture, EncodeOptions{PictureFormat::Jpeg, 95}, MetadataBlocks());
    EXPECT_LT(low.size(), high.size());
    EXPECT_GT(psnr(decodeBytes(high), picture), psnr(decodeBytes(low), picture));
    EXPECT_THROW(encodePicture(picture, EncodeOptions{PictureFormat::Jpeg, 0}, MetadataBlocks()), StepFailure);
}

TEST(Png, ExifOrientationBeforeOrAfterTheImageDataTurnsThePicture)
{
    const QImage picture = noisyPicture(7, 4, 9);
    const QByteArray plain = encodePicture(picture, EncodeOptions{PictureFormat::Png, 0}, MetadataBlocks());
    MetadataBlocks turned;
    turned.exif = exifWithOrientation(6);
    // Our encoder puts eXIf before the image data; another writer may put it last.
    const QByteArray before = encodePicture(picture, EncodeOptions{PictureFormat::Png, 0}, turned);
    QByteArray chunk("\0\0\0\0eXIf", 8);
    chunk[3] = char(turned.exif.size());
    chunk += turned.exif;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(chunk.constData() + 4), uInt(chunk.size() - 4));
    for (int shift : {24, 16, 8, 0})
        chunk += char((crc >> shift) & 0xFF);
    QByteArray after = plain;
    after.insert(after.size() - 12, chunk); // before IEND
    for (const QByteArray &bytes : {before, after}) {
        const QImage decoded = decodeBytes(bytes);
        ASSERT_EQ(decoded.size(), QSize(4, 7));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(decoded.pixel(3 - y, x), picture.pixel(x, y)) << x << "," << y;
    }
    EXPECT_EQ(decodeBytes(plain), picture);
}

TEST(Png, EveryColourTypeAndDepthAsWritten)
{
    const int w = 13, h = 7;
    const struct {
        int colour, depth;
        bool interlaced;
    } cases[] = {{PNG_COLOR_TYPE_GRAY, 1, false},  {PNG_COLOR_TYPE_GRAY, 2, false}, {PNG_COLOR_TYPE_GRAY, 4, true},
                 {PNG_COLOR_TYPE_GRAY, 8, false},  {PNG_COLOR_TYPE_GRAY, 16, false}, {PNG_COLOR_TYPE_RGB, 8, false},
                 {PNG_COLOR_TYPE_RGB, 8, true},    {PNG_COLOR_TYPE_RGB, 16, false}, {PNG_COLOR_TYPE_PALETTE, 4, false},
                 {PNG_COLOR_TYPE_PALETTE, 8, true}};
    for (const auto &c : cases) {
        const bool palette = c.colour == PNG_COLOR_TYPE_PALETTE;
        const int channels = c.colour == PNG_COLOR_TYPE_RGB ? 3 : 1;
        const int maximum = palette ? 9 : (1 << c.depth) - 1;
        const auto samples = randomSamples(std::size_t(w * h * channels), maximum, unsigned(c.depth * 10 + c.colour));
        std::vector<std::uint8_t> colours;
        for (int i = 0; i < 10 * 3; ++i)
            colours.push_back(std::uint8_t(i * 37 % 256));
        const QImage decoded = decodeBytes(
            libpngEncode(w, h, PngLayout{c.colour, c.depth, c.interlaced}, samples, palette ? colours : std::vector<std::uint8_t>{}));
        ASSERT_EQ(decoded.size(), QSize(w, h));
        int wrong = 0;
        for (int i = 0; i < w * h; ++i) {
            QRgb expected;
            if (palette) {
                const int k = samples[std::size_t(i)] * 3;
                expected = qRgb(colours[std::size_t(k)], colours[std::size_t(k + 1)], colours[std::size_t(k + 2)]);
            } else if (channels == 1) {
                const int v = to8(samples[std::size_t(i)], c.depth);
                expected = qRgb(v, v, v);
            } else {
                expected = qRgb(to8(samples[std::size_t(i) * 3], c.depth), to8(samples[std::size_t(i) * 3 + 1], c.depth),
                                to8(samples[std::size_t(i) * 3 + 2], c.depth));
            }
            wrong += decoded.pixel(i % w, i / w) != expected;
        }
        EXPECT_EQ(wrong, 0) << "colour type " << c.colour << " depth " << c.depth;
    }
}

TEST(Png, TransparencyLiesOnWhiteIncludingSixteenBitTransparentColourWithBackground)
{
    const int w = 11, h = 6;
    // 16-bit RGB whose transparent colour is given by tRNS, with a bKGD chunk: Qt's plugin
    // turned this into stripes.
    auto samples = randomSamples(std::size_t(w * h * 3), 65535, 77);
    const std::vector<std::uint16_t> key{0x1111, 0x2222, 0x3333};
    for (int i = 0; i < w * h; i += 4)
        std::copy(key.begin(), key.end(), samples.begin() + i * 3);
    const QImage keyed = decodeBytes(libpngEncode(w, h, PngLayout{PNG_COLOR_TYPE_RGB, 16}, samples, {}, key, true));
    ASSERT_EQ(keyed.size(), QSize(w, h));
    for (int i = 0; i < w * h; ++i) {
        const QRgb expected = i % 4 == 0 ? qRgb(255, 255, 255)
                                         : qRgb(to8(samples[std::size_t(i) * 3], 16), to8(samples[std::size_t(i) * 3 + 1], 16),
                                                to8(samples[std::size_t(i) * 3 + 2], 16));
        ASSERT_EQ(keyed.pixel(i % w, i / w), expected) << "pixel " << i;
    }

    // Palette with partly transparent entries, and RGBA: colour blended onto white.
    std::vector<std::uint8_t> colours{200, 0, 0, 0, 100, 0, 10, 20, 30};
    const QImage indexed = decodeBytes(libpngEncode(3, 1, PngLayout{PNG_COLOR_TYPE_PALETTE, 8}, {0, 1, 2}, colours, {0, 128}));
    EXPECT_EQ(indexed.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_NEAR(qRed(indexed.pixel(1, 0)), 127, 1);
    EXPECT_NEAR(qGreen(indexed.pixel(1, 0)), 177, 1);
    EXPECT_EQ(indexed.pixel(2, 0), qRgb(10, 20, 30));
    const QImage rgba = decodeBytes(libpngEncode(2, 1, PngLayout{PNG_COLOR_TYPE_RGB_ALPHA, 16}, {0, 65535, 0, 32768, 0, 0, 0, 65535}));
    EXPECT_NEAR(qRed(rgba.pixel(0, 0)), 127, 1);
    EXPECT_EQ(qGreen(rgba.pixel(0, 0)), 255);
    EXPECT_EQ(rgba.pixel(1, 0), qRgb(0, 0, 0));
}

namespace {

// One flat 8-bit grey directory of a TIFF being written with libtiff; `fields` sets further tags.
void writeGreyDirectory(TIFF *tif, int w, int h, unsigned char grey, const std::function<void(TIFF *)> &fields)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    fields(tif);
    std::vector<unsigned char> row(std::size_t(w), grey);
    for (int y = 0; y < h; ++y)
        TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    TIFFWriteDirectory(tif);
}

} // namespace

TEST(Tiff, RgbGreyPaletteAndOrientationAsLibtiffWroteThem)
{
    QTemporaryDir dir;
    const int w = 9, h = 5;
    std::mt19937 random(3);
    std::vector<std::uint16_t> values(std::size_t(w * h * 3));
    for (auto &v : values)
        v = std::uint16_t(random() % 256);
    auto write = [&](const QString &name, int samples, int bits, int photometric, int orientation) {
        const QString path = dir.filePath(name);
        TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        std::vector<uint16_t> map(256);
        for (int i = 0; i < 256; ++i)
            map[std::size_t(i)] = uint16_t((255 - i) * 257);
        if (photometric == PHOTOMETRIC_PALETTE)
            TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
        std::vector<unsigned char> row(std::size_t(w * samples * bits / 8));
        for (int y = 0; y < h; ++y) {
            for (int i = 0; i < w * samples; ++i) {
                const std::uint16_t v = values[std::size_t(y * w * samples + i)];
                if (bits == 16)
                    reinterpret_cast<std::uint16_t *>(row.data())[i] = std::uint16_t(v * 257);
                else
                    row[std::size_t(i)] = uchar(v);
            }
            TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
        }
        TIFFClose(tif);
        return decodePictureFile(path).value().image;
    };
    auto expected = [&](int x, int y, int samples, bool palette) {
        const std::size_t i = std::size_t((y * w + x) * samples);
        if (samples == 3)
            return qRgb(values[i], values[i + 1], values[i + 2]);
        const int v = palette ? 255 - values[i] : values[i];
        return qRgb(v, v, v);
    };
    for (int bits : {8, 16}) {
        const QImage rgb = write(QStringLiteral("rgb%1.tif").arg(bits), 3, bits, PHOTOMETRIC_RGB, ORIENTATION_TOPLEFT);
        ASSERT_EQ(rgb.size(), QSize(w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(rgb.pixel(x, y), expected(x, y, 3, false)) << bits << " bits at " << x << "," << y;
    }
    const QImage grey = write(QStringLiteral("grey.tif"), 1, 8, PHOTOMETRIC_MINISBLACK, ORIENTATION_TOPLEFT);
    const QImage palette = write(QStringLiteral("palette.tif"), 1, 8, PHOTOMETRIC_PALETTE, ORIENTATION_TOPLEFT);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(grey.pixel(x, y), expected(x, y, 1, false));
            ASSERT_EQ(palette.pixel(x, y), expected(x, y, 1, true));
        }
    // Orientation 6: stored rows become columns, turned clockwise.
    const QImage turned = write(QStringLiteral("turned.tif"), 3, 8, PHOTOMETRIC_RGB, ORIENTATION_RIGHTTOP);
    ASSERT_EQ(turned.size(), QSize(h, w));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(turned.pixel(h - 1 - y, x), expected(x, y, 3, false));
}

TEST(Tiff, AReducedSizeFirstDirectoryIsAPreviewNotThePicture)
{
    QTemporaryDir dir;
    auto directory = [](TIFF *tif, int w, int h, bool reduced, unsigned char grey) {
        writeGreyDirectory(tif, w, h, grey, [reduced](TIFF *t) {
            if (reduced)
                TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        });
    };
    const QString both = dir.filePath(QStringLiteral("preview-first.tif"));
    TIFF *tif = TIFFOpen(QFile::encodeName(both).constData(), "w");
    directory(tif, 8, 6, true, 30);
    directory(tif, 32, 24, false, 200);
    TIFFClose(tif);
    const QImage picture = decodePictureFile(both).value().image;
    EXPECT_EQ(picture.size(), QSize(32, 24));
    EXPECT_EQ(picture.pixel(5, 5), qRgb(200, 200, 200));

    const QString previewOnly = dir.filePath(QStringLiteral("preview-only.tif"));
    tif = TIFFOpen(QFile::encodeName(previewOnly).constData(), "w");
    directory(tif, 8, 6, true, 30);
    TIFFClose(tif);
    EXPECT_EQ(failureOfFile(previewOnly),
              QStringLiteral("Cannot decode the picture (the file holds only reduced-size previews of its picture, as "
                             "camera raw files do): ") + previewOnly);
}

TEST(Raw, DngDecodesAsLibRawMakesItTurnedByItsOrientation)
{
    const QByteArray dng = libtiffDng(64, 48);
    const DecodedPicture upright = decodePictureBytes(dng, QStringLiteral("x.dng")).value();
    EXPECT_EQ(upright.format, PictureFormat::Raw);
    ASSERT_EQ(upright.image.size(), QSize(64, 48));
    EXPECT_EQ(maxDifference(upright.image, librawReference(dng)), 0);
    // Not a grey or flat picture: the camera's white balance and colours came through.
    EXPECT_NE(qRed(upright.image.pixel(5, 40)), qBlue(upright.image.pixel(5, 40)));
    EXPECT_EQ(exifMake(readPictureMetadataBytes(dng).exif), QStringLiteral("Quenwick Optics"));
    // Its camera data goes on, its sensor structure does not: a TIFF result is a TIFF.
    const MetadataBlocks carried = metadataForResult(readPictureMetadataBytes(dng));
    EXPECT_EQ(exifMake(carried.exif), QStringLiteral("Quenwick Optics"));
    const QByteArray tiff = encodePicture(upright.image, EncodeOptions{PictureFormat::Tiff, 0}, carried);
    EXPECT_EQ(sniffPictureFormat(tiff.constData(), std::size_t(tiff.size())), PictureFormat::Tiff);
    EXPECT_EQ(exifMake(readPictureMetadataBytes(tiff).exif), QStringLiteral("Quenwick Optics"));

    const QByteArray turnedDng = libtiffDng(64, 48, 6);
    const QImage turned = decodeBytes(turnedDng);
    ASSERT_EQ(turned.size(), QSize(48, 64));
    EXPECT_EQ(maxDifference(turned, librawReference(turnedDng)), 0);
    int different = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            different += turned.pixel(47 - y, x) != upright.image.pixel(x, y);
    EXPECT_EQ(different, 0);

    // Laid out as cameras write them, the preview first: the sensor data is the picture.
    const QByteArray previewFirst = libtiffDng(64, 48, 1, "Quenwick Optics", true);
    const DecodedPicture fromLayout = decodePictureBytes(previewFirst, QStringLiteral("y.dng")).value();
    EXPECT_EQ(fromLayout.format, PictureFormat::Raw);
    EXPECT_EQ(maxDifference(fromLayout.image, librawReference(previewFirst)), 0);
    EXPECT_EQ(fromLayout.image.size(), QSize(64, 48));
}

TEST(Raw, TruncatedAndCorruptRawFilesAreRefusedWithAReport)
{
    const QByteArray dng = libtiffDng(64, 48);
    // libtiff writes the directory last: a cut file has lost it, or part of its values.
    for (double fraction : {0.5, 0.99, 0.999}) {
        const QString failure = failureOf(dng.left(qsizetype(dng.size() * fraction)), QStringLiteral("/pictures/cut.dng"));
        EXPECT_TRUE(failure.startsWith(QStringLiteral("Cannot decode the picture ("))) << qPrintable(failure);
        EXPECT_TRUE(failure.endsWith(QStringLiteral("): /pictures/cut.dng"))) << qPrintable(failure);
    }
    // The sensor data running on past the end of the file, as in a file cut inside its data.
    const int at = int(dng.indexOf(QByteArray("\x11\x01\x04\x00\x01\x00\x00\x00", 8)));
    ASSERT_GT(at, 0);
    QByteArray cut = dng;
    const quint32 offset = quint32(dng.size() - 2000);
    cut.replace(at + 8, 4, QByteArray(reinterpret_cast<const char *>(&offset), 4));
    EXPECT_EQ(failureOf(cut, QStringLiteral("/pictures/cut.dng")).toStdString(),
              "Cannot decode the picture (the file ends too early): /pictures/cut.dng");
    // A compression no camera uses.
    QByteArray corrupt = dng;
    const int compression = int(corrupt.indexOf(QByteArray("\x03\x01\x03\x00\x01\x00\x00\x00\x01\x00", 10)));
    ASSERT_GT(compression, 0);
    corrupt.replace(compression + 8, 2, QByteArray("\x34\x12", 2));
    const QString failure = failureOf(corrupt);
    EXPECT_TRUE(failure.startsWith(QStringLiteral("Cannot decode the picture ("))) << qPrintable(failure);
    EXPECT_TRUE(failure.endsWith(QStringLiteral(": /pictures/x"))) << qPrintable(failure);
}

TEST(Jxl, LosslessRoundTripsExactlyLossyAsLibjxlDecodesIt)
{
    const QImage picture = noisyPicture(37, 23, 8);
    const QByteArray lossless = encodePicture(picture, EncodeOptions{PictureFormat::Jxl, 100}, MetadataBlocks());
    const DecodedPicture back = decodePictureBytes(lossless, QStringLiteral("x.jxl")).value();
    EXPECT_EQ(back.format, PictureFormat::Jxl);
    EXPECT_EQ(maxDifference(back.image, picture), 0);
    EXPECT_EQ(maxDifference(libjxlDecode(lossless), picture), 0);

    const QImage smooth = smoothPicture(64, 48);
    const QByteArray low = encodePicture(smooth, EncodeOptions{PictureFormat::Jxl, 40}, MetadataBlocks());
    const QByteArray high = encodePicture(smooth, EncodeOptions{PictureFormat::Jxl, 90}, MetadataBlocks());
    EXPECT_LT(low.size(), high.size());
    EXPECT_EQ(maxDifference(decodeBytes(high), libjxlDecode(high)), 0);
    EXPECT_GT(psnr(decodeBytes(high), smooth), 35.0);

    // libjxl's own writer: orientation in the codestream, EXIF and XMP in (compressed) boxes.
    const MetadataBlocks camera = sampleMetadata(1);
    for (bool compressed : {false, true}) {
        const QByteArray turned = libjxlEncode(smooth, 1.0f, 6, camera.exif, camera.xmp, compressed);
        const QImage decoded = decodeBytes(turned);
        EXPECT_EQ(decoded.size(), QSize(48, 64));
        EXPECT_EQ(maxDifference(decoded, libjxlDecode(turned)), 0);
        const MetadataBlocks blocks = readPictureMetadataBytes(turned);
        EXPECT_EQ(exifMake(blocks.exif), QStringLiteral("Quenwick Optics")) << compressed;
        EXPECT_TRUE(blocks.xmp.contains("Harbour")) << compressed;
    }
    // An animation is its first frame.
    const QImage second = noisyPicture(37, 23, 9);
    const QByteArray animation = libjxlEncodeAnimation(picture, second);
    ASSERT_FALSE(animation.isEmpty());
    EXPECT_EQ(maxDifference(decodeBytes(animation), picture), 0);
}

TEST(Jxl, TruncatedAndCorruptFilesAreRefusedWithAReport)
{
    const QByteArray jxl = libjxlEncode(noisyPicture(40, 30, 4), 1.0f);
    for (double fraction : {0.1, 0.5, 0.9, 0.99})
        EXPECT_EQ(failureOf(jxl.left(qsizetype(jxl.size() * fraction)), QStringLiteral("/pictures/cut.jxl")).toStdString(),
                  "Cannot decode the picture (the file ends too early): /pictures/cut.jxl")
            << fraction;
    QByteArray corrupt = jxl;
    for (int i = 2; i < 12; ++i)
        corrupt[i] = char(0xff);
    const QString failure = failureOf(corrupt);
    EXPECT_TRUE(failure.startsWith(QStringLiteral("Cannot decode the picture ("))) << qPrintable(failure);
}

// A file may lead with any number of previews before its page; a chain that comes back on itself
// still ends, as a file of previews only.
TEST(Tiff, ThePageAfterSixtyThousandPreviewsIsFoundAndALoopEnds)
{
    constexpr int previews = 60000;
    auto le16 = [](QByteArray &out, unsigned v) { out.append(char(v & 255)).append(char(v >> 8)); };
    auto le32 = [&](QByteArray &out, quint32 v) { le16(out, v & 0xFFFF); le16(out, v >> 16); };
    auto file = [&](bool loop) {
        QByteArray tiff("II*\0", 4);
        le32(tiff, 8);
        constexpr quint32 kIfd = 2 + 10 * 12 + 4;
        const quint32 pixels = 8 + quint32(previews + 1) * kIfd; // the strips follow the directories
        auto ifd = [&](bool preview, quint32 width, quint32 height, quint32 strip, quint32 next) {
            le16(tiff, 10);
            const quint32 entries[10][3] = {{254, 4, preview ? 1u : 0u}, {256, 3, width}, {257, 3, height},
                                            {258, 3, 8}, {259, 3, 1}, {262, 3, 1}, {273, 4, strip},
                                            {277, 3, 1}, {278, 3, height}, {279, 4, width * height}};
            for (const auto &e : entries) {
                le16(tiff, e[0]);
                le16(tiff, e[1]);
                le32(tiff, 1);
                le32(tiff, e[2]);
            }
            le32(tiff, next);
        };
        for (int i = 0; i < previews; ++i) {
            const quint32 next = loop && i == previews - 1 ? 8u : 8 + quint32(i + 1) * kIfd;
            ifd(true, 1, 1, pixels, next);
        }
        ifd(false, 3, 2, pixels + 1, 0);
        tiff.append(char(30)); // the previews' pixel
        tiff.append(QByteArray("\x10\x20\x30\x40\x50\x60", 6));
        return tiff;
    };
    const QImage page = decodeBytes(file(false));
    ASSERT_EQ(page.size(), QSize(3, 2));
    EXPECT_EQ(page.pixel(2, 1), qRgb(0x60, 0x60, 0x60));
    EXPECT_EQ(failureOf(file(true)), QStringLiteral("Cannot decode the picture (the file holds only reduced-size previews of its "
                                      "picture, as camera raw files do): /pictures/x"));
}

// libjpeg inside libtiff only warns when a strip's JPEG data ends before its rows, and fills them
// with grey: that is a picture cut short, as for a JPEG file.
TEST(Tiff, JpegStripDataThatEndsEarlyIsAFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("jpeg.tif"));
    const QImage picture = noisyPicture(64, 48, 5);
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 64);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 48);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 48);
    std::vector<unsigned char> row(64 * 3);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const QRgb c = picture.pixel(x, y);
            row[std::size_t(x) * 3] = uchar(qRed(c)), row[std::size_t(x) * 3 + 1] = uchar(qGreen(c)),
                             row[std::size_t(x) * 3 + 2] = uchar(qBlue(c));
        }
        TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tif);
    tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    const uint64_t offset = TIFFGetStrileOffset(tif, 0), count = TIFFGetStrileByteCount(tif, 0);
    TIFFClose(tif);
    QByteArray bytes = fileBytes(path);
    ASSERT_FALSE(decodeBytes(bytes).isNull());
    ASSERT_GT(count, 200u);
    // The strip's data ends a third of the way in, its length as written.
    bytes[qsizetype(offset + count / 3)] = char(0xFF);
    bytes[qsizetype(offset + count / 3 + 1)] = char(0xD9);
    EXPECT_EQ(failureOf(bytes), QStringLiteral("Cannot decode the picture (the file ends too early): /pictures/x"));
}

TEST(Webp, LosslessExactLossyAsLibwebpDecodesIt)
{
    const QImage picture = noisyPicture(37, 23, 8);
    EXPECT_EQ(maxDifference(decodeBytes(libwebpEncode(picture, 0, true)), picture), 0);
    const QByteArray lossy = libwebpEncode(picture, 70, false);
    EXPECT_EQ(maxDifference(decodeBytes(lossy), libwebpDecode(lossy)), 0);

    QImage clear(2, 1, QImage::Format_ARGB32);
    clear.setPixel(0, 0, qRgba(0, 0, 0, 0));
    clear.setPixel(1, 0, qRgba(10, 20, 30, 255));
    const QImage flat = decodeBytes(libwebpEncode(clear, 0, true));
    EXPECT_EQ(flat.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(flat.pixel(1, 0), qRgb(10, 20, 30));
}

TEST(Webp, ExifOrientationTurnsThePictureWithOrWithoutTheJpegPrefix)
{
    const QImage picture = noisyPicture(7, 4, 11);
    const QByteArray plain = libwebpEncode(picture, 0, true);
    auto withExif = [&](const QByteArray &exif) {
        WebPData image{reinterpret_cast<const uint8_t *>(plain.constData()), std::size_t(plain.size())};
        WebPMux *mux = WebPMuxCreate(&image, 1);
        WebPData chunk{reinterpret_cast<const uint8_t *>(exif.constData()), std::size_t(exif.size())};
        WebPMuxSetChunk(mux, "EXIF", &chunk, 1);
        WebPData assembled{nullptr, 0};
        WebPMuxAssemble(mux, &assembled);
        const QByteArray file(reinterpret_cast<const char *>(assembled.bytes), qsizetype(assembled.size));
        WebPDataClear(&assembled);
        WebPMuxDelete(mux);
        return file;
    };
    const QByteArray exif = exifWithOrientation(6);
    for (const QByteArray &file : {withExif(exif), withExif(QByteArray("Exif\0\0", 6) + exif)}) {
        const QImage decoded = decodeBytes(file);
        ASSERT_EQ(decoded.size(), QSize(4, 7));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(decoded.pixel(3 - y, x), picture.pixel(x, y)) << x << "," << y;
    }
    EXPECT_EQ(decodeBytes(withExif(exifWithOrientation(1))), picture);
}

TEST(Heif, HeicAndAvifAsLibheifDecodesThem)
{
    const QImage picture = smoothPicture(64, 48);
    int tried = 0;
    for (bool av1 : {false, true}) {
        if (!heifEncoderAvailable(av1))
            continue;
        ++tried;
        const QByteArray file = libheifEncode(picture, av1, sampleMetadata().exif);
        ASSERT_FALSE(file.isEmpty());
        const DecodedPicture decoded = decodePictureBytes(file, QStringLiteral("x")).value();
        EXPECT_EQ(decoded.format, av1 ? PictureFormat::Avif : PictureFormat::Heif);
        EXPECT_EQ(maxDifference(decoded.image, libheifDecode(file)), 0) << av1;
        EXPECT_GT(psnr(decoded.image, picture), 30.0);
        EXPECT_EQ(exifMake(readPictureMetadataBytes(file).exif), QStringLiteral("Quenwick Optics"));
    }
    EXPECT_GT(tried, 0) << "no HEIF encoder in libheif";
}

// libheif refuses a side of 65535 itself, before the file's size reaches the codec: the size is
// still what the user is told, as for every other format.
TEST(Heif, ASideLibheifRefusesIsToldAsThePicturesSize)
{
    if (!heifEncoderAvailable(false))
        GTEST_SKIP() << "no HEVC encoder in libheif";
    QByteArray file = libheifEncode(smoothPicture(64, 48), false);
    const qsizetype ispe = file.indexOf("ispe");
    ASSERT_GT(ispe, 0);
    for (int i = 0; i < 8; ++i)
        file[ispe + 8 + i] = char(i % 4 < 2 ? 0 : 0xFF); // 65535 x 65535
    EXPECT_EQ(failureOf(file, QStringLiteral("/pictures/wide")), QStringLiteral("Picture is too large: 65535 x 65535 pixels would need 16384 MB; the limit is 2048 MB"));
}

// ---- what is written ----

TEST(Encode, LosslessFormatsRoundTripAndWebpAtItsQuality)
{
    QImage picture = noisyPicture(29, 19, 12);
    picture.setDotsPerMeterX(11811);
    picture.setDotsPerMeterY(11811);
    for (PictureFormat format : {PictureFormat::Png, PictureFormat::Tiff, PictureFormat::Bmp}) {
        const DecodedPicture back = decodePictureBytes(encodePicture(picture, EncodeOptions{format, 85}, MetadataBlocks()), QString()).value();
        EXPECT_EQ(back.format, format);
        EXPECT_EQ(maxDifference(back.image, picture), 0) << formatName(format);
        EXPECT_EQ(back.image.dotsPerMeterX(), 11811) << formatName(format);
    }
    const QImage smooth = smoothPicture(64, 48);
    const QByteArray small = encodePicture(smooth, EncodeOptions{PictureFormat::Webp, 20}, MetadataBlocks());
    const QByteArray large = encodePicture(smooth, EncodeOptions{PictureFormat::Webp, 95}, MetadataBlocks());
    EXPECT_LT(small.size(), large.size());
    EXPECT_EQ(maxDifference(decodeBytes(large), libwebpDecode(large)), 0);
    EXPECT_GT(psnr(decodeBytes(large), smooth), 35.0);
}

TEST(Encode, MetadataWrittenIntoEveryFormatThatHoldsIt)
{
    const MetadataBlocks source = sampleMetadata();
    const MetadataBlocks result = metadataForResult(source);
    // The result is stored upright and without the source's orientation.
    Exiv2::ExifData exif;
    Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte *>(result.exif.constData()), uint32_t(result.exif.size()));
    EXPECT_EQ(exif["Exif.Image.Orientation"].toLong(), 1);
    const QImage picture = smoothPicture(32, 32);
    const struct {
        PictureFormat format;
        bool iptc;
    } formats[] = {{PictureFormat::Jpeg, true}, {PictureFormat::Png, false}, {PictureFormat::Webp, false},
                   {PictureFormat::Tiff, true},  {PictureFormat::Heif, false}, {PictureFormat::Avif, false}};
    for (const auto &f : formats) {
        if ((f.format == PictureFormat::Heif || f.format == PictureFormat::Avif) &&
            !heifEncoderAvailable(f.format == PictureFormat::Avif))
            continue;
        const QByteArray file = encodePicture(picture, EncodeOptions{f.format, 90}, result);
        QString note;
        const MetadataBlocks back = readPictureMetadataBytes(file, &note);
        EXPECT_TRUE(note.isEmpty()) << qPrintable(note);
        EXPECT_EQ(exifMake(back.exif), QStringLiteral("Quenwick Optics")) << formatName(f.format);
        // Once only: a second copy (libpng repeats eXIf after the image data when asked to
        // write the end from the same info) makes the file invalid for strict readers.
        EXPECT_EQ(file.count("Quenwick Optics"), 1) << formatName(f.format);
        EXPECT_EQ(exifOrientation(back.exif.constData(), std::size_t(back.exif.size())), 1) << formatName(f.format);
        EXPECT_TRUE(back.xmp.contains("Harbour")) << formatName(f.format);
        EXPECT_EQ(back.icc, source.icc) << formatName(f.format);
        if (f.iptc) {
            EXPECT_TRUE(back.iptc.contains("Boats at dusk")) << formatName(f.format);
        }
        const bool lossy = f.format != PictureFormat::Png && f.format != PictureFormat::Tiff;
        EXPECT_GT(psnr(decodeBytes(file), picture), lossy ? 30.0 : 98.0) << formatName(f.format);
        if (f.format == PictureFormat::Heif || f.format == PictureFormat::Avif) {
            EXPECT_EQ(decodePictureBytes(file, QString()).value().format, f.format);
            EXPECT_GT(psnr(libheifDecode(file), picture), 30.0) << formatName(f.format);
        }
    }
    // JPEG XL keeps the colour space of its pixels: a profile libjxl can parse, here Display P3.
    for (int quality : {100, 85}) {
        MetadataBlocks p3 = result;
        p3.icc = QColorSpace(QColorSpace::DisplayP3).iccProfile();
        const QByteArray file = encodePicture(picture, EncodeOptions{PictureFormat::Jxl, quality}, p3);
        const MetadataBlocks back = readPictureMetadataBytes(file);
        EXPECT_EQ(exifMake(back.exif), QStringLiteral("Quenwick Optics")) << quality;
        EXPECT_EQ(exifOrientation(back.exif.constData(), std::size_t(back.exif.size())), 1);
        EXPECT_TRUE(back.xmp.contains("Harbour")) << quality;
        EXPECT_EQ(back.icc.mid(16, 4), QByteArray("RGB ")) << quality;
        EXPECT_EQ(maxDifference(decodeBytes(file), libjxlDecode(file)), 0) << quality;
        if (quality == 100)
            EXPECT_EQ(maxDifference(decodeBytes(file), picture), 0);
        else
            EXPECT_GT(psnr(decodeBytes(file), picture), 30.0);
    }
    EXPECT_TRUE(readPictureMetadataBytes(encodePicture(picture, EncodeOptions{PictureFormat::Bmp, 0}, result)).isEmpty());

    // The result's pixels are R,G,B whatever the source's were: a CMYK or grey profile is not kept.
    for (const char *space : {"CMYK", "GRAY"}) {
        MetadataBlocks other = source;
        other.icc.replace(16, 4, space);
        const MetadataBlocks kept = metadataForResult(other);
        EXPECT_TRUE(kept.icc.isEmpty()) << space;
        EXPECT_EQ(kept.exif, result.exif) << space;
    }
}

TEST(Encode, SaversJpegPathIsCloseToTheResultAndQualityChangesTheSize)
{
    QTemporaryDir dir;
    const QImage source = decodePictureFile(QStringLiteral(LUMIVEX_SAMPLES_DIR "/Harbour at dusk.jpg")).value().image;
    SaveSettings settings;
    settings.folder = dir.path();
    QVector<qint64> sizes;
    for (int quality : {50, 90}) {
        settings.quality = quality;
        const QString path = dir.filePath(QStringLiteral("q%1.jpg").arg(quality));
        ASSERT_TRUE(saveOneResult(source, path, settings, QStringLiteral(LUMIVEX_SAMPLES_DIR "/Harbour at dusk.jpg"), QStringList())
                        .written());
        const QImage back = decodePictureFile(path).value().image;
        EXPECT_GT(psnr(back, source), quality == 90 ? 36.0 : 30.0) << quality;
        sizes << QFileInfo(path).size();
    }
    EXPECT_LT(sizes[0], sizes[1]);
}

// ---- bad input ----

TEST(BadInput, HeaderOnlyBombsAreRefusedBeforeTheirMemoryIsTaken)
{
    // 23000 x 23000 pixels is just inside the pixel limit (2 GB), but these files hold only a
    // header: nothing may be allocated for them.
    const quint32 side = 23000;
    auto bytes = [](std::initializer_list<int> list) {
        QByteArray out;
        for (int b : list)
            out.append(char(b & 255));
        return out;
    };
    auto be32 = [&](quint32 v) { return bytes({int(v >> 24), int(v >> 16), int(v >> 8), int(v)}); };
    auto le32 = [&](quint32 v) { return bytes({int(v), int(v >> 8), int(v >> 16), int(v >> 24)}); };
    const QByteArray sides = bytes({int(side), int(side >> 8), int(side), int(side >> 8)});
    QByteArray ihdr = QByteArray("IHDR") + be32(side) + be32(side) + QByteArray("\x08\x02\0\0\0", 5);
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(13) + ihdr + be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(ihdr.constData()), 17))) +
                           be32(40) + QByteArray("IDAT") + QByteArray(44, '\0');
    QByteArray jpeg = libjpegEncode(noisyPicture(16, 16), 80);
    const int sof = int(jpeg.indexOf("\xff\xc0"));
    jpeg[sof + 5] = char(side >> 8), jpeg[sof + 6] = char(side & 255), jpeg[sof + 7] = char(side >> 8), jpeg[sof + 8] = char(side & 255);
    QByteArray bmp = QByteArray("BM") + le32(54 + 100) + le32(0) + le32(54) + le32(40) + le32(side) + le32(side) +
                     QByteArray("\x01\0\x18\0", 4) + QByteArray(24, '\0') + QByteArray(100, '\0');
    QByteArray gif = QByteArray("GIF89a") + sides + QByteArray("\0\0\0", 3) + QByteArray("\x2c\0\0\0\0", 5) + sides +
                     QByteArray("\0\x08\x02\x4c\x01", 5);
    QByteArray webp = libwebpEncode(noisyPicture(8, 8), 0, true);
    webp.truncate(30);
    const QByteArray tiffGood = encodePicture(noisyPicture(8, 8), EncodeOptions{PictureFormat::Tiff, 0}, MetadataBlocks());
    QByteArray tiff = tiffGood;
    {
        // Width and length entries rewritten in place.
        const quint32 ifd = quint32(quint8(tiff[4])) | quint32(quint8(tiff[5])) << 8 | quint32(quint8(tiff[6])) << 16 | quint32(quint8(tiff[7])) << 24;
        const int count = quint8(tiff[int(ifd)]) | quint8(tiff[int(ifd) + 1]) << 8;
        for (int i = 0; i < count; ++i) {
            const int entry = int(ifd) + 2 + i * 12;
            const int tag = quint8(tiff[entry]) | quint8(tiff[entry + 1]) << 8;
            if (tag == 256 || tag == 257) {
                tiff[entry + 2] = 4, tiff[entry + 3] = 0; // LONG
                tiff.replace(entry + 8, 4, le32(side));
            }
        }
    }
    const long before = peakMemoryKb();
    const struct {
        const char *name;
        QByteArray bytes;
    } bombs[] = {{"png", png}, {"jpeg", jpeg.left(sof + 200)}, {"bmp", bmp}, {"gif", gif}, {"webp", webp}, {"tiff", tiff}};
    for (const auto &b : bombs) {
        const QString failure = failureOf(b.bytes, QStringLiteral("/pictures/bomb"));
        EXPECT_EQ(failure, QStringLiteral("Cannot decode the picture (the file ends too early): /pictures/bomb")) << b.name;
    }
    EXPECT_LT(peakMemoryKb() - before, 256 * 1024) << "a header-only bomb took its memory";

    // Beyond the pixel limit it is the size that is refused, with the existing text.
    ihdr = QByteArray("IHDR") + be32(30000) + be32(30000) + QByteArray("\x08\x02\0\0\0", 5);
    const QByteArray huge = QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(13) + ihdr +
                            be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(ihdr.constData()), 17)));
    EXPECT_TRUE(failureOf(huge).startsWith(QStringLiteral("Picture is too large: 30000 x 30000 pixels")));
    // Sides whose product overflows 64 bits once multiplied by four bytes (found by fuzzing).
    ihdr = QByteArray("IHDR") + be32(1600000000) + be32(1800000000) + QByteArray("\x08\x02\0\0\0", 5);
    const QByteArray overflowing = QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(13) + ihdr +
                                   be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(ihdr.constData()), 17)));
    EXPECT_TRUE(failureOf(overflowing).startsWith(QStringLiteral("Picture is too large: 1600000000 x 1800000000 pixels")))
        << qPrintable(failureOf(overflowing));
}

TEST(BadInput, TruncatedFilesOfEveryFormatAreFailuresNeverPartialPictures)
{
    const QImage picture = noisyPicture(40, 30, 4);
    struct Case {
        const char *name;
        QByteArray bytes;
        bool exactText;
    };
    std::vector<Case> cases{
        {"jpeg", libjpegEncode(picture, 90), true},
        {"progressive jpeg", libjpegEncode(picture, 90, JpegKind::Progressive), true},
        {"png", encodePicture(picture, EncodeOptions{PictureFormat::Png, 0}, MetadataBlocks()), true},
        {"bmp", encodePicture(picture, EncodeOptions{PictureFormat::Bmp, 0}, MetadataBlocks()), true},
        {"tiff", encodePicture(picture, EncodeOptions{PictureFormat::Tiff, 0}, MetadataBlocks()), false},
        {"webp", libwebpEncode(picture, 80, false), true},
    };
    {
        QTemporaryDir dir;
        const QString gif = dir.filePath(QStringLiteral("a.gif"));
        // Qt writes no GIF; a small one by hand: 2x2, two colours, LZW data, trailer.
        writeBytes(gif, QByteArray("GIF89a\x02\0\x02\0\x80\0\0\xff\0\0\0\0\xff\x2c\0\0\0\0\x02\0\x02\0\0\x02\x03\x84\x1d\x05\0\x3b", 35));
        ASSERT_EQ(decodePictureFile(gif).value().image.size(), QSize(2, 2));
        cases.push_back({"gif", fileBytes(gif), true});
    }
    if (heifEncoderAvailable(false))
        cases.push_back({"heic", libheifEncode(picture, false), false});
    for (const Case &c : cases) {
        ASSERT_FALSE(decodeBytes(c.bytes).isNull()) << c.name;
        for (double fraction : {0.3, 0.6, 0.9, 0.99}) {
            const qsizetype keep = std::min<qsizetype>(c.bytes.size() - 1, qsizetype(c.bytes.size() * fraction));
            const QString failure = failureOf(c.bytes.left(keep), QStringLiteral("/pictures/cut"));
            EXPECT_FALSE(failure.isEmpty()) << c.name << " cut at " << keep << " of " << c.bytes.size();
            EXPECT_TRUE(failure.endsWith(QStringLiteral(": /pictures/cut"))) << qPrintable(failure);
            if (c.exactText) {
                EXPECT_EQ(failure, QStringLiteral("Cannot decode the picture (the file ends too early): /pictures/cut"))
                    << c.name << " cut at " << keep;
            }
        }
    }
}

namespace {

// A 7 x 5 GIF of four colours whose LZW data is written by hand: a clear code before every two
// indices keeps each code three bits wide and each code one pixel, so the data can be cut at
// any pixel. `codes` replaces the indices (a code may be any number), `endCode` says whether the
// data says where it ends before its blocks do.
QByteArray handMadeGif(const std::vector<unsigned> &codes, bool endCode)
{
    QByteArray gif("GIF89a\x07\0\x05\0\x81\0\0", 13);
    gif += QByteArray("\xff\0\0" "\0\xff\0" "\0\0\xff" "\xff\xff\xff", 12);
    gif += QByteArray("\x2c\0\0\0\0\x07\0\x05\0\0\x02", 11);
    std::vector<unsigned> stream;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (i % 2 == 0)
            stream.push_back(4); // clear
        stream.push_back(codes[i]);
    }
    if (endCode)
        stream.push_back(5);
    // The unused bits of the last byte would read as codes of their own: clear codes fill them.
    while ((stream.size() * 3) % 8 != 0 && (stream.size() * 3) % 8 < 6)
        stream.push_back(4);
    QByteArray data;
    std::uint32_t bits = 0;
    int held = 0;
    for (unsigned code : stream) {
        bits |= code << held;
        held += 3;
        while (held >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            held -= 8;
        }
    }
    if (held > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        gif += char(block.size());
        gif += block;
    }
    return gif + QByteArray("\0\x3b", 2);
}

} // namespace

// Qt takes LZW data that stops short and leaves the rest of the picture as it was: a GIF is good
// only when its codes give every pixel.
TEST(BadInput, GifWhoseCodesStopShortIsAFailureNeverAPartPicture)
{
    std::vector<unsigned> indices;
    for (int i = 0; i < 35; ++i)
        indices.push_back(unsigned(i * 7 / 5 + i / 3) % 4);
    const QImage whole = decodeBytes(handMadeGif(indices, true));
    ASSERT_EQ(whole.size(), QSize(7, 5));
    const QRgb palette[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
    for (int i = 0; i < 35; ++i)
        ASSERT_EQ(whole.pixel(i % 7, i / 7), palette[indices[std::size_t(i)]]) << i;
    EXPECT_FALSE(decodeBytes(handMadeGif(indices, false)).isNull()) << "the blocks may end the data";

    const QString cut = QStringLiteral("Cannot decode the picture (the file ends too early): /pictures/cut");
    for (std::size_t kept : {std::size_t(34), std::size_t(28), std::size_t(1), std::size_t(0)}) {
        const std::vector<unsigned> part(indices.begin(), indices.begin() + std::ptrdiff_t(kept));
        EXPECT_EQ(failureOf(handMadeGif(part, true), QStringLiteral("/pictures/cut")), cut) << kept << " with an end code";
        EXPECT_EQ(failureOf(handMadeGif(part, false), QStringLiteral("/pictures/cut")), cut) << kept << " blocks ending";
    }
    // A code past the next free one names no string at all.
    std::vector<unsigned> damaged = indices;
    damaged[13] = 7;
    EXPECT_EQ(failureOf(handMadeGif(damaged, true)), QStringLiteral("Cannot decode the picture (the GIF file is corrupt): /pictures/x"));
}

// The same for a run-length BMP: a stream closed before its last row leaves rows unwritten.
TEST(BadInput, RunLengthBmpClosedBeforeItsLastRowIsAFailure)
{
    auto rle8 = [](const QByteArray &stream) {
        auto le = [](QByteArray &out, quint32 v, int bytes) {
            for (int i = 0; i < bytes; ++i)
                out.append(char((v >> (8 * i)) & 0xFF));
        };
        QByteArray palette;
        for (quint32 c : {0x0000FFu, 0x00FF00u, 0xFF0000u})
            le(palette, c, 4);
        QByteArray bmp("BM");
        const quint32 offset = 14 + 40 + quint32(palette.size());
        le(bmp, offset + quint32(stream.size()), 4);
        le(bmp, 0, 4);
        le(bmp, offset, 4);
        for (quint32 v : {40u, 5u, 3u})
            le(bmp, v, 4);
        le(bmp, 1, 2);
        le(bmp, 8, 2);
        le(bmp, 1, 4); // RLE8
        le(bmp, quint32(stream.size()), 4);
        for (int i = 0; i < 4; ++i)
            le(bmp, i < 2 ? 0 : 3, 4);
        return bmp + palette + stream;
    };
    // Rows bottom first: blue, green, red; each ended by its end-of-line code, then end of picture.
    const QByteArray rows[] = {QByteArray("\x05\x00\x00\x00", 4), QByteArray("\x05\x01\x00\x00", 4),
                               QByteArray("\x05\x02\x00\x00", 4)};
    const QByteArray end("\x00\x01", 2);
    const QImage whole = decodeBytes(rle8(rows[0] + rows[1] + rows[2] + end));
    ASSERT_EQ(whole.size(), QSize(5, 3));
    EXPECT_EQ(whole.pixel(4, 0), qRgb(255, 0, 0));
    EXPECT_EQ(whole.pixel(0, 1), qRgb(0, 255, 0));
    EXPECT_EQ(whole.pixel(0, 2), qRgb(0, 0, 255));
    // The last row may go without its end-of-line code, and rows jumped over are given.
    EXPECT_FALSE(decodeBytes(rle8(rows[0] + rows[1] + QByteArray("\x05\x02", 2) + end)).isNull());
    EXPECT_FALSE(decodeBytes(rle8(rows[0] + QByteArray("\x00\x02\x00\x02", 4) + end)).isNull());
    EXPECT_EQ(failureOf(rle8(rows[0] + end)), QStringLiteral("Cannot decode the picture (the file ends too early): /pictures/x"));
    EXPECT_EQ(failureOf(rle8(rows[0] + rows[1])), QStringLiteral("Cannot decode the picture (the file ends too early): /pictures/x"));
}

TEST(BadInput, CorruptFilesGiveTheLibrarysReason)
{
    QByteArray png = encodePicture(noisyPicture(20, 20), EncodeOptions{PictureFormat::Png, 0}, MetadataBlocks());
    png[28] = char(png[28] ^ 0x40); // inside IHDR: its CRC no longer matches
    EXPECT_TRUE(failureOf(png).contains(QStringLiteral("CRC"))) << qPrintable(failureOf(png));
    QByteArray jpeg = libjpegEncode(noisyPicture(20, 20), 80);
    const int sof = int(jpeg.indexOf("\xff\xc0"));
    jpeg[sof + 9] = 7; // seven components
    EXPECT_TRUE(failureOf(jpeg).startsWith(QStringLiteral("Cannot decode the picture ("))) << qPrintable(failureOf(jpeg));
    EXPECT_EQ(failureOf(QByteArray("RIFF\x04\0\0\0WEBP", 12)).left(27), QStringLiteral("Cannot decode the picture ("));
    EXPECT_EQ(failureOf(QByteArray("plain text, not a picture")),
              QStringLiteral("Not a picture file this program can read: /pictures/x"));
}

TEST(BadInput, ResolutionsNoDensityCanHoldGiveTheDefaultDensity)
{
    const int ownDensity = kDefaultDotsPerMeter;
    QTemporaryDir dir;
    auto tiffWith = [&](float resolution, const char *name) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
        writeGreyDirectory(tif, 2, 1, 10, [resolution](TIFF *t) {
            TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
            TIFFSetField(t, TIFFTAG_XRESOLUTION, resolution);
            TIFFSetField(t, TIFFTAG_YRESOLUTION, resolution);
        });
        TIFFClose(tif);
        return decodePictureFile(path).value().image;
    };
    EXPECT_EQ(tiffWith(300.0f, "plain.tif").dotsPerMeterX(), 11811);
    for (float resolution : {7.4e7f, 1e30f, std::numeric_limits<float>::infinity()}) {
        const QImage picture = tiffWith(resolution, "huge.tif");
        EXPECT_EQ(picture.dotsPerMeterX(), ownDensity) << resolution;
        EXPECT_EQ(picture.dotsPerMeterY(), ownDensity) << resolution;
    }

    // pHYs counts are unsigned 32-bit: 0xF0000000 dots per metre must not turn negative.
    QByteArray png = encodePicture(noisyPicture(3, 2), EncodeOptions{PictureFormat::Png, 0}, MetadataBlocks());
    const int phys = int(png.indexOf("pHYs"));
    ASSERT_GT(phys, 0);
    for (int i = 0; i < 8; ++i)
        png[phys + 4 + i] = (i % 4 == 0) ? char(0xF0) : char(0);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(png.constData() + phys), 4 + 9);
    for (int i = 0; i < 4; ++i)
        png[phys + 13 + i] = char((crc >> (24 - 8 * i)) & 0xFF);
    const QImage picture = decodeBytes(png);
    EXPECT_EQ(picture.dotsPerMeterX(), ownDensity);
    EXPECT_EQ(picture.dotsPerMeterY(), ownDensity);

    // Qt's BMP reader hands on a negative count as it stands; a PNG written from it has none.
    QImage negative = noisyPicture(3, 2);
    negative.setDotsPerMeterX(-5000);
    negative.setDotsPerMeterY(-5000);
    EXPECT_EQ(encodePicture(negative, EncodeOptions{PictureFormat::Png, 0}, MetadataBlocks()).indexOf("pHYs"), -1);
}

TEST(BadInput, KeptCrashersAndOddFilesFailCleanly)
{
    // Every input the fuzzers ever found trouble with, named after the decoder it was fed to:
    // each decodes or fails with a report, through that decoder as through the file path, and
    // none takes memory out of proportion to its size.
    const long before = peakMemoryKb();
    int files = 0;
    QDirIterator it(QStringLiteral(LUMIVEX_CODEC_DATA_DIR), QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QFileInfo(path).fileName();
        const QByteArray bytes = fileBytes(path);
        const codec::Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), path};
        const std::vector<std::pair<const char *, std::function<QImage()>>> decoders{
            {"jpeg-", [&] { return codec::decodeJpeg(in); }},
            {"png-", [&] { return codec::decodePng(in); }},
            {"gif-", [&] { return codec::decodeWithQt(in, PictureFormat::Gif); }},
            {"bmp-", [&] { return codec::decodeWithQt(in, PictureFormat::Bmp); }},
            {"tiff-", [&] { return codec::decodeTiff(in); }},
            {"webp-", [&] { return codec::decodeWebp(in); }},
            {"heif-", [&] { return codec::decodeHeif(in); }},
            {"", [&] { return decodePictureFile(path).valueOrThrow().image; }}};
        ++files;
        for (const auto &[prefix, decode] : decoders) {
            if (!name.startsWith(QLatin1String(prefix)))
                continue;
            try {
                const QImage image = decode();
                EXPECT_EQ(image.format(), QImage::Format_RGB32) << qPrintable(name);
            } catch (const StepFailure &f) {
                EXPECT_TRUE(f.description().endsWith(path) || f.description().startsWith(QStringLiteral("Picture is too large: ")))
                    << qPrintable(f.description());
            }
        }
        // And each made again a band of rows at a time, as a JPEG result of a JPEG is.
        KeptBytes jpeg;
        const Outcome<Transcoded> transcoded =
            transcodeJpeg(bytes, path, *adjustingStage(AdjustmentKind::Sharpening, 3), 85, MetadataBlocks(), &jpeg);
        if (!transcoded.ok()) {
            EXPECT_TRUE(transcoded.failure().description().endsWith(path)) << qPrintable(transcoded.failure().description());
        }
        QString note;
        readPictureMetadata(path, &note);
    }
    EXPECT_GT(files, 0);
    EXPECT_LT(peakMemoryKb() - before, 512 * 1024);
}

// ---- files, not names ----

TEST(Files, FormatComesFromTheContentNotTheName)
{
    QTemporaryDir dir;
    const QImage picture = noisyPicture(6, 5, 3);
    const QString pngNamedJpg = dir.filePath(QStringLiteral("really-a-png.jpg"));
    writeBytes(pngNamedJpg, encodePicture(picture, EncodeOptions{PictureFormat::Png, 0}, MetadataBlocks()));
    const DecodedPicture decoded = decodePictureFile(pngNamedJpg).value();
    EXPECT_EQ(decoded.format, PictureFormat::Png);
    EXPECT_EQ(maxDifference(decoded.image, picture), 0);
}

// ---- failures are values at the codec's edge ----

namespace {

// The failure text a public function of the codec returned for a bad file, "<no failure>" for
// a value. An exception it lets out fails the test: these functions must return every failure.
template <class Call>
QString failureTextOf(const char *function, const QString &file, Call call)
{
    try {
        auto outcome = call();
        if (outcome.ok())
            return QStringLiteral("<no failure>");
        const Failure failure = outcome.failure();
        EXPECT_EQ(failure.kind(), Failure::Kind::Reported) << function;
        // A caller that works with exceptions gets the very StepFailure back.
        try {
            std::move(outcome).valueOrThrow();
            ADD_FAILURE() << function << ": valueOrThrow of a failure returned";
        } catch (const StepFailure &thrown) {
            EXPECT_EQ(thrown.description(), failure.description()) << function;
            EXPECT_EQ(thrown.detail(), failure.detail()) << function;
        }
        return failure.description();
    } catch (...) {
        ADD_FAILURE() << function << " let an exception out for " << qPrintable(file) << ": "
                      << qPrintable(caughtExceptionText());
        return QString();
    }
}

} // namespace

TEST(Boundary, EveryBadFileIsAFailureWithItsReasonNeverAnException)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("none.jpg"));
    const QString text = dir.filePath(QStringLiteral("notes.jpg"));
    writeBytes(text, QByteArray("not a picture at all\n"));
    const QString belowFile = text + QStringLiteral("/x.jpg");
    const QString empty = dir.filePath(QStringLiteral("empty.png"));
    writeBytes(empty, QByteArray());
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    const QByteArray jpeg = libjpegEncode(noisyPicture(48, 40, 5), 90);
    writeBytes(cut, jpeg.left(jpeg.size() / 2));
    // A BMP header claiming 30000 x 30000 pixels: 3.4 GB, refused before anything is allocated.
    const QString large = dir.filePath(QStringLiteral("huge.bmp"));
    writeBytes(large, bmpClaiming(30000, 30000));
    const QString fifo = dir.filePath(QStringLiteral("x.jpg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const QString declined = QStringLiteral("<no failure>"); // the JPEG ring functions decline
    struct Case {
        const char *name;
        QString path;
        QString failure;
        bool readable; // the file's bytes can be read: only decoding them fails
        QString ring;  // what the JPEG ring functions give for those bytes
    };
    const std::vector<Case> cases{
        {"missing file", missing, QStringLiteral("File not found: ") + missing, false, {}},
        {"below a file", belowFile, QStringLiteral("File not found: ") + belowFile, false, {}},
        {"no name", QString(), QStringLiteral("File not found: "), false, {}},
        {"folder", dir.path(), QStringLiteral("Not a picture file (it is a folder): ") + dir.path(), false, {}},
        // Opened plainly, a FIFO without a writer would wait forever.
        {"FIFO", fifo, QStringLiteral("Not a regular file: ") + fifo, false, {}},
        {"device", QStringLiteral("/dev/zero"), QStringLiteral("Not a regular file: /dev/zero"), false, {}},
        {"truncated JPEG", cut, QStringLiteral("Cannot decode the picture (the file ends too early): ") + cut, true,
         QStringLiteral("Cannot decode the picture (the file ends too early): ") + cut},
        {"too large", large,
         QStringLiteral("Picture is too large: 30000 x 30000 pixels would need 3433 MB; the limit is 2048 MB"), true,
         declined},
        {"unknown format", text, QStringLiteral("Not a picture file this program can read: ") + text, true, declined},
        {"empty file", empty, QStringLiteral("Not a picture file this program can read: ") + empty, true, declined},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString &path = c.path;
        std::atomic<bool> finished{false};
        std::thread calls([&] {
            EXPECT_EQ(failureTextOf("decodePictureFile", path, [&] { return decodePictureFile(path); }), c.failure);
            FileIdentity read;
            EXPECT_EQ(failureTextOf("decodePicture", path, [&] { return decodePicture(path, &read); }), c.failure);
            QImage target = noisyPicture(4, 3);
            EXPECT_EQ(failureTextOf("decodePictureInto", path, [&] { return decodePictureInto(path, target); }), c.failure);
            EXPECT_TRUE(target.isNull()); // nothing of the picture it held before
            const QString readFailure = c.readable ? declined : c.failure;
            EXPECT_EQ(failureTextOf("readRegularFile", path, [&] { return readRegularFile(path); }), readFailure);
            KeptBytes kept;
            kept.resize(16);
            EXPECT_EQ(failureTextOf("readRegularFile into kept bytes", path, [&] { return readRegularFile(path, kept); }),
                      readFailure);
            if (!c.readable) {
                EXPECT_EQ(kept.size(), 0u); // what an earlier file left is gone
            } else {
                const QByteArray bytes = fileBytes(path);
                EXPECT_EQ(failureTextOf("decodePictureBytes", path, [&] { return decodePictureBytes(bytes, path); }),
                          c.failure);
                const auto stage = adjustingStage(AdjustmentKind::Softening, 4);
                KeptBytes out;
                Outcome<Transcoded> transcoded = Transcoded::Written;
                EXPECT_EQ(failureTextOf("transcodeJpeg", path, [&] {
                    transcoded = transcodeJpeg(bytes, path, *stage, 85, MetadataBlocks(), &out);
                    return transcoded;
                }), c.ring);
                if (transcoded.ok()) {
                    EXPECT_EQ(transcoded.value(), Transcoded::Declined);
                }
                EXPECT_EQ(out.size(), 0u);
                Outcome<std::optional<QImage>> through = std::optional<QImage>(QImage());
                EXPECT_EQ(failureTextOf("decodeJpegThrough", path, [&] {
                    through = decodeJpegThrough(bytes, path, *stage);
                    return through;
                }), c.ring);
                if (through.ok()) {
                    EXPECT_FALSE(through.value().has_value()); // declined: no picture
                }
            }
            finished = true;
        });
        for (int i = 0; i < 1000 && !finished; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!finished)
            ADD_FAILURE() << "still reading after 10 s";
        // Lets each reader blocked on the FIFO go, so that the test ends.
        for (int i = 0; i < 1000 && !finished; ++i) {
            const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        calls.join();
    }
}

// ---- nothing of one picture reaches another ----

TEST(Isolation, APictureDecodesTheSameAloneAndAfterAnother)
{
    QTemporaryDir dir;
    // First a PNG with text, a resolution and camera data; then a JPEG of the same size with
    // none of them; then a truncated BMP of the same size after a whole one.
    QImage first = noisyPicture(48, 32, 1);
    first.setDotsPerMeterX(11811);
    first.setDotsPerMeterY(11811);
    first.setText(QStringLiteral("Description"), QStringLiteral("first picture's text"));
    const QString a = dir.filePath(QStringLiteral("a.png"));
    writeBytes(a, encodePicture(first, EncodeOptions{PictureFormat::Png, 0}, sampleMetadata()));
    QByteArray plainJpeg = libjpegEncode(noisyPicture(48, 32, 2), 90);
    plainJpeg[13] = 0; // JFIF density without unit: no resolution of its own
    const QString b = dir.filePath(QStringLiteral("b.jpg"));
    writeBytes(b, plainJpeg);

    QImage working;
    ASSERT_TRUE(decodePictureInto(a, working).ok());
    ASSERT_TRUE(decodePictureInto(b, working).ok());
    const QImage alone = decodePicture(b).value();
    EXPECT_EQ(working, alone);
    EXPECT_EQ(working.dotsPerMeterX(), alone.dotsPerMeterX());
    EXPECT_EQ(working.dotsPerMeterX(), kDefaultDotsPerMeter);
    EXPECT_TRUE(working.textKeys().isEmpty());
    EXPECT_FALSE(working.colorSpace().isValid());
    EXPECT_TRUE(readPictureMetadata(b).isEmpty());
    // Camera raw and JPEG XL likewise, each after the PNG with everything.
    const QString dng = dir.filePath(QStringLiteral("c.dng")), jxl = dir.filePath(QStringLiteral("d.jxl"));
    writeBytes(dng, libtiffDng(48, 32));
    writeBytes(jxl, libjxlEncode(noisyPicture(48, 32, 4), 1.0f));
    for (const QString &path : {dng, jxl}) {
        ASSERT_TRUE(decodePictureInto(a, working).ok());
        ASSERT_TRUE(decodePictureInto(path, working).ok());
        EXPECT_EQ(working, decodePicture(path).value()) << qPrintable(path);
        EXPECT_EQ(working.dotsPerMeterX(), kDefaultDotsPerMeter) << qPrintable(path);
        EXPECT_FALSE(working.colorSpace().isValid()) << qPrintable(path);
    }

    const QByteArray bmp = encodePicture(noisyPicture(48, 32, 3), EncodeOptions{PictureFormat::Bmp, 0}, MetadataBlocks());
    const QString whole = dir.filePath(QStringLiteral("whole.bmp")), cut = dir.filePath(QStringLiteral("cut.bmp"));
    writeBytes(whole, bmp);
    writeBytes(cut, bmp.left(bmp.size() - 200));
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(decodePictureInto(whole, working).ok()); // its memory goes back to the pool for the next one
        working = QImage();
        EXPECT_EQ(failureOfFile(cut), QStringLiteral("Cannot decode the picture (the file ends too early): ") + cut);
    }
}

TEST(Isolation, MemoryKeptForTheNextFileHoldsOnlyTheLastFileRead)
{
    QTemporaryDir dir;
    QByteArray large(3 << 20, '\0');
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char(i * 7 + i / 4096);
    const QString big = dir.filePath(QStringLiteral("big")), small = dir.filePath(QStringLiteral("small"));
    writeBytes(big, large);
    writeBytes(small, QByteArray("eleven byte"));
    KeptBytes kept;
    ASSERT_TRUE(readRegularFile(big, kept).ok());
    EXPECT_EQ(kept.view(), large);
    ASSERT_TRUE(readRegularFile(small, kept).ok());
    EXPECT_EQ(kept.view(), QByteArray("eleven byte"));
    ASSERT_TRUE(readRegularFile(big, kept).ok());
    EXPECT_EQ(readRegularFile(dir.path(), kept).failure().description(),
              QStringLiteral("Not a picture file (it is a folder): ") + dir.path());
    EXPECT_EQ(kept.size(), 0u);
}

TEST(Isolation, CommandLineBytesEqualTheWindowsSaveForAMixedBatch)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("out"));
    QDir(dir.path()).mkpath(QStringLiteral("one"));
    QImage withData = noisyPicture(40, 30, 1);
    withData.setDotsPerMeterX(11811);
    withData.setDotsPerMeterY(11811);
    const QStringList sources{
        dir.filePath(QStringLiteral("1.png")), dir.filePath(QStringLiteral("2.jpg")), dir.filePath(QStringLiteral("3.jpg")),
        dir.filePath(QStringLiteral("4.tif")), dir.filePath(QStringLiteral("5.webp"))};
    writeBytes(sources[0], encodePicture(withData, EncodeOptions{PictureFormat::Png, 0}, sampleMetadata()));
    QByteArray plain = libjpegEncode(noisyPicture(40, 30, 2), 90);
    plain[13] = 0;
    writeBytes(sources[1], plain);
    writeBytes(sources[2], encodePicture(noisyPicture(40, 30, 3), EncodeOptions{PictureFormat::Jpeg, 80}, sampleMetadata()));
    writeBytes(sources[3], encodePicture(noisyPicture(40, 30, 4), EncodeOptions{PictureFormat::Tiff, 0}, MetadataBlocks()));
    writeBytes(sources[4], libwebpEncode(noisyPicture(40, 30, 5), 0, true));

    for (const char *format : {"jpg", "png", "webp", "tiff"}) {
        QString errorText;
        QTextStream errors(&errorText);
        QString none;
        QTextStream input(&none);
        QStringList arguments{QStringLiteral("lumivex"), QStringLiteral("--adjust"), QStringLiteral("brightness"),
                              QStringLiteral("--strength"), QStringLiteral("12"), QStringLiteral("--jobs"), QStringLiteral("1"),
                              QStringLiteral("--format"), QLatin1String(format), QStringLiteral("--quality"), QStringLiteral("80"),
                              QStringLiteral("--output"), dir.filePath(QStringLiteral("out"))};
        ASSERT_EQ(runBatchCommandLine(arguments + sources, input, errors, false), 0) << qPrintable(errorText);
        // Each picture alone, as the window decodes them: fresh, one at a time.
        for (const QString &source : sources) {
            errorText.clear();
            ASSERT_EQ(runBatchCommandLine(QStringList(arguments).replaceInStrings(dir.filePath(QStringLiteral("out")), dir.filePath(QStringLiteral("one"))) << source,
                                          input, errors, false),
                      0);
        }
        const QString extension = format == std::string("tiff") ? QStringLiteral("tif") : QLatin1String(format);
        const QStringList written = QDir(dir.filePath(QStringLiteral("out"))).entryList({QStringLiteral("*.") + extension}, QDir::Files);
        EXPECT_EQ(written.size(), sources.size()) << format;
        for (const QString &name : written)
            EXPECT_EQ(fileBytes(dir.filePath(QStringLiteral("out/") + name)), fileBytes(dir.filePath(QStringLiteral("one/") + name)))
                << format << " " << qPrintable(name);
    }
    // The window's way for its own format: a run over the files, then "Save Results".
    SessionDriver run(AdjustmentKind::Brightness, sources);
    ASSERT_TRUE(run.runToEnd(12));
    SaveSettings settings;
    settings.folder = dir.filePath(QStringLiteral("window"));
    QDir().mkpath(settings.folder);
    settings.format = OutputFormat::Jpeg;
    settings.quality = 80;
    settings.resultWord = run.results().resultWord;
    for (const SaveOutcome &o : saveResults(settings, *run.session))
        ASSERT_TRUE(o.written) << qPrintable(o.failure);
    for (const QString &name : QDir(settings.folder).entryList(QDir::Files))
        EXPECT_EQ(fileBytes(dir.filePath(QStringLiteral("out/") + name)), fileBytes(QDir(settings.folder).filePath(name)))
            << qPrintable(name);
    EXPECT_EQ(QDir(settings.folder).entryList(QDir::Files).size(), sources.size());

    // The plain JPEG's result carries nothing of the PNG before it.
    EXPECT_TRUE(readPictureMetadata(dir.filePath(QStringLiteral("out/2-brightened.jpg"))).isEmpty());
    EXPECT_EQ(decodePicture(dir.filePath(QStringLiteral("out/2-brightened.jpg"))).value().dotsPerMeterX(), 3779); // 96 dpi, not 300
    EXPECT_EQ(exifMake(readPictureMetadata(dir.filePath(QStringLiteral("out/3-brightened.jpg"))).exif), QStringLiteral("Quenwick Optics"));
}
